// The program started on mutated devConfig.json, appConfig.ini and font.ttf
// files: it never crashes, never pushes a device a parameter out of range,
// writes back a JSON object and keeps unusable content in devConfig.json.bak.
// FUZZ_SEED repeats a run (the seed is printed).
#include "app/Startup.h"
#include "config/DevConfig.h"
#include "tests/support/AppHarness.h"
#include "tests/support/ParamBounds.h"

#include <QFontDatabase>
#include <QLoggingCategory>
#include <QRandomGenerator>

using namespace harness;

namespace {

#ifdef FUZZ_SANITIZED
constexpr int kStoreRuns = 400, kStartRuns = 10;
#else
constexpr int kStoreRuns = 3000, kStartRuns = 60;
#endif

QRandomGenerator g_rng;

int Pick(int n)
{
    return int(g_rng.bounded(quint32(n)));
}

// Writes the content to the file beside the program; "directory" puts a directory there.
bool Place(const QString &name, const QByteArray &content)
{
    const QString path = QCoreApplication::applicationDirPath() + '/' + name;
    QDir(path).removeRecursively();
    QFile::remove(path);
    QFile file(path);
    return content == "directory" ? QDir().mkpath(path) : file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray Read(const QString &name)
{
    QFile file(name.startsWith('/') ? name : QCoreApplication::applicationDirPath() + '/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool IsJsonObject(const QByteArray &content)
{
    QJsonParseError error;
    return QJsonDocument::fromJson(content, &error).isObject() && error.error == QJsonParseError::NoError;
}

// A sound devConfig.json with plausible values for the keys, and a key the program does not use.
QByteArray Store(const QStringList &keys)
{
    QJsonObject root{{"Note", "kept"}};
    for (const QString &key : keys) {
        QJsonObject dev;
        for (const bounds::Bound &b : bounds::All()) {
            QJsonObject group = dev.value(b.group).toObject();
            const double v = b.lo + (qMin(b.hi, 13.0) - b.lo) * g_rng.generateDouble();
            group.insert(b.field, b.integer ? std::round(v) : v);
            dev.insert(b.group, group);
        }
        root.insert(key, dev);
    }
    return QJsonDocument(root).toJson(Pick(2) ? QJsonDocument::Indented : QJsonDocument::Compact);
}

// One to four mutations: half put a hostile value in place of a value, the
// others add a duplicate key, deep nesting, random, NUL or invalid UTF-8
// bytes, a byte-order mark, cut the text or flip a bit.
QByteArray Mutate(QByteArray text)
{
    static const char *const values[] = {
        "1e308", "-1e400", "1e-320", "NaN", "Infinity", "-0", "-1", "-0.000001", "0.0000001", "100.0000001", "2.0000001",
        "10.00001", "18.5", "19", "16777215.9", "16777216", "2147483648", "-2147483649", "4294967296", "1e30", "0x10",
        "01", ".5", "+1", "1e", "\"4.5\"", "true", "null", "[]", "{}", "[1, 2]", "\"\"", "@Variant(garbage)"};
    static const char *const bytes[] = {"\xFF", "\xC3\x28", "\xED\xA0\x80", "\xC0\xAF", "\xEF\xBB\xBF", "\x07\x01"};
    static const QRegularExpression value(QStringLiteral("[:=] ?([^,\\n}]+)"));
    for (int count = 1 + Pick(4); count > 0; --count) {
        QList<QRegularExpressionMatch> found;
        for (auto it = value.globalMatch(QString::fromLatin1(text)); it.hasNext();)
            found << it.next();
        const QRegularExpressionMatch m = found.isEmpty() ? QRegularExpressionMatch() : found.at(Pick(found.size()));
        const QByteArray hostile = values[Pick(sizeof values / sizeof *values)];
        const int at = Pick(text.size() + 1);
        switch (Pick(2) ? 0 : Pick(8)) {
        case 0:
            if (m.hasMatch())
                text.replace(m.capturedStart(1), m.capturedLength(1), hostile);
            break;
        case 1: text.insert(qMax(0, m.capturedEnd(1)), ", \"Speed\": " + hostile); break;
        case 2: text.insert(at, QByteArray(1000 + Pick(20000), '[')); break;
        case 3: text.insert(at, Pick(2) ? QByteArray(1, '\0') : QByteArray(bytes[Pick(6)])); break;
        case 4: text.truncate(at); break;
        case 5: text.remove(at, 1 + Pick(32)); break;
        case 6: text.prepend(Pick(2) ? "\xEF\xBB\xBF" : "["); break;
        default:
            if (at < text.size())
                text[at] = char(text.at(at) ^ (1 << Pick(8)));
        }
    }
    return text;
}

} // namespace

class TestConfigFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The store reports every unusable field; thousands of times here.
        QLoggingCategory::setFilterRules(QStringLiteral("actuator.devconfig.warning=false"));
        bool ok = false;
        quint32 seed = qEnvironmentVariable("FUZZ_SEED").toUInt(&ok);
        seed = ok ? seed : QRandomGenerator::global()->generate();
        g_rng.seed(seed);
        qInfo("fuzz seed %u (repeat with FUZZ_SEED=%u)", seed, seed);
        // The English translation beside the program, so that language 1 loads it.
        QFile::copy(QCoreApplication::applicationDirPath() + "/../../bin/en_US.qm", QCoreApplication::applicationDirPath() + "/en_US.qm");
    }
    void storeOnMutatedFiles();
    void startsOnMutatedFiles();
};

// The store alone, many times: every loaded value is in range, the file
// written back is a JSON object, and unusable content is kept in the backup.
void TestConfigFuzz::storeOnMutatedFiles()
{
    const QString path = QCoreApplication::applicationDirPath() + "/store.json";
    int usable = 0;
    for (int run = 0; run < kStoreRuns; ++run) {
        const QByteArray content = Mutate(Store({Serial(1)}));
        QVERIFY(Place("store.json", content));
        QFile::remove(path + ".bak");
        usable += IsJsonObject(content);
        {
            DevConfig store(path);
            for (const QString &key : {Serial(1), QStringLiteral("Note"), QString()}) {
                MoveParam m;
                JogParam j;
                DriveParam d;
                CruiseParam c;
                store.LoadDevParams(key, m, j, d, c);
                const QJsonObject loaded{
                    {"MoveParam", QJsonObject{{"TargetPos", m.TargetPos}, {"Speed", m.Speed}, {"Acc", m.Acc}, {"Jerk", m.Jerk}}},
                    {"JogParam", QJsonObject{{"Step", j.Step}, {"Delay", j.Delay}, {"Times", j.Times}}},
                    {"DriveParam", QJsonObject{{"Offset", d.Offset}}},
                    {"CruiseParam", QJsonObject{{"BeginPos", c.BeginPos}, {"EndPos", c.EndPos},
                                                {"StopTime", c.StopTime}, {"Times", c.Times}}}};
                const QStringList problems = bounds::StoredProblems(QJsonDocument(QJsonObject{{key, loaded}}).toJson());
                QVERIFY2(problems.isEmpty() && d.Speed == m.Speed && d.Acc == m.Acc,
                         qPrintable(QStringLiteral("run %1: %2\n").arg(run).arg(problems.join(", ")) + content.left(2000)));
            }
        }
        QVERIFY2(IsJsonObject(Read("store.json")), qPrintable(QStringLiteral("run %1 wrote:\n").arg(run) + Read("store.json")));
        if (!IsJsonObject(content) && !content.isEmpty())
            QCOMPARE(Read("store.json.bak"), content);
    }
    qInfo("%d mutated files, %d of them still JSON objects", kStoreRuns, usable);
    QVERIFY(usable > kStoreRuns / 10 && usable < kStoreRuns);
}

// The start-up path on mutated files beside the program, both devices opened
// so that their stored parameters are pushed, then an orderly exit.
void TestConfigFuzz::startsOnMutatedFiles()
{
    const QByteArray font = Read("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    int pushes = 0;
    for (int run = 0; run < kStartRuns; ++run) {
        const QByteArray store = Pick(10) == 0 ? QByteArray("directory") : Pick(7) ? Mutate(Store({Serial(1), Serial(2)}))
                                                                                    : Store({Serial(1), Serial(2)});
        QVERIFY(Place("devConfig.json", store));
        QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json.bak");
        QVERIFY(Place("appConfig.ini", Pick(10) ? Mutate("[language]\ntype=" + QByteArray::number(Pick(2))) : QByteArray("directory")));
        const QByteArray fonts[] = {"directory", Mutate(font.left(4096)), font.left(Pick(font.size() + 1)), font};
        QVERIFY(Place("font.ttf", fonts[Pick(4)]));
        QFontDatabase::removeAllApplicationFonts();
        InstallApplicationFont(QCoreApplication::applicationDirPath() + "/font.ttf");

        App app = Start(2);
        QCOMPARE(OpenPanels(app.window.get(), 2).size(), 2);
        app.window.reset();
        QVERIFY(simjournal::WaitForWorkers(app.handles));
        int count = 0;
        const QStringList bad = bounds::BadPushes(simjournal::Journal(), count);
        pushes += count;
        QVERIFY2(bad.isEmpty(), qPrintable(QStringLiteral("run %1: %2\n").arg(run).arg(bad.join(", ")) + store.left(2000)));
        QCOMPARE(simOverlapTotal(), 0);
        if (store != "directory")
            QVERIFY(IsJsonObject(Read("devConfig.json")));
        if (store != "directory" && !IsJsonObject(store) && !store.isEmpty())
            QCOMPARE(Read("devConfig.json.bak"), store);
    }
    QFontDatabase::removeAllApplicationFonts();
    QCOMPARE(pushes, kStartRuns * 2 * 13);
}

QTEST_MAIN(TestConfigFuzz)
#include "tst_configfuzz.moc"
