// Library faults while the program works: a device unplugged in the middle of
// a move, a jog, a drive, a cruise or with a popup or dialog open; scans and
// opens while another panel's device hangs. Each is handled as designed, no
// two calls ever overlap on a device, nothing crashes or leaks.
#include "app/MainWidget.h"
#include "discovery/AddDevWidget.h"
#include "panel/ControlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/ParamBounds.h"
#include "tests/support/SimJournal.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

namespace {

// Generous: sanitized builds run many times slower.
constexpr int kWaitMs = 30000;

const QString kSerialA = QStringLiteral("LFA 202407010001");
const QString kSerialB = QStringLiteral("LFB 202407010002");
const QString kSerialC = QStringLiteral("LFC 202407010003");

// The offscreen platform warns on every frameless window it shows.
QtMessageHandler g_previousHandler = nullptr;

void DropPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

QString Call(const char *name, int handle)
{
    return QStringLiteral("%1(%2").arg(QLatin1String(name)).arg(handle);
}

int IndexOf(const QStringList &journal, const QString &prefix, int from = 0)
{
    for (int i = from; i < journal.size(); ++i) {
        if (journal.at(i).startsWith(prefix + ')') || journal.at(i).startsWith(prefix + ','))
            return i;
    }
    return -1;
}

int LastIndexOf(const QStringList &journal, const QString &prefix)
{
    for (int i = journal.size() - 1; i >= 0; --i) {
        if (journal.at(i).startsWith(prefix + ')') || journal.at(i).startsWith(prefix + ','))
            return i;
    }
    return -1;
}

} // namespace

class TestLibraryFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void detachedDuring_data();
    void detachedDuring();
    void reattachedDeviceOpensAgain();
    void scanWhileAnotherPanelHangs();
    void reopenWhileClosingPanelHangs();
    void lostAndBackBeforeItsPanelWent();

private:
    void Open(const QList<int> &toggle);
    ControlWidget *Panel(int handle) const;
    AddDevWidget *Dialog() const;
    QString Log(ControlWidget *panel) const;
    void Click(QWidget *root, const char *name);

    std::unique_ptr<MainWidget> m_window;
    QTimer m_answerer;
    QString m_answer;
    QStringList m_boxes;
    int m_a = -1;
    int m_b = -1;
};

void TestLibraryFaults::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(DropPlatformNoise);
    QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json");
    // Every message box is answered as it comes, and remembered.
    m_answerer.setInterval(10);
    connect(&m_answerer, &QTimer::timeout, this, [this]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        m_boxes << box->text();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == m_answer) {
                button->click();
                return;
            }
        }
    });
}

void TestLibraryFaults::init()
{
    simReset();
    m_a = simAttach(qPrintable(kSerialA), 1, 1);
    m_b = simAttach(qPrintable(kSerialB), 3, 1);
    m_boxes.clear();
    m_answer = QStringLiteral("确认");
    m_answerer.start();
    m_window.reset(new MainWidget);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    Open({0, 1});
    for (int h : {m_a, m_b})
        QTRY_VERIFY_WITH_TIMEOUT(Log(Panel(h)).contains(QStringLiteral("初始化运动轴参数成功")), kWaitMs);
}

void TestLibraryFaults::cleanup()
{
    for (int h : {m_a, m_b})
        simSetCallDelay(h, 0);
    m_window.reset();
    QVERIFY(simjournal::WaitForWorkers({1, 2, 3, 4}));
    m_answerer.stop();
    QCOMPARE(simOverlapTotal(), 0);
}

void TestLibraryFaults::Click(QWidget *root, const char *name)
{
    auto *button = root->findChild<QPushButton *>(QLatin1String(name));
    QVERIFY2(button && button->isVisible() && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void TestLibraryFaults::Open(const QList<int> &toggle)
{
    Click(m_window.get(), "pbAddDev");
    for (int i : toggle)
        Click(Dialog(), qPrintable(QStringLiteral("pbDevInfo_%1").arg(i)));
    Click(Dialog(), "pbConfirm");
    // A device a closing panel still holds is opened once it is released.
    QTRY_VERIFY_WITH_TIMEOUT(!Dialog()->isVisible(), kWaitMs);
}

ControlWidget *TestLibraryFaults::Panel(int handle) const
{
    for (ControlWidget *panel : m_window->findChildren<ControlWidget *>()) {
        if (panel->GetDevHandle() == handle)
            return panel;
    }
    return nullptr;
}

AddDevWidget *TestLibraryFaults::Dialog() const
{
    return m_window->findChild<AddDevWidget *>();
}

QString TestLibraryFaults::Log(ControlWidget *panel) const
{
    return panel ? panel->findChild<QTextBrowser *>("textBrowser")->toPlainText() : QString();
}

void TestLibraryFaults::detachedDuring_data()
{
    QTest::addColumn<QString>("activity");
    QTest::newRow("move") << "move";
    QTest::newRow("jog") << "jog";
    QTest::newRow("drive") << "drive";
    QTest::newRow("cruise") << "cruise";
    QTest::newRow("move popup open") << "popup";
    QTest::newRow("button dialog open") << "dialog";
}

// The panel goes after the fifth failed status read with "设备已断开!",
// taking its open popup or dialog with it; the other panel carries on.
void TestLibraryFaults::detachedDuring()
{
    QFETCH(QString, activity);
    // Time stands still on the device: a started motion stays under way.
    simUseManualClock(1);
    QPointer<ControlWidget> panel(Panel(m_a));
    QVERIFY(panel);
    QPointer<QWidget> window;
    auto *lamp = panel->findChild<QLabel *>("lbDoingLight");

    if (activity == "move") {
        Click(panel, "pbMove");
    } else if (activity == "jog") {
        Click(panel, "pbJogRight");
    } else if (activity == "drive") {
        Click(panel, "pbDriveLeft");
    } else if (activity == "cruise") {
        Click(panel, "pbSetting");
        Click(panel->findChild<QWidget *>("CruiseCtrlWidget"), "pbConfirm");
    } else if (activity == "popup") {
        Click(panel, "pbMoveParam");
        window = panel->findChild<QWidget *>("MoveParamWidget");
        auto *edit = window->findChild<QLineEdit *>("lePosition");
        edit->selectAll();
        QTest::keyClicks(edit, "5.5");
    } else {
        Click(panel, "pbSetting");
        Click(panel->findChild<QWidget *>("CruiseCtrlWidget"), "pbBtnParam");
        window = panel->findChild<QWidget *>("BtnParamWidget");
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeModalWidget(), window.data(), kWaitMs);
    }
    if (window)
        QVERIFY(window->isVisible());
    const bool motion = activity != "popup" && activity != "dialog";
    if (motion) {
        simAdvanceClock(100);
        QTRY_VERIFY_WITH_TIMEOUT(lamp->styleSheet().contains("greenPot"), kWaitMs);
    }

    simJournalClear();
    QCOMPARE(simDetach(m_a), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!panel, kWaitMs);
    QCOMPARE(m_boxes, QStringList{QStringLiteral("设备已断开!\n") + kSerialA});
    QVERIFY(!window);
    QVERIFY(!m_window->findChild<QPushButton *>(QStringLiteral("pbDev%1").arg(m_a)));
    // The panel made five status reads at most after the device went, then
    // closed it.
    const QStringList journal = bounds::Journal();
    QVERIFY(journal.filter(QRegularExpression(QStringLiteral("^getWorkStatus\\(%1\\)").arg(m_a))).size() >= 5);
    QTRY_VERIFY_WITH_TIMEOUT(bounds::Journal().contains(QStringLiteral("closeDev(%1)").arg(m_a)), kWaitMs);
    // The dialog no longer lists it.
    QCOMPARE(Dialog()->GetCheckedDevs().size(), 1);
    QCOMPARE(Dialog()->GetCheckedDevs().at(0).handle, m_b);

    // The other device still works.
    QPointer<ControlWidget> other(Panel(m_b));
    QVERIFY(other);
    // Clicked once it has moved into the first place of the grid.
    QTRY_COMPARE_WITH_TIMEOUT(other->pos(), QPoint(3, 3), kWaitMs);
    simJournalClear();
    Click(other, "pbMove");
    QTRY_VERIFY_WITH_TIMEOUT(bounds::Journal().contains(QStringLiteral("move(%1)").arg(m_b)), kWaitMs);
    QCOMPARE(simOverlapTotal(), 0);
}

// Plugged back in, the device is found by the next scan and opened again
// with the parameters confirmed before it went.
void TestLibraryFaults::reattachedDeviceOpensAgain()
{
    QPointer<ControlWidget> panel(Panel(m_a));
    Click(panel, "pbJogParam");
    auto *popup = panel->findChild<QWidget *>("JogParamWidget");
    auto *times = popup->findChild<QLineEdit *>("leJogTimes");
    times->selectAll();
    QTest::keyClicks(times, "7");
    Click(popup, "pbConfirm");
    QTRY_VERIFY_WITH_TIMEOUT(bounds::Journal().contains(QStringLiteral("setJogTimes(%1, 7)").arg(m_a)), kWaitMs);

    QCOMPARE(simDetach(m_a), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!panel, kWaitMs);
    QCOMPARE(simReattach(m_a), 0);
    simJournalClear();
    Open({1});
    QVERIFY(Panel(m_a));
    QCOMPARE(Dialog()->GetCheckedDevs().size(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(Log(Panel(m_a)).contains(QStringLiteral("初始化运动轴参数成功")), kWaitMs);
    QVERIFY(bounds::Journal().contains(QStringLiteral("setJogTimes(%1, 7)").arg(m_a)));
    QCOMPARE(simOverlapTotal(), 0);
}

// A scan while one panel's device hangs: the devices already listed are not
// probed again, the new one is, and the scan does not wait for the hanging one.
void TestLibraryFaults::scanWhileAnotherPanelHangs()
{
    const int c = simAttach(qPrintable(kSerialC), 1, 1);
    simSetCallDelay(m_a, 1500);
    // The worker is inside a hanging call now.
    QTest::qWait(100);
    simJournalClear();
    Click(m_window.get(), "pbAddDev");
    QVERIFY(Dialog()->isVisible());

    const QStringList journal = bounds::Journal();
    for (int h : {m_a, m_b}) {
        for (const char *name : {"openDev", "readDriverSerial", "closeDev"})
            QCOMPARE(IndexOf(journal, Call(name, h)), -1);
    }
    QVERIFY(IndexOf(journal, Call("openDev", c)) >= 0);
    QVERIFY(IndexOf(journal, Call("readDriverSerial", c)) > IndexOf(journal, Call("openDev", c)));
    QVERIFY(IndexOf(journal, Call("closeDev", c)) > IndexOf(journal, Call("readDriverSerial", c)));
    QCOMPARE(Dialog()->findChild<QPushButton *>("pbDevInfo_2")->text(), kSerialC);

    Click(Dialog(), "pbDevInfo_2");
    Click(Dialog(), "pbConfirm");
    QTRY_VERIFY_WITH_TIMEOUT(Log(Panel(c)).contains(QStringLiteral("初始化运动轴参数成功")), kWaitMs);
    QVERIFY(Panel(m_a));
    QCOMPARE(simOverlapTotal(), 0);
    simSetCallDelay(m_a, 0);
    QVERIFY(m_boxes.isEmpty());
}

// A panel closed while its device hangs lets its worker finish and close
// the device later. Opening the device again right away must wait for that
// close: it may neither overlap the hanging call nor be undone by it.
void TestLibraryFaults::reopenWhileClosingPanelHangs()
{
    QPointer<ControlWidget> panel(Panel(m_a));
    simSetCallDelay(m_a, 400);
    QTest::qWait(100);
    Click(panel, "pbRemove");
    QVERIFY(!panel);
    QCOMPARE(m_boxes, QStringList{QStringLiteral("您确定要关闭控制窗口吗?")});

    Open({0});
    QPointer<ControlWidget> reopened(Panel(m_a));
    QVERIFY(reopened);
    const QStringList journal = bounds::Journal();
    const int open = LastIndexOf(journal, Call("openDev", m_a));
    QVERIFY(open >= 0);
    QVERIFY(LastIndexOf(journal, Call("closeDev", m_a)) < open);
    QCOMPARE(simOverlapTotal(), 0);

    simSetCallDelay(m_a, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Log(reopened).contains(QStringLiteral("初始化运动轴参数成功")), kWaitMs);
    // Still open: its status reads keep succeeding.
    QTest::qWait(500);
    QVERIFY(reopened);
    QCOMPARE(LastIndexOf(bounds::Journal(), Call("closeDev", m_a)), LastIndexOf(journal, Call("closeDev", m_a)));
    QCOMPARE(m_boxes.size(), 1);
}

// Unplugged and back before its slow panel noticed: the scan leaves the
// device alone while the panel's worker still holds it; once the panel has
// gone it is listed and opens again.
void TestLibraryFaults::lostAndBackBeforeItsPanelWent()
{
    QPointer<ControlWidget> panel(Panel(m_a));
    simSetCallDelay(m_a, 300);
    QCOMPARE(simDetach(m_a), 0);
    Click(m_window.get(), "pbAddDev");
    QVERIFY(panel);
    // Its entry stays while its panel is open.
    QCOMPARE(Dialog()->GetCheckedDevs().size(), 2);
    QCOMPARE(simReattach(m_a), 0);
    simJournalClear();
    Click(Dialog(), "pbScanDev");
    QCOMPARE(IndexOf(bounds::Journal(), Call("openDev", m_a)), -1);
    QCOMPARE(IndexOf(bounds::Journal(), Call("readDriverSerial", m_a)), -1);

    // Reattached but no longer open: the panel's reads fail until it goes.
    QTRY_VERIFY_WITH_TIMEOUT(!panel, kWaitMs);
    QCOMPARE(m_boxes, QStringList{QStringLiteral("设备已断开!\n") + kSerialA});
    simSetCallDelay(m_a, 0);
    // Its worker finishes the call it is in, then closes the device.
    QVERIFY(simjournal::WaitForWorkers({m_a}));
    Click(Dialog(), "pbScanDev");
    auto *entry = Dialog()->findChild<QPushButton *>("pbDevInfo_1");
    QVERIFY(!entry->isHidden());
    QCOMPARE(entry->text(), kSerialA);
    Click(Dialog(), "pbDevInfo_1");
    Click(Dialog(), "pbConfirm");
    QTRY_VERIFY_WITH_TIMEOUT(Log(Panel(m_a)).contains(QStringLiteral("初始化运动轴参数成功")), kWaitMs);
    QCOMPARE(simOverlapTotal(), 0);
}

QTEST_MAIN(TestLibraryFaults)
#include "tst_libraryfaults.moc"
