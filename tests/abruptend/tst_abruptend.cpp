// A process confirming parameters is killed (SIGKILL) at random moments, many
// times over. After every kill devConfig.json is a sound JSON object that holds
// every value confirmed before the kill, never goes back, and keeps the other
// device's entry and an unknown key untouched.
// ABRUPT_SEED repeats a run (the seed is printed).
#include "tests/support/ParamBounds.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

class TestAbruptEnd : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileConfirming()
    {
        bool ok = false;
        quint32 seed = qEnvironmentVariable("ABRUPT_SEED").toUInt(&ok);
        QRandomGenerator rng(seed = ok ? seed : QRandomGenerator::global()->generate());
        qInfo("abrupt-end seed %u (repeat with ABRUPT_SEED=%u)", seed, seed);
        const QDir dir = QFileInfo(QStringLiteral(WRITER_FILE)).absoluteDir();
        for (const QString &name : dir.entryList({"devConfig.json*"}, QDir::Files)) // with temporary files of cut writes
            QFile::remove(dir.filePath(name));
        const QJsonObject initial{{"OTH 202406300002", QJsonObject{{"JogParam", QJsonObject{{"Step", 0.25}, {"Times", 9}}}}},
                                  {"Comment", "kept"}};
        QFile file(dir.filePath("devConfig.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(initial).toJson()) > 0);
        file.close();

        int confirmed = 0;
        int stored[4] = {};
        int kills = 0, killsWhileConfirming = 0;
        QElapsedTimer clock;
        clock.start();
        for (; clock.elapsed() < 15000 && kills < 200; ++kills) {
            QProcess writer;
            writer.start(QStringLiteral(WRITER_FILE), QStringList());
            QVERIFY2(writer.waitForStarted(5000), qPrintable(writer.errorString()));
            // Any moment: during start-up, the load, or a write.
            QTest::qSleep(1 + int(rng.bounded(100u) < 20 ? rng.bounded(5u) : rng.bounded(200u)));
            writer.kill();
            QVERIFY(writer.waitForFinished(5000));
            // Complete lines only: a number cut by the kill was not printed yet.
            const QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
            if (lines.size() > 1 && lines.at(lines.size() - 2).toInt() > confirmed) {
                confirmed = lines.at(lines.size() - 2).toInt();
                ++killsWhileConfirming;
            }
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            file.close();
            QVERIFY2(bounds::StoredProblems(content).isEmpty(), qPrintable(QStringLiteral("kill %1:\n").arg(kills) + content));
            const QJsonObject root = QJsonDocument::fromJson(content).object();
            QVERIFY(root.value("OTH 202406300002") == initial.value("OTH 202406300002") && root.value("Comment") == "kept");
            const QJsonObject dev = root.value("ABR 202406300001").toObject();
            const QJsonObject jog = dev.value("JogParam").toObject(), cruise = dev.value("CruiseParam").toObject();
            const int now[4] = {jog.value("Times").toInt(), jog.value("Delay").toInt(), cruise.value("Times").toInt(),
                                cruise.value("StopTime").toInt()};
            for (int i = 0; i < 4; ++i) {
                QVERIFY2(now[i] >= qMax(confirmed, stored[i]), qPrintable(QStringLiteral("kill %1, field %2: confirmed %3, before %4, now %5")
                                                                             .arg(kills).arg(i).arg(confirmed).arg(stored[i]).arg(now[i])));
                stored[i] = now[i];
            }
        }
        qInfo("%d kills, %d while confirming, last confirmed value %d", kills, killsWhileConfirming, confirmed);
        QVERIFY(kills >= 20 && killsWhileConfirming >= kills / 4);
    }
};

QTEST_MAIN(TestAbruptEnd)
#include "tst_abruptend.moc"
