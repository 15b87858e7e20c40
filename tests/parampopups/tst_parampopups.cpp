// The panel's popups and dialogs in the running program: each popup's range
// check, and what the offline-button and trigger dialogs send to the device.
#include "panel/BtnParamWidget.h"
#include "panel/TriParamWidget.h"
#include "tests/support/AppHarness.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>

using namespace harness;

class TestParamPopups : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void rangeCheck_data();
    void rangeCheck();
    void buttonDialogSendsChanges_data();
    void buttonDialogSendsChanges();
    void triggerDialogSendsBothLines_data();
    void triggerDialogSendsBothLines();
    void manualModelCode_data();
    void manualModelCode();

private:
    // The program with a 13 mm and a 6 mm device and an empty store; the
    // panel of the given one (0 or 1), initialised.
    // failing: a call that fails once while the panel initialises.
    ControlWidget *Open(int device, const char *failing = nullptr);
    // Opens the dialog from the cruise popup, fills and confirms it; the calls
    // matching pattern that the device got until the worker logged the push.
    QStringList Confirm(ControlWidget *panel, const char *opener, QWidget *dialog, const QStringList &edits,
                        const QString &logged, const QString &pattern);

    App m_app;
};

ControlWidget *TestParamPopups::Open(int device, const char *failing)
{
    QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/devConfig.json"));
    m_app = Start(2);
    if (failing)
        simFailNext(failing, 1);
    Pick(m_app.window.get(), {device});
    ControlWidget *panel = Panels(m_app.window.get()).value(0);
    return panel && WaitForInit(panel) ? panel : nullptr;
}

void TestParamPopups::cleanup()
{
    m_app.window.reset();
    QVERIFY(simjournal::WaitForWorkers(m_app.handles));
    m_app.handles.clear();
}

QStringList TestParamPopups::Confirm(ControlWidget *panel, const char *opener, QWidget *dialog,
                                     const QStringList &edits, const QString &logged, const QString &pattern)
{
    if (!dialog->isVisible()) {
        QWidget *cruise = OpenPopup(panel, QStringLiteral("pbSetting"));
        if (!cruise || !Press(cruise, opener) || !dialog->isVisible())
            return {QStringLiteral("dialog not shown")};
    }
    Fill(dialog, edits);
    const int from = simJournalSize();
    const int before = LogOf(panel).count(logged);
    Press(dialog, QStringLiteral("pbConfirm"));
    if (!QTest::qWaitFor([&] { return LogOf(panel).count(logged) > before; }))
        return {QStringLiteral("nothing logged")};
    const QString handle = QStringLiteral("(%1,").arg(panel->GetDevHandle());
    return simjournal::Journal(from).filter(QRegularExpression(pattern)).replaceInStrings(handle, "(H,");
}

void TestParamPopups::rangeCheck_data()
{
    QTest::addColumn<QString>("toggle");
    QTest::addColumn<int>("device"); // 0: 13 mm, 1: 6 mm
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("atBound");
    QTest::addColumn<QString>("pastBound");

    // Popup toggle, device, field, text at the bound, text just past it.
    const QStringList rows = {
        "pbMoveParam 0 lePosition 13 13.000001", "pbMoveParam 1 lePosition 6 6.000001",
        "pbMoveParam 0 lePosition 0 -0.000001", "pbMoveParam 0 leSpeed 0.01 0.009",
        "pbMoveParam 0 leSpeed 2 2.01", "pbMoveParam 0 leAcc 0.01 0.009",
        "pbMoveParam 0 leAcc 10 10.01", "pbMoveParam 0 leJerk 0 -1",
        "pbMoveParam 0 leJerk 18 19",
        "pbJogParam 0 leJogStep 13 13.000001", "pbJogParam 1 leJogStep 6 6.000001",
        "pbJogParam 0 leJogStep 0.000001 0.0000009", "pbJogParam 0 leJogDelay 1 0",
        "pbJogParam 0 leJogDelay 16777215 16777216", "pbJogParam 0 leJogTimes 1 0",
        "pbJogParam 0 leJogTimes 16777215 16777216",
        "pbDriveParam 0 leOffset 13 13.000001", "pbDriveParam 1 leOffset 6 6.000001",
        "pbDriveParam 0 leOffset 0.000001 0.0000009", "pbDriveParam 0 leSpeed 0.01 0.009",
        "pbDriveParam 0 leSpeed 2 2.01", "pbDriveParam 0 leAcc 0.01 0.009",
        "pbDriveParam 0 leAcc 10 10.01",
        "pbSetting 0 leCruiseBeginPos 13 13.000001", "pbSetting 1 leCruiseBeginPos 6 6.000001",
        "pbSetting 0 leCruiseBeginPos 0 -0.000001", "pbSetting 0 leCruiseEndPos 13 13.000001",
        "pbSetting 1 leCruiseEndPos 6 6.000001", "pbSetting 0 leCruiseEndPos 0 -0.000001",
        "pbSetting 0 leCruiseStopTime 1 0", "pbSetting 0 leCruiseStopTime 16777215 16777216",
        "pbSetting 0 leCruiseTimes 1 0", "pbSetting 0 leCruiseTimes 16777215 16777216",
    };
    for (const QString &row : rows) {
        const QStringList c = row.split(QLatin1Char(' '));
        QTest::newRow(qPrintable(row)) << c[0] << c[1].toInt() << c[2] << c[3] << c[4];
    }
}

// A value just past a field's bound is refused with a warning and relays
// nothing; the value at the bound is accepted.
void TestParamPopups::rangeCheck()
{
    QFETCH(QString, toggle);
    QFETCH(int, device);
    QFETCH(QString, field);
    QFETCH(QString, atBound);
    QFETCH(QString, pastBound);

    ControlWidget *panel = Open(device);
    QVERIFY(panel);
    BoxAnswerer boxes(QStringLiteral("确认"));
    QSignalSpy relayed(panel, &ControlWidget::SigUpdateParam);
    QWidget *popup = OpenPopup(panel, toggle);
    QVERIFY(popup);
    Fill(popup, {field + QLatin1Char('=') + pastBound});
    popup->findChild<QPushButton *>("pbConfirm")->click();
    QTRY_COMPARE(boxes.texts.size(), 1);
    QCOMPARE(relayed.size(), 0);
    QVERIFY(popup->isVisible()); // its own warning does not dismiss it

    Fill(popup, {field + QLatin1Char('=') + atBound});
    popup->findChild<QPushButton *>("pbConfirm")->click();
    QCOMPARE(relayed.size(), 1);
    QCOMPARE(boxes.texts.size(), 1);
}

void TestParamPopups::buttonDialogSendsChanges_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("failing"); // once: the read at init, or the first push
    QTest::newRow("nothing edited") << QStringList() << QStringList() << "";
    QTest::newRow("speed mode") << QStringList{"cbMode=0"} << QStringList{"setBtnMode(H, 0)"} << "";
    QTest::newRow("position mode") << QStringList{"cbMode=2"} << QStringList{"setBtnMode(H, 2)"} << "";
    QTest::newRow("speed") << QStringList{"dsbSpeed=1.01"} << QStringList{"setBtnSpeed(H, 1.01)"} << "";
    QTest::newRow("step above the 6 mm travel") << QStringList{"dsbStep=6.5"} << QStringList{"setBtnJogStep(H, 6)"}
                                                << "";
    QTest::newRow("positions") << QStringList{"dsbPos1=0.125", "dsbPos2=5.5"}
                               << QStringList{"setBtnPos1(H, 0.125)", "setBtnPos2(H, 5.5)"} << "";
    QTest::newRow("refused, asked again") << QStringList{"sbLightLev=9"} << QStringList{"setBackLightLevel(H, 9)"}
                                          << "setBackLightLevel";
    QTest::newRow("never read") << QStringList{"sbLightLev=9"} << QStringList{"setBackLightLevel(H, 9)"}
                                << "getBtnParam";
}

// The offline-button dialog sends the fields changed against the values held,
// never one whose device value it does not know and the operator left alone.
// A refused push holds the device's value again: confirming anew asks again.
void TestParamPopups::buttonDialogSendsChanges()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, calls);
    QFETCH(QString, failing);
    const bool unread = failing == QLatin1String("getBtnParam");
    ControlWidget *panel = Open(1, unread ? "getBtnParam" : nullptr);
    QVERIFY(panel);
    auto *dialog = panel->findChild<BtnParamWidget *>();
    QCOMPARE(LogOf(panel).contains(QStringLiteral("读取按钮参数失败")), unread);
    if (!unread)
        dialog->SetParam({1.0f, 1, 2.5, 1.0, 3.0, 10, 8, 30});
    if (!unread && !failing.isEmpty())
        simFailNext(qPrintable(failing), 1);
    const auto confirm = [&](const QStringList &fill) {
        return Confirm(panel, "pbBtnParam", dialog, fill, QStringLiteral("设置按钮参数"),
                       QStringLiteral("^set(Btn|Back)"));
    };
    QCOMPARE(confirm(edits), calls);
    if (!unread && !failing.isEmpty()) {
        QCOMPARE(int(panel->GetWorker()->CopyBtnParam().backLightLevel), 3); // the device's own
        QCOMPARE(confirm({}), calls);
    }
}

void TestParamPopups::triggerDialogSendsBothLines_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("calls");
    // Each line's hidden fields differ from the other line's shown ones.
    QTest::newRow("input, output")
        << QStringList{"cbInVolMode_1=1", "dsbStep_1=-2.5", "cbTriMode_2=1", "cbOutVolMode_2=1",
                       "cbOutMoveMode_2=2", "sbOutElapse_2=250", "dsbStep_2=3"}
        << QStringList{"setIO1TriggerMode(H, 1)", "setTriggerInMode(H, 2)", "setIO1TriggerInDisp(H, -2.5)",
                       "setIO2TriggerMode(H, 2)", "setTriggerOutMode(H, 2)", "setTriggerOutCondition(H, 3)",
                       "setTriggerTime(H, 250)"};
    QTest::newRow("output, input")
        << QStringList{"cbTriMode_1=1", "cbInVolMode_1=1", "cbOutMoveMode_1=1", "sbOutElapse_1=77",
                       "cbTriMode_2=0", "cbOutVolMode_2=1", "dsbStep_2=0.75"}
        << QStringList{"setIO1TriggerMode(H, 2)", "setTriggerOutMode(H, 1)", "setTriggerOutCondition(H, 2)",
                       "setTriggerTime(H, 77)", "setIO2TriggerMode(H, 1)", "setTriggerInMode(H, 1)",
                       "setIO2TriggerInDisp(H, 0.75)"};
    QTest::newRow("two inputs")
        << QStringList{"cbInVolMode_1=1", "dsbStep_1=1.5", "cbTriMode_2=0", "dsbStep_2=-3"}
        << QStringList{"setIO1TriggerMode(H, 1)", "setTriggerInMode(H, 2)", "setIO1TriggerInDisp(H, 1.5)",
                       "setIO2TriggerMode(H, 1)", "setTriggerInMode(H, 1)", "setIO2TriggerInDisp(H, -3)"};
}

// Every confirm sends both lines complete, each from its own fields.
void TestParamPopups::triggerDialogSendsBothLines()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, calls);
    ControlWidget *panel = Open(0);
    QVERIFY(panel);
    auto *dialog = panel->findChild<TriParamWidget *>();
    QCOMPARE(Confirm(panel, "pbDevParam", dialog, edits, QStringLiteral("设置触发参数"),
                     QStringLiteral("^set(IO|Trigger)")),
             calls);
    // Unchanged, they are sent again.
    QCOMPARE(Confirm(panel, "pbDevParam", dialog, {}, QStringLiteral("设置触发参数"),
                     QStringLiteral("^set(IO|Trigger)")),
             calls);
}

void TestParamPopups::manualModelCode_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<int>("travel");
    QTest::addColumn<QString>("model");
    QTest::newRow("first row") << 0 << false << 6 << "QUMA-S1A";
    QTest::newRow("last row") << 3 << false << 13 << "QUMA-L1B";
    QTest::newRow("refused") << 0 << true << 13 << "QUMA-L1A";
}

// The model picked by hand reaches the device with code row + 1; once the
// device took it, the panel's limits follow its travel and the dialog names it.
void TestParamPopups::manualModelCode()
{
    QFETCH(int, row);
    QFETCH(bool, refused);
    QFETCH(int, travel);
    QFETCH(QString, model);
    ControlWidget *panel = Open(row == 0 ? 0 : 1); // a device of the other travel
    QVERIFY(panel);
    auto *dialog = panel->findChild<TriParamWidget *>();
    QWidget *cruise = OpenPopup(panel, QStringLiteral("pbSetting"));
    QVERIFY(cruise && Press(cruise, QStringLiteral("pbDevParam")));
    Fill(dialog, {QStringLiteral("cbActModel=%1").arg(row)});
    const int from = simJournalSize();
    if (refused)
        simFailNext("setActuatorModel", 1);
    QVERIFY(Press(dialog, QStringLiteral("pbSetActModel")));
    const QString call = QStringLiteral("setActuatorModel(%1, %2)").arg(panel->GetDevHandle()).arg(row + 1);
    QVERIFY(simjournal::WaitForCall(call, from) >= 0);
    QTRY_VERIFY(LogOf(panel).contains(QStringLiteral("手动设置促动器型号  操作")));
    QCOMPARE(panel->GetTravel(), travel);
    QCOMPARE(dialog->findChild<QLabel *>("lbActModel")->text(), model);
}

QTEST_MAIN(TestParamPopups)
#include "tst_parampopups.moc"
