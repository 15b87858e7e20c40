// cmake --install of this build gives a self-contained folder: the program
// started from elsewhere loads its library and finds its files beside itself.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Sanitized programs start several times slower.
#ifdef INSTALL_SANITIZED
constexpr int kAliveMs = 2500;
#else
constexpr int kAliveMs = 1000;
#endif

// What the program printed while it ran for a moment; it must still be
// running when it is stopped.
QString RunFor(const QString &program, const QString &workingDir, bool *stayed)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ACTUATOR_SIM_STATE", "");
    env.remove("LD_LIBRARY_PATH");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workingDir);
    process.start(program, QStringList());
    if (!process.waitForStarted(5000)) {
        *stayed = false;
        return process.errorString();
    }
    *stayed = !process.waitForFinished(kAliveMs);
    process.kill();
    process.waitForFinished(5000);
    return QString::fromLocal8Bit(process.readAllStandardError());
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderIsComplete();
    void desktopEntry();
    void startsFromAnotherDirectory();

private:
    QTemporaryDir m_root;
    QString m_prefix;
};

void TestInstall::initTestCase()
{
    QVERIFY(m_root.isValid());
    // A space in the path, as in many install folders.
    m_prefix = m_root.filePath("Actuator Control");
    QProcess cmake;
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral(CMAKE_COMMAND_FILE),
                {"--install", QStringLiteral(BUILD_DIR), "--prefix", m_prefix});
    QVERIFY(cmake.waitForFinished(120000));
    QVERIFY2(cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0,
             cmake.readAll().constData());
}

void TestInstall::folderIsComplete()
{
    const QDir dir(m_prefix);
    const QFileInfo program(dir.filePath("ActuatorControl"));
    QVERIFY(program.isExecutable());
    QVERIFY(QFileInfo(dir.filePath(LIBRARY_NAME)).isFile());
    QVERIFY(QFileInfo(dir.filePath("en_US.qm")).size() > 0);
    QVERIFY(QDir(dir.filePath("help")).exists());
    QVERIFY(!QDir(dir.filePath("help")).entryList({"*.pdf"}, QDir::Files).isEmpty());
    // Flat: nothing but the help folder below the prefix.
    QCOMPARE(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"help"});
}

void TestInstall::desktopEntry()
{
#ifndef Q_OS_LINUX
    QSKIP("desktop entries are installed on Linux only");
#endif
    const QString file = QDir(m_prefix).filePath("ActuatorControl.desktop");
    QVERIFY(QFileInfo::exists(file));
    QSettings entry(file, QSettings::IniFormat);
    entry.beginGroup("Desktop Entry");
    QCOMPARE(entry.value("Type").toString(), QStringLiteral("Application"));
    QCOMPARE(entry.value("Exec").toString(), QDir(m_prefix).filePath("ActuatorControl"));
    const QString icon = entry.value("Icon").toString();
    QCOMPARE(QFileInfo(icon).absolutePath(), m_prefix);
    QImage image(icon);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(256, 256));
    QVERIFY(image.hasAlphaChannel());
}

void TestInstall::startsFromAnotherDirectory()
{
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString program = QDir(m_prefix).filePath("ActuatorControl");

    // Without devConfig.json beside it, the store says it could not open the
    // file: the check below can see where the program looks.
    bool stayed = false;
    QString output = RunFor(program, elsewhere.path(), &stayed);
    QVERIFY2(stayed, qPrintable(output));
    QVERIFY2(output.contains("load, open file error"), qPrintable(output));

    // With one beside it (and none in the working directory), it finds it.
    QFile store(QDir(m_prefix).filePath("devConfig.json"));
    QVERIFY(store.open(QIODevice::WriteOnly));
    store.write("{}");
    store.close();
    output = RunFor(program, elsewhere.path(), &stayed);
    QVERIFY2(stayed, qPrintable(output));
    for (const char *problem : {"load, open file error", "cannot open shared object",
                                "error while loading shared libraries", "Sanitizer"})
        QVERIFY2(!output.contains(QLatin1String(problem)), qPrintable(output));
    QVERIFY(QDir(elsewhere.path()).entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
