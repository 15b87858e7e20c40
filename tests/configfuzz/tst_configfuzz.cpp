// The program started on mutated devConfig.json files, both devices opened so
// that their stored parameters are pushed, then ended: it never crashes, never
// pushes a device a parameter out of range, writes back a JSON object and keeps
// unusable content in devConfig.json.bak. FUZZ_SEED repeats a run.
#include "tests/support/AppHarness.h"
#include "tests/support/ParamBounds.h"

#include <QLoggingCategory>
#include <QRandomGenerator>

using namespace harness;

namespace {

#ifdef FUZZ_SANITIZED
constexpr int kRuns = 15;
#else
constexpr int kRuns = 100;
#endif

QRandomGenerator g_rng;

int Pick(int n) { return int(g_rng.bounded(quint32(n))); }


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

// One to four mutations: most put a hostile value (often just out of its
// field's range) in place of one value, or values just out of range in place
// of all; the others add a duplicate key, deep nesting, random, NUL or invalid
// UTF-8 bytes, a byte-order mark, cut the text or change a byte.
QByteArray Mutate(QByteArray text)
{
    static const char *const values[] = {"1e308", "-1e400", "1e-320", "NaN", "Infinity", "-0", "-1", "2147483648", "1e30",
        "0x10", "01", ".5", "+1", "1e", "\"4.5\"", "true", "null", "[]", "{}", "[1, 2]", "\"\"", "@Variant(garbage)"};
    static const QRegularExpression value(QStringLiteral("\"(\\w+)\": ?([^\\s,{}][^,\\n{}]*)"));
    for (int count = 1 + Pick(4); count > 0; --count) {
        QList<QRegularExpressionMatch> found;
        for (auto it = value.globalMatch(QString::fromLatin1(text)); it.hasNext();)
            found << it.next();
        const QRegularExpressionMatch m = found.isEmpty() ? QRegularExpressionMatch() : found.at(Pick(found.size()));
        auto hostile = [](const QRegularExpressionMatch &m, bool nearRange = false) {
            const auto b = std::find_if(bounds::All().begin(), bounds::All().end(),
                                        [&m](const bounds::Bound &b) { return m.captured(1) == QLatin1String(b.field); });
            if (b == bounds::All().end())
                return nearRange ? m.captured(2).toLatin1() : QByteArray(values[Pick(sizeof values / sizeof *values)]);
            const double step = b->integer ? 1 : 0.000001 * std::pow(10, Pick(5));
            return nearRange || Pick(2) ? QByteArray::number(Pick(2) ? b->lo - step : b->hi + step * (1 + Pick(2) * Pick(20)), 'g', 12)
                                        : QByteArray(values[Pick(sizeof values / sizeof *values)]);
        };
        const int at = Pick(text.size() + 1);
        switch (Pick(3) ? 7 * Pick(2) : Pick(9)) {
        case 0: text.replace(qMax(0, m.capturedStart(2)), qMax(0, m.capturedLength(2)), hostile(m)); break;
        case 1: text.insert(qMax(0, m.capturedEnd(2)), ", \"Speed\": " + hostile(m)); break;
        case 7:
            for (int i = found.size() - 1; i >= 0; --i)
                text.replace(found.at(i).capturedStart(2), found.at(i).capturedLength(2), hostile(found.at(i), true));
            break;
        case 2: text.insert(at, QByteArray(1000 + Pick(20000), '[')); break;
        case 3: text.insert(at, Pick(2) ? QByteArray(1, '\0') : QByteArray("\xFF\xC3\x28\xED\xA0\x80\xC0\xAF\x07").mid(Pick(8), 2)); break;
        case 4: text.truncate(at); break;
        case 5: text.remove(at, 1 + Pick(32)); break;
        case 6: text.prepend(Pick(2) ? "\xEF\xBB\xBF" : "["); break;
        default: text.replace(at, 1, QByteArray(1, char(Pick(256))));
        }
    }
    return text;
}

} // namespace

class TestConfigFuzz : public QObject
{
    Q_OBJECT

private slots:
    void startsOnMutatedFiles()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("actuator.devconfig.warning=false")); // every unusable field
        bool ok = false;
        quint32 seed = qEnvironmentVariable("FUZZ_SEED").toUInt(&ok);
        g_rng.seed(seed = ok ? seed : QRandomGenerator::global()->generate());
        qInfo("fuzz seed %u (repeat with FUZZ_SEED=%u)", seed, seed);
        const QString path = QCoreApplication::applicationDirPath() + "/devConfig.json";
        auto read = [](const QString &name) { QFile in(name); return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray(); };
        int pushes = 0;
        for (int run = 0; run < kRuns; ++run) {
            const QByteArray store = Pick(10) == 0 ? QByteArray("directory") : Pick(7) ? Mutate(Store({Serial(1), Serial(2)}))
                                                                                        : Store({Serial(1), Serial(2)});
            QDir(path).removeRecursively();
            QFile::remove(path);
            QFile::remove(path + ".bak");
            QFile file(path); // "directory": a directory in its place
            QVERIFY(store == "directory" ? QDir().mkpath(path) : file.open(QIODevice::WriteOnly) && file.write(store) == store.size() && file.flush());
            App app = Start(2);
            QCOMPARE(OpenPanels(app.window.get(), 2).size(), 2);
            app.window.reset();
            QVERIFY(simjournal::WaitForWorkers(app.handles));
            int count = 0;
            const QStringList bad = bounds::BadPushes(simjournal::Journal(), count);
            pushes += count;
            QVERIFY2(bad.isEmpty(), qPrintable(QStringLiteral("run %1: %2\n").arg(run).arg(bad.join(", ")) + store.left(2000)));
            QCOMPARE(simOverlapTotal(), 0);
            QVERIFY(store == "directory" || QJsonDocument::fromJson(read(path)).isObject());
            if (store != "directory" && !QJsonDocument::fromJson(store).isObject() && !store.isEmpty())
                QCOMPARE(read(path + ".bak"), store);
        }
        QCOMPARE(pushes, kRuns * 2 * 13);
    }
};

QTEST_MAIN(TestConfigFuzz)
#include "tst_configfuzz.moc"
