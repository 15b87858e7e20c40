// The program's exit with panels open on slow devices: the library is released
// first, while no call is inside it, then each panel closes its device once
// and nothing more reaches the library.
#include "tests/support/AppHarness.h"

class TestShutdown : public QObject
{
    Q_OBJECT

private slots:
    void releaseThenClose();
};

void TestShutdown::releaseThenClose()
{
    harness::App app = harness::Start(3);
    QCOMPARE(harness::OpenPanels(app.window.get(), 3).size(), 3);
    // Slow devices: their workers are inside a status read most of the time.
    constexpr int kDelayMs = 20;
    for (int h : qAsConst(app.handles))
        simSetCallDelay(h, kDelayMs);
    QTest::qWait(100);
    simJournalClear();
    QTest::mouseClick(app.window->findChild<QPushButton *>("pbClose"), Qt::LeftButton);
    app.window.reset();
    QVERIFY(simjournal::WaitForWorkers(app.handles));

    const QStringList journal = simjournal::Journal();
    const int release = journal.indexOf("releaseDev()");
    QVERIFY2(release >= 0 && journal.lastIndexOf("releaseDev()") == release, qPrintable(journal.join('\n')));
    for (int i = 0; i < release; ++i)
        QVERIFY2(simJournalEntryTime(i) + kDelayMs <= simJournalEntryTime(release), qPrintable(journal.at(i)));
    QStringList closes;
    for (int h : qAsConst(app.handles))
        closes << simjournal::Call("closeDev(H)", h);
    QStringList after = journal.mid(release + 1);
    std::sort(after.begin(), after.end());
    std::sort(closes.begin(), closes.end());
    QCOMPARE(after, closes);
    QCOMPARE(simOverlapTotal(), 0);
}

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
