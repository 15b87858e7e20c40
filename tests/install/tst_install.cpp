// cmake --install of this build gives a self-contained folder: the program
// started from elsewhere loads its library and finds its files beside itself.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Generous: sanitized programs start many times slower.
constexpr int kStartMs = 60000;

// Starts the program and returns what it printed once expected appeared
// (or after kStartMs); *running tells whether it was still running a moment
// later, when it is stopped.
QString RunUntil(const QString &program, const QString &workingDir, const QString &expected, bool *running)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ACTUATOR_SIM_STATE", "");
    env.remove("LD_LIBRARY_PATH");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(workingDir);
    process.start(program, QStringList());
    *running = false;
    if (!process.waitForStarted(5000))
        return process.errorString();
    QString output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains(expected) && clock.elapsed() < kStartMs
           && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        output += QString::fromLocal8Bit(process.readAll());
    }
    *running = !process.waitForFinished(500);
    process.kill();
    process.waitForFinished(5000);
    return output + QString::fromLocal8Bit(process.readAll());
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

// The store reports at start what it found of devConfig.json: that tells
// where the program looked for its files.
void TestInstall::startsFromAnotherDirectory()
{
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString program = QDir(m_prefix).filePath("ActuatorControl");
    auto writeStore = [](const QString &path, const QByteArray &content) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    // A sound file in the working directory: the program must not take it.
    QVERIFY(writeStore(QDir(elsewhere.path()).filePath("devConfig.json"), "{}"));

    // None beside the program.
    bool running = false;
    QString output = RunUntil(program, elsewhere.path(), "load, open file error", &running);
    QVERIFY2(running, qPrintable(output));
    QVERIFY2(output.contains("load, open file error"), qPrintable(output));

    // A malformed one beside it: read from there.
    QVERIFY(writeStore(QDir(m_prefix).filePath("devConfig.json"), "{ not json"));
    output = RunUntil(program, elsewhere.path(), "jsError.error", &running);
    QVERIFY2(running, qPrintable(output));
    QVERIFY2(output.contains("jsError.error"), qPrintable(output));
    for (const char *problem : {"load, open file error", "cannot open shared object",
                                "error while loading shared libraries", "Sanitizer"})
        QVERIFY2(!output.contains(QLatin1String(problem)), qPrintable(output));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"devConfig.json"});
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
