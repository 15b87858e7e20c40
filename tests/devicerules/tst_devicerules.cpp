// Who may drive a device, and which panels the operator gets: rules that
// hold across the add-device dialog, the panels and their workers.
#include "device/DeviceOwners.h"
#include "tests/support/AppHarness.h"
#include "tests/support/SimJournal.h"

#include <QLabel>

using namespace harness;
using simjournal::Journal;

class TestDeviceRules : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void consoleHeldDeviceIsLeftAlone();
    void closedPanelDropsQueuedCommands();
    void deviceThatFailsToOpenGetsNoPanel();
    void busyDeviceDoesNotFreezeTheDialog();

private:
    std::unique_ptr<MainWidget> m_window;
    QList<int> m_handles;
};

void TestDeviceRules::init()
{
    simReset();
    m_handles = Attach(2);
    m_window = MakeWindow();
}

void TestDeviceRules::cleanup()
{
    for (int h : qAsConst(m_handles))
        DeviceOwners::Release(h, DeviceOwners::ConsoleOwner);
    m_window.reset();
    QVERIFY(simjournal::WaitForWorkers(m_handles));
}

// The console's device is neither probed nor opened by the dialog, and the
// operator sees why it is missing.
void TestDeviceRules::consoleHeldDeviceIsLeftAlone()
{
    const int h1 = m_handles.at(0);
    const int h2 = m_handles.at(1);
    // Listed unchecked, then taken by the console before the confirmation.
    Pick(m_window.get(), {0}, false);
    QVERIFY(DeviceOwners::Acquire(h1, DeviceOwners::ConsoleOwner));
    BoxAnswerer answerer(QStringLiteral("确认"));
    simJournalClear();
    QTest::mouseClick(Dialog(m_window.get())->findChild<QPushButton *>("pbConfirm"), Qt::LeftButton);
    QTRY_COMPARE(answerer.texts, QStringList{QStringLiteral("设备 %1 正被调试窗口使用。").arg(Serial(1))});
    QVERIFY(Panels(m_window.get()).isEmpty());
    QVERIFY(!Journal().contains(QStringLiteral("openDev(%1)").arg(h1)));

    // A scan leaves it out without touching it and says so.
    simJournalClear();
    Pick(m_window.get(), {}, false);
    QVERIFY(!Journal().join(' ').contains(QStringLiteral("(%1").arg(h1)));
    QCOMPARE(DevButton(m_window.get(), 0)->text(), Serial(2));
    QVERIFY(DevButton(m_window.get(), 1)->isHidden());
    auto *note = Dialog(m_window.get())->findChild<QLabel *>("lbNote");
    QVERIFY(note->isVisible());
    QVERIFY(note->text().contains(QStringLiteral("1 台设备正被调试窗口使用")));
    Dialog(m_window.get())->close();
    QVERIFY(DeviceOwners::OwnerOf(h2) == DeviceOwners::NoOwner);
}

// Commands clicked just before the panel closed never reach the device.
void TestDeviceRules::closedPanelDropsQueuedCommands()
{
    const int h = m_handles.at(0);
    Pick(m_window.get(), {0});
    ControlWidget *panel = Panels(m_window.get()).value(0);
    QVERIFY(panel);
    QTRY_VERIFY(LogOf(panel).contains(QStringLiteral("初始化运动轴参数成功")));
    simSetCallDelay(h, 150);
    QTest::mouseClick(panel->findChild<QPushButton *>("pbHome"), Qt::LeftButton);
    QTest::mouseClick(panel->findChild<QPushButton *>("pbMove"), Qt::LeftButton);
    BoxAnswerer answerer(QStringLiteral("确认"));
    QTest::mouseClick(panel->findChild<QPushButton *>("pbRemove"), Qt::LeftButton);
    QTRY_VERIFY(Panels(m_window.get()).isEmpty());
    QVERIFY(simjournal::WaitForWorkers({h}));
    const QStringList journal = Journal();
    QVERIFY(journal.contains(QStringLiteral("closeDev(%1)").arg(h)));
    QVERIFY(!journal.contains(QStringLiteral("move(%1)").arg(h)));
}

void TestDeviceRules::deviceThatFailsToOpenGetsNoPanel()
{
    BoxAnswerer answerer(QStringLiteral("确认"));
    Pick(m_window.get(), {0, 1}, false);
    simFailNext("openDev", 1);
    QTest::mouseClick(Dialog(m_window.get())->findChild<QPushButton *>("pbConfirm"), Qt::LeftButton);
    QTRY_COMPARE(answerer.texts, QStringList{QStringLiteral("设备 %1 无法打开。").arg(Serial(1))});
    const QList<ControlWidget *> panels = Panels(m_window.get());
    QCOMPARE(panels.size(), 1);
    QCOMPARE(panels.at(0)->GetDevSerial(), Serial(2));
    QVERIFY(Dialog(m_window.get())->GetCheckedDevs().size() == 1);
}

// Re-picking a device whose closed panel is stuck in a call: the dialog
// stays usable while it waits, and tells the operator when it gives up.
void TestDeviceRules::busyDeviceDoesNotFreezeTheDialog()
{
    const int h = m_handles.at(0);
    Pick(m_window.get(), {0});
    ControlWidget *panel = Panels(m_window.get()).value(0);
    QTRY_VERIFY(LogOf(panel).contains(QStringLiteral("初始化运动轴参数成功")));
    simSetCallDelay(h, 4000);
    QTest::qWait(100);
    BoxAnswerer answerer(QStringLiteral("确认"));
    QTest::mouseClick(panel->findChild<QPushButton *>("pbRemove"), Qt::LeftButton);
    QTRY_VERIFY(Panels(m_window.get()).isEmpty());

    Pick(m_window.get(), {0}, false);
    QTest::mouseClick(Dialog(m_window.get())->findChild<QPushButton *>("pbConfirm"), Qt::LeftButton);
    // Back from the click while the worker still holds the device.
    QVERIFY(DeviceOwners::OwnerOf(h) == DeviceOwners::PanelOwner);
    QVERIFY(Dialog(m_window.get())->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(answerer.texts.size() == 2, 5000);
    QCOMPARE(answerer.texts.at(1), QStringLiteral("设备 %1 仍被占用, 请稍后再试。").arg(Serial(1)));
    QVERIFY(Panels(m_window.get()).isEmpty());
    QVERIFY(Dialog(m_window.get())->GetCheckedDevs().isEmpty());
    simSetCallDelay(h, 0);
}

QTEST_MAIN(TestDeviceRules)
#include "tst_devicerules.moc"
