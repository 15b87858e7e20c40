// cmake --install of this build gives a self-contained folder: the program,
// started from elsewhere, loads its library and reads its files beside itself;
// installed where its user cannot write, it and its library keep them in the
// user's folder. Its command line answers without a display.
#include <QtTest>

#ifdef Q_OS_UNIX
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>
#endif

namespace {
bool Write(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}
QByteArray Read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
const auto kFolderMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QDir m_dir;

    // Starts the installed program (through launcher, when given): true once
    // it shows `wanted` and still runs a moment later, having written nothing
    // into its working directory.
    bool Run(const QStringList &launcher, const QProcessEnvironment &env, const QString &wanted)
    {
        QTemporaryDir elsewhere;
        QFile::setPermissions(elsewhere.path(), kFolderMode);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setWorkingDirectory(elsewhere.path());
        const QStringList command = launcher + QStringList{m_dir.filePath("ActuatorControl"), "-platform", "offscreen"};
        program.start(command.first(), command.mid(1));
        QString output;
        const bool shown = program.waitForStarted(5000) && QTest::qWaitFor([&] {
            return (output += program.readAll()).contains(wanted) || program.state() != QProcess::Running; }, 60000);
        const bool running = shown && !program.waitForFinished(500);
        program.kill();
        program.waitForFinished(5000);
        const bool ok = running && output.contains(wanted) && QDir(elsewhere.path()).isEmpty();
        if (!ok)
            qWarning().noquote() << output;
        return ok;
    }

    static QProcessEnvironment Environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // LD_LIBRARY_PATH: the library must be found beside the program.
        for (const char *name : {"LD_LIBRARY_PATH", "ACTUATOR_SIM_STATE", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
            env.remove(name);
        return env;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::setPermissions(m_root.path(), kFolderMode)); // other users reach the folder
        m_dir.setPath(m_root.filePath("Actuator Control")); // a space, as in many install folders
        QProcess cmake;
        cmake.start(CMAKE_COMMAND_FILE, {"--install", BUILD_DIR, "--prefix", m_dir.path()});
        QVERIFY(cmake.waitForFinished(120000) && cmake.exitCode() == 0);
    }
    void cleanup()
    {
        QFile::setPermissions(m_dir.path(), kFolderMode);
        for (const char *written : {"devConfig.json", "files-per-user"})
            QFile::remove(m_dir.filePath(written));
    }

    void installedFolderRuns()
    {
        QVERIFY(QFileInfo(m_dir.filePath(LIBRARY_NAME)).isFile());
        QVERIFY(QFileInfo(m_dir.filePath("en_US.qm")).size() > 0);
        QVERIFY(!QDir(m_dir.filePath("help")).entryList({"*.pdf"}, QDir::Files).isEmpty());
        const QSettings entry(m_dir.filePath("ActuatorControl.desktop"), QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString(), m_dir.filePath("ActuatorControl"));
        QVERIFY(!QImage(entry.value("Desktop Entry/Icon").toString()).isNull());
        QVERIFY(!QFileInfo::exists(m_dir.filePath("files-per-user"))); // the package's alone

        // A malformed store beside the program (the run's working directory
        // has none): the program must read the one beside itself.
        QVERIFY(Write(m_dir.filePath("devConfig.json"), "{ not json"));
        QVERIFY(Run({}, Environment(), "jsError.error"));
    }

    // Help and version need no display; an unknown option is refused after
    // Qt took out its own.
    void commandLineAnswers()
    {
        QProcessEnvironment env = Environment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        const auto answer = [&](const QStringList &arguments, int code, const QString &text, QProcess::ProcessChannel channel) {
            QProcess program;
            program.setProcessEnvironment(env);
            program.setReadChannel(channel);
            program.start(m_dir.filePath("ActuatorControl"), arguments);
            const bool ended = program.waitForFinished(20000) && program.exitStatus() == QProcess::NormalExit;
            const QString out = QString::fromLocal8Bit(program.readAll());
            return ended && program.exitCode() == code && out.contains(text) ? QString() : out + program.readAllStandardError();
        };
        QCOMPARE(answer({"--version"}, 0, "ActuatorControl " APP_VERSION "\n", QProcess::StandardOutput), QString());
        QCOMPARE(answer({"-debug", "--help"}, 0, "Usage: ActuatorControl [-debug] [-remote]", QProcess::StandardOutput), QString());
        QCOMPARE(answer({"-platform", "offscreen", "-debug", "--bogus"}, 2, "Unknown option 'bogus'.\n\nUsage:",
                        QProcess::StandardError), QString());
    }

    void filesPerUser_data()
    {
        QTest::addColumn<bool>("marked");
        QTest::newRow("marked for files per user") << true;
        QTest::newRow("read-only for its user") << false;
    }

    // The program, in a folder marked or read-only for its user, keeps its
    // files in the user's folder, taking the parameters found beside it
    // along; the program's folder stays as it was. Root, whom
    // permissions do not stop, runs the program as nobody.
    void filesPerUser()
    {
#ifdef Q_OS_UNIX
        QFETCH(bool, marked);
        QTemporaryDir home;
        const QString user = home.filePath(".config/ActuatorControl");
        const QByteArray params(R"({"ORV 1": {"JogParam": {"Times": 7}}})");
        QVERIFY(Write(m_dir.filePath("devConfig.json"), params) && (!marked || Write(m_dir.filePath("files-per-user"), "")));
        const QStringList before = m_dir.entryList(QDir::AllEntries | QDir::Hidden);
        QStringList asUser;
        const passwd *nobody = getpwnam("nobody");
        if (geteuid() == 0 && !marked) {
            QVERIFY(nobody && chown(qPrintable(home.path()), nobody->pw_uid, nobody->pw_gid) == 0);
            asUser = QStringList{"setpriv", "--reuid", QString::number(nobody->pw_uid), "--regid",
                                 QString::number(nobody->pw_gid), "--clear-groups"};
        } else if (!marked) {
            QVERIFY(QFile::setPermissions(m_dir.path(), kFolderMode & ~QFileDevice::WriteOwner));
        }
        QProcessEnvironment env = Environment();
        env.insert("HOME", home.path());
        QVERIFY(Run(asUser, env, "files per user in " + user + " ("));
        QCOMPARE(Read(user + "/devConfig.json"), params);

        // The simulated library of the folder, loaded by this process: its
        // flash goes to the same folder (a button parameter is flash).
#ifdef SIMULATED_LIBRARY
        if (geteuid() != 0 || marked) {
            qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
            qunsetenv("ACTUATOR_SIM_STATE");
            void *library = dlopen(qPrintable(m_dir.filePath(LIBRARY_NAME)), RTLD_NOW | RTLD_LOCAL);
            QVERIFY2(library, dlerror());
            int handles[8];
            QVERIFY(reinterpret_cast<int (*)()>(dlsym(library, "simInitFromEnvironment"))() > 0
                    && reinterpret_cast<int (*)(int *, int)>(dlsym(library, "scanDev"))(handles, 8) > 0
                    && reinterpret_cast<int (*)(int)>(dlsym(library, "openDev"))(handles[0]) == 0
                    && reinterpret_cast<int (*)(int, float)>(dlsym(library, "setBtnSpeed"))(handles[0], 1.5f) == 0);
            QVERIFY(QFileInfo(user + "/actuatorSim.state").size() > 0);
        }
#endif
        QCOMPARE(m_dir.entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(Read(m_dir.filePath("devConfig.json")), params);
#endif
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
