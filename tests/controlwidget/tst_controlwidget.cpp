#include "app/MainWidget.h"
#include "config/DevConfig.h"
#include "panel/ControlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

namespace {

const char kSerial[] = "ORV 202405170042";

using simjournal::Journal;

QString Call(const char *pattern, int handle)
{
    return QString::fromLatin1(pattern).replace(QLatin1String("H"), QString::number(handle));
}

// The direct child of parent whose class is (or derives from) className.
QWidget *ChildOf(QObject *parent, const QString &className)
{
    for (QObject *child : parent->children()) {
        if (child->isWidgetType() && child->inherits(className.toLatin1().constData()))
            return static_cast<QWidget *>(child);
    }
    return nullptr;
}

const QStringList kMotionButtons = {"pbMove", "pbJogLeft", "pbJogRight",
                                    "pbDriveLeft", "pbDriveRight", "pbHome"};

} // namespace

class TestControlWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formAtStart();
    void initPushesStoredParams();
    void modelOfDevice_data();
    void modelOfDevice();
    void moveClickedTwiceReachesWorkerOnce();
    void homeAndStopDoNotLock();
    void controlDisabledKeepsLock();
    void controlEnabledDuringLockWaitsForTimer();
    void controlDisabledFromDevice();
    void statusActsOnChangedFlagsOnly();
    void positionText_data();
    void positionText();
    void positionFromDevice();
    void warningRedThenBlack();
    void logKeepsNewestLines();
    void relaysWriteWorkerAndStore();
    void unchangedGroupIsSentButNotStored();
    void cruiseWithoutChangeStartsAndLocks();
    void buttonTriggerAndModelRelays();
    void popupPlacementAndDismissal_data();
    void popupPlacementAndDismissal();
    void dialogsCentredOverPanel_data();
    void dialogsCentredOverPanel();
    void disconnectIsForwarded();
    void languageChangeKeepsRuntimeTexts();
    void teardownBehindHangingCall();

private:
    bool MakePanel(bool waitForInit = true);
    void MakeIdlePanel();
    QPushButton *Button(const char *name) const;
    bool MotionButtonsEnabled(bool enabled) const;

    std::unique_ptr<DevConfig> m_store;
    QPointer<ControlWidget> m_panel;
    bool m_made = false;
    int m_handle = -1;
};

void TestControlWidget::initTestCase()
{
    QFile::remove(QCoreApplication::applicationDirPath() + "/devConfig.json");
    m_store.reset(new DevConfig);
    SetDevConfig(m_store.get());
}

void TestControlWidget::init()
{
    simReset();
    simUseManualClock(1);
    m_handle = simAttach(kSerial, 3, 1);
    QVERIFY(m_handle > 0);
    QCOMPARE(openDev(m_handle), 0);
}

void TestControlWidget::cleanup()
{
    delete m_panel;
    simSetCallDelay(m_handle, 0);
    // The worker closes the device before the next test resets the simulator.
    if (m_made)
        QTRY_VERIFY_WITH_TIMEOUT(Journal().contains(Call("closeDev(H)", m_handle)), 10000);
    m_made = false;
}

// Opens a panel on the test device as the main window does; with
// waitForInit, true once the worker has set the device up.
bool TestControlWidget::MakePanel(bool waitForInit)
{
    m_made = true;
    m_panel = new ControlWidget;
    m_panel->SetDevInfo({QString::fromLatin1(kSerial), m_handle, true});
    MoveParam move;
    JogParam jog;
    DriveParam drive;
    CruiseParam cruise;
    m_store->LoadDevParams(QString::fromLatin1(kSerial), move, jog, drive, cruise);
    m_panel->SetInitParams(move, jog, drive, cruise);
    m_panel->show();
    if (!waitForInit)
        return true;
    auto *log = m_panel->findChild<QTextBrowser *>("textBrowser");
    // The worker reports the end of its set-up after SigParamInited.
    return QTest::qWaitFor([log] { return log->toPlainText().contains("初始化运动轴参数成功"); }, 5000);
}

// A panel that knows its device but never set it up: its worker does not
// poll, so the test alone reports the status.
void TestControlWidget::MakeIdlePanel()
{
    m_made = true;
    m_panel = new ControlWidget;
    m_panel->SetDevInfo({QString::fromLatin1(kSerial), m_handle, true});
    m_panel->show();
}

QPushButton *TestControlWidget::Button(const char *name) const
{
    return m_panel->findChild<QPushButton *>(name);
}

bool TestControlWidget::MotionButtonsEnabled(bool enabled) const
{
    for (const QString &name : kMotionButtons) {
        if (m_panel->findChild<QPushButton *>(name)->isEnabled() != enabled)
            return false;
    }
    return true;
}

void TestControlWidget::formAtStart()
{
    ControlWidget panel;
    QCOMPARE(panel.minimumSize(), QSize(800, 450));
    QCOMPARE(panel.maximumSize(), QSize(800, 450));
    QCOMPARE(panel.findChild<QLabel *>("lbCurrentPos")->text(), QStringLiteral("0.000000mm"));
    QVERIFY(panel.findChild<QPushButton *>("pbEnable")->isChecked());
    QCOMPARE(panel.GetDevHandle(), -1);
    // No model before the device reports one: the fallback travel.
    QCOMPARE(panel.GetTravel(), 100);
    auto *posLabel = panel.findChild<QLabel *>("lbCurrentPos");
    posLabel->ensurePolished();
    const QFont pos = posLabel->font();
    QCOMPARE(pos.pixelSize(), 42);
    QVERIFY(pos.bold());
}

void TestControlWidget::initPushesStoredParams()
{
    MoveParam move;
    move.TargetPos = 7.25;
    move.Speed = 1.5f;
    m_store->SaveMoveParam(QString::fromLatin1(kSerial), move);
    CruiseParam cruise;
    cruise.Times = 9;
    m_store->SaveCruiseParam(QString::fromLatin1(kSerial), cruise);

    simJournalClear();
    QVERIFY(MakePanel());
    QCOMPARE(m_panel->GetDevHandle(), m_handle);
    QCOMPARE(m_panel->findChild<QLabel *>("lbDevInfo")->text(), QString::fromLatin1(kSerial));
    const QStringList journal = Journal();
    QVERIFY(journal.contains(Call("setTargetPos(H, 7.25)", m_handle)));
    QVERIFY(journal.contains(Call("setSpeed(H, 1.5)", m_handle)));
    QVERIFY(journal.contains(Call("setCruiseTimes(H, 9)", m_handle)));
    QVERIFY(journal.contains(Call("readActuatorModel(H)", m_handle)));
}

void TestControlWidget::modelOfDevice_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("travel");
    QTest::newRow("short") << 1 << 6;
    QTest::newRow("long") << 4 << 13;
    QTest::newRow("outside the table") << 9 << 100;
}

void TestControlWidget::modelOfDevice()
{
    QFETCH(int, model);
    QFETCH(int, travel);
    simDetach(m_handle);
    m_handle = simAttach("XYZ 1", model, 1);
    QCOMPARE(openDev(m_handle), 0);
    QVERIFY(MakePanel());
    QCOMPARE(m_panel->GetTravel(), travel);
}

void TestControlWidget::moveClickedTwiceReachesWorkerOnce()
{
    QVERIFY(MakePanel());
    simJournalClear();
    QTest::mouseClick(Button("pbMove"), Qt::LeftButton);
    QVERIFY(MotionButtonsEnabled(false));
    QVERIFY(Button("pbStop")->isEnabled());
    QTest::mouseClick(Button("pbMove"), Qt::LeftButton);

    // The lock lifts by itself once the 100 ms are over.
    QTRY_VERIFY(MotionButtonsEnabled(true));
    QTRY_COMPARE(Journal().count(Call("move(H)", m_handle)), 1);
    QTest::qWait(100);
    QCOMPARE(Journal().count(Call("move(H)", m_handle)), 1);

    // Jog and drive lock the same way.
    QTest::mouseClick(Button("pbJogLeft"), Qt::LeftButton);
    QVERIFY(MotionButtonsEnabled(false));
    QTRY_VERIFY(MotionButtonsEnabled(true));
    QTest::mouseClick(Button("pbDriveRight"), Qt::LeftButton);
    QVERIFY(MotionButtonsEnabled(false));
    QTRY_VERIFY(MotionButtonsEnabled(true));
    QTRY_COMPARE(Journal().filter(QRegularExpression("^(jog|drive)\\(")).size(), 2);
}

void TestControlWidget::homeAndStopDoNotLock()
{
    QVERIFY(MakePanel());
    simJournalClear();
    QTest::mouseClick(Button("pbHome"), Qt::LeftButton);
    QVERIFY(MotionButtonsEnabled(true));
    QTest::mouseClick(Button("pbStop"), Qt::LeftButton);
    QVERIFY(MotionButtonsEnabled(true));
    QTRY_VERIFY(Journal().contains(Call("restore(H)", m_handle)));
    QTRY_VERIFY(Journal().contains(Call("stop(H)", m_handle)));
    QVERIFY(Journal().indexOf(Call("restore(H)", m_handle)) < Journal().indexOf(Call("stop(H)", m_handle)));
}

void TestControlWidget::controlDisabledKeepsLock()
{
    MakeIdlePanel();
    QTest::mouseClick(Button("pbMove"), Qt::LeftButton);
    m_panel->UpdateStatus(true, true, false, true, true);
    QVERIFY(MotionButtonsEnabled(false));
    // The stopped lockout timer cannot unlock them.
    QTest::qWait(250);
    QVERIFY(MotionButtonsEnabled(false));
    QVERIFY(Button("pbStop")->isEnabled());
    m_panel->UpdateStatus(true, true, false, false, true);
    QVERIFY(MotionButtonsEnabled(true));
}

void TestControlWidget::controlEnabledDuringLockWaitsForTimer()
{
    MakeIdlePanel();
    m_panel->UpdateStatus(true, true, false, true, true);
    m_panel->DisableBtns();
    m_panel->UpdateStatus(true, true, false, false, true);
    QVERIFY(MotionButtonsEnabled(false));
    QTRY_VERIFY(MotionButtonsEnabled(true));
}

void TestControlWidget::controlDisabledFromDevice()
{
    QVERIFY(MakePanel());
    simSetControlDisabled(m_handle, 1);
    QTRY_VERIFY(MotionButtonsEnabled(false));
    simSetControlDisabled(m_handle, 0);
    QTRY_VERIFY(MotionButtonsEnabled(true));
}

void TestControlWidget::statusActsOnChangedFlagsOnly()
{
    MakeIdlePanel();
    auto *doing = m_panel->findChild<QLabel *>("lbDoingLight");
    auto *origin = m_panel->findChild<QLabel *>("lbOriginLight");
    QPushButton *enable = Button("pbEnable");
    const QString green = "greenPot.png";
    const QString gray = "grayPot.png";

    // The first report shows a motor disabled at connection as disabled.
    m_panel->UpdateStatus(true, false, false, false, true);
    QVERIFY(!enable->isChecked());
    m_panel->UpdateStatus(false, true, false, false, true);
    QVERIFY(doing->styleSheet().contains(green));
    QVERIFY(enable->isChecked());

    m_panel->UpdateStatus(true, true, true, false, true);
    QVERIFY(doing->styleSheet().contains(gray));
    QVERIFY(origin->styleSheet().contains(green));

    m_panel->UpdateStatus(true, false, true, false, true);
    QVERIFY(!enable->isChecked());

    // The operator's click is not undone by a report that repeats the flags.
    enable->setChecked(true);
    doing->setStyleSheet(QString());
    m_panel->UpdateStatus(true, false, true, false, false);
    QVERIFY(enable->isChecked());
    QVERIFY(doing->styleSheet().isEmpty());

    m_panel->UpdateStatus(true, false, false, false, false);
    QVERIFY(origin->styleSheet().contains(gray));
}

void TestControlWidget::positionText_data()
{
    QTest::addColumn<double>("pos");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.5") << 1.5 << "1.500000mm";
    QTest::newRow("negative") << -0.25 << "-0.250000mm";
    QTest::newRow("travel") << 13.0 << "13.000000mm";
    QTest::newRow("zero") << 0.0 << "0.000000mm";
    QTest::newRow("rounded") << 2.0000004 << "2.000000mm";
}

void TestControlWidget::positionText()
{
    QFETCH(double, pos);
    QFETCH(QString, text);
    ControlWidget panel;
    panel.UpdatePos(pos);
    QCOMPARE(panel.findChild<QLabel *>("lbCurrentPos")->text(), text);
}

void TestControlWidget::positionFromDevice()
{
    QVERIFY(MakePanel());
    simSetPosition(m_handle, 3.125);
    QTRY_COMPARE(m_panel->findChild<QLabel *>("lbCurrentPos")->text(), QStringLiteral("3.125000mm"));
}

void TestControlWidget::warningRedThenBlack()
{
    ControlWidget panel;
    panel.OutputOptInfo("10:00:00\n设备已断开……", true);
    panel.OutputOptInfo("10:00:01\n移动操作成功");
    auto *log = panel.findChild<QTextBrowser *>("textBrowser");
    QStringList texts;
    QList<QColor> colours;
    QList<qreal> sizes;
    for (QTextBlock block = log->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            texts << it.fragment().text();
            colours << it.fragment().charFormat().foreground().color();
            sizes << it.fragment().charFormat().fontPointSize();
        }
    }
    QCOMPARE(texts, (QStringList{"10:00:00", "设备已断开……", "10:00:01", "移动操作成功"}));
    QCOMPARE(colours, (QList<QColor>{Qt::red, Qt::red, Qt::black, Qt::black}));
    QCOMPARE(sizes, (QList<qreal>{11, 11, 11, 11}));
}

void TestControlWidget::logKeepsNewestLines()
{
    ControlWidget panel;
    panel.show();
    auto *log = panel.findChild<QTextBrowser *>("textBrowser");
    QTextDocument *document = log->document();
    const int kept = ControlWidget::kLogKeptLines;
    const int batch = ControlWidget::kLogTrimLines;

    // One short of a batch over the limit: nothing goes yet.
    QStringList lines;
    for (int i = 0; i < kept + batch - 1; ++i)
        lines << QString::number(i);
    panel.OutputOptInfo(lines.join(QLatin1Char('\n')));
    QCOMPARE(document->blockCount(), kept + batch - 1);

    // Two more lines: the oldest go, the newest stay, colours and scrolling hold.
    panel.OutputOptInfo("10:00:00\n设备已断开……", true);
    QCOMPARE(document->blockCount(), kept);
    QCOMPARE(document->firstBlock().text(), QString::number(batch + 1));
    QCOMPARE(document->lastBlock().text(), QStringLiteral("设备已断开……"));
    QCOMPARE(document->lastBlock().begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
    panel.OutputOptInfo("10:00:01\n移动操作成功");
    QCOMPARE(document->lastBlock().text(), QStringLiteral("移动操作成功"));
    QCOMPARE(document->lastBlock().begin().fragment().charFormat().foreground().color(), QColor(Qt::black));
    QCOMPARE(document->lastBlock().begin().fragment().charFormat().fontPointSize(), 11.0);
    QCoreApplication::processEvents();
    QVERIFY(log->verticalScrollBar()->maximum() > 0);
    QCOMPARE(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
}

void TestControlWidget::relaysWriteWorkerAndStore()
{
    QVERIFY(MakePanel());
    QSignalSpy sent(m_panel.data(), &ControlWidget::SigUpdateParam);
    simJournalClear();

    MoveParam move;
    move.TargetPos = 5.5;
    move.Speed = 1.25f;
    m_panel->UpdateMoveParam(0x01 | 0x02, move);
    // The worker pushes the values it holds when it gets to the push: the
    // drive's speed below must not overtake the move's.
    QTRY_VERIFY(Journal().contains(Call("setSpeed(H, 1.25)", m_handle)));
    JogParam jog;
    jog.Step = 0.5;
    m_panel->UpdateJogParam(0x01, jog);
    DriveParam drive;
    drive.Offset = 2.75;
    drive.Speed = 0.5f;
    m_panel->UpdateDriveParam(0x01 | 0x04, drive);

    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent.at(0), (QList<QVariant>{4, 0x03}));
    QCOMPARE(sent.at(1), (QList<QVariant>{6, 0x01}));
    QCOMPARE(sent.at(2), (QList<QVariant>{8, 0x05}));

    // The worker pushed each group with the values handed over.
    QTRY_VERIFY(Journal().contains(Call("setRelativePos(H, 2.75)", m_handle)));
    const QStringList journal = Journal();
    QVERIFY(journal.contains(Call("setTargetPos(H, 5.5)", m_handle)));
    QVERIFY(journal.contains(Call("setSpeed(H, 1.25)", m_handle)));
    QVERIFY(journal.contains(Call("setJogStep(H, 0.5)", m_handle)));
    QVERIFY(journal.contains(Call("setSpeed(H, 0.5)", m_handle)));

    // The store keeps them under the device's serial.
    MoveParam storedMove;
    JogParam storedJog;
    DriveParam storedDrive;
    CruiseParam storedCruise;
    m_store->LoadDevParams(QString::fromLatin1(kSerial), storedMove, storedJog, storedDrive, storedCruise);
    QCOMPARE(storedMove.TargetPos, 5.5);
    QCOMPARE(storedJog.Step, 0.5);
    QCOMPARE(storedDrive.Offset, 2.75);
    QCOMPARE(storedDrive.Speed, 0.5f);
    QCOMPARE(storedMove.Speed, 0.5f);

    // A push the device refused: the store goes back to what it holds.
    const auto storedStep = [this]() {
        MoveParam m;
        JogParam j;
        DriveParam d;
        CruiseParam c;
        m_store->LoadDevParams(QString::fromLatin1(kSerial), m, j, d, c);
        return j.Step;
    };
    JogParam refused = jog;
    refused.Step = 0.75;
    simFailNext("setJogStep", 1);
    m_panel->UpdateJogParam(0x01, refused);
    QCOMPARE(storedStep(), 0.75);
    QTRY_COMPARE(storedStep(), 0.5);
}

void TestControlWidget::unchangedGroupIsSentButNotStored()
{
    QVERIFY(MakePanel());
    QSignalSpy sent(m_panel.data(), &ControlWidget::SigUpdateParam);
    MoveParam before;
    JogParam jog;
    DriveParam drive;
    CruiseParam cruise;
    m_store->LoadDevParams(QString::fromLatin1(kSerial), before, jog, drive, cruise);

    MoveParam move = before;
    move.TargetPos = before.TargetPos + 1.0;
    simJournalClear();
    m_panel->UpdateMoveParam(0, move);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0), (QList<QVariant>{4, 0}));

    MoveParam after;
    m_store->LoadDevParams(QString::fromLatin1(kSerial), after, jog, drive, cruise);
    QCOMPARE(after.TargetPos, before.TargetPos);
    // A later move goes to the target the worker held before.
    QTest::mouseClick(Button("pbMove"), Qt::LeftButton);
    QTRY_VERIFY(Journal().contains(Call("move(H)", m_handle)));
    QVERIFY(!Journal().contains(Call("setTargetPos(H, %1)", m_handle).arg(move.TargetPos)));
}

void TestControlWidget::cruiseWithoutChangeStartsAndLocks()
{
    QVERIFY(MakePanel());
    QSignalSpy sent(m_panel.data(), &ControlWidget::SigUpdateParam);
    simJournalClear();
    m_panel->UpdateCruiseParam(0, CruiseParam());
    QVERIFY(MotionButtonsEnabled(false));
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0), (QList<QVariant>{9, 0}));
    QTRY_VERIFY(Journal().contains(Call("cruise(H)", m_handle)));
    QTRY_VERIFY(MotionButtonsEnabled(true));

    CruiseParam cruise;
    cruise.Times = 3;
    m_panel->UpdateCruiseParam(0x08, cruise);
    QTRY_VERIFY(Journal().contains(Call("setCruiseTimes(H, 3)", m_handle)));
    MoveParam move;
    JogParam jog;
    DriveParam drive;
    CruiseParam stored;
    m_store->LoadDevParams(QString::fromLatin1(kSerial), move, jog, drive, stored);
    QCOMPARE(stored.Times, 3);
}

void TestControlWidget::buttonTriggerAndModelRelays()
{
    QVERIFY(MakePanel());
    QSignalSpy sent(m_panel.data(), &ControlWidget::SigUpdateParam);
    QSignalSpy model(m_panel.data(), &ControlWidget::SigSetActModel);
    simJournalClear();

    BtnParam btn;
    btn.speed = 0.75f;
    m_panel->UpdateBtnParam(0x01, btn);
    TriParam tri[2];
    tri[0].inDisp1 = 2.5;
    tri[1].ioMode = 2;
    tri[1].outTime = 25;
    m_panel->UpdateTriParam(tri);
    QCOMPARE(m_panel->GetTravel(), 13);
    m_panel->ApplyManualModel(1);
    QCOMPARE(m_panel->GetTravel(), 6);

    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0), (QList<QVariant>{10, 0x01}));
    QCOMPARE(sent.at(1), (QList<QVariant>{11, 0}));
    QCOMPARE(model.size(), 1);
    QCOMPARE(model.at(0).at(0).toInt(), 1);
    QTRY_VERIFY(Journal().contains(Call("setActuatorModel(H, 1)", m_handle)));
    const QStringList journal = Journal();
    QVERIFY(journal.contains(Call("setBtnSpeed(H, 0.75)", m_handle)));
    QVERIFY(journal.contains(Call("setIO1TriggerInDisp(H, 2.5)", m_handle)));
    QVERIFY(journal.contains(Call("setTriggerTime(H, 25)", m_handle)));
}

void TestControlWidget::popupPlacementAndDismissal_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("toggle");
    QTest::addColumn<int>("dx");
    QTest::newRow("move") << "MoveParamWidget" << "pbMoveParam" << -234;
    QTest::newRow("jog") << "JogParamWidget" << "pbJogParam" << -216;
    QTest::newRow("drive") << "DriveParamWidget" << "pbDriveParam" << -221;
    QTest::newRow("cruise") << "CruiseCtrlWidget" << "pbSetting" << -189;
}

void TestControlWidget::popupPlacementAndDismissal()
{
    QFETCH(QString, className);
    QFETCH(QString, toggle);
    QFETCH(int, dx);
    QVERIFY(MakePanel(false));
    QWidget *popup = ChildOf(m_panel, className);
    QVERIFY(popup);
    QVERIFY(popup->isWindow());
    QPushButton *button = m_panel->findChild<QPushButton *>(toggle);
    QVERIFY(!popup->isVisible());

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(button->isChecked());
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->pos(), button->mapToGlobal(QPoint(dx, button->height())));

    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(popup, &deactivate);
    QVERIFY(!popup->isVisible());
    QVERIFY(!button->isChecked());

    // Unchecking the toggle hides the popup as well.
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(popup->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!popup->isVisible());
}

void TestControlWidget::dialogsCentredOverPanel_data()
{
    QTest::addColumn<QString>("className");
    QTest::newRow("button dialog") << "BtnParamWidget";
    QTest::newRow("trigger dialog") << "TriParamWidget";
}

void TestControlWidget::dialogsCentredOverPanel()
{
    QFETCH(QString, className);
    MakeIdlePanel();
    QWidget *dialog = ChildOf(m_panel, className);
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    if (className == QLatin1String("BtnParamWidget"))
        m_panel->ShowBtnParam();
    else
        m_panel->ShowTriParam();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->pos(), m_panel->mapToGlobal(QPoint((800 - dialog->width()) / 2,
                                                        (450 - dialog->height()) / 2)));
}

void TestControlWidget::disconnectIsForwarded()
{
    QVERIFY(MakePanel());
    QSignalSpy lost(m_panel.data(), &ControlWidget::SigDisconnect);
    simDetach(m_handle);
    QVERIFY(lost.wait(5000));
    QCOMPARE(lost.size(), 1);
    auto *log = m_panel->findChild<QTextBrowser *>("textBrowser");
    QTRY_VERIFY(log->toPlainText().contains("设备已断开……"));
    simReattach(m_handle);
}

void TestControlWidget::languageChangeKeepsRuntimeTexts()
{
    MakeIdlePanel();
    m_panel->UpdatePos(1.5);
    auto *move = m_panel->findChild<QLabel *>("lbMove");
    move->setText("x");
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(m_panel, &change);
    QCOMPARE(move->text(), QStringLiteral("Move"));
    QCOMPARE(m_panel->findChild<QLabel *>("lbCurrentPos")->text(), QStringLiteral("1.500000mm"));
    QCOMPARE(m_panel->findChild<QLabel *>("lbDevInfo")->text(), QString::fromLatin1(kSerial));
}

void TestControlWidget::teardownBehindHangingCall()
{
    QVERIFY(MakePanel());
    simSetCallDelay(m_handle, 2000);
    simJournalClear();
    QTest::mouseClick(Button("pbHome"), Qt::LeftButton);
    // The worker is inside the slow call (or a poll before it).
    QTRY_VERIFY(simJournalSize() > 0);

    QElapsedTimer timer;
    timer.start();
    delete m_panel;
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));

    QTRY_VERIFY_WITH_TIMEOUT(Journal().contains(Call("closeDev(H)", m_handle)), 15000);
    const QStringList journal = Journal();
    const QStringList own = journal.filter(QRegularExpression(QStringLiteral("\\(%1[,)]").arg(m_handle)));
    QCOMPARE(own.last(), Call("closeDev(H)", m_handle));
    QCOMPARE(own.count(Call("closeDev(H)", m_handle)), 1);
    QVERIFY(own.size() >= 2);
    QCOMPARE(simOverlapCount(m_handle), 0);
}

QTEST_MAIN(TestControlWidget)
#include "tst_controlwidget.moc"
