// The program's exit with panels open on slow devices: the library is released
// first, while no call is inside it, then each panel closes its device once
// and nothing else reaches the library.
#include "tests/support/AppHarness.h"

class TestShutdown : public QObject
{
    Q_OBJECT

private slots:
    void releaseThenClose()
    {
        harness::App app = harness::Start(3);
        QCOMPARE(harness::OpenPanels(app.window.get(), 3).size(), 3);
        for (int h : qAsConst(app.handles)) // workers are inside a status read most of the time
            simSetCallDelay(h, 20);
        QTest::qWait(100);
        simJournalClear();
        QTest::mouseClick(app.window->findChild<QPushButton *>("pbClose"), Qt::LeftButton);
        app.window.reset();
        QVERIFY(simjournal::WaitForWorkers(app.handles));
        QStringList after = simjournal::Journal();
        const int release = after.indexOf("releaseDev()");
        for (int i = 0; i < release; ++i)
            QVERIFY2(simJournalEntryTime(i) + 20 <= simJournalEntryTime(release), qPrintable(after.at(i)));
        after = after.mid(release + 1);
        std::sort(after.begin(), after.end());
        QCOMPARE(after, QStringList({simjournal::Call("closeDev(H)", app.handles.at(0)),
                                     simjournal::Call("closeDev(H)", app.handles.at(1)),
                                     simjournal::Call("closeDev(H)", app.handles.at(2))}));
        QVERIFY(release >= 0 && simOverlapTotal() == 0);
    }
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
