#include "device/LibraryText.h"
#include "device/SerialComDev.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QtTest>

#include <atomic>
#include <functional>

#ifdef __linux__
#include <dlfcn.h>

// Lets a test make setAcc answer with a positive status, which no real
// failure mode produces; the call still reaches the simulator.
namespace {
std::atomic<bool> g_setAccReturnsOne{false};
}

extern "C" int setAcc(int handle, float value)
{
    using Fn = int (*)(int, float);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "setAcc"));
    const int status = real ? real(handle, value) : -1;
    return g_setAccReturnsOne ? 1 : status;
}
#endif

namespace {

const QRegularExpression kTimeLine(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\n"));

using simjournal::Journal;

QString NameOf(const QString &entry)
{
    return entry.left(entry.indexOf('('));
}

QStringList Names(const QStringList &entries)
{
    QStringList names;
    for (const QString &e : entries)
        names << NameOf(e);
    return names;
}

// Calls of the status poll, left out where only commands matter.
QStringList WithoutPoll(const QStringList &entries)
{
    static const QStringList poll = {"getPositon", "getWorkStatus", "getLeftJogTimes",
                                     "getLeftCruiseTimes", "readActuatorSerial", "readActuatorModel"};
    QStringList out;
    for (const QString &e : entries)
        if (!poll.contains(NameOf(e)))
            out << e;
    return out;
}

// Log lines without their time stamp; every line must start with one.
QStringList Lines(const QSignalSpy &spy)
{
    QStringList lines;
    for (const QList<QVariant> &args : spy) {
        QString line = args.at(0).toString();
        if (!kTimeLine.match(line).hasMatch())
            return {QStringLiteral("<no time stamp> ") + line};
        lines << line.mid(9);
    }
    return lines;
}

QList<bool> Warnings(const QSignalSpy &spy)
{
    QList<bool> flags;
    for (const QList<QVariant> &args : spy)
        flags << args.at(1).toBool();
    return flags;
}

MoveParam TestMove() { return {5.5, 1.25f, 0.5f, 7, true}; }
JogParam TestJog() { return {0.125, 300, 3}; }
DriveParam TestDrive() { return {0.75, 1.25f, 0.5f, true}; }
CruiseParam TestCruise() { return {1.5, 3.25, 200, 2}; }
BtnParam TestBtn() { return {0.5f, 1, 0.2, 1.0, 4.5, 3, 2, 10}; }

const QString kMoveText = QStringLiteral(
    "\n目标位置: 5.500000mm\n速度: 1.25mm/s   加速度: 0.50mm/s²\n弓形参数: 7   弓形参数使能: 使能\n");

using Command = std::function<void(SerialComDev &)>;

} // namespace

class TestSerialComDev : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void textFromBuffer_data();
    void textFromBuffer();

    void commandBeforeInitParam_data();
    void commandBeforeInitParam();
    void initParamPushesInOrder();
    void initParamKeepsOnFailedReads();
    void commands_data();
    void commands();
    void homeLine();
    void paramChanged_data();
    void paramChanged();
    void anyFailedCallFailsThePush();
    void triggerPush();
    void speedSharedByMoveAndDrive();

    void pollPosition();
    void pollLimitEdges();
    void pollStatusBits();
    void pollMotorConnection();
    void pollDisconnect();
    void pollJogCount();
    void pollCruiseCount();
    void countsFollowOnlyRunsThatStarted();
    void nothingSentBeyondTheTravel();

    void threadedCallsNeverOverlap();
    void closeAfterHangingCall();

private:
    void Poll(SerialComDev &worker) { QMetaObject::invokeMethod(&worker, "UpdateStatus", Qt::DirectConnection); }
    QString Call(const QString &text) const { QString s = text; return s.replace("H", QString::number(m_handle)); }
    // Worker with the test parameters, InitParam done, journal cleared.
    void Start(SerialComDev &worker);

    int m_handle = -1;
};

void TestSerialComDev::initTestCase()
{
    qRegisterMetaType<BtnParam>();
}

void TestSerialComDev::init()
{
    simReset();
    simUseManualClock(1);
    m_handle = simAttach("DRV-0001", 3, 1);
    QVERIFY(m_handle > 0);
    QCOMPARE(openDev(m_handle), 0);
    QCOMPARE(writeActuatorSerial(m_handle, "ACT-77", 6), 0);
    simJournalClear();
}

void TestSerialComDev::Start(SerialComDev &worker)
{
    worker.SetDevHandle(m_handle);
    worker.SetAllParams(TestMove(), TestJog(), TestDrive(), TestCruise());
    worker.InitParam();
    worker.SetBtnParam(TestBtn());
    simJournalClear();
}

void TestSerialComDev::textFromBuffer_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("text");

    QTest::newRow("stops at NUL") << QByteArray("SN123\0garbage", 13) << 13 << "SN123";
    QTest::newRow("empty") << QByteArray(40, '\0') << 33 << "";
    QTest::newRow("no NUL: 33 bytes only")
        << QByteArray(33, 'A') + QByteArray("BEYOND") << 33 << QString(33, 'A');
    QTest::newRow("UTF-8") << QByteArray("促动器\0", 10) << 10 << QString::fromUtf8("促动器");
    QTest::newRow("size 0") << QByteArray("abc") << 0 << "";
}

void TestSerialComDev::textFromBuffer()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, size);
    QFETCH(QString, text);
    QCOMPARE(TextFromBuffer(bytes.constData(), size), text);
    QCOMPARE(TextFromBuffer(nullptr, 33), QString());
}

void TestSerialComDev::commandBeforeInitParam_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    const QStringList names = {"回原点", "停止", "使能设备", "移动", "步进", "步进", "推进", "推进",
                               "手动设置促动器型号", "设置移动参数", "设置步进参数", "设置推进参数", "巡航",
                               "设置按钮参数", "设置触发参数"};
    for (int i = 0; i < names.size(); ++i)
        QTest::addRow("%d %s", i, qPrintable(names[i])) << i << names[i];
}

void TestSerialComDev::commandBeforeInitParam()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    static const QList<Command> commands = {
        [](SerialComDev &w) { w.Home(); },
        [](SerialComDev &w) { w.Stop(); },
        [](SerialComDev &w) { w.Enable(true); },
        [](SerialComDev &w) { w.Move(); },
        [](SerialComDev &w) { w.JogRight(); },
        [](SerialComDev &w) { w.JogLeft(); },
        [](SerialComDev &w) { w.DriveRight(); },
        [](SerialComDev &w) { w.DriveLeft(); },
        [](SerialComDev &w) { w.SetManualModel(2); },
        [](SerialComDev &w) { w.ParamChanged(4, 0xff); },
        [](SerialComDev &w) { w.ParamChanged(6, 0xff); },
        [](SerialComDev &w) { w.ParamChanged(8, 0xff); },
        [](SerialComDev &w) { w.ParamChanged(9, 0xff); },
        [](SerialComDev &w) { w.ParamChanged(10, 0xff); },
        [](SerialComDev &w) { w.ParamChanged(11, 0); },
    };
    SerialComDev worker;
    worker.SetDevHandle(m_handle);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    commands.at(index)(worker);
    QCOMPARE(Lines(msgs), QStringList{name + "  初始化未完成"});
    QCOMPARE(Warnings(msgs), QList<bool>{false});
    QCOMPARE(Journal(), QStringList());
}

void TestSerialComDev::initParamPushesInOrder()
{
    SerialComDev worker;
    worker.SetDevHandle(m_handle);
    MoveParam move = TestMove();
    move.JerkChecked = false; // the jerk is pushed as 0 while the S-curve is off
    worker.SetAllParams(move, TestJog(), TestDrive(), TestCruise());
    QCOMPARE(setBtnSpeed(m_handle, 1.5f), 0);
    QCOMPARE(setBtnMode(m_handle, 2), 0);
    QCOMPARE(setBtnPos2(m_handle, 4.25), 0);
    simJournalClear();

    QSignalSpy inited(&worker, &SerialComDev::SigParamInited);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    worker.InitParam();

    const QStringList expected = {
        "setTargetPos(H, 5.5)", "setSpeed(H, 1.25)", "setAcc(H, 0.5)", "setJerk(H, 0)",
        "setJogStep(H, 0.125)", "setJogDelay(H, 300)", "setJogTimes(H, 3)",
        "setRelativePos(H, 0.75)", "setRelativePosEnable(H, 1)",
        "setCruiseBeginPos(H, 1.5)", "setCruiseEndPos(H, 3.25)", "setCruiseStopTime(H, 200)",
        "setCruiseTimes(H, 2)"};
    const QStringList journal = Journal();
    QCOMPARE(journal.mid(0, expected.size()), QStringList(Call(expected.join('|')).split('|')));
    QCOMPARE(Names(journal.mid(expected.size())),
             (QStringList{"getBtnParam", "readActuatorModel", "readActuatorSerial"}));

    QCOMPARE(inited.count(), 1);
    QCOMPARE(inited.at(0).at(0).toInt(), 3);
    QCOMPARE(worker.GetActuatorSerial(), QStringLiteral("ACT-77"));
    const BtnParam btn = worker.CopyBtnParam();
    QCOMPARE(btn.speed, 1.5f);
    QCOMPARE(btn.mode, uint16_t(2));
    QCOMPARE(btn.pos2, 4.25);
    QCOMPARE(Lines(msgs), QStringList{"初始化运动轴参数成功"});
    QCOMPARE(Warnings(msgs), QList<bool>{false});

    // Commands now reach the device.
    simJournalClear();
    worker.Stop();
    QCOMPARE(Journal(), QStringList{Call("stop(H)")});
}

void TestSerialComDev::initParamKeepsOnFailedReads()
{
    SerialComDev worker;
    Start(worker); // serial "ACT-77" read, button parameters set by the test
    QCOMPARE(writeActuatorSerial(m_handle, "ACT-99", 6), 0);
    QCOMPARE(setBtnSpeed(m_handle, 1.75f), 0);
    simFailNext("getBtnParam", 1);
    simFailNext("readActuatorSerial", 1);
    simFailNext("readActuatorModel", 1);

    QSignalSpy inited(&worker, &SerialComDev::SigParamInited);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    worker.InitParam();

    QCOMPARE(inited.count(), 1);
    QVERIFY(inited.at(0).at(0).toInt() < 0);
    QCOMPARE(worker.GetActuatorSerial(), QStringLiteral("ACT-77"));
    QCOMPARE(worker.CopyBtnParam().speed, TestBtn().speed);
    QCOMPARE(worker.CopyBtnParam().pos2, TestBtn().pos2);
    QCOMPARE(Lines(msgs), QStringList{"初始化运动轴参数成功"});

    // A refused push is not reported as success: the line names the groups.
    simFailNext("setJogDelay", 1);
    simFailNext("setCruiseTimes", 1);
    msgs.clear();
    worker.InitParam();
    QCOMPARE(Lines(msgs), QStringList{"初始化运动轴参数失败: 步进参数, 巡航参数 未能写入设备, 设备中的这些参数未知"});
}

void TestSerialComDev::commands_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("line");

    QTest::newRow("Home") << 0 << "restore(H)" << "回原点  操作成功";
    QTest::newRow("Stop") << 1 << "stop(H)" << "停止  操作成功";
    QTest::newRow("Enable true") << 2 << "setMotorEnable(H, 1)" << "使能设备  使能  操作成功";
    QTest::newRow("Enable false") << 3 << "setMotorEnable(H, 0)" << "使能设备  未使能  操作成功";
    QTest::newRow("Move") << 4 << "move(H)" << "移动" + kMoveText + "操作成功";
    QTest::newRow("JogRight") << 5 << "jog(H, 0)"
                              << "步进\n正方向  步长: 0.125000mm  延时: 300ms  次数: 3\n操作成功";
    QTest::newRow("JogLeft") << 6 << "jog(H, 1)"
                             << "步进\n负方向  步长: 0.125000mm  延时: 300ms  次数: 3\n操作成功";
    QTest::newRow("DriveRight")
        << 7 << "drive(H, 0)"
        << "推进\n正方向  相对位移: 0.750000mm\n相对位移使能: 使能\n速度: 1.25mm/s  加速度: 0.50mm/s²\n操作成功";
    QTest::newRow("DriveLeft")
        << 8 << "drive(H, 1)"
        << "推进\n负方向  相对位移: 0.750000mm\n相对位移使能: 使能\n速度: 1.25mm/s  加速度: 0.50mm/s²\n操作成功";
    QTest::newRow("SetManualModel") << 9 << "setActuatorModel(H, 2)" << "手动设置促动器型号  操作成功";
    QTest::newRow("Home fails") << 10 << "restore(H)" << "回原点  操作失败";
}

void TestSerialComDev::commands()
{
    QFETCH(int, index);
    QFETCH(QString, call);
    QFETCH(QString, line);
    static const QList<Command> commands = {
        [](SerialComDev &w) { w.Home(); },
        [](SerialComDev &w) { w.Stop(); },
        [](SerialComDev &w) { w.Enable(true); },
        [](SerialComDev &w) { w.Enable(false); },
        [](SerialComDev &w) { w.Move(); },
        [](SerialComDev &w) { w.JogRight(); },
        [](SerialComDev &w) { w.JogLeft(); },
        [](SerialComDev &w) { w.DriveRight(); },
        [](SerialComDev &w) { w.DriveLeft(); },
        [](SerialComDev &w) { w.SetManualModel(2); },
        [](SerialComDev &w) { simFailNext("restore", 1); w.Home(); },
    };
    SerialComDev worker;
    Start(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    commands.at(index)(worker);
    QCOMPARE(Journal(), QStringList{Call(call)});
    QCOMPARE(Lines(msgs), QStringList{line});
    QCOMPARE(Warnings(msgs), QList<bool>{false});
}

void TestSerialComDev::homeLine()
{
    SerialComDev worker;
    Start(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    const QTime before = QTime::currentTime();
    worker.Home();
    QCOMPARE(msgs.count(), 1);
    const QString line = msgs.at(0).at(0).toString();
    QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\n回原点  操作成功$").match(line).hasMatch(),
             qPrintable(line));
    const QTime stamp = QTime::fromString(line.left(8), "hh:mm:ss");
    QVERIFY(stamp.isValid());
    const int drift = qAbs(before.secsTo(stamp));
    QVERIFY(drift <= 2 || drift >= 86398); // allows for midnight
    QCOMPARE(msgs.at(0).at(1).toBool(), false);
}

void TestSerialComDev::paramChanged_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<uint>("bits");
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("line"); // empty: no report at all

    const QString jogText = "设置步进参数\n步长: 0.125000mm  延时: 300ms  次数: 3\n";
    const QString driveText =
        "设置推进参数\n相对位移: 0.750000mm  相对位移使能: 使能\n速度: 1.25mm/s  加速度: 0.50mm/s²\n";
    const QString cruiseText = "巡航\n初始位置: 1.500000mm  最终位置: 3.250000mm\n停留时间: 200ms  巡航次数:2\n";
    const QString btnText = "设置按钮参数\n速度: 0.50mm/s  模式: 步进模式\n步长: 0.200000mm  位置1: 1.000000mm\n"
                            "位置2: 4.500000mm\n背光亮度等级: 3, 背光睡眠等级: 2\n休眠时间: 10min\n";
    const QString ok = "操作成功";

    QTest::newRow("4 target") << 4 << 0x01u << QByteArray() << QStringList{"setTargetPos(H, 5.5)"}
                              << "设置移动参数" + kMoveText + ok;
    QTest::newRow("4 speed") << 4 << 0x02u << QByteArray() << QStringList{"setSpeed(H, 1.25)"}
                             << "设置移动参数" + kMoveText + ok;
    QTest::newRow("4 acc") << 4 << 0x04u << QByteArray() << QStringList{"setAcc(H, 0.5)"}
                           << "设置移动参数" + kMoveText + ok;
    QTest::newRow("4 unused bit") << 4 << 0x08u << QByteArray() << QStringList()
                                  << "设置移动参数" + kMoveText + ok;
    QTest::newRow("4 jerk") << 4 << 0x10u << QByteArray() << QStringList{"setJerk(H, 7)"}
                            << "设置移动参数" + kMoveText + ok;
    QTest::newRow("4 all") << 4 << 0xffu << QByteArray()
                           << QStringList{"setTargetPos(H, 5.5)", "setSpeed(H, 1.25)", "setAcc(H, 0.5)", "setJerk(H, 7)"}
                           << "设置移动参数" + kMoveText + ok;
    QTest::newRow("4 speed fails") << 4 << 0x03u << QByteArray("setSpeed")
                                   << QStringList{"setTargetPos(H, 5.5)", "setSpeed(H, 1.25)"}
                                   << "设置移动参数" + kMoveText + "操作失败";
    QTest::newRow("6 all") << 6 << 0x07u << QByteArray()
                           << QStringList{"setJogStep(H, 0.125)", "setJogDelay(H, 300)", "setJogTimes(H, 3)"}
                           << jogText + ok;
    QTest::newRow("6 delay") << 6 << 0x02u << QByteArray() << QStringList{"setJogDelay(H, 300)"} << jogText + ok;
    QTest::newRow("6 none") << 6 << 0x00u << QByteArray() << QStringList() << jogText + ok;
    QTest::newRow("8 all") << 8 << 0x0fu << QByteArray()
                           << QStringList{"setRelativePos(H, 0.75)", "setRelativePosEnable(H, 1)",
                                          "setSpeed(H, 1.25)", "setAcc(H, 0.5)"}
                           << driveText + ok;
    QTest::newRow("8 enable") << 8 << 0x02u << QByteArray() << QStringList{"setRelativePosEnable(H, 1)"}
                              << driveText + ok;
    QTest::newRow("9 none still cruises") << 9 << 0x00u << QByteArray() << QStringList{"cruise(H)"}
                                          << cruiseText + ok;
    QTest::newRow("9 all") << 9 << 0x0fu << QByteArray()
                           << QStringList{"setCruiseBeginPos(H, 1.5)", "setCruiseEndPos(H, 3.25)",
                                          "setCruiseStopTime(H, 200)", "setCruiseTimes(H, 2)", "cruise(H)"}
                           << cruiseText + ok;
    QTest::newRow("9 cruise fails") << 9 << 0x08u << QByteArray("cruise")
                                    << QStringList{"setCruiseTimes(H, 2)", "cruise(H)"} << cruiseText + "操作失败";
    QTest::newRow("10 all") << 10 << 0xffu << QByteArray()
                            << QStringList{"setBtnSpeed(H, 0.5)", "setBtnMode(H, 1)", "setBtnJogStep(H, 0.2)",
                                           "setBtnPos1(H, 1)", "setBtnPos2(H, 4.5)", "setBackLightLevel(H, 3)",
                                           "setBackSleepLevel(H, 2)", "setBackDormant(H, 10)"}
                            << btnText + ok;
    QTest::newRow("10 light") << 10 << 0x20u << QByteArray() << QStringList{"setBackLightLevel(H, 3)"}
                              << btnText + ok;
    QTest::newRow("5 ignored") << 5 << 0xffu << QByteArray() << QStringList() << QString();
    QTest::newRow("7 ignored") << 7 << 0xffu << QByteArray() << QStringList() << QString();
    QTest::newRow("3 ignored") << 3 << 0xffu << QByteArray() << QStringList() << QString();
    QTest::newRow("12 ignored") << 12 << 0xffu << QByteArray() << QStringList() << QString();
    QTest::newRow("-1 ignored") << -1 << 0xffu << QByteArray() << QStringList() << QString();
}

void TestSerialComDev::paramChanged()
{
    QFETCH(int, type);
    QFETCH(uint, bits);
    QFETCH(QByteArray, failing);
    QFETCH(QStringList, calls);
    QFETCH(QString, line);

    SerialComDev worker;
    Start(worker);
    if (!failing.isEmpty())
        simFailNext(failing.constData(), 1);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    worker.ParamChanged(type, bits);

    for (QString &c : calls)
        c = Call(c);
    QCOMPARE(Journal(), calls);
    QCOMPARE(Lines(msgs), line.isEmpty() ? QStringList() : QStringList{line});
}

void TestSerialComDev::anyFailedCallFailsThePush()
{
    SerialComDev worker;
    Start(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);

    // Jerk pushed as 0 while the S-curve is off, and the text says so.
    MoveParam move = TestMove();
    move.JerkChecked = false;
    worker.SetMoveParam(move);
    worker.ParamChanged(4, 0x10);
    QCOMPARE(Journal(), QStringList{Call("setJerk(H, 0)")});
    QVERIFY(Lines(msgs).value(0).endsWith("弓形参数: 0   弓形参数使能: 未使能\n操作成功"));

    // An unknown button mode has no name.
    BtnParam btn = TestBtn();
    btn.mode = 3;
    worker.SetBtnParam(btn);
    worker.ParamChanged(10, 0x02);
    QVERIFY(Lines(msgs).value(1).startsWith("设置按钮参数\n速度: 0.50mm/s  模式: \n"));

#ifdef __linux__
    // One refused call fails the push whatever the others returned (+1
    // here), and the worker goes back to what the device holds: the next
    // move names the speed the device has, with the acceleration it took.
    QSignalSpy refused(&worker, &SerialComDev::SigParamRefused);
    MoveParam faster = TestMove();
    faster.Speed = 1.75f;
    faster.Acc = 0.75f;
    worker.SetMoveParam(faster);
    simFailNext("setSpeed", 1);
    g_setAccReturnsOne = true;
    worker.ParamChanged(4, 0x06);
    g_setAccReturnsOne = false;
    QVERIFY2(Lines(msgs).value(2).endsWith("操作失败"), qPrintable(Lines(msgs).value(2)));
    QCOMPARE(refused.size(), 1);
    QCOMPARE(worker.CopyDriveParam().Speed, TestMove().Speed);
    worker.Move();
    QVERIFY2(Lines(msgs).last().contains("速度: 1.25mm/s   加速度: 0.75mm/s²"), qPrintable(Lines(msgs).last()));
#endif
}

void TestSerialComDev::triggerPush()
{
    SerialComDev worker;
    Start(worker);
    TriParam io1;
    io1.ioMode = 1;
    io1.inMode = 1;
    io1.inDisp1 = 2.5;
    io1.inDisp2 = 9.0;
    TriParam io2;
    io2.ioMode = 2;
    io2.outMode = 2;
    io2.outCondition = 2;
    io2.outTime = 30;
    worker.SetTriParam(io1, io2);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    worker.ParamChanged(11, 0);

    QStringList expected = {"setIO1TriggerMode(H, 1)", "setTriggerInMode(H, 1)", "setIO1TriggerInDisp(H, 2.5)",
                            "setIO2TriggerMode(H, 2)", "setTriggerOutMode(H, 2)", "setTriggerOutCondition(H, 2)",
                            "setTriggerTime(H, 30)"};
    for (QString &c : expected)
        c = Call(c);
    QCOMPARE(Journal(), expected);
    QCOMPARE(Lines(msgs), QStringList{"设置触发参数\nIO1: 触发输入, 上升沿触发, 相对位移 2.500000\n"
                                      "IO2: 触发输出, 低电平, 到达指定位置, 输出电平时间 30\n操作成功"});

    // IO2 as input takes inDisp2; IO1 as output with an unknown condition.
    io1.ioMode = 2;
    io1.outMode = 1;
    io1.outCondition = 4;
    io1.outTime = 5;
    io2.ioMode = 1;
    io2.inMode = 2;
    io2.inDisp1 = 9.0;
    io2.inDisp2 = 0.5;
    worker.SetTriParam(io1, io2);
    simJournalClear();
    simFailNext("setTriggerInMode", 1);
    worker.ParamChanged(11, 0xff);
    expected = QStringList{"setIO1TriggerMode(H, 2)", "setTriggerOutMode(H, 1)", "setTriggerOutCondition(H, 4)",
                           "setTriggerTime(H, 5)", "setIO2TriggerMode(H, 1)", "setTriggerInMode(H, 2)",
                           "setIO2TriggerInDisp(H, 0.5)"};
    for (QString &c : expected)
        c = Call(c);
    QCOMPARE(Journal(), expected);
    QCOMPARE(Lines(msgs).value(1), QStringLiteral("设置触发参数\nIO1: 触发输出, 高电平, , 输出电平时间 5\n"
                                                  "IO2: 触发输入, 下降沿触发, 相对位移 0.500000\n操作失败"));
}

void TestSerialComDev::speedSharedByMoveAndDrive()
{
    SerialComDev worker;
    Start(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);

    MoveParam move = TestMove();
    move.Speed = 1.5f;
    worker.SetMoveParam(move);
    worker.DriveRight();
    QVERIFY(Lines(msgs).value(0).contains("速度: 1.50mm/s  加速度: 0.50mm/s²"));

    DriveParam drive = TestDrive();
    drive.Acc = 0.25f;
    drive.Speed = 0.75f;
    worker.SetDriveParam(drive);
    worker.Move();
    QVERIFY(Lines(msgs).value(1).contains("速度: 0.75mm/s   加速度: 0.25mm/s²"));
    QVERIFY(Lines(msgs).value(1).contains("目标位置: 5.500000mm"));
}

void TestSerialComDev::pollPosition()
{
    simSetPosition(m_handle, 2.0);
    SerialComDev worker;
    Start(worker);
    QSignalSpy pos(&worker, &SerialComDev::SigPosChanged);

    Poll(worker);
    QCOMPARE(pos.count(), 1);
    QCOMPARE(pos.at(0).at(0).toDouble(), 2.0);

    Poll(worker); // unchanged
    simSetPosition(m_handle, 2.0 + 2e-7);
    Poll(worker); // within the threshold
    QCOMPARE(pos.count(), 1);

    simSetPosition(m_handle, 2.0 + 5e-7);
    Poll(worker);
    QCOMPARE(pos.count(), 2);
    QCOMPARE(pos.at(1).at(0).toDouble(), 2.0 + 5e-7);

    // A failed read changes nothing, and the next good one compares with the last shown.
    simSetPosition(m_handle, 3.0);
    simFailNext("getPositon", 1);
    Poll(worker);
    QCOMPARE(pos.count(), 2);
    Poll(worker);
    QCOMPARE(pos.count(), 3);
    QCOMPARE(pos.at(2).at(0).toDouble(), 3.0);
}

void TestSerialComDev::pollLimitEdges()
{
    simSetPosition(m_handle, 5.0);
    SerialComDev worker;
    Start(worker);
    Poll(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    QSignalSpy status(&worker, &SerialComDev::SigStatusChanged);

    simSetPosition(m_handle, 0.0);
    Poll(worker);
    Poll(worker); // limit still set: no second message
    QCOMPARE(Lines(msgs), QStringList{"设备已运行到负限位位置！"});
    QCOMPARE(Warnings(msgs), QList<bool>{true});
    // A limit alone changing is signalled with the status word.
    QCOMPARE(status.size(), 1);
    QCOMPARE(status.first().at(5).toInt() & 0x18, 0x08);

    simSetPosition(m_handle, 13.0);
    Poll(worker);
    Poll(worker);
    simSetPosition(m_handle, 6.0);
    Poll(worker);
    simSetPosition(m_handle, 0.0);
    Poll(worker);
    QCOMPARE(Lines(msgs), (QStringList{"设备已运行到负限位位置！", "设备已运行到正限位位置！",
                                       "设备已运行到负限位位置！"}));
    QCOMPARE(Warnings(msgs), (QList<bool>{true, true, true}));
}

void TestSerialComDev::pollStatusBits()
{
    SerialComDev worker;
    Start(worker);
    QSignalSpy status(&worker, &SerialComDev::SigStatusChanged);
    Poll(worker);
    QCOMPARE(status.count(), 1); // from the initial word 0
    const QList<QVariant> first = status.takeFirst();
    QCOMPARE(first.at(4).toBool(), true); // motor connected

    Poll(worker);
    QCOMPARE(status.count(), 0);

    simSetControlDisabled(m_handle, 1);
    Poll(worker);
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(3).toBool(), true);
    QCOMPARE(status.at(0).at(0), first.at(0));
    QCOMPARE(status.at(0).at(1), first.at(1));
    QCOMPARE(status.at(0).at(2), first.at(2));
    status.clear();

    simSetControlDisabled(m_handle, 0);
    Poll(worker);
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(3).toBool(), false);
    status.clear();

    // The motor enable bit is shown.
    QCOMPARE(setMotorEnable(m_handle, first.at(1).toBool() ? 0 : 1), 0);
    Poll(worker);
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(1).toBool(), !first.at(1).toBool());
    status.clear();

    // Bit 0 (target reached) changing alone: nothing.
    QCOMPARE(setMotorEnable(m_handle, 1), 0);
    QCOMPARE(move(m_handle), 0); // to the pushed target 5.5
    simAdvanceClock(30000);
    Poll(worker);
    status.clear();
    uint16_t word = 0;
    QCOMPARE(getWorkStatus(m_handle, &word), 0);
    QVERIFY(word & 0x01);
    simSetPosition(m_handle, 5.0);
    QCOMPARE(getWorkStatus(m_handle, &word), 0);
    QVERIFY(!(word & 0x01));
    Poll(worker);
    simSetPosition(m_handle, 5.5);
    Poll(worker);
    QCOMPARE(status.count(), 0);
}

void TestSerialComDev::pollMotorConnection()
{
    simSetMotorConnected(m_handle, 0);
    SerialComDev worker;
    Start(worker);
    Poll(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    QSignalSpy status(&worker, &SerialComDev::SigStatusChanged);

    simSetMotorConnected(m_handle, 1);
    Poll(worker);
    QCOMPARE(Lines(msgs), (QStringList{"促动器电机已连接。", "促动器型号：QUMA-L1A，  序列号：ACT-77"}));
    QCOMPARE(Warnings(msgs), (QList<bool>{true, false}));
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(4).toBool(), true);

    simSetMotorConnected(m_handle, 0);
    Poll(worker);
    QCOMPARE(Lines(msgs).mid(2), QStringList{"促动器电机已断开。"});
    QCOMPARE(Warnings(msgs).mid(2), QList<bool>{true});
    QCOMPARE(status.count(), 2);
    QCOMPARE(status.at(1).at(4).toBool(), false);

    // A failed serial read drops only the model line.
    msgs.clear();
    simSetMotorConnected(m_handle, 1);
    simFailNext("readActuatorSerial", 1);
    Poll(worker);
    QCOMPARE(Lines(msgs), QStringList{"促动器电机已连接。"});

    // Same for a failed model read.
    simSetMotorConnected(m_handle, 0);
    Poll(worker);
    msgs.clear();
    simSetMotorConnected(m_handle, 1);
    simFailNext("readActuatorModel", 1);
    Poll(worker);
    QCOMPARE(Lines(msgs), QStringList{"促动器电机已连接。"});
}

void TestSerialComDev::pollDisconnect()
{
    SerialComDev worker;
    Start(worker);
    Poll(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    QSignalSpy lost(&worker, &SerialComDev::SigDisconnect);

    // Four failures and a good read: nothing, and the count starts again.
    simFailNext("getWorkStatus", 4);
    for (int i = 0; i < 5; ++i)
        Poll(worker);
    simFailNext("getWorkStatus", 4);
    for (int i = 0; i < 5; ++i)
        Poll(worker);
    QCOMPARE(msgs.count(), 0);
    QCOMPARE(lost.count(), 0);

    // Five failures: one warning and one signal, later failures are silent.
    simFailNext("getWorkStatus", 8);
    for (int i = 0; i < 4; ++i)
        Poll(worker);
    QCOMPARE(lost.count(), 0);
    Poll(worker);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(Lines(msgs), QStringList{"设备已断开……"});
    QCOMPARE(Warnings(msgs), QList<bool>{true});
    for (int i = 0; i < 3; ++i)
        Poll(worker);
    QCOMPARE(msgs.count(), 1);
    QCOMPARE(lost.count(), 1);

    // A device that comes back and is lost again is announced again.
    Poll(worker);
    simDetach(m_handle);
    for (int i = 0; i < 7; ++i)
        Poll(worker);
    QCOMPARE(lost.count(), 2);
    QCOMPARE(Lines(msgs).count("设备已断开……"), 2);
}

void TestSerialComDev::pollJogCount()
{
    simSetPosition(m_handle, 1.0);
    SerialComDev worker;
    JogParam jog = TestJog();
    jog.Times = 2;
    jog.Delay = 100;
    Start(worker);
    worker.SetJogParam(jog);
    worker.ParamChanged(6, 0x07);
    Poll(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);

    worker.JogRight();
    msgs.clear();
    for (int i = 0; i < 100 && !Lines(msgs).contains("步进  剩余次数: 0"); ++i) {
        simAdvanceClock(60);
        Poll(worker);
    }
    QStringList counts;
    for (const QString &line : Lines(msgs))
        if (line.startsWith("步进  剩余次数: "))
            counts << line;
    QCOMPARE(counts.last(), QStringLiteral("步进  剩余次数: 0"));
    QCOMPARE(counts.first(), QStringLiteral("步进  剩余次数: 2"));
    QCOMPARE(counts.size(), 3);
    QVERIFY(!Warnings(msgs).contains(true));

    // Once 0 has been logged the count is not read any more.
    simJournalClear();
    Poll(worker);
    Poll(worker);
    QVERIFY(!Names(Journal()).contains("getLeftJogTimes"));
    QVERIFY(!Names(Journal()).contains("getLeftCruiseTimes"));
}

void TestSerialComDev::pollCruiseCount()
{
    SerialComDev worker;
    Start(worker);
    CruiseParam cruise = TestCruise();
    cruise.Times = 1;
    cruise.StopTime = 50;
    worker.SetCruiseParam(cruise);
    Poll(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);

    worker.ParamChanged(9, 0x0f);
    for (int i = 0; i < 400 && !Lines(msgs).contains("巡航  剩余次数: 0"); ++i) {
        simAdvanceClock(60);
        Poll(worker);
    }
    QStringList counts;
    for (const QString &line : Lines(msgs))
        if (line.startsWith("巡航  剩余次数: "))
            counts << line;
    QCOMPARE(counts, (QStringList{"巡航  剩余次数: 1", "巡航  剩余次数: 0"}));

    simJournalClear();
    Poll(worker);
    QVERIFY(!Names(Journal()).contains("getLeftCruiseTimes"));

    // A stop ends the following of a running count.
    worker.ParamChanged(9, 0);
    worker.Stop();
    simJournalClear();
    Poll(worker);
    QVERIFY(!Names(Journal()).contains("getLeftCruiseTimes"));
}

void TestSerialComDev::threadedCallsNeverOverlap()
{
    simSetCallDelay(m_handle, 1);
    QThread thread;
    auto *worker = new SerialComDev;
    QPointer<SerialComDev> alive(worker);
    worker->moveToThread(&thread);
    connect(&thread, &QThread::started, worker, &SerialComDev::Init);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    thread.start();

    worker->SetDevHandle(m_handle);
    worker->SetAllParams(TestMove(), TestJog(), TestDrive(), TestCruise());
    QMetaObject::invokeMethod(worker, "InitParam", Qt::QueuedConnection);
    const int rounds = 60;
    for (int i = 0; i < rounds; ++i) {
        MoveParam move = TestMove();
        move.TargetPos = 1.0 + i * 0.1;
        worker->SetMoveParam(move); // from this thread while the worker runs
        QMetaObject::invokeMethod(worker, "ParamChanged", Qt::QueuedConnection, Q_ARG(int, 4),
                                  Q_ARG(unsigned int, 0x01));
        QMetaObject::invokeMethod(worker, "Move", Qt::QueuedConnection);
        QMetaObject::invokeMethod(worker, "Stop", Qt::QueuedConnection);
        QMetaObject::invokeMethod(worker, "JogLeft", Qt::QueuedConnection);
        if (i % 10 == 9) {
            // Polls run between the groups of commands.
            const int polls = Names(Journal()).count("getWorkStatus");
            QTRY_VERIFY_WITH_TIMEOUT(Names(Journal()).count("getWorkStatus") > polls, 10000);
        }
    }
    QMetaObject::invokeMethod(worker, "CloseDevice", Qt::QueuedConnection);
    QVERIFY(thread.wait(20000));
    QVERIFY(alive.isNull()); // deleted when its thread finished

    QCOMPARE(simOverlapCount(m_handle), 0);
    const QStringList journal = Journal();
    QCOMPARE(journal.last(), Call("closeDev(H)"));
    QCOMPARE(journal.count(Call("closeDev(H)")), 1);

    // Commands ran in the order they were queued, targets in order.
    const QStringList commands = WithoutPoll(journal);
    QCOMPARE(commands.count(Call("move(H)")), rounds);
    int index = Names(commands).indexOf("setTargetPos", 1); // after InitParam's own
    for (int i = 0; i < rounds; ++i) {
        QVERIFY(index >= 0);
        QCOMPARE(Names(commands.mid(index, 4)), (QStringList{"setTargetPos", "move", "stop", "jog"}));
        index += 4;
    }
    QCOMPARE(commands.value(index), Call("closeDev(H)"));
}

void TestSerialComDev::closeAfterHangingCall()
{
    QThread thread;
    auto *worker = new SerialComDev;
    worker->moveToThread(&thread);
    connect(&thread, &QThread::started, worker, &SerialComDev::Init);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    thread.start();
    worker->SetDevHandle(m_handle);
    QMetaObject::invokeMethod(worker, "InitParam", Qt::BlockingQueuedConnection);
    // Init made the poll timer on the worker's thread; InitParam started it.
    const QTimer *poll = worker->findChild<QTimer *>();
    QVERIFY(poll);
    QCOMPARE(poll->thread(), &thread);
    QCOMPARE(poll->interval(), 60);
    QVERIFY(poll->isActive());

    // Each call now takes a second; the close is queued behind a hanging home,
    // with more commands behind it.
    simSetCallDelay(m_handle, 1000);
    QMetaObject::invokeMethod(worker, "Home", Qt::QueuedConnection);
    QMetaObject::invokeMethod(worker, "CloseDevice", Qt::QueuedConnection);
    QMetaObject::invokeMethod(worker, "Move", Qt::QueuedConnection);
    QMetaObject::invokeMethod(worker, "Stop", Qt::QueuedConnection);

    // The caller gives up after 300 ms without blocking any further.
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!thread.wait(300));
    QVERIFY(timer.elapsed() < 1500); // well before the device is closed (2 s of calls)

    QVERIFY(thread.wait(20000));
    const QStringList journal = Journal();
    const int home = journal.lastIndexOf(Call("restore(H)"));
    const int close = journal.indexOf(Call("closeDev(H)"));
    QVERIFY(home >= 0);
    QVERIFY(close > home);
    QCOMPARE(close, journal.size() - 1); // nothing after, no poll and no queued command
    QVERIFY(!journal.contains(Call("move(H)")));
    QCOMPARE(simOverlapCount(m_handle), 0);
    simSetCallDelay(m_handle, 0);
}

// A jog or cruise that did not start has no counts to read; one that ended
// before the first poll still logs its final 0, and reading stops there.
void TestSerialComDev::countsFollowOnlyRunsThatStarted()
{
    SerialComDev worker;
    Start(worker);
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    simFailNext("jog", 1);
    worker.JogRight();
    simFailNext("cruise", 1);
    worker.ParamChanged(9, 0);
    simJournalClear();
    Poll(worker);
    QVERIFY(!Names(Journal()).contains("getLeftJogTimes"));
    QVERIFY(!Names(Journal()).contains("getLeftCruiseTimes"));

    worker.JogRight();
    simAdvanceClock(60000);
    msgs.clear();
    Poll(worker);
    QVERIFY(Lines(msgs).contains("步进  剩余次数: 0"));
    simJournalClear();
    Poll(worker);
    QVERIFY(!Names(Journal()).contains("getLeftJogTimes"));
}

// After the model changed to a shorter one, a held position beyond its
// travel is refused with a line that says so, and nothing moves.
void TestSerialComDev::nothingSentBeyondTheTravel()
{
    SerialComDev worker;
    Start(worker);
    MoveParam move = TestMove();
    move.TargetPos = 10.0;
    worker.SetMoveParam(move);
    worker.ParamChanged(4, 0x01);
    CruiseParam cruise = TestCruise();
    cruise.EndPos = 8.0;
    worker.SetCruiseParam(cruise);
    worker.SetManualModel(1); // 6 mm
    QSignalSpy msgs(&worker, &SerialComDev::SigOutputMsg);
    simJournalClear();
    worker.Move();
    worker.ParamChanged(9, 0x02);
    QVERIFY(!Names(Journal()).contains("move"));
    QVERIFY(!Names(Journal()).contains("cruise"));
    QVERIFY(!Names(Journal()).contains("setCruiseEndPos"));
    QCOMPARE(Lines(msgs).value(0), QStringLiteral("移动\n目标位置 10.000000mm 超出行程 [0-6]mm, 未执行\n操作失败"));
    QVERIFY(Lines(msgs).value(1).startsWith("巡航\n最终位置 8.000000mm 超出行程"));

    // Within the travel it moves as before.
    move.TargetPos = 5.0;
    worker.SetMoveParam(move);
    worker.ParamChanged(4, 0x01);
    worker.Move();
    QVERIFY(Names(Journal()).contains("move"));
}

QTEST_GUILESS_MAIN(TestSerialComDev)
#include "tst_serialcomdev.moc"
