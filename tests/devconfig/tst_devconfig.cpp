#include "config/DevConfig.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QString kKey = QStringLiteral("ACT0001");

struct Params
{
    MoveParam move;
    JogParam jog;
    DriveParam drive;
    CruiseParam cruise;
};

Params Load(const DevConfig &config, const QString &key = kKey)
{
    Params p;
    p.move.TargetPos = -7; // must be overwritten by the defaults
    p.jog.Delay = -7;
    config.LoadDevParams(key, p.move, p.jog, p.drive, p.cruise);
    return p;
}

// Every field by "Group.Field", floats widened, for whole-set comparisons.
QVariantMap Flatten(const Params &p)
{
    return {
        {"MoveParam.TargetPos", p.move.TargetPos},
        {"MoveParam.Speed", double(p.move.Speed)},
        {"MoveParam.Acc", double(p.move.Acc)},
        {"MoveParam.Jerk", p.move.Jerk},
        {"MoveParam.JerkChecked", p.move.JerkChecked},
        {"JogParam.Step", p.jog.Step},
        {"JogParam.Delay", p.jog.Delay},
        {"JogParam.Times", p.jog.Times},
        {"DriveParam.Offset", p.drive.Offset},
        {"DriveParam.Speed", double(p.drive.Speed)},
        {"DriveParam.Acc", double(p.drive.Acc)},
        {"DriveParam.Enable", p.drive.Enable},
        {"CruiseParam.BeginPos", p.cruise.BeginPos},
        {"CruiseParam.EndPos", p.cruise.EndPos},
        {"CruiseParam.StopTime", p.cruise.StopTime},
        {"CruiseParam.Times", p.cruise.Times},
    };
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void WriteAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), qint64(data.size()));
}

QJsonObject ReadRoot(const QString &path)
{
    return QJsonDocument::fromJson(ReadAll(path)).object();
}

QStringList SortedKeys(const QJsonObject &obj)
{
    QStringList keys = obj.keys();
    keys.sort();
    return keys;
}

} // namespace

class TestDevConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultPathBesideExecutable();
    void noFileGivesDefaults();
    void loadsStoredValues();
    void moveSpeedAlsoFillsDrive();
    void jogCountsTruncated();
    void fieldValidation_data();
    void fieldValidation();
    void mistypedGroupGivesDefaults();
    void saveDriveCreatesOnlyItsKeys();
    void saveOverwritesAndKeepsOthers();
    void saveWritesFileAtOnce();
    void writtenIndentedAtDestruction();
    void unusableFileKeptAsBackup_data();
    void unusableFileKeptAsBackup();
    void emptyFileNeedsNoBackup();
    void failedBackupKeepsFile();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void pathIsDirectory();
    void unwritableLocation();
    void unreadableFileIsNeverReplaced();

private:
    QString FilePath() const { return m_dir->filePath(QStringLiteral("devConfig.json")); }
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestDevConfig::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestDevConfig::defaultPathBesideExecutable()
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/devConfig.json");
    QFile::remove(path);
    {
        QTest::ignoreMessage(QtWarningMsg, "load, open file error");
        DevConfig config;
        QCOMPARE(config.FilePath(), path);
        config.SaveJogParam(kKey, JogParam());
        QVERIFY(QFile::exists(path));
    }
    QVERIFY(QFile::remove(path));
}

void TestDevConfig::noFileGivesDefaults()
{
    QTest::ignoreMessage(QtWarningMsg, "load, open file error");
    DevConfig config(FilePath());
    QCOMPARE(Flatten(Load(config)), Flatten(Params()));
    QCOMPARE(Flatten(Load(config, QString())), Flatten(Params()));
}

void TestDevConfig::loadsStoredValues()
{
    WriteAll(FilePath(), R"({"ACT0001": {
        "MoveParam": {"TargetPos": 5.25, "Speed": 1.5, "Acc": 0.5, "Jerk": 7, "JerkChecked": true},
        "JogParam": {"Step": 0.000001, "Delay": 16777215, "Times": 1},
        "DriveParam": {"Offset": 100, "Enable": true},
        "CruiseParam": {"BeginPos": 0, "EndPos": 100, "StopTime": 20, "Times": 9}},
        "OTHER": {"JogParam": {"Step": 3}}})");
    DevConfig config(FilePath());
    const Params expected = {{5.25, 1.5f, 0.5f, 7, true}, {0.000001, 16777215, 1},
                             {100, 1.5f, 0.5f, true}, {0, 100, 20, 9}};
    QCOMPARE(Flatten(Load(config)), Flatten(expected));
    QCOMPARE(Load(config, "OTHER").jog.Step, 3.0);
}

void TestDevConfig::moveSpeedAlsoFillsDrive()
{
    WriteAll(FilePath(), R"({"ACT0001": {"MoveParam": {"Speed": 0.5}}})");
    DevConfig config(FilePath());
    Params expected;
    expected.move.Speed = 0.5f;
    expected.drive.Speed = 0.5f;
    QCOMPARE(Flatten(Load(config)), Flatten(expected));
}

void TestDevConfig::jogCountsTruncated()
{
    WriteAll(FilePath(), R"({"ACT0001": {"JogParam": {"Delay": 1500.9, "Times": 3.99},
                           "DriveParam": {"Speed": 0.3, "Acc": 0.3}}})");
    DevConfig config(FilePath());
    const Params p = Load(config);
    QCOMPARE(p.jog.Delay, 1500);
    QCOMPARE(p.jog.Times, 3);
    // Speed and Acc are only taken from MoveParam.
    QCOMPARE(p.drive.Speed, 2.0f);
    QCOMPARE(p.drive.Acc, 1.0f);
}

void TestDevConfig::fieldValidation_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariant>("value");

    const struct {
        const char *field;
        const char *json;
        bool accepted;
        QVariant value;
    } rows[] = {
        {"MoveParam.TargetPos", "100", true, 100.0},
        {"MoveParam.TargetPos", "0", true, 0.0},
        {"MoveParam.TargetPos", "-0.1", false, {}},
        {"MoveParam.TargetPos", "100.000001", false, {}},
        {"MoveParam.TargetPos", "\"5\"", false, {}},
        {"MoveParam.TargetPos", "null", false, {}},
        {"MoveParam.Speed", "0.009999999776482582", true, double(0.01f)},
        {"MoveParam.Speed", "2", true, 2.0},
        {"MoveParam.Speed", "0", false, {}},
        {"MoveParam.Speed", "2.01", false, {}},
        {"MoveParam.Speed", "1e300", false, {}},
        {"MoveParam.Speed", "[1]", false, {}},
        {"MoveParam.Acc", "10", true, 10.0},
        {"MoveParam.Acc", "0.009", false, {}},
        {"MoveParam.Acc", "10.01", false, {}},
        {"MoveParam.Acc", "-1e300", false, {}},
        {"MoveParam.Jerk", "18", true, 18},
        {"MoveParam.Jerk", "19", false, {}},
        {"MoveParam.Jerk", "-1", false, {}},
        {"MoveParam.Jerk", "7.5", false, {}},
        {"MoveParam.Jerk", "true", false, {}},
        {"MoveParam.JerkChecked", "1", false, {}},
        {"JogParam.Step", "0.000001", true, 0.000001},
        {"JogParam.Step", "0.0000009", false, {}},
        {"JogParam.Step", "0", false, {}},
        {"JogParam.Step", "101", false, {}},
        {"JogParam.Delay", "1", true, 1},
        {"JogParam.Delay", "0.5", false, {}},
        {"JogParam.Delay", "16777216", false, {}},
        {"JogParam.Delay", "1e300", false, {}},
        {"JogParam.Times", "-3", false, {}},
        {"JogParam.Times", "{}", false, {}},
        {"DriveParam.Offset", "0", false, {}},
        {"DriveParam.Offset", "100", true, 100.0},
        {"DriveParam.Enable", "\"yes\"", false, {}},
        {"DriveParam.Enable", "true", true, true},
        {"CruiseParam.BeginPos", "100.1", false, {}},
        {"CruiseParam.EndPos", "-1", false, {}},
        {"CruiseParam.EndPos", "13", true, 13.0},
        {"CruiseParam.StopTime", "0", false, {}},
        {"CruiseParam.StopTime", "1.5", false, {}},
        {"CruiseParam.StopTime", "16777215", true, 16777215},
        {"CruiseParam.Times", "16777216", false, {}},
        {"CruiseParam.Times", "false", false, {}},
    };
    for (const auto &row : rows)
        QTest::addRow("%s=%s", row.field, row.json)
            << QString::fromLatin1(row.field) << QByteArray(row.json) << row.accepted << row.value;
}

void TestDevConfig::fieldValidation()
{
    QFETCH(QString, field);
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(QVariant, value);

    const QStringList parts = field.split('.');
    WriteAll(FilePath(), "{\"ACT0001\": {\"" + parts[0].toLatin1() + "\": {\"" + parts[1].toLatin1()
                             + "\": " + json + "}}}");
    if (!accepted)
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("load, invalid %1, default used").arg(field)));
    DevConfig config(FilePath());

    QVariantMap expected = Flatten(Params());
    if (accepted) {
        expected[field] = value;
        if (field == "MoveParam.Speed" || field == "MoveParam.Acc")
            expected["DriveParam." + parts[1]] = value;
    }
    QCOMPARE(Flatten(Load(config)), expected);
}

void TestDevConfig::mistypedGroupGivesDefaults()
{
    WriteAll(FilePath(), R"({"ACT0001": {"MoveParam": 3, "JogParam": [1, 2], "DriveParam": "x"},
                           "ACT0002": 12})");
    DevConfig config(FilePath());
    QCOMPARE(Flatten(Load(config)), Flatten(Params()));
    QCOMPARE(Flatten(Load(config, "ACT0002")), Flatten(Params()));
}

void TestDevConfig::saveDriveCreatesOnlyItsKeys()
{
    QTest::ignoreMessage(QtWarningMsg, "load, open file error");
    DevConfig config(FilePath());
    DriveParam drive;
    drive.Offset = 2.75;
    drive.Speed = 0.1f;
    drive.Acc = 3.0f;
    drive.Enable = true;
    config.SaveDriveParam(kKey, drive);

    const QJsonObject root = ReadRoot(FilePath());
    QCOMPARE(root.keys(), QStringList{kKey});
    const QJsonObject dev = root.value(kKey).toObject();
    QCOMPARE(SortedKeys(dev), (QStringList{"DriveParam", "MoveParam"}));
    const QJsonObject move = dev.value("MoveParam").toObject();
    QCOMPARE(SortedKeys(move), (QStringList{"Acc", "Speed"}));
    // Written widened from single precision.
    QCOMPARE(move.value("Speed").toDouble(), double(0.1f));
    QCOMPARE(move.value("Acc").toDouble(), 3.0);
    const QJsonObject driveObj = dev.value("DriveParam").toObject();
    QCOMPARE(SortedKeys(driveObj), (QStringList{"Enable", "Offset"}));
    QCOMPARE(driveObj.value("Offset").toDouble(), 2.75);
    QCOMPARE(driveObj.value("Enable").toBool(), true);

    const Params p = Load(config);
    QCOMPARE(p.move.Speed, 0.1f);
    QCOMPARE(p.drive.Speed, 0.1f);
    QCOMPARE(p.move.TargetPos, MoveParam().TargetPos);
}

void TestDevConfig::saveOverwritesAndKeepsOthers()
{
    const QByteArray other = R"({"JogParam": {"Step": 3, "Custom": "kept"}, "Note": [1, 2]})";
    WriteAll(FilePath(), R"({"ACT0001": {"JogParam": {"Extra": 5}}, "OTHER": )" + other + R"(, "version": 3})");
    {
        DevConfig config(FilePath());
        JogParam jog;
        jog.Step = 0.5;
        jog.Delay = 20;
        jog.Times = 7;
        config.SaveJogParam(kKey, jog);
        jog.Step = 0.25;
        jog.Times = 8;
        config.SaveJogParam(kKey, jog);
        CruiseParam cruise;
        cruise.Times = 11;
        config.SaveCruiseParam(kKey, cruise);
        MoveParam move;
        move.Jerk = 9;
        config.SaveMoveParam(kKey, move);
        const Params p = Load(config);
        QCOMPARE(p.jog.Step, 0.25);
        QCOMPARE(p.jog.Times, 8);
        QCOMPARE(p.cruise.Times, 11);
        QCOMPARE(p.move.Jerk, 9);
    }
    const QJsonObject root = ReadRoot(FilePath());
    QCOMPARE(root.value("OTHER").toObject(), QJsonDocument::fromJson(other).object());
    QCOMPARE(root.value("version").toInt(), 3);
    const QJsonObject jog = root.value(kKey).toObject().value("JogParam").toObject();
    QCOMPARE(jog, (QJsonObject{{"Extra", 5}, {"Step", 0.25}, {"Delay", 20}, {"Times", 8}}));
    QCOMPARE(SortedKeys(root.value(kKey).toObject().value("MoveParam").toObject()),
             (QStringList{"Acc", "Jerk", "JerkChecked", "Speed", "TargetPos"}));
}

void TestDevConfig::saveWritesFileAtOnce()
{
    QTest::ignoreMessage(QtWarningMsg, "load, open file error");
    DevConfig config(FilePath());
    MoveParam move;
    move.TargetPos = 12.5;
    move.Speed = 0.75f;
    move.Jerk = 3;
    move.JerkChecked = true;
    config.SaveMoveParam(kKey, move);

    // A second store reads what the first has saved while the first is still alive,
    // as after a crash.
    DevConfig reader(FilePath());
    const Params p = Load(reader);
    QCOMPARE(p.move.TargetPos, 12.5);
    QCOMPARE(p.move.Speed, 0.75f);
    QCOMPARE(p.drive.Speed, 0.75f);
    QCOMPARE(p.move.Jerk, 3);
    QCOMPARE(p.move.JerkChecked, true);
}

void TestDevConfig::writtenIndentedAtDestruction()
{
    WriteAll(FilePath(), R"({"A":{"JogParam":{"Step":2}}})");
    { DevConfig config(FilePath()); }
    const QByteArray text = ReadAll(FilePath());
    QVERIFY2(text.startsWith("{\n    \"A\": {\n        \"JogParam\": {\n"), text.constData());
    QCOMPARE(ReadRoot(FilePath()), QJsonDocument::fromJson(R"({"A":{"JogParam":{"Step":2}}})").object());
}

void TestDevConfig::unusableFileKeptAsBackup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("diagnostic");
    QTest::newRow("truncated") << QByteArray("{\"ACT0001\": {\"MoveParam\": {\"Spe")
                               << QString("jsError.error: %1").arg(int(QJsonParseError::UnterminatedString));
    QTest::newRow("overflowing number") << QByteArray("{\"ACT0001\": {\"JogParam\": {\"Step\": 1e999}}}")
                                        << QString("jsError.error: %1").arg(int(QJsonParseError::IllegalNumber));
    QTest::newRow("top level array") << QByteArray("[{\"ACT0001\": {}}]")
                                     << QString("load, top level is not an object");
}

void TestDevConfig::unusableFileKeptAsBackup()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, diagnostic);
    const QString backup = FilePath() + ".bak";
    WriteAll(FilePath(), content);

    QTest::ignoreMessage(QtWarningMsg, qPrintable(diagnostic));
    DevConfig config(FilePath());
    QCOMPARE(Flatten(Load(config)), Flatten(Params()));
    QCOMPARE(ReadAll(FilePath()), content);

    JogParam jog;
    jog.Times = 5;
    config.SaveJogParam(kKey, jog);
    QCOMPARE(ReadAll(backup), content);
    QCOMPARE(ReadRoot(FilePath()).value(kKey).toObject().value("JogParam").toObject().value("Times").toInt(), 5);

    // The backup is made once, not replaced by later writes.
    WriteAll(backup, "marker");
    config.SaveJogParam(kKey, jog);
    QCOMPARE(ReadAll(backup), QByteArray("marker"));
}

void TestDevConfig::emptyFileNeedsNoBackup()
{
    WriteAll(FilePath(), QByteArray());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^jsError.error: \\d+$"));
    {
        DevConfig config(FilePath());
    }
    QVERIFY(!QFile::exists(FilePath() + ".bak"));
    QCOMPARE(ReadAll(FilePath()), QByteArray("{\n}\n"));
}

void TestDevConfig::failedBackupKeepsFile()
{
    const QByteArray content = "{ not json";
    WriteAll(FilePath(), content);
    // A directory where the backup should go: no backup can be written.
    QVERIFY(QDir(m_dir->path()).mkdir("devConfig.json.bak"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^jsError.error: \\d+$"));
    QTest::ignoreMessage(QtWarningMsg, "save, open backup file error");
    QTest::ignoreMessage(QtWarningMsg, "save, open backup file error");
    {
        DevConfig config(FilePath());
        config.SaveMoveParam(kKey, MoveParam());
        QCOMPARE(ReadAll(FilePath()), content);
    }
    QCOMPARE(ReadAll(FilePath()), content);
}

void TestDevConfig::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<int>("noteSize");
    QTest::newRow("buffered write") << 10;
    QTest::newRow("direct write") << 40000;
}

void TestDevConfig::failedWriteKeepsOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes every longer write fail, for root too, like a full disk.
    QFETCH(int, noteSize);
    const QByteArray old = R"({"ACT0001": {"JogParam": {"Step": 2}}, "note": ")" + QByteArray(noteSize, 'n')
                           + R"("})";
    WriteAll(FilePath(), old);
    DevConfig config(FilePath());

    rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(old.size()) + 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    QTest::ignoreMessage(QtWarningMsg, "save, write file error");
    QTest::ignoreMessage(QtWarningMsg, "save, write file error");
    MoveParam move;
    move.TargetPos = 9;
    config.SaveMoveParam(kKey, move);
    const bool written = config.WriteFile();

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QCOMPARE(ReadAll(FilePath()), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"devConfig.json"});

    // Once writing works again the change reaches the file.
    QVERIFY(config.WriteFile());
    DevConfig reader(FilePath());
    QCOMPARE(Load(reader).move.TargetPos, 9.0);
    QCOMPARE(Load(reader).jog.Step, 2.0);
#else
    QSKIP("needs a file size limit");
#endif
}

void TestDevConfig::pathIsDirectory()
{
    QDir dir(m_dir->path());
    QVERIFY(dir.mkdir("devConfig.json"));
    WriteAll(FilePath() + "/inside", "data");

    QTest::ignoreMessage(QtWarningMsg, "load, open file error");
    QTest::ignoreMessage(QtWarningMsg, "save, open file error");
    QTest::ignoreMessage(QtWarningMsg, "save, open file error");
    {
        DevConfig config(FilePath());
        config.SaveCruiseParam(kKey, CruiseParam());
        QCOMPARE(Flatten(Load(config)), Flatten(Params()));
    }
    QVERIFY(QFileInfo(FilePath()).isDir());
    QCOMPARE(ReadAll(FilePath() + "/inside"), QByteArray("data"));
}

void TestDevConfig::unwritableLocation()
{
    // The store's directory is a plain file: nothing can be created there, even by root.
    WriteAll(m_dir->filePath("plain"), "x");
    const QString path = m_dir->filePath("plain/devConfig.json");

    QTest::ignoreMessage(QtWarningMsg, "load, open file error");
    QTest::ignoreMessage(QtWarningMsg, "save, open file error");
    QTest::ignoreMessage(QtWarningMsg, "save, open file error");
    {
        DevConfig config(path);
        config.SaveJogParam(kKey, JogParam());
        QVERIFY(!config.WriteFile());
        QTest::ignoreMessage(QtWarningMsg, "save, open file error");
    }
    QCOMPARE(ReadAll(m_dir->filePath("plain")), QByteArray("x"));
}

// A file that is there but cannot be read may hold every device's
// parameters: the store writes nothing over it and says so. Root reads any
// file, so the store then runs in a child process as an unprivileged user.
void TestDevConfig::unreadableFileIsNeverReplaced()
{
#ifdef Q_OS_UNIX
    const QByteArray stored("{\"ORV 1\": {\"JogParam\": {\"Times\": 9}}}");
    WriteAll(FilePath(), stored);
    // Writable but not readable, so that nothing but the store itself keeps it.
    QVERIFY(QFile::setPermissions(FilePath(), QFileDevice::WriteOwner));
    const uid_t nobody = 65534;
    const bool root = geteuid() == 0;
    if (root) {
        QVERIFY(chown(qPrintable(m_dir->path()), nobody, nobody) == 0);
        QVERIFY(chown(qPrintable(FilePath()), nobody, nobody) == 0);
    }
    const auto useStore = [this]() {
        DevConfig config(FilePath());
        config.SaveJogParam(kKey, JogParam());
        return config.IsUnreadable() && !config.WriteFile();
    };
    if (root) {
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const bool ok = setgid(nobody) == 0 && setuid(nobody) == 0 && useStore();
            _exit(ok ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    } else {
        QTest::ignoreMessage(QtWarningMsg, "load, open file error");
        QVERIFY(useStore());
    }
    QVERIFY(QFile::setPermissions(FilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(ReadAll(FilePath()), stored);
#endif
}

QTEST_GUILESS_MAIN(TestDevConfig)
#include "tst_devconfig.moc"
