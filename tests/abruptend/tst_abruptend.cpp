// A process that confirms parameters is killed (SIGKILL) at random moments,
// many times over. After every kill devConfig.json is there, not empty, valid
// JSON, and holds at least every value confirmed before the kill; the other
// devices' entries are untouched.
//
// ABRUPT_SEED repeats a run (the seed is printed).
#include "tests/support/ParamBounds.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr int kRunMs = 15000;
constexpr int kMaxKills = 200;
const QString kKey = QStringLiteral("ABR 202406300001");

QString WriterDir()
{
    return QFileInfo(QStringLiteral(WRITER_FILE)).absolutePath();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A device the writer never touches, and a key the program does not use.
QJsonObject InitialRoot()
{
    QJsonObject other;
    other.insert("MoveParam", QJsonObject{{"TargetPos", 3.5}, {"Speed", 1.25}, {"Acc", 4.0},
                                          {"Jerk", 7}, {"JerkChecked", true}});
    other.insert("JogParam", QJsonObject{{"Step", 0.25}, {"Delay", 40}, {"Times", 9}});
    return QJsonObject{{"OTH 202406300002", other}, {"Comment", "kept"}};
}

} // namespace

class TestAbruptEnd : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileConfirming();
};

void TestAbruptEnd::killedWhileConfirming()
{
    bool ok = false;
    quint32 seed = quint32(qEnvironmentVariable("ABRUPT_SEED").toUInt(&ok));
    if (!ok)
        seed = QRandomGenerator::global()->generate();
    qInfo("abrupt-end seed %u (repeat with ABRUPT_SEED=%u)", seed, seed);
    QRandomGenerator rng(seed);

    const QString path = WriterDir() + "/devConfig.json";
    for (const QString &name : QDir(WriterDir()).entryList({"devConfig.json*"}, QDir::Files))
        QFile::remove(WriterDir() + '/' + name);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(InitialRoot()).toJson());
    }

    int confirmed = 0;
    // Counters of the jog and cruise groups after the previous kill, and the
    // highest of them.
    int previous[4] = {};
    int ceiling = 0;
    int kills = 0;
    int killsWithoutConfirm = 0;
    int leftovers = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kRunMs && kills < kMaxKills) {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::SeparateChannels);
        writer.start(QStringLiteral(WRITER_FILE), QStringList());
        QVERIFY2(writer.waitForStarted(5000), qPrintable(writer.errorString()));
        // Any moment: during start-up, the load, or a write.
        const int wait = int(rng.bounded(100u) < 20 ? rng.bounded(5u) : rng.bounded(200u));
        if (wait > 0)
            QTest::qSleep(wait);
        writer.kill();
        QVERIFY(writer.waitForFinished(5000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        ++kills;

        // Complete lines only: a number cut by the kill was not printed yet.
        QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
        lines.removeLast();
        const int before = confirmed;
        if (!lines.isEmpty())
            confirmed = lines.last().toInt();
        killsWithoutConfirm += confirmed == before ? 1 : 0;
        const QString stderrText = QString::fromLocal8Bit(writer.readAllStandardError());
        QVERIFY2(!stderrText.contains("Sanitizer") && !stderrText.contains("runtime error"),
                 qPrintable(stderrText));

        const QByteArray content = ReadFile(path);
        QVERIFY2(!content.isEmpty(), qPrintable(QStringLiteral("kill %1: missing or empty file").arg(kills)));
        const QStringList problems = bounds::StoredProblems(content);
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("kill %1: %2\n%3")
                                                    .arg(kills).arg(problems.join('\n'), QString::fromUtf8(content))));
        const QJsonObject root = QJsonDocument::fromJson(content).object();
        QCOMPARE(root.value("OTH 202406300002"), InitialRoot().value("OTH 202406300002"));
        QCOMPARE(root.value("Comment"), QJsonValue("kept"));
        const QJsonObject dev = root.value(kKey).toObject();
        const QJsonObject jog = dev.value("JogParam").toObject();
        const QJsonObject cruise = dev.value("CruiseParam").toObject();
        const QJsonObject move = dev.value("MoveParam").toObject();
        const int counters[] = {
            jog.value("Times").toInt(), jog.value("Delay").toInt(),
            cruise.value("Times").toInt(), cruise.value("StopTime").toInt(),
        };
        // Every confirmed value is there. A kill after a write but before
        // the printing leaves the next value, and a run killed before it
        // printed anything may have stored one more than was there before.
        const int limit = qMax(confirmed, ceiling) + 1;
        int highest = 0;
        for (int i = 0; i < 4; ++i) {
            const QString where = QStringLiteral("kill %1, field %2: confirmed %3, before %4, stored %5")
                                      .arg(kills).arg(i).arg(confirmed).arg(previous[i]).arg(counters[i]);
            QVERIFY2(counters[i] >= confirmed, qPrintable(where));
            QVERIFY2(counters[i] >= previous[i], qPrintable(where));
            QVERIFY2(counters[i] <= limit, qPrintable(where));
            previous[i] = counters[i];
            highest = qMax(highest, counters[i]);
        }
        ceiling = highest;
        // The move group, written first, holds a counter of that range too.
        if (confirmed > 0) {
            const int target = qRound(move.value("TargetPos").toDouble() * 1000);
            bool found = false;
            for (int n = confirmed; n <= limit && !found; ++n)
                found = target == n % 100000;
            QVERIFY2(found, qPrintable(QStringLiteral("kill %1: target %2").arg(kills).arg(target)));
        }

        // Temporary files of writes cut short are left behind by a kill.
        for (const QString &name : QDir(WriterDir()).entryList({"devConfig.json.*"}, QDir::Files)) {
            ++leftovers;
            QFile::remove(WriterDir() + '/' + name);
        }
    }
    qInfo("%d kills, last confirmed value %d, %d kills before any new confirmation, %d temporary files left",
          kills, confirmed, killsWithoutConfirm, leftovers);
    // Many kills, a good part of them while the writer was confirming.
    QVERIFY(kills >= 20);
    QVERIFY(kills - killsWithoutConfirm >= kills / 4);
}

QTEST_MAIN(TestAbruptEnd)
#include "tst_abruptend.moc"
