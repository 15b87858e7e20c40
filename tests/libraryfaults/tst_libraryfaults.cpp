// Library faults while the program works: devices unplugged in the middle of
// work, devices that hang while other panels, scans and opens go on, pushes
// that fail. Each is reported as it is, the interface never waits for a
// hanging device, no two calls overlap on a device, nothing crashes.
#include "tests/support/AppHarness.h"

#include <QLabel>

using namespace harness;
using simjournal::Call;
using simjournal::Journal;

namespace {

QStringList Probes(int handle) // a scan's calls on the device
{
    return Journal().filter(QRegularExpression(QStringLiteral("^(openDev|readDriverSerial)\\(%1[,)]").arg(handle)));
}

} // namespace

class TestLibraryFaults : public QObject
{
    Q_OBJECT

private:
    ControlWidget *Panel(int handle) const
    {
        for (ControlWidget *panel : Panels(m_app.window.get()))
            if (panel->GetDevHandle() == handle)
                return panel;
        return nullptr;
    }

    App m_app;
    std::unique_ptr<BoxAnswerer> m_boxes;
    int m_a = -1;

private slots:
    void init()
    {
        QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json");
        m_app = Start(2);
        m_a = m_app.handles.at(0);
        m_boxes.reset(new BoxAnswerer(QStringLiteral("确认")));
        QCOMPARE(OpenPanels(m_app.window.get(), 2).size(), 2);
    }

    void cleanup()
    {
        for (int h : qAsConst(m_app.handles))
            simSetCallDelay(h, 0);
        m_app.window.reset();
        QVERIFY(simjournal::WaitForWorkers(m_app.handles));
        QCOMPARE(simOverlapTotal(), 0);
    }

    // Unplugged while moving with a device dialog open: the panel goes after its
    // failed status reads with "设备已断开!", taking the dialog with it, and
    // closes the device; the other panel carries on.
    void detachedWhileMovingWithDialogOpen()
    {
        simUseManualClock(1); // a started motion stays under way
        QPointer<ControlWidget> panel(Panel(m_a));
        Click(panel, "pbMove");
        simAdvanceClock(100);
        QTRY_VERIFY(panel->findChild<QLabel *>("lbDoingLight")->styleSheet().contains("greenPot"));
        Click(panel, "pbSetting");
        Click(panel->findChild<QWidget *>("CruiseCtrlWidget"), "pbBtnParam");
        QPointer<QWidget> window = panel->findChild<QWidget *>("BtnParamWidget");
        QTRY_COMPARE(QApplication::activeModalWidget(), window.data());
        simJournalClear();
        QCOMPARE(simDetach(m_a), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!panel && !window, 10000);
        QCOMPARE(m_boxes->texts, QStringList{QStringLiteral("设备已断开!\n") + Serial(1)});
        QVERIFY(!m_app.window->findChild<QPushButton *>(QStringLiteral("pbDev%1").arg(m_a)));
        QVERIFY(Journal().filter(QRegularExpression(QStringLiteral("^getWorkStatus\\(%1\\)").arg(m_a))).size() >= 5);
        QTRY_VERIFY(Journal().contains(Call("closeDev(H)", m_a)));
        QCOMPARE(Dialog(m_app.window.get())->GetCheckedDevs().size(), 1);
        ControlWidget *other = Panels(m_app.window.get()).value(0);
        QTRY_COMPARE(other->pos(), QPoint(3, 3)); // moved into the first place of the grid
        Click(other, "pbMove");
        QTRY_VERIFY(Journal().contains(Call("move(H)", other->GetDevHandle())));
    }

    // While one panel's device hangs, a scan probes only the new device and does
    // not wait for the hanging one; clicks on the hanging panel return at once.
    void scanAndClicksWhileAnotherPanelHangs()
    {
        m_app.handles << simAttach(qPrintable(Serial(3)), 1, 1);
        simSetCallDelay(m_a, 1500);
        QTest::qWait(100); // the worker is inside a hanging call now
        simJournalClear();
        QElapsedTimer clock;
        clock.start();
        Click(Panel(m_a), "pbStop");
        Click(m_app.window.get(), "pbAddDev");
        QVERIFY(WaitIdle(Dialog(m_app.window.get())));
        QVERIFY2(clock.elapsed() < 1000, "the scan waited for the hanging device");
        QVERIFY(Probes(m_a).isEmpty() && Probes(m_app.handles.at(1)).isEmpty());
        const int open = Journal().indexOf(Call("openDev(H)", m_app.handles.at(2)));
        QVERIFY(open >= 0 && Journal().indexOf(Call("closeDev(H)", m_app.handles.at(2))) > open);
        QCOMPARE(DevButton(m_app.window.get(), 2)->text(), Serial(3));

        QTest::mouseClick(DevButton(m_app.window.get(), 2), Qt::LeftButton);
        Click(Dialog(m_app.window.get()), "pbConfirm");
        QVERIFY(WaitConfirmed(m_app.window.get()) && WaitForInit(Panel(m_app.handles.at(2))));
        QVERIFY(Panel(m_a) && m_boxes->texts.isEmpty());
    }

    // A panel closed while its device hangs closes the device later; opening it
    // again must wait for that close, neither overlapping it nor undone by it.
    void reopenWhileClosingPanelHangs()
    {
        QPointer<ControlWidget> panel(Panel(m_a));
        simSetCallDelay(m_a, 400);
        QTest::qWait(100);
        Click(panel, "pbRemove");
        QVERIFY(!panel);
        QCOMPARE(m_boxes->texts, QStringList{QStringLiteral("您确定要关闭控制窗口吗?")});
        Pick(m_app.window.get(), {0});
        QTRY_VERIFY_WITH_TIMEOUT(!Dialog(m_app.window.get())->isVisible(), 10000);
        QPointer<ControlWidget> reopened(Panel(m_a));
        const int close = Journal().lastIndexOf(Call("closeDev(H)", m_a));
        QVERIFY(reopened && close >= 0 && Journal().lastIndexOf(Call("openDev(H)", m_a)) > close);
        simSetCallDelay(m_a, 0);
        QVERIFY(WaitForInit(reopened));
        QTest::qWait(500); // still open: no later close, its reads succeed
        QVERIFY(reopened && Journal().lastIndexOf(Call("closeDev(H)", m_a)) == close);
    }

    // Unplugged and back before its slow panel noticed: the scan leaves the device
    // alone while the panel's worker holds it; once the panel went, it is listed
    // and opens again, a push that fails then reported.
    void lostAndBackBeforeItsPanelWent()
    {
        QPointer<ControlWidget> panel(Panel(m_a));
        simSetCallDelay(m_a, 300);
        QCOMPARE(simDetach(m_a), 0);
        Click(m_app.window.get(), "pbAddDev");
        QVERIFY(WaitIdle(Dialog(m_app.window.get())) && panel);
        QCOMPARE(Dialog(m_app.window.get())->GetCheckedDevs().size(), 2); // its entry stays with its panel
        QCOMPARE(simReattach(m_a), 0);
        simJournalClear();
        Click(Dialog(m_app.window.get()), "pbScanDev");
        QVERIFY(WaitIdle(Dialog(m_app.window.get())) && Probes(m_a).isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(!panel, 10000); // its device is no longer open: reads fail
        QCOMPARE(m_boxes->texts, QStringList{QStringLiteral("设备已断开!\n") + Serial(1)});
        simSetCallDelay(m_a, 0);
        QVERIFY(simjournal::WaitForWorkers({m_a}));
        Click(Dialog(m_app.window.get()), "pbScanDev");
        QVERIFY(WaitIdle(Dialog(m_app.window.get())));
        QCOMPARE(DevButton(m_app.window.get(), 1)->text(), Serial(1));
        QTest::mouseClick(DevButton(m_app.window.get(), 1), Qt::LeftButton);
        simFailNext("setCruiseTimes", 1);
        Click(Dialog(m_app.window.get()), "pbConfirm");
        QVERIFY(WaitConfirmed(m_app.window.get()));
        QTRY_VERIFY(LogOf(Panel(m_a)).contains(QStringLiteral("初始化运动轴参数失败: 巡航参数")));
    }
};

QTEST_MAIN(TestLibraryFaults)
#include "tst_libraryfaults.moc"
