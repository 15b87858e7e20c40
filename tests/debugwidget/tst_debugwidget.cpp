#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QtTest>

#include "console/DebugWidget.h"
#include "device/DeviceOwners.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

// Drives the console through its buttons against the simulated library and
// checks both sides: the call that reached the library (journal) and the log.
class TestDebugWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initialState();
    void inputRanges_data();
    void inputRanges();
    void comboItems();

    void scanListsHandles();
    void scanKeepsTheOpenDevice();
    void openAndClose();
    void openFailureHoldsNothing();
    void closeFailureStillResets();
    void commandsNeedAnOpenDevice();
    void deviceHeldByPanelIsRefused();
    void relabelsOnLanguageChange();

    void setters_data();
    void setters();
    void checkBoxes();
    void textWrites();

    void valueQueries_data();
    void valueQueries();
    void textReads();
    void position();
    void positionRule_data();
    void positionRule();
    void workStatus();
    void statusWordFormat();
    void blockQueries();
    void blockQueryFailures_data();
    void blockQueryFailures();
    void recoil();

    void sendDebug_data();
    void sendDebug();
    void sendDebugFailure();
    void replyFormat();
    void bounds();

private:
    template <typename T> T *find(const char *name) const;
    void setInput(const QString &name, const QVariant &value);
    QString click(const char *button);
    QStringList journal() const;
    void openFirst();

    DebugWidget *widget = nullptr;
    QVector<int> handles;
};

template <typename T> T *TestDebugWidget::find(const char *name) const
{
    T *child = widget->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("no %s in the console", name);
    return child;
}

void TestDebugWidget::setInput(const QString &name, const QVariant &value)
{
    QWidget *input = widget->findChild<QWidget *>(name);
    QVERIFY2(input, qPrintable(name));
    if (auto *box = qobject_cast<QDoubleSpinBox *>(input))
        box->setValue(value.toDouble());
    else if (auto *box = qobject_cast<QSpinBox *>(input))
        box->setValue(value.toInt());
    else if (auto *box = qobject_cast<QComboBox *>(input))
        box->setCurrentIndex(value.toInt());
    else if (auto *edit = qobject_cast<QLineEdit *>(input))
        edit->setText(value.toString());
    else
        QFAIL(qPrintable(QStringLiteral("unexpected input ") + name));
}

// Clicks a button with an empty log and journal; returns the new log text.
QString TestDebugWidget::click(const char *button)
{
    auto *log = find<QTextBrowser>("textBrowser");
    log->clear();
    simJournalClear();
    QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    return log->toPlainText();
}

QStringList TestDebugWidget::journal() const
{
    return simjournal::Journal();
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
    handles = {simAttach("QMA 000000000001", 3, 1), simAttach("QMA 000000000002", 1, 1),
               simAttach("QMA 000000000003", 4, 1)};
    for (int h : handles)
        QVERIFY(h > 0);
    widget = new DebugWidget;
}

void TestDebugWidget::cleanup()
{
    delete widget;
    widget = nullptr;
}

void TestDebugWidget::initialState()
{
    QVERIFY(widget->windowFlags() & Qt::Window);
    QCOMPARE(widget->windowModality(), Qt::WindowModal);
    QVERIFY(widget->width() >= 1097 && widget->height() >= 732); // more where its texts need it
    QCOMPARE(widget->windowTitle(), QStringLiteral("Form"));
    QCOMPARE(find<QComboBox>("cbDevice")->count(), 0);
    QVERIFY(!find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(!find<QPushButton>("pbCloseDev")->isEnabled());
    QVERIFY(find<QCheckBox>("cbMotorEnable")->isChecked());
    QVERIFY(!find<QCheckBox>("cbRelaEnable")->isChecked());
    QCOMPARE(simJournalSize(), 0);
}

void TestDebugWidget::inputRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("decimals"); // -1: integer spin box

    // Positions up to the longest travel the program accepts (an unidentified model's).
    for (const char *name : {"dsTarPos", "dsCruiseBeginPos", "dsCruiseEndPos", "dsBtnPos1", "dsBtnPos2"})
        QTest::newRow(name) << name << 0.0 << 100.0 << 6;
    for (const char *name : {"dsJogStep", "dsRelaPos", "dsBtnStep"})
        QTest::newRow(name) << name << 0.000001 << 100.0 << 6;
    for (const char *name : {"dsInStep", "dsInStep_2"})
        QTest::newRow(name) << name << -100.0 << 100.0 << 6;
    for (const char *name : {"dsSpeed", "dsBtnSpeed"})
        QTest::newRow(name) << name << 0.01 << 2.0 << 2;
    QTest::newRow("dsAcc") << "dsAcc" << 0.01 << 10.0 << 2;
    QTest::newRow("sbJerk") << "sbJerk" << 0.0 << 18.0 << -1;
    for (const char *name : {"sbJogDelay", "sbJogTimes", "sbCruiseStopTime", "sbCruiseTimes", "sbTriggerTime"})
        QTest::newRow(name) << name << 1.0 << 16777215.0 << -1;
    for (const char *name : {"sbTmpModel", "sbActModel"})
        QTest::newRow(name) << name << 1.0 << 4.0 << -1;
    QTest::newRow("sbBtnMode") << "sbBtnMode" << 0.0 << 2.0 << -1;
    for (const char *name : {"sbBkLight", "sbBkSleep"})
        QTest::newRow(name) << name << 0.0 << 20.0 << -1;
    QTest::newRow("sbBkDormant") << "sbBkDormant" << 1.0 << 480.0 << -1;
    QTest::newRow("sbCurrent") << "sbCurrent" << 0.0 << 31.0 << -1;
    QTest::newRow("sbSep") << "sbSep" << 0.0 << 15.0 << -1;
    QTest::newRow("sbRecoil") << "sbRecoil" << 0.0 << 16777215.0 << -1;
    QTest::newRow("sbDebugFunc") << "sbDebugFunc" << 0.0 << 99.0 << -1;
}

void TestDebugWidget::inputRanges()
{
    QFETCH(QString, name);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(int, decimals);
    const QByteArray key = name.toLatin1();
    if (decimals < 0) {
        auto *box = find<QSpinBox>(key.constData());
        QCOMPARE(box->minimum(), int(minimum));
        QCOMPARE(box->maximum(), int(maximum));
    } else {
        auto *box = find<QDoubleSpinBox>(key.constData());
        QCOMPARE(box->minimum(), minimum);
        QCOMPARE(box->maximum(), maximum);
        QCOMPARE(box->decimals(), decimals);
    }
}

void TestDebugWidget::comboItems()
{
    auto items = [this](const char *name) {
        auto *box = find<QComboBox>(name);
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    };
    QCOMPARE(items("cbInVolMode"), QStringList({"上升沿", "下降沿"}));
    QCOMPARE(items("cbOutVolMode"), QStringList({"高电平", "低电平"}));
    QCOMPARE(items("cbOutMoveMode"), QStringList({"电机运动", "达到指定位置", "达到最大速度"}));
    QCOMPARE(items("cb_IO1TriggerMode"), QStringList({"触发输入", "触发输出"}));
    QCOMPARE(items("cb_IO2TriggerMode"), QStringList({"触发输入", "触发输出"}));
}

void TestDebugWidget::scanListsHandles()
{
    const QString entry = click("pbScanDev");
    QCOMPARE(journal().size(), 1);
    QVERIFY(journal().at(0).startsWith("scanDev("));
    QCOMPARE(entry, QStringLiteral("扫描设备, 设备数量: 3\n%1 %2 %3").arg(handles[0]).arg(handles[1]).arg(handles[2]));
    auto *devices = find<QComboBox>("cbDevice");
    QCOMPARE(devices->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(devices->itemText(i), QString::number(handles[i]));
    QVERIFY(find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(!find<QPushButton>("pbCloseDev")->isEnabled());

    // A second scan replaces the list instead of adding to it.
    click("pbScanDev");
    QCOMPARE(devices->count(), 3);
}

// A scan never takes the open device away: no second open, and it can still be closed.
void TestDebugWidget::scanKeepsTheOpenDevice()
{
    openFirst();
    click("pbScanDev");
    QVERIFY(!find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(find<QPushButton>("pbCloseDev")->isEnabled());
    for (int h : handles)
        simDetach(h);
    QCOMPARE(click("pbScanDev"), QStringLiteral("扫描设备, 设备数量: 0"));
    QCOMPARE(find<QComboBox>("cbDevice")->count(), 0);
    QVERIFY(!find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(find<QPushButton>("pbCloseDev")->isEnabled());
    click("pbCloseDev");
    QCOMPARE(journal(), QStringList(QStringLiteral("closeDev(%1)").arg(handles[0])));
    QCOMPARE(DeviceOwners::OwnerOf(handles[0]), DeviceOwners::NoOwner);
}

void TestDebugWidget::openAndClose()
{
    click("pbScanDev");
    find<QComboBox>("cbDevice")->setCurrentIndex(2);
    QCOMPARE(click("pbOpenDev"), QStringLiteral("打开设备 %1,  成功").arg(handles[2]));
    QCOMPARE(journal(), QStringList(QStringLiteral("openDev(%1)").arg(handles[2])));
    QVERIFY(!find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(find<QPushButton>("pbCloseDev")->isEnabled());
    QCOMPARE(DeviceOwners::OwnerOf(handles[2]), DeviceOwners::ConsoleOwner);

    QCOMPARE(click("pbIsDevOpen"), QStringLiteral("设备是否打开: 1"));
    QCOMPARE(journal(), QStringList(QStringLiteral("isDevOpen(%1)").arg(handles[2])));

    QCOMPARE(click("pbCloseDev"), QStringLiteral("关闭设备 %1,  成功").arg(handles[2]));
    QCOMPARE(journal(), QStringList(QStringLiteral("closeDev(%1)").arg(handles[2])));
    QVERIFY(find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(!find<QPushButton>("pbCloseDev")->isEnabled());
    QCOMPARE(DeviceOwners::OwnerOf(handles[2]), DeviceOwners::NoOwner);
}

void TestDebugWidget::openFailureHoldsNothing()
{
    click("pbScanDev");
    find<QComboBox>("cbDevice")->setCurrentIndex(1);
    simFailNext("openDev", 1);
    QCOMPARE(click("pbOpenDev"), QStringLiteral("打开设备 %1,  失败").arg(handles[1]));
    QVERIFY(find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(!find<QPushButton>("pbCloseDev")->isEnabled());
    QVERIFY(!find<QPushButton>("pbStop")->isEnabled());
    QCOMPARE(DeviceOwners::OwnerOf(handles[1]), DeviceOwners::NoOwner);
}

void TestDebugWidget::closeFailureStillResets()
{
    openFirst();
    simFailNext("closeDev", 1);
    QCOMPARE(click("pbCloseDev"), QStringLiteral("关闭设备 %1,  失败").arg(handles[0]));
    QVERIFY(find<QPushButton>("pbOpenDev")->isEnabled());
    QVERIFY(!find<QPushButton>("pbCloseDev")->isEnabled());
    QCOMPARE(DeviceOwners::OwnerOf(handles[0]), DeviceOwners::NoOwner);
}

// Without a device of its own the console has only "scan" and "open" to offer.
void TestDebugWidget::commandsNeedAnOpenDevice()
{
    click("pbScanDev");
    QStringList enabled;
    for (QAbstractButton *button : widget->findChildren<QAbstractButton *>()) {
        if (button->isEnabledTo(widget))
            enabled << button->objectName();
    }
    enabled.sort();
    QCOMPARE(enabled, QStringList({"pbOpenDev", "pbScanDev"}));
    QCOMPARE(click("pbStart"), QString());
    QCOMPARE(journal(), QStringList());
}

void TestDebugWidget::deviceHeldByPanelIsRefused()
{
    click("pbScanDev");
    QVERIFY(DeviceOwners::Acquire(handles[0], DeviceOwners::PanelOwner));
    QCOMPARE(click("pbOpenDev"), QStringLiteral("打开设备 %1: 设备正由控制面板使用，未打开").arg(handles[0]));
    QCOMPARE(journal(), QStringList());
    QVERIFY(!find<QPushButton>("pbCloseDev")->isEnabled());
    DeviceOwners::Release(handles[0], DeviceOwners::PanelOwner);
    openFirst();
}

// Every form text follows the installed translation at once.
void TestDebugWidget::relabelsOnLanguageChange()
{
    struct Marked : QTranslator
    {
        bool isEmpty() const override { return false; }
        QString translate(const char *, const char *source, const char *, int) const override
        {
            return QStringLiteral("<%1>").arg(QString::fromUtf8(source));
        }
    } marked;
    QCoreApplication::installTranslator(&marked);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    const QString title = find<QGroupBox>("gbDevList")->title();
    const QString open = find<QPushButton>("pbOpenDev")->text();
    QCoreApplication::removeTranslator(&marked);
    QCOMPARE(title, QStringLiteral("<设备列表>"));
    QCOMPARE(open, QStringLiteral("<打开>"));
}

void TestDebugWidget::setters_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("argument"); // as the journal shows it, after the handle
    QTest::addColumn<QString>("label");

    auto row = [](const char *button, const char *function, const char *input, const QVariant &value,
                  const char *argument, const char *label) {
        QTest::newRow(button) << button << function << input << value << argument << QString::fromUtf8(label);
    };
    row("pbStart", "move", "", {}, "", "Move");
    row("pbStop", "stop", "", {}, "", "Stop");
    row("pbRestore", "restore", "", {}, "", "回原点");
    row("pbDriveLeft", "drive", "", {}, "1", "Drive left");
    row("pbDriveRight", "drive", "", {}, "0", "Drive right");
    row("pbJogLeft", "jog", "", {}, "1", "Jog left");
    row("pbJogRight", "jog", "", {}, "0", "Jog right");
    row("pbCruise", "cruise", "", {}, "", "巡航");

    row("pbSetTartPos", "setTargetPos", "dsTarPos", 5.123456, "5.123456", "设置目标位置");
    row("pbSetSpeed", "setSpeed", "dsSpeed", 1.25, "1.25", "设置速度");
    row("pbSetAcc", "setAcc", "dsAcc", 2.5, "2.5", "设置加速度");
    row("pbSetJerk", "setJerk", "sbJerk", 17, "17", "设置弓形参数");
    row("pbSetRelaPos", "setRelativePos", "dsRelaPos", 0.000125, "0.000125", "设置相对位移");
    row("pbSetJogStep", "setJogStep", "dsJogStep", 0.5, "0.5", "步进步长");
    row("pbSetJogDelay", "setJogDelay", "sbJogDelay", 250, "250", "步进延时");
    row("pbSetJogTimes", "setJogTimes", "sbJogTimes", 9999, "9999", "步进次数");
    row("pbSetCruiseBeginPos", "setCruiseBeginPos", "dsCruiseBeginPos", 1.25, "1.25", "巡航初始位置");
    row("pbSetCruiseEndPos", "setCruiseEndPos", "dsCruiseEndPos", 9.75, "9.75", "巡航最终位置");
    row("pbSetCruiseStopTime", "setCruiseStopTime", "sbCruiseStopTime", 500, "500", "巡航停留时间");
    row("pbSetCruiseTimes", "setCruiseTimes", "sbCruiseTimes", 16777215, "16777215", "巡航次数");
    row("pbBtnSpeed", "setBtnSpeed", "dsBtnSpeed", 1.5, "1.5", "离线 速度");
    row("pbBtnMode", "setBtnMode", "sbBtnMode", 2, "2", "离线 运行模式");
    row("pbBtnStep", "setBtnJogStep", "dsBtnStep", 0.25, "0.25", "离线 步长");
    row("pbBtnPos1", "setBtnPos1", "dsBtnPos1", 2.5, "2.5", "离线 位置1");
    row("pbBtnPos2", "setBtnPos2", "dsBtnPos2", 11.000001, "11.000001", "离线 位置2");
    row("pbBkLight", "setBackLightLevel", "sbBkLight", 3, "3", "离线 亮度等级");
    row("pbBkSleep", "setBackSleepLevel", "sbBkSleep", 1, "1", "离线 睡眠等级");
    row("pbBkDormant", "setBackDormant", "sbBkDormant", 30, "30", "离线 休眠时间");
    row("pbTriggerIn", "setTriggerInMode", "cbInVolMode", 1, "2", "触发输入");
    row("pbTriggerOut", "setTriggerOutMode", "cbOutVolMode", 0, "1", "触发输出");
    row("pbTriggerOutCondition", "setTriggerOutCondition", "cbOutMoveMode", 2, "3", "设置触发输出条件");
    row("pbTriggerTime", "setTriggerTime", "sbTriggerTime", 40000, "40000", "触发时间");
    row("pbSetTmpModel", "setActuatorModel", "sbTmpModel", 4, "4", "临时促动器型号");
    row("pushButton_IO1", "setIO1TriggerMode", "cb_IO1TriggerMode", 0, "1", "IO1设置");
    row("pushButton_IO2", "setIO2TriggerMode", "cb_IO2TriggerMode", 1, "2", "IO2设置");
    row("pb_triggerOutDisp", "setIO1TriggerInDisp", "dsInStep", -3.5, "-3.5", "设置触发输入1位移量");
    row("pb_triggerOutDisp_2", "setIO2TriggerInDisp", "dsInStep_2", 4.000001, "4.000001", "设置触发输入2位移量");
    row("pbWriteActModel", "writeActuatorModel", "sbActModel", 3, "3", "写促动器型号");
    row("pbSetCur", "setCurrent", "sbCurrent", 31, "31", "设置电流");
    row("pbSetSep", "setSeparate", "sbSep", 15, "15", "设置细分数");
    row("pbRecoil", "setRecoil", "sbRecoil", 1200, "1200", "设置反冲校准");
}

void TestDebugWidget::setters()
{
    QFETCH(QString, button);
    QFETCH(QString, function);
    QFETCH(QString, input);
    QFETCH(QVariant, value);
    QFETCH(QString, argument);
    QFETCH(QString, label);

    openFirst();
    if (!input.isEmpty())
        setInput(input, value);
    const QByteArray key = button.toLatin1();
    const QString call = argument.isEmpty() ? QStringLiteral("%1(%2)").arg(function).arg(handles[0])
                                            : QStringLiteral("%1(%2, %3)").arg(function).arg(handles[0]).arg(argument);

    if (button == "pbRecoil")
        QTest::ignoreMessage(QtDebugMsg, "601 0");
    QCOMPARE(click(key.constData()), label + QStringLiteral(",  成功"));
    QCOMPARE(journal(), QStringList(call));

    simFailNext(function.toLatin1().constData(), 1);
    if (button == "pbRecoil")
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^601 -\\d+$"));
    QCOMPARE(click(key.constData()), label + QStringLiteral(",  失败"));
    QCOMPARE(journal(), QStringList(call));
}

void TestDebugWidget::checkBoxes()
{
    openFirst();
    auto *log = find<QTextBrowser>("textBrowser");
    const QString h = QString::number(handles[0]);

    log->clear();
    simJournalClear();
    find<QCheckBox>("cbRelaEnable")->click();
    QCOMPARE(log->toPlainText(), QStringLiteral("相对位移使能,  成功"));
    QCOMPARE(journal(), QStringList("setRelativePosEnable(" + h + ", 1)"));

    log->clear();
    simJournalClear();
    simFailNext("setMotorEnable", 1);
    find<QCheckBox>("cbMotorEnable")->click();
    QCOMPARE(log->toPlainText(), QStringLiteral("电机使能,  失败"));
    QCOMPARE(journal(), QStringList("setMotorEnable(" + h + ", 0)"));

    log->clear();
    simJournalClear();
    find<QCheckBox>("cbMotorEnable")->click();
    QCOMPARE(log->toPlainText(), QStringLiteral("电机使能,  成功"));
    QCOMPARE(journal(), QStringList("setMotorEnable(" + h + ", 1)"));
}

void TestDebugWidget::textWrites()
{
    openFirst();
    const QString h = QString::number(handles[0]);
    setInput("leActSerial", QStringLiteral("AB-12"));
    QCOMPARE(click("pbWriteActSerial"), QStringLiteral("写促动器序列号,  成功"));
    QCOMPARE(journal(), QStringList("writeActuatorSerial(" + h + ", \"AB-12\", 5)"));

    // UTF-8 bytes and their count, not characters.
    setInput("leDriModel", QStringLiteral("型号A"));
    QCOMPARE(click("pbWriteDriModel"), QStringLiteral("写驱动器型号,  成功"));
    QCOMPARE(journal(), QStringList("writeDriverModel(" + h + ", \"型号A\", 7)"));

    setInput("leDriSerial", QStringLiteral("QMB 1"));
    QCOMPARE(click("pbWriteDriSerial"), QStringLiteral("写驱动器序列号,  成功"));
    QCOMPARE(journal(), QStringList("writeDriverSerial(" + h + ", \"QMB 1\", 5)"));

    setInput("leVersion", QStringLiteral("2.0.1"));
    simFailNext("writeVersion", 1);
    QCOMPARE(click("pbWriteVersion"), QStringLiteral("写软件版本,  失败"));
    QCOMPARE(journal(), QStringList("writeVersion(" + h + ", \"2.0.1\", 5)"));
}

void TestDebugWidget::valueQueries_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");

    QTest::newRow("left jog") << "pbLeftJog" << "getLeftJogTimes" << "剩余步进次数" << "0";
    QTest::newRow("left cruise") << "pbLeftCruise" << "getLeftCruiseTimes" << "剩余巡航次数" << "0";
    QTest::newRow("actuator model") << "pbGetActModel" << "readActuatorModel" << "读促动器型号" << "3";
}

void TestDebugWidget::valueQueries()
{
    QFETCH(QString, button);
    QFETCH(QString, function);
    QFETCH(QString, label);
    QFETCH(QString, value);

    openFirst();
    const QByteArray key = button.toLatin1();
    QCOMPARE(click(key.constData()), label + QStringLiteral(": ") + value);
    QCOMPARE(journal(), QStringList(QStringLiteral("%1(%2)").arg(function).arg(handles[0])));
    simFailNext(function.toLatin1().constData(), 1);
    QCOMPARE(click(key.constData()), label + QStringLiteral(",  失败"));
}

void TestDebugWidget::textReads()
{
    openFirst();
    QCOMPARE(click("pbGetDriSerial"), QStringLiteral("读驱动器序列号: QMA 000000000001"));

    // Shown as written, not taken as markup.
    setInput("leActSerial", QStringLiteral("<b>ACT</b> 42"));
    click("pbWriteActSerial");
    QCOMPARE(click("pbGetActSerial"), QStringLiteral("读促动器序列号: <b>ACT</b> 42"));

    setInput("leVersion", QStringLiteral("版本 3"));
    click("pbWriteVersion");
    QCOMPARE(click("pbGetVersion"), QStringLiteral("读软件版本: 版本 3"));

    setInput("leDriModel", QStringLiteral("DRV-9"));
    click("pbWriteDriModel");
    QCOMPARE(click("pbGetDriModel"), QStringLiteral("读驱动器型号: DRV-9"));

    const char *reads[][3] = {{"pbGetActSerial", "readActuatorSerial", "读促动器序列号"},
                              {"pbGetDriModel", "readDriverModel", "读驱动器型号"},
                              {"pbGetDriSerial", "readDriverSerial", "读驱动器序列号"},
                              {"pbGetVersion", "readVersion", "读软件版本"}};
    for (const auto &read : reads) {
        simFailNext(read[1], 1);
        QCOMPARE(click(read[0]), QString::fromUtf8(read[2]) + QStringLiteral(",  失败"));
        QCOMPARE(journal().size(), 1);
        QVERIFY2(journal().at(0).startsWith(QStringLiteral("%1(%2, ").arg(read[1]).arg(handles[0])),
                 qPrintable(journal().at(0)));
    }
}

void TestDebugWidget::position()
{
    openFirst();
    simSetPosition(handles[0], 3.5);
    QCOMPARE(click("pbGetPositon"), QStringLiteral("获取位置信息: 3.500000"));
    QCOMPARE(journal(), QStringList(QStringLiteral("getPositon(%1)").arg(handles[0])));
    simFailNext("getPositon", 1);
    QCOMPARE(click("pbGetPositon"), QStringLiteral("获取位置信息,  失败"));
}

void TestDebugWidget::positionRule_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<bool>("valid");
    QTest::newRow("failed read") << -10000.0 << false;
    QTest::newRow("within 0.0003 above") << -9999.9998 << false;
    QTest::newRow("0.001 above") << -9999.999 << true;
    QTest::newRow("zero") << 0.0 << true;
    QTest::newRow("negative travel") << -0.5 << true;
    QTest::newRow("below the failure value") << -10000.5 << false;
}

void TestDebugWidget::positionRule()
{
    QFETCH(double, position);
    QFETCH(bool, valid);
    QCOMPARE(DebugWidget::PositionValid(position), valid);
}

// At rest on its target with the motor enabled but disconnected: 0x0025.
void TestDebugWidget::workStatus()
{
    openFirst();
    setInput("dsTarPos", 5.0);
    QVERIFY(click("pbSetTartPos").endsWith("成功"));
    QVERIFY(click("pbStart").endsWith("成功"));
    simAdvanceClock(60000);
    simSetMotorConnected(handles[0], 0);

    QCOMPARE(click("pbGetStatus"),
             QStringLiteral("获取运行状态: 0025\n"
                            "   是否到达指定位置: 1\n   是否到达指定速度: 0\n   电机是否停止: 1\n"
                            "   是否到达左限位: 0\n   是否到达右限位: 0\n   电机是否使能: 1\n"
                            "   滑台是否归零: 0\n   禁止运动控制: 0"));
    QCOMPARE(journal(), QStringList(QStringLiteral("getWorkStatus(%1)").arg(handles[0])));
    simFailNext("getWorkStatus", 1);
    QCOMPARE(click("pbGetStatus"), QStringLiteral("获取运行状态,  失败"));
}

void TestDebugWidget::statusWordFormat()
{
    const QString text = DebugWidget::StatusWordText(0xab80);
    QVERIFY2(text.startsWith("ab80\n   是否到达指定位置: 0\n"), qPrintable(text));
    QVERIFY(text.endsWith("\n   禁止运动控制: 1"));
    QCOMPARE(text.count(": 0"), 7);
}

// The values come back from the device the console just set them on.
void TestDebugWidget::blockQueries()
{
    openFirst();
    setInput("dsTarPos", 5.5);
    setInput("dsSpeed", 1.25);
    setInput("dsAcc", 2.5);
    setInput("sbJerk", 7);
    for (const char *button : {"pbSetTartPos", "pbSetSpeed", "pbSetAcc", "pbSetJerk"})
        QVERIFY(click(button).endsWith("成功"));
    const QString move = click("pbGetMoveParam");
    QVERIFY2(QRegularExpression("^查询Move参数\n   targetPos: 5\\.500000\n   speed: 1\\.25\n   acc: 2\\.50\n"
                                "   dec: \\d+\\.\\d\\d\n   jerk: 7$")
                 .match(move)
                 .hasMatch(),
             qPrintable(move));

    setInput("dsJogStep", 0.125);
    setInput("sbJogDelay", 300);
    setInput("sbJogTimes", 4);
    for (const char *button : {"pbSetJogStep", "pbSetJogDelay", "pbSetJogTimes"})
        QVERIFY(click(button).endsWith("成功"));
    QCOMPARE(click("pbGetJogParam"), QStringLiteral("查询Jog参数\n   jogStep: 0.125000\n   jogDelay: 300\n   jogTimes: 4"));

    const QString drive = click("pbGetDriveParam");
    QVERIFY2(QRegularExpression("^查询Drive参数\n   offset: -?\\d+\\.\\d{6}\n   enable: \\d+$").match(drive).hasMatch(),
             qPrintable(drive));

    setInput("dsCruiseBeginPos", 1.0);
    setInput("dsCruiseEndPos", 12.000001);
    setInput("sbCruiseStopTime", 800);
    setInput("sbCruiseTimes", 12);
    for (const char *button : {"pbSetCruiseBeginPos", "pbSetCruiseEndPos", "pbSetCruiseStopTime", "pbSetCruiseTimes"})
        QVERIFY(click(button).endsWith("成功"));
    QCOMPARE(click("pbGetCruiseParam"),
             QStringLiteral("查询Cruise参数\n   startPos: 1.000000\n   endPos: 12.000001\n   stopTime: 800\n   times: 12"));

    setInput("dsBtnSpeed", 1.5);
    setInput("sbBtnMode", 2);
    setInput("dsBtnStep", 0.25);
    setInput("dsBtnPos1", 2.5);
    setInput("dsBtnPos2", 10.75);
    setInput("sbBkLight", 3);
    setInput("sbBkSleep", 1);
    setInput("sbBkDormant", 30);
    for (const char *button : {"pbBtnSpeed", "pbBtnMode", "pbBtnStep", "pbBtnPos1", "pbBtnPos2", "pbBkLight",
                               "pbBkSleep", "pbBkDormant"})
        QVERIFY2(click(button).endsWith("成功"), button);
    QCOMPARE(click("pbGetBtnParam"),
             QStringLiteral("查询离线参数\n   速度: 1.50\n   模式: 2\n   步进量: 0.250000\n   位置1: 2.500000\n"
                            "   位置2: 10.750000\n   背光亮度等级: 3\n   背光睡眠等级: 1\n   背光休眠时间: 30"));
}

void TestDebugWidget::blockQueryFailures_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("label");
    QTest::newRow("move") << "pbGetMoveParam" << "getMoveParam" << "查询Move参数";
    QTest::newRow("jog") << "pbGetJogParam" << "getJogParam" << "查询Jog参数";
    QTest::newRow("drive") << "pbGetDriveParam" << "getDriveParam" << "查询Drive参数";
    QTest::newRow("cruise") << "pbGetCruiseParam" << "getCruiseParam" << "查询Cruise参数";
    QTest::newRow("offline") << "pbGetBtnParam" << "getBtnParam" << "查询离线参数";
}

void TestDebugWidget::blockQueryFailures()
{
    QFETCH(QString, button);
    QFETCH(QString, function);
    QFETCH(QString, label);
    openFirst();
    simFailNext(function.toLatin1().constData(), 1);
    QCOMPARE(click(button.toLatin1().constData()), label + QStringLiteral(",  失败"));
    QCOMPARE(journal().size(), 1);
    QVERIFY(journal().at(0).startsWith(QStringLiteral("%1(%2").arg(function).arg(handles[0])));
}

void TestDebugWidget::recoil()
{
    openFirst();
    auto *box = find<QSpinBox>("sbRecoil");
    box->setValue(4321);
    QTest::ignoreMessage(QtDebugMsg, "601 0");
    click("pbRecoil");
    box->setValue(17);

    QTest::ignoreMessage(QtDebugMsg, "602 4321");
    QCOMPARE(click("pbRecoil_read"), QStringLiteral("读反冲校准,  成功"));
    QCOMPARE(journal(), QStringList(QStringLiteral("readRecoil(%1)").arg(handles[0])));
    QCOMPARE(box->value(), 4321);

    // A failed read leaves the box as it was, so the next "set" writes no 0.
    box->setValue(17);
    simFailNext("readRecoil", 1);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^602 -\\d+$"));
    QCOMPARE(click("pbRecoil_read"), QStringLiteral("读反冲校准,  失败"));
    QCOMPARE(box->value(), 17);
}

// The frame is exactly what was typed, or nothing is sent and the log says why.
// The simulated controller answers with the function code followed by the payload.
void TestDebugWidget::sendDebug_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sent"); // payload bytes as the journal shows them; empty: refused
    QTest::addColumn<QString>("entry");
    const QString max = QStringLiteral("7f ").repeated(64).trimmed();
    QTest::newRow("pairs") << "0a 1B" << "0A 1B" << "发送自定义报文\nRecv: 11 0A 1B";
    QTest::newRow("0x prefixes") << " 0x0A\t0X1b  00 " << "0A 1B 00" << "发送自定义报文\nRecv: 11 0A 1B 00";
    QTest::newRow("64 bytes") << max << max.toUpper() << "";
    QTest::newRow("0x10") << "0x10" << "10" << "发送自定义报文\nRecv: 11 10";
    QTest::newRow("one digit after 0x") << "0x1" << "" << "发送自定义报文: “0x1”不是两位十六进制字节，未发送";
    QTest::newRow("lone digit") << "1 2 3" << "" << "发送自定义报文: “1”不是两位十六进制字节，未发送";
    QTest::newRow("stray character") << "0g" << "" << "发送自定义报文: “0g”不是两位十六进制字节，未发送";
    QTest::newRow("no separator") << "1b00" << "" << "发送自定义报文: “1b00”不是两位十六进制字节，未发送";
    QTest::newRow("65 bytes") << max + " 7f" << "" << "发送自定义报文: 报文有 65 字节，超过 64 字节，未发送";
    QTest::newRow("empty") << "  " << "" << "发送自定义报文: 报文为空，未发送";
}

void TestDebugWidget::sendDebug()
{
    QFETCH(QString, text);
    QFETCH(QString, sent);
    QFETCH(QString, entry);
    openFirst();
    setInput("sbDebugFunc", 17);
    setInput("leDebugData", text);
    const QString log = click("pbSendDebug");
    if (!entry.isEmpty())
        QCOMPARE(log, entry);
    const int bytes = sent.isEmpty() ? 0 : sent.count(' ') + 1;
    QCOMPARE(journal(), sent.isEmpty() ? QStringList()
                                       : QStringList(QStringLiteral("sendDebugData(%1, 17, [%2], %3, 64)")
                                                             .arg(handles[0]).arg(sent).arg(bytes)));
}

void TestDebugWidget::sendDebugFailure()
{
    openFirst();
    setInput("leDebugData", QStringLiteral("01"));
    simFailNext("sendDebugData", 1);
    QCOMPARE(click("pbSendDebug"), QStringLiteral("发送自定义报文,  失败"));
}

void TestDebugWidget::replyFormat()
{
    const uint8_t reply[DebugWidget::kReplyCapacity] = {0x0A, 0x1B, 0x00, 0xFF};
    QCOMPARE(DebugWidget::ReplyText(reply, 3), QStringLiteral("0A 1B 00"));
    QCOMPARE(DebugWidget::ReplyText(reply, 0), QString());
    // A length beyond the buffer shows the buffer and no more.
    const QString all = DebugWidget::ReplyText(reply, 1000);
    QCOMPARE(all.split(' ').size(), DebugWidget::kReplyCapacity);
    QVERIFY(all.startsWith("0A 1B 00 FF 00"));
}

void TestDebugWidget::bounds()
{
    QCOMPARE(DebugWidget::ListedCount(3), 3);
    QCOMPARE(DebugWidget::ListedCount(6), 6);
    QCOMPARE(DebugWidget::ListedCount(9), 6);
    QCOMPARE(DebugWidget::ListedCount(-1), 0);
    QCOMPARE(DebugWidget::ReplyBytes(64), 64);
    QCOMPARE(DebugWidget::ReplyBytes(65), 64);
    QCOMPARE(DebugWidget::ReplyBytes(-2), 0);
}

QTEST_MAIN(TestDebugWidget)
#include "tst_debugwidget.moc"
