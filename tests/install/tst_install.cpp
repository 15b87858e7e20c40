// cmake --install of this build gives a self-contained folder: the program,
// started from elsewhere, loads its library and reads its files beside itself.
#include <QtTest>

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installedFolderRuns()
    {
        QTemporaryDir root, elsewhere;
        const QDir dir(root.filePath("Actuator Control")); // a space, as in many install folders
        QProcess cmake;
        cmake.start(CMAKE_COMMAND_FILE, {"--install", BUILD_DIR, "--prefix", dir.path()});
        QVERIFY(cmake.waitForFinished(120000) && cmake.exitCode() == 0);
        QVERIFY(QFileInfo(dir.filePath(LIBRARY_NAME)).isFile());
        QVERIFY(QFileInfo(dir.filePath("en_US.qm")).size() > 0);
        QVERIFY(!QDir(dir.filePath("help")).entryList({"*.pdf"}, QDir::Files).isEmpty());
        const QSettings entry(dir.filePath("ActuatorControl.desktop"), QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString(), dir.filePath("ActuatorControl"));
        QVERIFY(!QImage(entry.value("Desktop Entry/Icon").toString()).isNull());

        // A malformed store beside the program, a sound one in the working
        // directory: the program must read the one beside itself.
        const auto write = [](const QString &path, const QByteArray &data) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
        };
        QVERIFY(write(dir.filePath("devConfig.json"), "{ not json") && write(elsewhere.filePath("devConfig.json"), "{}"));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("LD_LIBRARY_PATH"); // the library must be found beside the program
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setWorkingDirectory(elsewhere.path());
        program.start(dir.filePath("ActuatorControl"), QStringList());
        QVERIFY(program.waitForStarted(5000));
        QString output;
        const bool warned = QTest::qWaitFor([&] { return (output += program.readAll()).contains("jsError.error")
                                     || program.state() != QProcess::Running; }, 60000);
        const bool running = warned && !program.waitForFinished(500); // still running a moment later
        program.kill();
        program.waitForFinished(5000);
        QVERIFY2(running && output.contains("jsError.error"), qPrintable(output));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"devConfig.json"});
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
