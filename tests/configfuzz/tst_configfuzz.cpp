// The program started on thousands of mutated devConfig.json and appConfig.ini
// files and on missing, unreadable and non-font font.ttf files: it never
// crashes and never sends a device a parameter outside its range.
//
// FUZZ_SEED repeats a run (the seed is printed).
#include "app/MainWidget.h"
#include "app/Startup.h"
#include "config/DevConfig.h"
#include "discovery/AddDevWidget.h"
#include "panel/ControlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/configfuzz/Mutator.h"
#include "tests/support/ParamBounds.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

#ifdef FUZZ_SANITIZED
constexpr int kStoreRuns = 400;
constexpr int kStartRuns = 12;
constexpr int kAliveMs = 20000;
#else
constexpr int kStoreRuns = 4000;
constexpr int kStartRuns = 100;
constexpr int kAliveMs = 3000;
#endif

const QStringList kSerials = {QStringLiteral("FZA 202406200001"), QStringLiteral("FZB 202406200002")};

QString AppDir()
{
    return QCoreApplication::applicationDirPath();
}

bool WriteFile(const QString &path, const QByteArray &content)
{
    QDir(path).removeRecursively();
    QFile::remove(path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A real TrueType font of the system, if there is one.
QString SystemFont()
{
    for (const char *path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                             "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
                             "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"}) {
        if (QFile::exists(QLatin1String(path)))
            return QLatin1String(path);
    }
    return QString();
}

// Every loaded value must be one the popups accept for some model.
QStringList LoadedProblems(const MoveParam &m, const JogParam &j, const DriveParam &d, const CruiseParam &c)
{
    struct Check
    {
        const char *name;
        double value;
        bounds::Bound bound;
    };
    const Check checks[] = {
        {"TargetPos", m.TargetPos, {"", 0, 100, false, false}},
        {"Speed", m.Speed, {"", 0.01, 2, false, true}},
        {"Acc", m.Acc, {"", 0.01, 10, false, true}},
        {"Jerk", double(m.Jerk), {"", 0, 18, true, false}},
        {"Step", j.Step, {"", bounds::kMinLength, 100, false, false}},
        {"Delay", double(j.Delay), {"", 1, bounds::kMaxCount, true, false}},
        {"Times", double(j.Times), {"", 1, bounds::kMaxCount, true, false}},
        {"Offset", d.Offset, {"", bounds::kMinLength, 100, false, false}},
        {"DriveSpeed", d.Speed, {"", 0.01, 2, false, true}},
        {"DriveAcc", d.Acc, {"", 0.01, 10, false, true}},
        {"BeginPos", c.BeginPos, {"", 0, 100, false, false}},
        {"EndPos", c.EndPos, {"", 0, 100, false, false}},
        {"StopTime", double(c.StopTime), {"", 1, bounds::kMaxCount, true, false}},
        {"CruiseTimes", double(c.Times), {"", 1, bounds::kMaxCount, true, false}},
    };
    QStringList problems;
    for (const Check &check : checks) {
        if (!bounds::InBound(check.bound, check.value))
            problems << QStringLiteral("%1 = %2").arg(QLatin1String(check.name)).arg(check.value);
    }
    if (d.Speed != m.Speed || d.Acc != m.Acc)
        problems << QStringLiteral("drive speed and acceleration differ from the move's");
    return problems;
}

} // namespace

class TestConfigFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void storeOnMutatedFiles();
    void startsOnMutatedFiles();
    void programProcessStarts_data();
    void programProcessStarts();

private:
    QByteArray FontVariant(Mutator &mutator);

    quint32 m_seed = 0;
    QByteArray m_systemFont;
};

void TestConfigFuzz::initTestCase()
{
    // Every unusable field is reported by the store; thousands of times here.
    QLoggingCategory::setFilterRules(QStringLiteral("actuator.devconfig.warning=false"));
    bool ok = false;
    m_seed = quint32(qEnvironmentVariable("FUZZ_SEED").toUInt(&ok));
    if (!ok)
        m_seed = QRandomGenerator::global()->generate();
    qInfo("fuzz seed %u (repeat with FUZZ_SEED=%u)", m_seed, m_seed);
    const QString font = SystemFont();
    if (!font.isEmpty())
        m_systemFont = ReadFile(font);
    // The English translation, when built, so that language 1 loads it.
    QFile::remove(AppDir() + "/en_US.qm");
    QFile::copy(QStringLiteral(PROGRAM_DIR "/en_US.qm"), AppDir() + "/en_US.qm");
}

void TestConfigFuzz::cleanupTestCase()
{
    for (const char *name : {"devConfig.json", "devConfig.json.bak", "appConfig.ini", "font.ttf", "store.json",
                             "store.json.bak"}) {
        QDir(AppDir() + '/' + QLatin1String(name)).removeRecursively();
        QFile::remove(AppDir() + '/' + QLatin1String(name));
    }
}

// The store alone, many times: whatever the file holds, every loaded value
// is in range, the file the store writes back parses, and unusable content
// is kept in the backup.
void TestConfigFuzz::storeOnMutatedFiles()
{
    Mutator mutator(m_seed);
    const QString path = AppDir() + "/store.json";
    const QStringList keys = kSerials + QStringList{QStringLiteral("OTHER 1"), QString()};
    int usable = 0;
    for (int run = 0; run < kStoreRuns; ++run) {
        const QByteArray content = mutator.Mutate(mutator.StoreTemplate(keys));
        QVERIFY(WriteFile(path, content));
        QFile::remove(path + ".bak");
        QJsonParseError error;
        const QJsonDocument parsed = QJsonDocument::fromJson(content, &error);
        const bool sound = error.error == QJsonParseError::NoError && parsed.isObject();
        usable += sound ? 1 : 0;
        {
            DevConfig store(path);
            QStringList tried = keys;
            if (sound)
                tried << parsed.object().keys().mid(0, 4);
            for (const QString &key : qAsConst(tried)) {
                MoveParam move;
                JogParam jog;
                DriveParam drive;
                CruiseParam cruise;
                store.LoadDevParams(key, move, jog, drive, cruise);
                const QStringList problems = LoadedProblems(move, jog, drive, cruise);
                QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("run %1, key %2: %3\n%4")
                                                            .arg(run).arg(key, problems.join(", "),
                                                                          QString::fromUtf8(content.left(2000)))));
            }
        }
        // Written back at destruction: always a JSON object again.
        const QByteArray written = ReadFile(path);
        QJsonParseError writtenError;
        const QJsonDocument rewritten = QJsonDocument::fromJson(written, &writtenError);
        QVERIFY2(writtenError.error == QJsonParseError::NoError && rewritten.isObject(),
                 qPrintable(QStringLiteral("run %1 wrote unparsable content:\n%2")
                                .arg(run).arg(QString::fromUtf8(written.left(2000)))));
        if (!sound && !content.isEmpty())
            QCOMPARE(ReadFile(path + ".bak"), content);
    }
    qInfo("%d mutated files, %d of them still JSON objects", kStoreRuns, usable);
    // The mutations leave both kinds.
    QVERIFY(usable > kStoreRuns / 10);
    QVERIFY(usable < kStoreRuns);
}

QByteArray TestConfigFuzz::FontVariant(Mutator &mutator)
{
    switch (mutator.Pick(m_systemFont.isEmpty() ? 4 : 7)) {
    case 0: return QByteArray();
    case 1: return mutator.RandomBytes(1 + mutator.Pick(4096));
    case 2: return QByteArray("not a font\n").repeated(1 + mutator.Pick(50));
    case 3: return QByteArray("\x00\x01\x00\x00", 4) + mutator.RandomBytes(mutator.Pick(512));
    case 4: return m_systemFont;
    case 5: return m_systemFont.left(mutator.Pick(m_systemFont.size()));
    default: {
        QByteArray font = m_systemFont;
        for (int i = 0; i < 16; ++i)
            font[mutator.Pick(font.size())] = char(mutator.Pick(256));
        return font;
    }
    }
}

// The start-up path of the program on mutated files beside it, with both
// devices opened so that their stored parameters are pushed.
void TestConfigFuzz::startsOnMutatedFiles()
{
    Mutator mutator(m_seed ^ 0x5A5A5A5Au);
    const QString dir = AppDir();
    int pushes = 0;
    int fonts = 0;
    for (int run = 0; run < kStartRuns; ++run) {
        const QByteArray store = mutator.Chance(85) ? mutator.Mutate(mutator.StoreTemplate(kSerials))
                                                    : mutator.StoreTemplate(kSerials);
        QVERIFY(WriteFile(dir + "/devConfig.json", store));
        QFile::remove(dir + "/devConfig.json.bak");
        const QByteArray ini = mutator.Chance(70) ? mutator.Mutate(mutator.IniTemplate()) : mutator.IniTemplate();
        QVERIFY(WriteFile(dir + "/appConfig.ini", ini));
        const int fontCase = mutator.Pick(10);
        if (fontCase == 0) {
            QFile::remove(dir + "/font.ttf");
        } else if (fontCase == 1) {
            QFile::remove(dir + "/font.ttf");
            QVERIFY(QDir(dir).mkpath("font.ttf"));
        } else {
            QVERIFY(WriteFile(dir + "/font.ttf", FontVariant(mutator)));
        }

        simReset();
        QList<int> handles;
        for (int i = 0; i < kSerials.size(); ++i)
            handles << simAttach(qPrintable(kSerials.at(i)), mutator.Chance(50) ? 1 : 3, 1);

        QFontDatabase::removeAllApplicationFonts();
        fonts += InstallApplicationFont(dir + "/font.ttf") ? 1 : 0;
        auto window = std::make_unique<MainWidget>();
        window->show();
        ApplyCommandLine(*window, {QStringLiteral("ActuatorControl")});

        auto *dialog = window->findChild<AddDevWidget *>();
        for (int i = 0; i < kSerials.size(); ++i)
            dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(i))->setChecked(true);
        dialog->SlotConfirm();
        QCOMPARE(window->findChildren<ControlWidget *>().size(), kSerials.size());
        // The push ends with the actuator serial read.
        for (int h : qAsConst(handles))
            QTRY_VERIFY_WITH_TIMEOUT(bounds::Journal().contains(QStringLiteral("readActuatorSerial(%1, 33)").arg(h)),
                                     30000);

        window.reset();
        for (int h : qAsConst(handles))
            QTRY_VERIFY_WITH_TIMEOUT(bounds::Journal().contains(QStringLiteral("closeDev(%1)").arg(h)), 30000);
        int count = 0;
        const QStringList bad = bounds::OutOfRangePushes(bounds::Journal(), &count);
        pushes += count;
        QVERIFY2(bad.isEmpty(), qPrintable(QStringLiteral("run %1: %2\n%3")
                                               .arg(run).arg(bad.join(", "), QString::fromUtf8(store.left(2000)))));
        QCOMPARE(simOverlapTotal(), 0);
    }
    QFontDatabase::removeAllApplicationFonts();
    qInfo("%d starts, %d parameter pushes, %d usable fonts", kStartRuns, pushes, fonts);
    QCOMPARE(pushes, kStartRuns * kSerials.size() * 13);
}

void TestConfigFuzz::programProcessStarts_data()
{
    QTest::addColumn<QString>("font");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("store");
    const QByteArray store = Mutator(1).StoreTemplate(kSerials);
    const QByteArray ini = "[language]\ntype=1\n";
    QTest::newRow("no font.ttf") << "missing" << ini << store;
    QTest::newRow("font.ttf a directory") << "directory" << ini << store;
    QTest::newRow("font.ttf not a font") << "text" << ini << store;
    QTest::newRow("font.ttf empty") << "empty" << ini << store;
    QTest::newRow("garbage appConfig.ini") << "missing" << QByteArray("\xFF\xFE[lang\x00uage]\ntype=@Variant(\\0\\0)\n=", 36) << store;
    QTest::newRow("appConfig.ini a directory") << "missing" << QByteArray("directory") << store;
    QTest::newRow("garbage devConfig.json") << "missing" << ini << QByteArray("{\"FZA 202406200001\": {\"MoveParam\": [[[");
    QTest::newRow("devConfig.json a directory") << "missing" << ini << QByteArray("directory");
    QTest::newRow("everything broken") << "text" << QByteArray("\x00\x01\x02", 3) << QByteArray("\xEF\xBB\xBF{}");
}

// The real program started as a process from a folder of its own: it comes
// up and keeps running whatever it finds beside itself.
void TestConfigFuzz::programProcessStarts()
{
    QFETCH(QString, font);
    QFETCH(QByteArray, ini);
    QFETCH(QByteArray, store);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString program = dir.filePath("ActuatorControl");
    QVERIFY(QFile::copy(QStringLiteral(PROGRAM_FILE), program));
    QVERIFY(QFile::copy(QStringLiteral(LIBRARY_FILE), dir.filePath(QFileInfo(LIBRARY_FILE).fileName())));

    auto place = [&](const QString &name, const QByteArray &content) {
        if (content == "directory")
            QVERIFY(QDir(dir.path()).mkdir(name));
        else
            QVERIFY(WriteFile(dir.filePath(name), content));
    };
    place("appConfig.ini", ini);
    place("devConfig.json", store);
    if (font == "directory")
        place("font.ttf", "directory");
    else if (font == "text")
        place("font.ttf", "OTTO this is not a font");
    else if (font == "empty")
        place("font.ttf", QByteArray());

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ACTUATOR_SIM_STATE", "");
    env.remove("ACTUATOR_SIM_DEVICES");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::tempPath());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {"-debug"});
    QVERIFY2(process.waitForStarted(5000), qPrintable(process.errorString()));
    // Until the main window is shown (the offscreen platform notes it), at
    // most kAliveMs; then a moment more.
    QString output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains("propagateSizeHints") && clock.elapsed() < kAliveMs
           && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        output += QString::fromLocal8Bit(process.readAll());
    }
    const bool ended = process.waitForFinished(500);
    output += QString::fromLocal8Bit(process.readAll());
    QVERIFY2(!ended, qPrintable(QStringLiteral("exited with %1:\n%2").arg(process.exitCode()).arg(output)));
    process.kill();
    process.waitForFinished(5000);
    output += QString::fromLocal8Bit(process.readAll());
    for (const char *report : {"AddressSanitizer", "runtime error", "LeakSanitizer", "cannot open shared object"})
        QVERIFY2(!output.contains(QLatin1String(report)), qPrintable(output));
}

QTEST_MAIN(TestConfigFuzz)
#include "tst_configfuzz.moc"
