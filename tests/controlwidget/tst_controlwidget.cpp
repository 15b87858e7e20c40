// The control panel in the running program: what it shows of its device, the
// lock of its motion buttons, its log, and where its popups' confirmed values go.
#include "panel/CruiseCtrlWidget.h"
#include "panel/DriveParamWidget.h"
#include "panel/JogParamWidget.h"
#include "panel/MoveParamWidget.h"
#include "tests/support/AppHarness.h"

#include <QCheckBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTextBlock>

using namespace harness;

namespace {

const QStringList kMotionButtons = {"pbMove", "pbJogLeft", "pbJogRight", "pbDriveLeft", "pbDriveRight", "pbHome"};

QString StorePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/devConfig.json");
}

// A field of the first device's group as devConfig.json holds it.
double Stored(const QString &group, const QString &key)
{
    QFile file(StorePath());
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QJsonObject devices = QJsonDocument::fromJson(file.readAll()).object();
    return devices[Serial(1)].toObject()[group].toObject()[key].toDouble(-1);
}

// Clicks the named button, also in a hidden popup.
void ClickHidden(QWidget *popup, const char *name)
{
    popup->findChild<QAbstractButton *>(name)->click();
}

QString Text(QWidget *popup, const QString &field)
{
    return popup->findChild<QLineEdit *>(field)->text();
}

// Whether every motion button has the given enabled state.
bool MotionButtons(ControlWidget *panel, bool enabled)
{
    for (const QString &name : kMotionButtons) {
        if (panel->findChild<QPushButton *>(name)->isEnabled() != enabled)
            return false;
    }
    return true;
}

} // namespace

class TestControlWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void showsDeviceState();
    void motionCommandLocks_data();
    void motionCommandLocks();
    void controlDisabledKeepsLock();
    void logBoundAndWarnings();
    void confirmedValueReachesDeviceAndStore_data();
    void confirmedValueReachesDeviceAndStore();
    void moveAndDriveShareSpeedAcc();
    void refusalRestoresOnlyItsFields();
    void popupTogglesAndDropsEdits_data();
    void popupTogglesAndDropsEdits();

private:
    // The program with one 13 mm device on a held clock, its panel open and
    // initialised from an empty store.
    ControlWidget *Open();

    App m_app;
    // Unexpected message boxes (a refused value) do not stop the suite.
    BoxAnswerer m_boxes{QStringLiteral("确认")};
};

ControlWidget *TestControlWidget::Open()
{
    QFile::remove(StorePath());
    m_app = Start(1);
    simUseManualClock(1);
    return OpenPanels(m_app.window.get(), 1).value(0);
}

void TestControlWidget::cleanup()
{
    m_app.window.reset();
    QVERIFY(simjournal::WaitForWorkers(m_app.handles));
    m_app.handles.clear();
}

// Running and homed lamps, enable button and position follow the device.
void TestControlWidget::showsDeviceState()
{
    ControlWidget *panel = Open();
    QVERIFY(panel);
    const int h = m_app.handles.at(0);
    const auto lit = [panel](const char *lamp) {
        return panel->findChild<QLabel *>(lamp)->styleSheet().contains(QStringLiteral("greenPot"));
    };
    QVERIFY(!lit("lbDoingLight"));
    QVERIFY(!lit("lbOriginLight"));

    // The held clock keeps the slide moving until the command has arrived.
    const auto command = [h, panel](const char *button, const char *call) {
        const int from = simJournalSize();
        return Press(panel, button) && simjournal::WaitForCall(simjournal::Call(call, h), from) >= 0;
    };
    QVERIFY(command("pbMove", "move(H)")); // from 5.2 mm to the 4 mm target
    QTRY_VERIFY(lit("lbDoingLight"));
    simAdvanceClock(60000);
    QTRY_VERIFY(!lit("lbDoingLight"));
    QVERIFY(command("pbHome", "restore(H)"));
    simAdvanceClock(60000);
    QTRY_VERIFY(lit("lbOriginLight"));
    QVERIFY(command("pbMove", "move(H)"));
    simAdvanceClock(60000);
    QTRY_VERIFY(!lit("lbOriginLight"));

    auto *enable = panel->findChild<QPushButton *>("pbEnable");
    QVERIFY(enable->isChecked());
    QCOMPARE(setMotorEnable(h, 0), 0);
    QTRY_VERIFY(!enable->isChecked());
    QCOMPARE(setMotorEnable(h, 1), 0);
    QTRY_VERIFY(enable->isChecked());
    simFailNext("setMotorEnable", 1); // a refused click leaves it as the device is
    Click(panel, "pbEnable");
    QTRY_VERIFY(LogOf(panel).contains(QStringLiteral("未使能  操作失败")));
    QVERIFY(enable->isChecked());

    simSetPosition(h, 3.1234567);
    QTRY_COMPARE(panel->findChild<QLabel *>("lbCurrentPos")->text(), QStringLiteral("3.123457mm"));
}

void TestControlWidget::motionCommandLocks_data()
{
    QTest::addColumn<QString>("toggle"); // of the popup holding the button, if any
    QTest::addColumn<QString>("button");
    QTest::newRow("move") << "" << "pbMove";
    QTest::newRow("jog left") << "" << "pbJogLeft";
    QTest::newRow("jog right") << "" << "pbJogRight";
    QTest::newRow("drive left") << "" << "pbDriveLeft";
    QTest::newRow("drive right") << "" << "pbDriveRight";
    QTest::newRow("cruise start") << "pbSetting" << "pbConfirm";
}

// A motion command locks the motion buttons, never stop, until the lockout ends.
void TestControlWidget::motionCommandLocks()
{
    QFETCH(QString, toggle);
    QFETCH(QString, button);
    ControlWidget *panel = Open();
    QVERIFY(panel);
    QWidget *holder = toggle.isEmpty() ? panel : OpenPopup(panel, toggle);
    QVERIFY(holder);
    QVERIFY(Press(holder, button));
    QVERIFY(MotionButtons(panel, false));
    QVERIFY(panel->findChild<QPushButton *>("pbStop")->isEnabled());
    QTRY_VERIFY(MotionButtons(panel, true));
}

// While the device reports control disabled the motion buttons and the cruise
// start stay locked, also past the lockout of a command given just before.
void TestControlWidget::controlDisabledKeepsLock()
{
    ControlWidget *panel = Open();
    QVERIFY(panel);
    QPushButton *start = panel->findChild<CruiseCtrlWidget *>()->findChild<QPushButton *>("pbConfirm");
    QVERIFY(Press(panel, "pbMove"));
    simSetControlDisabled(m_app.handles.at(0), 1);
    QTest::qWait(300);
    QVERIFY(MotionButtons(panel, false));
    QVERIFY(!start->isEnabled());
    simSetControlDisabled(m_app.handles.at(0), 0);
    QTRY_VERIFY(MotionButtons(panel, true));
    QVERIFY(start->isEnabled());
}

// The log keeps its newest lines within its bound; warnings are red, other lines black.
void TestControlWidget::logBoundAndWarnings()
{
    ControlWidget panel;
    QTextDocument *log = panel.findChild<QTextBrowser *>("textBrowser")->document();
    const int kept = ControlWidget::kLogKeptLines;
    const int batch = ControlWidget::kLogTrimLines;
    QStringList lines;
    for (int i = 0; i < kept + batch - 1; ++i)
        lines << QString::number(i);
    panel.OutputOptInfo(lines.join(QLatin1Char('\n')));
    QCOMPARE(log->blockCount(), kept + batch - 1);

    panel.OutputOptInfo(QStringLiteral("设备已断开……"), true);
    QCOMPARE(log->blockCount(), kept);
    QCOMPARE(log->firstBlock().text(), QString::number(batch));
    panel.OutputOptInfo(QStringLiteral("10:00:01\n移动操作成功"));
    const auto colour = [](const QTextBlock &block) {
        return block.begin().fragment().charFormat().foreground().color();
    };
    QCOMPARE(colour(log->lastBlock().previous()), QColor(Qt::black));
    QCOMPARE(colour(log->lastBlock().previous().previous()), QColor(Qt::red));
    QCOMPARE(colour(log->lastBlock()), QColor(Qt::black));
}

void TestControlWidget::confirmedValueReachesDeviceAndStore_data()
{
    QTest::addColumn<QString>("toggle");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("calls"); // the first refused when asked
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("store"); // group/key in devConfig.json
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown"); // field=text after the popup's restore

    QTest::newRow("move") << "pbMoveParam"
                          << QStringList{"lePosition=5.5", "leSpeed=1.5", "leAcc=3", "leJerk=7", "cbJerk"}
                          << QStringList{"setTargetPos(H, 5.5)", "setSpeed(H, 1.5)", "setAcc(H, 3)", "setJerk(H, 7)"}
                          << false << "MoveParam/TargetPos" << 5.5 << "lePosition=5.500000";
    QTest::newRow("jog") << "pbJogParam" << QStringList{"leJogStep=0.5", "leJogDelay=20", "leJogTimes=9"}
                         << QStringList{"setJogStep(H, 0.5)", "setJogDelay(H, 20)", "setJogTimes(H, 9)"}
                         << false << "JogParam/Step" << 0.5 << "leJogStep=0.500000";
    QTest::newRow("drive") << "pbDriveParam" << QStringList{"leOffset=2.75", "cbOffset", "leSpeed=1.5", "leAcc=3"}
                           << QStringList{"setRelativePos(H, 2.75)", "setRelativePosEnable(H, 1)", "setSpeed(H, 1.5)",
                                          "setAcc(H, 3)"}
                           << false << "MoveParam/Speed" << 1.5 << "leSpeed=1.50";
    QTest::newRow("cruise") << "pbSetting"
                            << QStringList{"leCruiseBeginPos=2", "leCruiseEndPos=12", "leCruiseStopTime=100",
                                           "leCruiseTimes=3"}
                            << QStringList{"setCruiseBeginPos(H, 2)", "setCruiseEndPos(H, 12)",
                                           "setCruiseStopTime(H, 100)", "setCruiseTimes(H, 3)", "cruise(H)"}
                            << false << "CruiseParam/Times" << 3.0 << "leCruiseTimes=3";
    QTest::newRow("move refused") << "pbMoveParam" << QStringList{"lePosition=5.5"}
                                  << QStringList{"setTargetPos(H, 5.5)"} << true
                                  << "MoveParam/TargetPos" << 4.0 << "lePosition=4.000000";
    QTest::newRow("jog refused") << "pbJogParam" << QStringList{"leJogStep=0.5"} << QStringList{"setJogStep(H, 0.5)"}
                                 << true << "JogParam/Step" << 1.0 << "leJogStep=1.000000";
    QTest::newRow("cruise refused") << "pbSetting" << QStringList{"leCruiseTimes=3"}
                                    << QStringList{"setCruiseTimes(H, 3)"} << true
                                    << "CruiseParam/Times" << 4.0 << "leCruiseTimes=4";
}

// Confirmed values are pushed to the device and kept in the store; when the
// device refuses one, popup and store go back to what the device holds.
void TestControlWidget::confirmedValueReachesDeviceAndStore()
{
    QFETCH(QString, toggle);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, calls);
    QFETCH(bool, refused);
    QFETCH(QString, store);
    QFETCH(double, stored);
    QFETCH(QString, shown);

    ControlWidget *panel = Open();
    QVERIFY(panel);
    if (refused)
        simFailNext(qPrintable(calls.at(0).section(QLatin1Char('('), 0, 0)), 1);
    const int from = simJournalSize();
    QWidget *popup = OpenPopup(panel, toggle);
    QVERIFY(popup);
    Fill(popup, edits);
    QVERIFY(Press(popup, "pbConfirm"));
    for (const QString &call : calls) {
        const QString made = simjournal::Call(qPrintable(call), m_app.handles.at(0));
        QVERIFY2(simjournal::WaitForCall(made, from) >= 0, qPrintable(made));
    }
    QTRY_COMPARE(Stored(store.section(QLatin1Char('/'), 0, 0), store.section(QLatin1Char('/'), 1)), stored);
    ClickHidden(popup, "pbRestore");
    QCOMPARE(Text(popup, shown.section(QLatin1Char('='), 0, 0)), shown.section(QLatin1Char('='), 1));
}

// Move and drive set one speed and acceleration of the device: confirmed in
// one popup, the other shows them and holds them as its own.
void TestControlWidget::moveAndDriveShareSpeedAcc()
{
    ControlWidget *panel = Open();
    QVERIFY(panel);
    QSignalSpy relayed(panel, &ControlWidget::SigUpdateParam);
    QWidget *drive = panel->findChild<DriveParamWidget *>();
    QWidget *move = panel->findChild<MoveParamWidget *>();
    Fill(drive, {"leSpeed=1.5", "leAcc=3.456"});
    ClickHidden(drive, "pbConfirm");
    QCOMPARE(Text(move, "leSpeed"), QStringLiteral("1.50"));
    QCOMPARE(Text(move, "leAcc"), QStringLiteral("3.46"));
    ClickHidden(move, "pbConfirm");
    QCOMPARE(relayed.value(1), (QVariantList{4, 0}));

    Fill(move, {"leSpeed=0.75"});
    ClickHidden(move, "pbConfirm");
    QCOMPARE(Text(drive, "leSpeed"), QStringLiteral("0.75"));
    ClickHidden(drive, "pbConfirm");
    QCOMPARE(relayed.value(3), (QVariantList{8, 0}));
}

// A refused push puts back its own fields only, also when another group was
// confirmed while it was under way: popups and store end as the device is.
void TestControlWidget::refusalRestoresOnlyItsFields()
{
    ControlWidget *panel = Open();
    QVERIFY(panel);
    const int h = m_app.handles.at(0);
    QWidget *jog = panel->findChild<JogParamWidget *>();
    QWidget *move = panel->findChild<MoveParamWidget *>();
    simFailNext("setJogStep", 1);
    simSetCallDelay(h, 200);
    const int from = simJournalSize();
    Fill(jog, {"leJogStep=0.5"});
    ClickHidden(jog, "pbConfirm");
    QVERIFY(simjournal::WaitForCall(simjournal::Call("setJogStep(H, 0.5)", h), from) >= 0);
    Fill(move, {"lePosition=5.5"});
    ClickHidden(move, "pbConfirm");
    QVERIFY(simjournal::WaitForCall(simjournal::Call("setTargetPos(H, 5.5)", h), from) >= 0);
    simSetCallDelay(h, 0);
    QTRY_COMPARE(Stored("JogParam", "Step"), 1.0);
    QCOMPARE(Stored("MoveParam", "TargetPos"), 5.5);
    ClickHidden(jog, "pbRestore");
    ClickHidden(move, "pbRestore");
    QCOMPARE(Text(jog, "leJogStep"), QStringLiteral("1.000000"));
    QCOMPARE(Text(move, "lePosition"), QStringLiteral("5.500000"));
}

void TestControlWidget::popupTogglesAndDropsEdits_data()
{
    QTest::addColumn<QString>("toggle");
    QTest::addColumn<QStringList>("edits");
    QTest::newRow("move") << "pbMoveParam" << QStringList{"lePosition=1", "cbJerk"};
    QTest::newRow("jog") << "pbJogParam" << QStringList{"leJogTimes=9"};
    QTest::newRow("drive") << "pbDriveParam" << QStringList{"leSpeed=0.2", "cbOffset"};
    QTest::newRow("cruise") << "pbSetting" << QStringList{"leCruiseEndPos=9"};
}

// The toggle opens and closes its popup; a popup losing the active state (to
// a message box about something else) closes, unchecks its toggle and drops
// its unconfirmed edits.
void TestControlWidget::popupTogglesAndDropsEdits()
{
    QFETCH(QString, toggle);
    QFETCH(QStringList, edits);
    ControlWidget *panel = Open();
    QVERIFY(panel);
    auto *button = panel->findChild<QPushButton *>(toggle);
    QWidget *popup = OpenPopup(panel, toggle);
    QVERIFY(popup);
    QVERIFY(button->isChecked());
    const auto fields = [popup] {
        QStringList texts;
        for (QLineEdit *edit : popup->findChildren<QLineEdit *>())
            texts << edit->text();
        for (QCheckBox *box : popup->findChildren<QCheckBox *>())
            texts << QString::number(box->isChecked());
        return texts;
    };
    const QStringList held = fields();
    Fill(popup, edits);
    QVERIFY(fields() != held);

    QTRY_COMPARE(QApplication::activeWindow(), popup);
    QTimer::singleShot(0, [this] { m_app.window->ShowMessageBox(QStringLiteral("设备已断开!")); });
    QTRY_VERIFY(!popup->isVisible());
    QVERIFY(!button->isChecked());
    QCOMPARE(fields(), held);

    QCOMPARE(OpenPopup(panel, toggle), popup);
    QVERIFY(Press(panel, toggle));
    QVERIFY(!popup->isVisible());
}

QTEST_MAIN(TestControlWidget)
#include "tst_controlwidget.moc"
