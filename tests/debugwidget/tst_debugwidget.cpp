// The engineering console driven through its buttons against the simulated
// library: the call that reached the library (journal) and the log line.
#include "console/DebugWidget.h"
#include "device/DeviceOwners.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

class TestDebugWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void holdsOneDevice();
    void buttonsCallTheLibrary_data();
    void buttonsCallTheLibrary();
    void payload_data();
    void payload();
    void queries();

private:
    template <typename T = QAbstractButton> T *find(const char *name) const
    {
        return widget->findChild<T *>(QLatin1String(name));
    }
    void set(const char *name, const QVariant &value)
    {
        QWidget *input = find<QWidget>(name);
        input->setProperty(qobject_cast<QComboBox *>(input) ? "currentIndex" : qobject_cast<QLineEdit *>(input) ? "text" : "value", value);
    }
    // Clicks with an empty log and journal; the new log text.
    QString click(const char *button);
    QString call(QString text) const { return text.replace(QLatin1Char('H'), QString::number(handles[0])); }
    void openFirst();

    DebugWidget *widget = nullptr;
    QList<int> handles;
};

QString TestDebugWidget::click(const char *button)
{
    find<QTextBrowser>("textBrowser")->clear();
    simJournalClear();
    find(button)->click();
    return find<QTextBrowser>("textBrowser")->toPlainText();
}

void TestDebugWidget::openFirst()
{
    click("pbScanDev");
    find<QComboBox>("cbDevice")->setCurrentIndex(0);
    QCOMPARE(click("pbOpenDev"), QStringLiteral("打开设备 %1,  成功").arg(handles[0]));
}

void TestDebugWidget::init()
{
    simReset();
    simUseManualClock(1);
    handles = {simAttach("QMA 000000000001", 3, 1), simAttach("QMA 000000000002", 1, 1)};
    widget = new DebugWidget;
}

void TestDebugWidget::cleanup()
{
    delete widget;
}

// One device of its own at a time: scan lists the handles; open holds the
// chosen one unless a panel or the add-device dialog does (a failed open holds nothing); close, even a
// failed one, and the console's end give it back. Commands need the device.
void TestDebugWidget::holdsOneDevice()
{
    QCOMPARE(click("pbScanDev"), QStringLiteral("扫描设备, 设备数量: 2\n%1 %2").arg(handles[0]).arg(handles[1]));
    QStringList enabled;
    for (QAbstractButton *button : widget->findChildren<QAbstractButton *>()) {
        if (button->isEnabledTo(widget))
            enabled << button->objectName();
    }
    enabled.sort();
    QCOMPARE(enabled, QStringList({"pbOpenDev", "pbScanDev"}));

    for (auto owner : {DeviceOwners::PanelOwner, DeviceOwners::ScanOwner}) {
        QVERIFY(DeviceOwners::Acquire(handles[0], owner));
        QCOMPARE(click("pbOpenDev"), QStringLiteral("打开设备 %1: 设备正由%2使用，未打开")
                                         .arg(handles[0]).arg(owner == DeviceOwners::PanelOwner ? "控制面板" : "添加设备窗口"));
        DeviceOwners::Release(handles[0], owner);
    }
    QCOMPARE(simjournal::Journal(), QStringList());
    simFailNext("openDev", 1);
    QCOMPARE(click("pbOpenDev"), QStringLiteral("打开设备 %1,  失败").arg(handles[0]));
    QCOMPARE(DeviceOwners::OwnerOf(handles[0]), DeviceOwners::NoOwner);
    QVERIFY(find("pbOpenDev")->isEnabled() && !find("pbStop")->isEnabled());

    find<QComboBox>("cbDevice")->setCurrentIndex(1);
    QCOMPARE(click("pbOpenDev"), QStringLiteral("打开设备 %1,  成功").arg(handles[1]));
    QCOMPARE(simjournal::Journal(), QStringList(QStringLiteral("openDev(%1)").arg(handles[1])));
    QCOMPARE(DeviceOwners::OwnerOf(handles[1]), DeviceOwners::ConsoleOwner);
    click("pbScanDev"); // keeps the open device
    QVERIFY(!find("pbOpenDev")->isEnabled() && find("pbStop")->isEnabled());
    QCOMPARE(click("pbCloseDev"), QStringLiteral("关闭设备 %1,  成功").arg(handles[1]));
    QCOMPARE(simjournal::Journal(), QStringList(QStringLiteral("closeDev(%1)").arg(handles[1])));
    QCOMPARE(DeviceOwners::OwnerOf(handles[1]), DeviceOwners::NoOwner);
    QVERIFY(find("pbOpenDev")->isEnabled() && !find("pbCloseDev")->isEnabled());

    openFirst();
    simFailNext("closeDev", 1);
    QCOMPARE(click("pbCloseDev"), QStringLiteral("关闭设备 %1,  失败").arg(handles[0]));
    QCOMPARE(DeviceOwners::OwnerOf(handles[0]), DeviceOwners::NoOwner);

    openFirst();
    simJournalClear();
    delete widget;
    widget = nullptr;
    QCOMPARE(simjournal::Journal(), QStringList(call("closeDev(H)")));
    QCOMPARE(DeviceOwners::OwnerOf(handles[0]), DeviceOwners::NoOwner);
}

// The button's call with the input's value; its outcome in the log.
void TestDebugWidget::buttonsCallTheLibrary_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("call"); // H: the handle
    QTest::addColumn<QString>("label");
    auto row = [](const char *button, const char *input, const QVariant &value, const char *call, const char *label) {
        QTest::newRow(button) << button << input << value << call << QString::fromUtf8(label);
    };
    row("pbJogLeft", "", {}, "jog(H, 1)", "Jog left");
    row("pbJogRight", "", {}, "jog(H, 0)", "Jog right");
    row("pbDriveLeft", "", {}, "drive(H, 1)", "Drive left");
    row("pbSetTartPos", "dsTarPos", 5.123456, "setTargetPos(H, 5.123456)", "设置目标位置");
    row("pbSetSpeed", "dsSpeed", 1.25, "setSpeed(H, 1.25)", "设置速度");
    row("pbSetJerk", "sbJerk", 17, "setJerk(H, 17)", "设置弓形参数");
    row("pbSetCruiseTimes", "sbCruiseTimes", 16777215, "setCruiseTimes(H, 16777215)", "巡航次数");
    row("pbBtnPos2", "dsBtnPos2", 11.000001, "setBtnPos2(H, 11.000001)", "离线 位置2");
    row("pbTriggerIn", "cbInVolMode", 1, "setTriggerInMode(H, 2)", "触发输入"); // items count from 1
    row("pb_triggerOutDisp_2", "dsInStep_2", -4.5, "setIO2TriggerInDisp(H, -4.5)", "设置触发输入2位移量");
    row("pbWriteDriModel", "leDriModel", "型号A", "writeDriverModel(H, \"型号A\", 7)", "写驱动器型号"); // UTF-8 bytes
    row("cbMotorEnable", "", {}, "setMotorEnable(H, 0)", "电机使能");
}

void TestDebugWidget::buttonsCallTheLibrary()
{
    QFETCH(QString, button);
    QFETCH(QString, input);
    QFETCH(QVariant, value);
    QFETCH(QString, call);
    QFETCH(QString, label);
    openFirst();
    if (!input.isEmpty())
        set(qPrintable(input), value);
    for (const bool fails : {false, true}) {
        if (button == "cbMotorEnable")
            find<QCheckBox>("cbMotorEnable")->setChecked(true); // unchecked by the first pass
        if (fails)
            simFailNext(qPrintable(call.section('(', 0, 0)), 1);
        QCOMPARE(click(qPrintable(button)), label + (fails ? ",  失败" : ",  成功"));
        QCOMPARE(simjournal::Journal(), QStringList(this->call(call)));
    }
}

// 1 to 64 bytes of two hex digits, each with an optional 0x, are sent as
// typed; anything else is refused and nothing is sent. The simulated
// controller answers with the function code and the payload.
void TestDebugWidget::payload_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sent"); // as the journal shows it; empty: refused
    QTest::addColumn<QString>("log");
    const QString max = QStringLiteral("7f ").repeated(64).trimmed();
    QTest::newRow("pairs") << "0a 1B" << "[0A 1B], 2" << "发送自定义报文\nRecv: 11 0A 1B";
    QTest::newRow("0x, tabs") << " 0x0A\t0X1b  00 " << "[0A 1B 00], 3" << "发送自定义报文\nRecv: 11 0A 1B 00";
    QTest::newRow("64 bytes") << max << "[" + max.toUpper() + "], 64" << "";
    QTest::newRow("65 bytes") << max + " 7f" << "" << "发送自定义报文: 报文有 65 字节，超过 64 字节，未发送";
    QTest::newRow("one digit") << "0x1" << "" << "发送自定义报文: “0x1”不是两位十六进制字节，未发送";
    QTest::newRow("no separator") << "1b00" << "" << "发送自定义报文: “1b00”不是两位十六进制字节，未发送";
    QTest::newRow("not hex") << "0g" << "" << "发送自定义报文: “0g”不是两位十六进制字节，未发送";
    QTest::newRow("empty") << "  " << "" << "发送自定义报文: 报文为空，未发送";
}

void TestDebugWidget::payload()
{
    QFETCH(QString, text);
    QFETCH(QString, sent);
    QFETCH(QString, log);
    openFirst();
    set("sbDebugFunc", 17);
    set("leDebugData", text);
    const QString entry = click("pbSendDebug");
    if (!log.isEmpty())
        QCOMPARE(entry, log);
    QCOMPARE(simjournal::Journal(), sent.isEmpty() ? QStringList() : QStringList(call("sendDebugData(H, 17, " + sent + ", 64)")));
    if (!sent.isEmpty()) {
        simFailNext("sendDebugData", 1);
        QCOMPARE(click("pbSendDebug"), QStringLiteral("发送自定义报文,  失败"));
    }
}

// Values read back from the device.
void TestDebugWidget::queries()
{
    openFirst();
    // At rest on its target, enabled: bits 0, 2 and 5.
    set("dsTarPos", 5.0);
    click("pbSetTartPos");
    click("pbStart");
    simAdvanceClock(60000);
    simSetMotorConnected(handles[0], 0);
    QCOMPARE(click("pbGetStatus"), QStringLiteral("获取运行状态: 0025\n"
                                                  "   是否到达指定位置: 1\n   是否到达指定速度: 0\n   电机是否停止: 1\n"
                                                  "   是否到达左限位: 0\n   是否到达右限位: 0\n   电机是否使能: 1\n"
                                                  "   滑台是否归零: 0\n   禁止运动控制: 0"));

    // A failed recoil read leaves the box alone: the next "set" writes no error code.
    auto *recoil = find<QSpinBox>("sbRecoil");
    recoil->setValue(17);
    simFailNext("readRecoil", 1);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^602 -\\d+$"));
    QCOMPARE(click("pbRecoil_read"), QStringLiteral("读反冲校准,  失败"));
    QCOMPARE(recoil->value(), 17);
}

QTEST_MAIN(TestDebugWidget)
#include "tst_debugwidget.moc"
