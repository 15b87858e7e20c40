#include "app/MainWidget.h"
#include "config/DevConfig.h"
#include "discovery/AddDevWidget.h"
#include "panel/ControlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

using simjournal::Journal;

QString Call(const char *name, int handle)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(handle);
}

QString Serial(int i)
{
    return QStringLiteral("ORV 2024051700%1%2").arg(i / 10).arg(i % 10);
}

// Answers the next message box once it is shown: records its text and
// presses the button with the given text.
void Answer(const QString &button, QString *text)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, button, text]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        *text = box->text();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == button)
                b->click();
        }
    });
    timer->start();
}

} // namespace

class TestPanelManagement : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void tabText_data();
    void tabText();
    void twoDevicesEndToEnd();
    void windowFollowsPanelCount_data();
    void windowFollowsPanelCount();
    void relayoutWhileFullScreen();
    void reconfirmKeepsPanels();
    void uncheckingAdjacentDevicesClosesBoth();
    void closeQuestion();
    void lostDevice();
    void closingMainWindowClosesDevices();

private:
    void Attach(int count);
    void MakeWindow();
    AddDevWidget *Dialog() const;
    // Opens the dialog from the menu bar, toggles the buttons at the given
    // indexes and confirms.
    void Pick(const QList<int> &toggle);
    QList<ControlWidget *> Panels() const;
    QStringList Tabs() const;

    std::unique_ptr<MainWidget> m_window;
    QList<int> m_handles;
};

void TestPanelManagement::initTestCase()
{
    // Parameters stored for the first device before the program starts.
    const QString file = QCoreApplication::applicationDirPath() + "/devConfig.json";
    QFile::remove(file);
    DevConfig store(file);
    MoveParam move;
    move.TargetPos = 7.25;
    store.SaveMoveParam(Serial(1), move);
    JogParam jog;
    jog.Times = 11;
    store.SaveJogParam(Serial(1), jog);
}

void TestPanelManagement::init()
{
    simReset();
    m_handles.clear();
}

void TestPanelManagement::cleanup()
{
    QList<int> open;
    if (m_window) {
        for (ControlWidget *panel : Panels())
            open << panel->GetDevHandle();
    }
    simJournalClear();
    m_window.reset();
    // Every panel's worker closes its device before the next test resets the simulator.
    for (int h : qAsConst(open))
        QTRY_VERIFY_WITH_TIMEOUT(Journal().contains(Call("closeDev", h)), 5000);
}

void TestPanelManagement::Attach(int count)
{
    for (int i = 1; i <= count; ++i)
        m_handles << simAttach(qPrintable(Serial(i)), i % 2 ? 3 : 1, 1);
}

void TestPanelManagement::MakeWindow()
{
    m_window.reset(new MainWidget);
    m_window->move(500, 200);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

AddDevWidget *TestPanelManagement::Dialog() const
{
    return m_window->findChild<AddDevWidget *>();
}

void TestPanelManagement::Pick(const QList<int> &toggle)
{
    QTest::mouseClick(m_window->findChild<QPushButton *>("pbAddDev"), Qt::LeftButton);
    AddDevWidget *dialog = Dialog();
    QVERIFY(dialog->isVisible());
    for (int i : toggle)
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(i)),
                          Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>("pbConfirm"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    // Tabs and panels are shown by their layouts on the next pass of the loop.
    QCoreApplication::processEvents();
}

QList<ControlWidget *> TestPanelManagement::Panels() const
{
    QList<ControlWidget *> panels = m_window->findChildren<ControlWidget *>();
    // In grid order.
    std::sort(panels.begin(), panels.end(), [](ControlWidget *a, ControlWidget *b) {
        return qMakePair(a->y(), a->x()) < qMakePair(b->y(), b->x());
    });
    return panels;
}

// Object names of the menu bar's buttons from left to right.
QStringList TestPanelManagement::Tabs() const
{
    QList<QPushButton *> buttons =
        m_window->findChild<QWidget *>("wgMenuBar")->findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
    QStringList names;
    for (QPushButton *b : buttons) {
        if (b->isVisible())
            names << b->objectName();
    }
    return names;
}

void TestPanelManagement::tabText_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("text");
    QTest::newRow("letters and twelve digits") << "ORV 202405170042" << "ORV\n*05170042";
    QTest::newRow("no space") << "ORV202405170042" << "ORV202405170042";
    QTest::newRow("exactly eight") << "ORV 12345678" << "ORV\n*12345678";
    QTest::newRow("shorter than eight") << "ORV 1234" << "ORV\n1234";
    QTest::newRow("more parts") << "ORV 123456789 extra" << "ORV\n*23456789";
    QTest::newRow("double space") << "ORV  123456789" << "ORV\n";
    QTest::newRow("empty") << "" << "";
}

void TestPanelManagement::tabText()
{
    QFETCH(QString, serial);
    QFETCH(QString, text);
    QCOMPARE(DevTabText(serial), text);
}

void TestPanelManagement::twoDevicesEndToEnd()
{
    Attach(2);
    MakeWindow();
    QCOMPARE(Tabs(), QStringList{"pbAddDev"});
    QCOMPARE(m_window->size(), QSize(830, 600));

    simJournalClear();
    Pick({0, 1});
    const int h1 = m_handles.at(0);
    const int h2 = m_handles.at(1);
    // The scan before the dialog shows, then the opening of both devices.
    QCOMPARE(Journal().mid(0, 1), QStringList{"scanDev(6)"});
    QVERIFY(Journal().contains(Call("openDev", h1)));
    QCOMPARE(isDevOpen(h1), 1);
    QCOMPARE(isDevOpen(h2), 1);

    const QList<ControlWidget *> panels = Panels();
    QCOMPARE(panels.size(), 2);
    QCOMPARE(panels.at(0)->GetDevHandle(), h1);
    QCOMPARE(panels.at(1)->GetDevHandle(), h2);
    QCOMPARE(panels.at(0)->findChild<QLabel *>("lbDevInfo")->text(), Serial(1));
    QCOMPARE(panels.at(1)->geometry(), QRect(3 + 800 + 4, 3, 800, 450));

    const QString tab1 = QStringLiteral("pbDev%1").arg(h1);
    const QString tab2 = QStringLiteral("pbDev%1").arg(h2);
    QCOMPARE(Tabs(), (QStringList{tab1, tab2, "pbAddDev"}));
    auto *tab = m_window->findChild<QPushButton *>(tab1);
    QCOMPARE(tab->text(), QStringLiteral("ORV\n*05170001"));
    QCOMPARE(tab->size(), QSize(120, 60));
    QVERIFY(tab->isCheckable());

    // Side by side, grown about the old centre.
    QCOMPARE(m_window->geometry(), QRect(100, 200, 1630, 600));
    QCOMPARE(m_window->findChild<QWidget *>("wgControls")->minimumSize(), QSize(1610, 470));

    // Each device got its stored parameters (the second the defaults).
    QTRY_VERIFY(Journal().contains(QStringLiteral("setJogTimes(%1, 2)").arg(h2)));
    QTRY_VERIFY(Journal().contains(QStringLiteral("setJogTimes(%1, 11)").arg(h1)));
    QVERIFY(Journal().contains(QStringLiteral("setTargetPos(%1, 7.25)").arg(h1)));
    QVERIFY(Journal().contains(QStringLiteral("setTargetPos(%1, 4)").arg(h2)));

    // Moving one device moves only that one.
    simJournalClear();
    QTest::mouseClick(panels.at(1)->findChild<QPushButton *>("pbMove"), Qt::LeftButton);
    QTRY_VERIFY(Journal().contains(Call("move", h2)));
    QVERIFY(!Journal().contains(Call("move", h1)));
}

void TestPanelManagement::windowFollowsPanelCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QSize>("controls");
    // The window starts at (500, 200) with 830 x 600.
    QTest::newRow("one") << 1 << QRect(500, 200, 830, 600) << QSize(806, 470);
    QTest::newRow("three") << 3 << QRect(100, 50, 1630, 900) << QSize(1610, 920);
    QTest::newRow("four") << 4 << QRect(100, 50, 1630, 900) << QSize(1610, 920);
    QTest::newRow("five") << 5 << QRect(100, 50, 1630, 900) << QSize(1610, 1370);
    QTest::newRow("six") << 6 << QRect(100, 50, 1630, 900) << QSize(1610, 1370);
}

void TestPanelManagement::windowFollowsPanelCount()
{
    QFETCH(int, count);
    QFETCH(QRect, geometry);
    QFETCH(QSize, controls);
    Attach(count);
    MakeWindow();
    QList<int> all;
    for (int i = 0; i < count; ++i)
        all << i;
    Pick(all);
    QCOMPARE(m_window->geometry(), geometry);
    QCOMPARE(m_window->findChild<QWidget *>("wgControls")->minimumSize(), controls);

    // Two per row in the order of opening, packed at the top left.
    const QList<ControlWidget *> panels = Panels();
    QCOMPARE(panels.size(), count);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(panels.at(i)->GetDevHandle(), m_handles.at(i));
        QCOMPARE(panels.at(i)->pos(), QPoint(3 + i % 2 * 804, 3 + i / 2 * 454));
    }
    QCOMPARE(Tabs().size(), count + 1);
    QCOMPARE(Tabs().last(), QStringLiteral("pbAddDev"));
}

void TestPanelManagement::relayoutWhileFullScreen()
{
    Attach(2);
    MakeWindow();
    m_window->ShowMax();
    const QRect full = m_window->screen()->geometry();
    QTRY_COMPARE(m_window->geometry(), full);
    Pick({0, 1});
    QCOMPARE(m_window->geometry(), full);
    m_window->ShowMax();
    QTRY_VERIFY(!m_window->isFullScreen());
    QTRY_COMPARE(m_window->geometry(), QRect(100, 200, 1630, 600));
}

void TestPanelManagement::reconfirmKeepsPanels()
{
    Attach(2);
    MakeWindow();
    Pick({0, 1});
    const QList<ControlWidget *> before = Panels();
    QPointer<ControlWidget> first(before.at(0));
    simJournalClear();
    Pick({});
    QVERIFY(first);
    QCOMPARE(Panels(), before);
    QCOMPARE(Tabs().size(), 3);
    // Only the scan reached the library: no second open, no close.
    QCOMPARE(Journal().filter(QRegularExpression("^(openDev|closeDev)")), QStringList());
}

void TestPanelManagement::uncheckingAdjacentDevicesClosesBoth()
{
    Attach(3);
    MakeWindow();
    Pick({0, 1, 2});
    QCOMPARE(Panels().size(), 3);
    simJournalClear();
    Pick({0, 1});
    const QList<ControlWidget *> panels = Panels();
    QCOMPARE(panels.size(), 1);
    QCOMPARE(panels.at(0)->GetDevHandle(), m_handles.at(2));
    QCOMPARE(Tabs(), (QStringList{QStringLiteral("pbDev%1").arg(m_handles.at(2)), "pbAddDev"}));
    QTRY_VERIFY(Journal().contains(Call("closeDev", m_handles.at(0))));
    QTRY_VERIFY(Journal().contains(Call("closeDev", m_handles.at(1))));
    QVERIFY(!Journal().contains(Call("closeDev", m_handles.at(2))));
    QCOMPARE(m_window->size(), QSize(830, 600));
}

void TestPanelManagement::closeQuestion()
{
    Attach(2);
    MakeWindow();
    Pick({0, 1});
    ControlWidget *panel = Panels().at(0);
    QPointer<ControlWidget> guard(panel);
    const int handle = panel->GetDevHandle();

    QString text;
    Answer(QStringLiteral("取消"), &text);
    QTest::mouseClick(panel->findChild<QPushButton *>("pbRemove"), Qt::LeftButton);
    QCOMPARE(text, QStringLiteral("您确定要关闭控制窗口吗?"));
    QVERIFY(guard);
    QCOMPARE(Panels().size(), 2);
    QCOMPARE(isDevOpen(handle), 1);

    Answer(QStringLiteral("确认"), &text);
    QTest::mouseClick(panel->findChild<QPushButton *>("pbRemove"), Qt::LeftButton);
    QVERIFY(!guard);
    QCOMPARE(Panels().size(), 1);
    QCOMPARE(Tabs(), (QStringList{QStringLiteral("pbDev%1").arg(m_handles.at(1)), "pbAddDev"}));
    QTRY_COMPARE(isDevOpen(handle), 0);
    QCOMPARE(m_window->size(), QSize(830, 600));

    // The entry stays, unchecked, also after the next scan.
    QList<int> checked;
    for (const DevInfo &info : Dialog()->GetCheckedDevs())
        checked << info.handle;
    QCOMPARE(checked, QList<int>{m_handles.at(1)});
    Dialog()->ScanDev();
    auto *button = Dialog()->findChild<QPushButton *>("pbDevInfo_0");
    QVERIFY(!button->isHidden());
    QCOMPARE(button->text(), Serial(1));
    QVERIFY(!button->isChecked());
}

void TestPanelManagement::lostDevice()
{
    Attach(2);
    MakeWindow();
    Pick({0, 1});
    QPointer<ControlWidget> panel(Panels().at(0));
    QTRY_VERIFY(panel->findChild<QTextBrowser *>("textBrowser")->toPlainText().contains("初始化运动轴参数成功"));

    QString text;
    Answer(QStringLiteral("取消"), &text);
    simDetach(m_handles.at(0));
    QTRY_VERIFY_WITH_TIMEOUT(!panel, 5000);
    // Named, so that with several panels the operator knows which one went.
    QCOMPARE(text, QStringLiteral("设备已断开!\n") + Serial(1));
    QCOMPARE(Panels().size(), 1);
    QCOMPARE(Tabs(), (QStringList{QStringLiteral("pbDev%1").arg(m_handles.at(1)), "pbAddDev"}));
    QCOMPARE(m_window->size(), QSize(830, 600));
    // The dialog no longer lists it.
    auto *first = Dialog()->findChild<QPushButton *>("pbDevInfo_0");
    QCOMPARE(first->text(), Serial(2));
    QVERIFY(Dialog()->findChild<QPushButton *>("pbDevInfo_1")->isHidden());
    m_handles.removeFirst();
}

void TestPanelManagement::closingMainWindowClosesDevices()
{
    Attach(2);
    MakeWindow();
    Pick({0, 1});
    for (ControlWidget *panel : Panels())
        QTRY_VERIFY(panel->findChild<QTextBrowser *>("textBrowser")->toPlainText().contains("初始化运动轴参数成功"));
    // Slow devices: their workers are inside a status read most of the time.
    constexpr int kDelayMs = 20;
    simSetCallDelay(m_handles.at(0), kDelayMs);
    simSetCallDelay(m_handles.at(1), kDelayMs);
    QTest::qWait(100);
    simJournalClear();
    QTest::mouseClick(m_window->findChild<QPushButton *>("pbClose"), Qt::LeftButton);
    m_window.reset();
    QTRY_VERIFY(Journal().contains(Call("closeDev", m_handles.at(0))));
    QTRY_VERIFY(Journal().contains(Call("closeDev", m_handles.at(1))));
    // The library is released first, then each panel closes its device.
    const QStringList journal = Journal();
    const int release = journal.indexOf("releaseDev()");
    QVERIFY(release >= 0);
    QVERIFY(journal.indexOf(Call("closeDev", m_handles.at(0))) > release);
    QVERIFY(journal.indexOf(Call("closeDev", m_handles.at(1))) > release);
    // Only the final closes follow it, and no poll was still inside the
    // library when it came.
    QCOMPARE(journal.mid(release + 1).filter(QRegularExpression("^(?!closeDev)")), QStringList());
    for (int i = 0; i < release; ++i)
        QVERIFY2(simJournalEntryTime(i) + kDelayMs <= simJournalEntryTime(release), qPrintable(journal.at(i)));
    QCOMPARE(simOverlapTotal(), 0);
}

QTEST_MAIN(TestPanelManagement)
#include "tst_panelmanagement.moc"
