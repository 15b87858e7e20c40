#include "config/ConfigDir.h"
#include "config/DevConfig.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

const QString kKey = QStringLiteral("ACT0001");

// Every field loaded for kKey by "Group.Field", floats widened.
QVariantMap Load(const QString &path)
{
    MoveParam m; JogParam j; DriveParam d; CruiseParam c;
    DevConfig(path).LoadDevParams(kKey, m, j, d, c);
    return {{"MoveParam.TargetPos", m.TargetPos}, {"MoveParam.Speed", double(m.Speed)}, {"MoveParam.Acc", double(m.Acc)},
            {"MoveParam.Jerk", m.Jerk}, {"MoveParam.JerkChecked", m.JerkChecked}, {"JogParam.Step", j.Step},
            {"JogParam.Delay", j.Delay}, {"JogParam.Times", j.Times}, {"DriveParam.Offset", d.Offset},
            {"DriveParam.Speed", double(d.Speed)}, {"DriveParam.Acc", double(d.Acc)}, {"DriveParam.Enable", d.Enable},
            {"CruiseParam.BeginPos", c.BeginPos}, {"CruiseParam.EndPos", c.EndPos},
            {"CruiseParam.StopTime", c.StopTime}, {"CruiseParam.Times", c.Times}};
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size());
}

} // namespace

class TestDevConfig : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_dir.reset(new QTemporaryDir); }

    // Each Save* reaches the file at once (read back by a second store while the
    // first is alive), keeping other keys; drive speed and acceleration are the move's.
    void everySaveWritesItsGroup()
    {
        WriteAll(Path(), R"({"OTHER": {"JogParam": {"Step": 3}}})");
        DevConfig config(Path());
        QVariantMap expected = Load(Path());
        const auto check = [&](const QVariantMap &saved) {
            expected.insert(saved);
            QCOMPARE(Load(Path()), expected);
        };
        config.SaveMoveParam(kKey, {12.5, 0.75f, 0.25f, 3, true});
        check({{"MoveParam.TargetPos", 12.5}, {"MoveParam.Speed", 0.75}, {"MoveParam.Acc", 0.25}, {"MoveParam.Jerk", 3},
               {"MoveParam.JerkChecked", true}, {"DriveParam.Speed", 0.75}, {"DriveParam.Acc", 0.25}});
        config.SaveJogParam(kKey, {0.5, 20, 7});
        check({{"JogParam.Step", 0.5}, {"JogParam.Delay", 20}, {"JogParam.Times", 7}});
        config.SaveDriveParam(kKey, {2.75, 1.5f, 3.0f, true});
        check({{"DriveParam.Offset", 2.75}, {"DriveParam.Enable", true}, {"DriveParam.Speed", 1.5},
               {"DriveParam.Acc", 3.0}, {"MoveParam.Speed", 1.5}, {"MoveParam.Acc", 3.0}});
        config.SaveCruiseParam(kKey, {0.5, 13, 20, 9});
        check({{"CruiseParam.BeginPos", 0.5}, {"CruiseParam.EndPos", 13.0}, {"CruiseParam.StopTime", 20},
               {"CruiseParam.Times", 9}});
        QCOMPARE(QJsonDocument::fromJson(ReadAll(Path()))["OTHER"]["JogParam"]["Step"].toInt(), 3);
    }

    void storedFieldChecked_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QVariant>("value"); // invalid: the default is used
        const struct { const char *field, *json; QVariant value; } rows[] = {
            {"MoveParam.TargetPos", "100", 100.0}, {"MoveParam.TargetPos", "100.000001", {}},
            {"MoveParam.TargetPos", "-0.1", {}}, {"MoveParam.TargetPos", "\"5\"", {}}, {"MoveParam.Speed", "2.01", {}},
            {"MoveParam.Speed", "0.009999999776482582", double(0.01f)}, {"MoveParam.Speed", "1e300", {}},
            {"MoveParam.Acc", "10", 10.0}, {"MoveParam.Acc", "0.009", {}}, {"MoveParam.Jerk", "18", 18},
            {"MoveParam.Jerk", "19", {}}, {"MoveParam.Jerk", "7.5", {}}, {"MoveParam.JerkChecked", "1", {}},
            {"JogParam.Step", "0.000001", 0.000001}, {"JogParam.Step", "0.0000009", {}}, {"JogParam.Delay", "1500.9", 1500},
            {"JogParam.Delay", "0.5", {}}, {"JogParam.Times", "16777216", {}}, {"DriveParam.Offset", "100", 100.0},
            {"DriveParam.Offset", "0", {}}, {"DriveParam.Enable", "false", false}, {"DriveParam.Enable", "\"yes\"", {}},
            {"CruiseParam.BeginPos", "100.1", {}}, {"CruiseParam.EndPos", "0", 0.0}, {"CruiseParam.Times", "0", {}},
            {"CruiseParam.StopTime", "16777215", 16777215}, {"CruiseParam.StopTime", "1.5", {}},
        };
        for (const auto &row : rows)
            QTest::addRow("%s=%s", row.field, row.json) << QString(row.field) << QByteArray(row.json) << row.value;
    }

    // One stored field out of range or of the wrong type falls back to its
    // default; the other fields keep their stored values.
    void storedFieldChecked()
    {
        QFETCH(QString, field);
        QFETCH(QByteArray, json);
        QFETCH(QVariant, value);
        QJsonObject dev = QJsonDocument::fromJson(R"({
            "MoveParam": {"TargetPos": 5.25, "Speed": 1.5, "Acc": 0.5, "Jerk": 7, "JerkChecked": true},
            "JogParam": {"Step": 0.5, "Delay": 300, "Times": 3}, "DriveParam": {"Offset": 2.5, "Enable": true},
            "CruiseParam": {"BeginPos": 1, "EndPos": 3, "StopTime": 20, "Times": 9}})").object();
        WriteAll(Path(), QJsonDocument(QJsonObject{{kKey, dev}}).toJson());
        QVariantMap expected = Load(Path()); // every field stored, none a default
        const QString group = field.section('.', 0, 0);
        QJsonObject fields = dev[group].toObject();
        fields[field.section('.', 1)] = QJsonDocument::fromJson("[" + json + "]").array().at(0);
        dev[group] = fields;
        WriteAll(Path(), QJsonDocument(QJsonObject{{kKey, dev}}).toJson());
        expected[field] = value.isValid() ? value : Load(m_dir->filePath("absent"))[field];
        if (group == "MoveParam" && (field.endsWith("Speed") || field.endsWith("Acc")))
            expected["DriveParam." + field.section('.', 1)] = expected[field];
        QCOMPARE(Load(Path()), expected);
    }

    void unusableFileBackedUpBeforeFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray("{\"ACT0001\": {\"MoveParam\": {\"Spe");
        QTest::newRow("top level array") << QByteArray(R"([{"ACT0001": {}}])");
    }

    // Unusable content is kept as devConfig.json.bak, once, before the file is
    // first replaced; when no backup can be made the file is left alone.
    void unusableFileBackedUpBeforeFirstWrite()
    {
        QFETCH(QByteArray, content);
        const QString backup = Path() + ".bak";
        WriteAll(Path(), content);
        {
            QVERIFY(QDir(m_dir->path()).mkdir("devConfig.json.bak")); // no backup possible
            DevConfig config(Path());
            config.SaveJogParam(kKey, {0.5, 20, 5});
            QCOMPARE(ReadAll(Path()), content);
        }
        QVERIFY(QDir(m_dir->path()).rmdir("devConfig.json.bak"));
        DevConfig config(Path());
        config.SaveJogParam(kKey, {0.5, 20, 5});
        QCOMPARE(ReadAll(backup), content);
        QCOMPARE(Load(Path())["JogParam.Times"].toInt(), 5);
        WriteAll(backup, "marker");
        config.SaveJogParam(kKey, {0.5, 20, 6});
        QCOMPARE(ReadAll(backup), QByteArray("marker"));
    }

    // A file that is there but cannot be read may hold every device's
    // parameters: nothing is written over it. Root reads any file, so the store
    // then runs in a child process as an unprivileged user.
    void unreadableFileIsNeverOverwritten()
    {
#ifdef Q_OS_UNIX
        const QByteArray stored(R"({"ORV 1": {"JogParam": {"Times": 9}}})");
        WriteAll(Path(), stored);
        QVERIFY(QFile::setPermissions(Path(), QFileDevice::WriteOwner));
        const uid_t nobody = 65534;
        const bool root = geteuid() == 0;
        QVERIFY(!root || (chown(qPrintable(m_dir->path()), nobody, nobody) == 0
                          && chown(qPrintable(Path()), nobody, nobody) == 0));
        const pid_t child = root ? fork() : 0;
        if (child == 0) {
            if (root && (setgid(nobody) != 0 || setuid(nobody) != 0))
                _exit(1);
            DevConfig(Path()).SaveJogParam(kKey, JogParam());
            if (root)
                _exit(0);
        }
        int status = 0;
        QVERIFY(!root || (waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0));
        QVERIFY(QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(ReadAll(Path()), stored);
#endif
    }

    // A write that fails part way (full disk; here a file size limit, which
    // holds for root too) leaves the old file whole and reports the failure.
    void failedWriteKeepsOldFile()
    {
#ifdef Q_OS_UNIX
        const QByteArray old = "{\"ORV 1\": {\"JogParam\": {\"Step\": 2}}, \"note\": \"" + QByteArray(40000, 'n') + "\"}";
        WriteAll(Path(), old);
        DevConfig config(Path());
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = rlim_t(old.size()) + 16;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QTest::ignoreMessage(QtWarningMsg, "save, write file error");
        config.SaveMoveParam(kKey, {9, 0.5f, 0.5f, 0, false});
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(ReadAll(Path()), old);
        QVERIFY(config.WriteFile());
        QCOMPARE(Load(Path())["MoveParam.TargetPos"].toDouble(), 9.0);
#endif
    }

    void filesFolderChosen_data()
    {
        QTest::addColumn<QString>("setup"); // of the program's folder
        QTest::addColumn<bool>("perUser");
        QTest::newRow("writable") << "" << false;
        QTest::newRow("marked") << "marker" << true;
        QTest::newRow("read-only folder") << "folder" << true;
        QTest::newRow("read-only file") << "file" << true;
        QTest::newRow("user's own file kept") << "marker own" << true;
        QTest::newRow("user folder cannot be made") << "marker blocked" << true;
    }

    // The program's folder keeps the files unless it is marked, cannot be
    // written, or holds one of them that cannot be; then the user's folder
    // does, with a writable copy of each file it lacks. The permission rules
    // are checked as an ordinary user (for root, in a child run as nobody).
    void filesFolderChosen()
    {
        QFETCH(QString, setup);
        QFETCH(bool, perUser);
        const QString program = m_dir->filePath("program");
        const QString user = m_dir->filePath(setup.contains("blocked") ? "file/ActuatorControl" : "user/ActuatorControl");
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(m_dir->filePath("user")));
        WriteAll(program + "/devConfig.json", R"({"A": {}})");
        WriteAll(program + "/appConfig.ini", "[language]\ntype=1\n");
        WriteAll(m_dir->filePath("file"), "");
        if (setup.contains("marker"))
            WriteAll(program + "/" + kFilesPerUserMarker, "");
        if (setup.contains("own")) {
            QVERIFY(QDir().mkpath(user));
            WriteAll(user + "/devConfig.json", "{}");
        }
        const QStringList before = QDir(program).entryList(QDir::Files | QDir::Hidden);
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        if (setup == "file" || setup == "folder")
            QVERIFY(QFile::setPermissions(setup == "file" ? program + "/devConfig.json" : program, readOnly));
        if (setup.contains("blocked"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^cannot create .*ActuatorControl"));
        const QString chosen = setup.contains("blocked") ? ChooseConfigDir(program, user) : ChosenAsUser(program, user);
        QFile::setPermissions(program, readOnly | QFileDevice::WriteOwner);
        QCOMPARE(chosen, perUser ? user : program);
        QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden), before);
        QCOMPARE(QFileInfo::exists(user), perUser && !setup.contains("blocked"));
        if (QFileInfo::exists(user)) {
            QCOMPARE(ReadAll(user + "/devConfig.json"), QByteArray(setup.contains("own") ? "{}" : R"({"A": {}})"));
            QCOMPARE(ReadAll(user + "/appConfig.ini"), QByteArray("[language]\ntype=1\n"));
            QVERIFY(QFileInfo(user + "/devConfig.json").permissions() & QFileDevice::WriteOwner);
        }
    }

private:
    // ChooseConfigDir as the ordinary user that owns the folders: root, whom
    // permissions do not stop, runs it in a child as nobody.
    QString ChosenAsUser(const QString &program, const QString &user)
    {
#ifdef Q_OS_UNIX
        if (geteuid() == 0) {
            const uid_t nobody = 65534;
            for (QDirIterator it(m_dir->path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
                 it.hasNext();)
                chown(qPrintable(it.next()), nobody, nobody);
            chown(qPrintable(m_dir->path()), nobody, nobody);
            const pid_t child = fork();
            if (child == 0)
                _exit(setgid(nobody) != 0 || setuid(nobody) != 0 ? 2 : ChooseConfigDir(program, user) == user);
            int status = 0;
            waitpid(child, &status, 0);
            return !WIFEXITED(status) || WEXITSTATUS(status) > 1 ? QStringLiteral("child failed") : WEXITSTATUS(status) ? user : program;
        }
#endif
        return ChooseConfigDir(program, user);
    }

    QString Path() const { return m_dir->filePath(QStringLiteral("devConfig.json")); }
    QScopedPointer<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestDevConfig)
#include "tst_devconfig.moc"
