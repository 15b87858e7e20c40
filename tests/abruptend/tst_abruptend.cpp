// A process confirming parameters is killed (SIGKILL) at random moments, many
// times over. After every kill devConfig.json is there, a sound JSON object,
// holds every value confirmed before the kill and never goes back, and keeps
// the other device's entry and an unknown key untouched.
// ABRUPT_SEED repeats a run (the seed is printed).
#include "tests/support/ParamBounds.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

class TestAbruptEnd : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileConfirming();
};

void TestAbruptEnd::killedWhileConfirming()
{
    bool ok = false;
    quint32 seed = qEnvironmentVariable("ABRUPT_SEED").toUInt(&ok);
    seed = ok ? seed : QRandomGenerator::global()->generate();
    qInfo("abrupt-end seed %u (repeat with ABRUPT_SEED=%u)", seed, seed);
    QRandomGenerator rng(seed);

    const QDir dir = QFileInfo(QStringLiteral(WRITER_FILE)).absoluteDir();
    for (const QString &name : dir.entryList({"devConfig.json*"}, QDir::Files))
        QFile::remove(dir.filePath(name));
    const QJsonObject other{{"MoveParam", QJsonObject{{"TargetPos", 3.5}, {"Speed", 1.25}, {"Jerk", 7}}},
                            {"JogParam", QJsonObject{{"Step", 0.25}, {"Times", 9}}}};
    QFile initial(dir.filePath("devConfig.json"));
    QVERIFY(initial.open(QIODevice::WriteOnly));
    initial.write(QJsonDocument(QJsonObject{{"OTH 202406300002", other}, {"Comment", "kept"}}).toJson());
    initial.close();

    int confirmed = 0;
    int previous[4] = {};
    int kills = 0;
    int killsWhileConfirming = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000 && kills < 200) {
        QProcess writer;
        writer.start(QStringLiteral(WRITER_FILE), QStringList());
        QVERIFY2(writer.waitForStarted(5000), qPrintable(writer.errorString()));
        // Any moment: during start-up, the load, or a write.
        QTest::qSleep(1 + int(rng.bounded(100u) < 20 ? rng.bounded(5u) : rng.bounded(200u)));
        writer.kill();
        QVERIFY(writer.waitForFinished(5000));
        ++kills;
        // Complete lines only: a number cut by the kill was not printed yet.
        QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
        lines.removeLast();
        if (!lines.isEmpty() && lines.last().toInt() > confirmed) {
            confirmed = lines.last().toInt();
            ++killsWhileConfirming;
        }
        QVERIFY2(!writer.readAllStandardError().contains("Sanitizer"), "sanitizer report");

        QFile file(dir.filePath("devConfig.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        const QStringList problems = bounds::StoredProblems(content);
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("kill %1: %2\n").arg(kills).arg(problems.join('\n')) + content));
        const QJsonObject root = QJsonDocument::fromJson(content).object();
        QCOMPARE(root.value("OTH 202406300002").toObject(), other);
        QCOMPARE(root.value("Comment"), QJsonValue("kept"));
        const QJsonObject dev = root.value("ABR 202406300001").toObject();
        const int counters[] = {
            dev.value("JogParam").toObject().value("Times").toInt(), dev.value("JogParam").toObject().value("Delay").toInt(),
            dev.value("CruiseParam").toObject().value("Times").toInt(), dev.value("CruiseParam").toObject().value("StopTime").toInt()};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(counters[i] >= qMax(confirmed, previous[i]),
                     qPrintable(QStringLiteral("kill %1, field %2: confirmed %3, before %4, stored %5")
                                    .arg(kills).arg(i).arg(confirmed).arg(previous[i]).arg(counters[i])));
            previous[i] = counters[i];
        }
        // Temporary files of writes cut short may be left behind by a kill.
        for (const QString &name : dir.entryList({"devConfig.json.*"}, QDir::Files))
            QFile::remove(dir.filePath(name));
    }
    qInfo("%d kills, %d while confirming, last confirmed value %d", kills, killsWhileConfirming, confirmed);
    QVERIFY(kills >= 20 && killsWhileConfirming >= kills / 4);
}

QTEST_MAIN(TestAbruptEnd)
#include "tst_abruptend.moc"
