// The program's exit on slow devices, a panel just closed and a scan probing
// new devices: the library is released first, once no call is inside it,
// then each remaining panel closes its device once and nothing else reaches
// the library.
#include "tests/support/AppHarness.h"

class TestShutdown : public QObject
{
    Q_OBJECT

private slots:
    void releaseThenClose()
    {
        harness::App app = harness::Start(3);
        QList<ControlWidget *> panels = harness::OpenPanels(app.window.get(), 3);
        QCOMPARE(panels.size(), 3);
        QList<int> handles = app.handles;
        for (int i = 4; i <= 6; ++i)
            handles << simAttach(qPrintable(harness::Serial(i)), 1, 1);
        for (int h : qAsConst(handles)) // workers are inside a status read most of the time
            simSetCallDelay(h, 100);
        QTest::qWait(200);
        simJournalClear();
        harness::BoxAnswerer boxes(QStringLiteral("确认"));
        harness::Click(panels.at(0), "pbRemove");
        harness::Click(app.window.get(), "pbAddDev");
        QVERIFY(harness::Busy(harness::Dialog(app.window.get())));
        app.window.reset();
        QVERIFY(simjournal::WaitForWorkers(handles));
        QStringList after = simjournal::Journal();
        const int release = after.indexOf("releaseDev()");
        for (int i = 0; i < release; ++i) { // every earlier call had returned when the library was released
            const double returned = simJournalEntryEndTime(i);
            QVERIFY2(returned >= 0 && returned <= simJournalEntryTime(release), qPrintable(after.at(i)));
        }
        const int closed = after.indexOf(simjournal::Call("closeDev(H)", handles.at(0)));
        QVERIFY(closed >= 0 && closed < release);
        QVERIFY(!after.contains(simjournal::Call("openDev(H)", handles.at(5)))); // the scan stopped
        after = after.mid(release + 1);
        std::sort(after.begin(), after.end());
        QCOMPARE(after, QStringList({simjournal::Call("closeDev(H)", handles.at(1)),
                                     simjournal::Call("closeDev(H)", handles.at(2))}));
        QVERIFY(release >= 0 && simOverlapTotal() == 0);
    }
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
