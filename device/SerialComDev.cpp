#include "device/SerialComDev.h"

#include "device/ActuatorModel.h"
#include "device/LibraryText.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QReadLocker>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QWaitCondition>
#include <QWriteLocker>

#include <cmath>

namespace {

const char *const kOpNames[] = {
    QT_TRANSLATE_NOOP("SerialComDev", "回原点"),
    QT_TRANSLATE_NOOP("SerialComDev", "停止"),
    QT_TRANSLATE_NOOP("SerialComDev", "使能设备"),
    QT_TRANSLATE_NOOP("SerialComDev", "移动"),
    QT_TRANSLATE_NOOP("SerialComDev", "设置移动参数"),
    QT_TRANSLATE_NOOP("SerialComDev", "步进"),
    QT_TRANSLATE_NOOP("SerialComDev", "设置步进参数"),
    QT_TRANSLATE_NOOP("SerialComDev", "推进"),
    QT_TRANSLATE_NOOP("SerialComDev", "设置推进参数"),
    QT_TRANSLATE_NOOP("SerialComDev", "巡航"),
    QT_TRANSLATE_NOOP("SerialComDev", "设置按钮参数"),
    QT_TRANSLATE_NOOP("SerialComDev", "设置触发参数"),
    QT_TRANSLATE_NOOP("SerialComDev", "手动设置促动器型号"),
};
constexpr int kNamedOps = int(sizeof(kOpNames) / sizeof(kOpNames[0]));

constexpr int kPollIntervalMs = 60;
constexpr double kPosFailed = -10000.0;
constexpr double kPosThreshold = 3e-7;
constexpr int kDisconnectFails = 5;

// Status word bits.
constexpr uint16_t kStopped = 1u << 2;
constexpr uint16_t kLeftLimit = 1u << 3;
constexpr uint16_t kRightLimit = 1u << 4;
constexpr uint16_t kEnabled = 1u << 5;
constexpr uint16_t kHomed = 1u << 6;
constexpr uint16_t kCtrlDisabled = 1u << 7;
constexpr uint16_t kMotorConnected = 1u << 8;
// Bits whose change is signalled: those the panel shows, and the limits,
// which the position chart and the recording keep.
constexpr uint16_t kShownBits =
    kStopped | kLeftLimit | kRightLimit | kEnabled | kHomed | kCtrlDisabled | kMotorConnected;

// Devices held by workers, with the number of workers holding each. Never
// destroyed: a worker whose call hangs may outlive everything else at exit.
struct HeldDevices
{
    QMutex mutex;
    QWaitCondition released;
    QHash<DevHandle, int> count;
};

HeldDevices &Held()
{
    static HeldDevices *held = new HeldDevices;
    return *held;
}

QString F6(double v)
{
    return QString::number(v, 'f', 6);
}

QString F2(float v)
{
    return QString::number(double(v), 'f', 2);
}

} // namespace

SerialComDev::SerialComDev(QObject *parent)
    : QObject(parent)
{
}

SerialComDev::~SerialComDev()
{
    HoldDevice(-1);
}

void SerialComDev::SetDevHandle(DevHandle handle)
{
    HoldDevice(handle);
    m_handle.store(handle);
}

void SerialComDev::HoldDevice(DevHandle handle)
{
    HeldDevices &held = Held();
    QMutexLocker locker(&held.mutex);
    if (handle == m_heldHandle)
        return;
    if (m_heldHandle != -1) {
        if (--held.count[m_heldHandle] <= 0)
            held.count.remove(m_heldHandle);
        held.released.wakeAll();
    }
    m_heldHandle = handle;
    if (handle != -1)
        ++held.count[handle];
}

bool SerialComDev::IsDevHeld(DevHandle handle)
{
    HeldDevices &held = Held();
    QMutexLocker locker(&held.mutex);
    return held.count.contains(handle);
}

bool SerialComDev::WaitDevReleased(DevHandle handle, int timeoutMs)
{
    HeldDevices &held = Held();
    const QDeadlineTimer deadline(timeoutMs);
    QMutexLocker locker(&held.mutex);
    while (held.count.contains(handle)) {
        if (!held.released.wait(&held.mutex, deadline))
            return !held.count.contains(handle);
    }
    return true;
}

DevHandle SerialComDev::GetDevHandle() const
{
    return m_handle.load();
}

void SerialComDev::SetAllParams(const MoveParam &moveParam, const JogParam &jogParam,
                                const DriveParam &driveParam, const CruiseParam &cruiseParam)
{
    QWriteLocker locker(&m_lock);
    m_moveParam = moveParam;
    m_jogParam = jogParam;
    m_driveParam = driveParam;
    m_cruiseParam = cruiseParam;
}

void SerialComDev::SetMoveParam(const MoveParam &param)
{
    QWriteLocker locker(&m_lock);
    m_moveParam = param;
    m_driveParam.Speed = param.Speed;
    m_driveParam.Acc = param.Acc;
}

void SerialComDev::SetDriveParam(const DriveParam &param)
{
    QWriteLocker locker(&m_lock);
    m_driveParam = param;
    m_moveParam.Speed = param.Speed;
    m_moveParam.Acc = param.Acc;
}

void SerialComDev::SetJogParam(const JogParam &param)
{
    QWriteLocker locker(&m_lock);
    m_jogParam = param;
}

void SerialComDev::SetCruiseParam(const CruiseParam &param)
{
    QWriteLocker locker(&m_lock);
    m_cruiseParam = param;
}

void SerialComDev::SetBtnParam(const BtnParam &param)
{
    QWriteLocker locker(&m_lock);
    m_btnParam = param;
}

void SerialComDev::SetTriParam(const TriParam &io1, const TriParam &io2)
{
    QWriteLocker locker(&m_lock);
    m_triParam[0] = io1;
    m_triParam[1] = io2;
}

BtnParam SerialComDev::CopyBtnParam() const
{
    QReadLocker locker(&m_lock);
    return m_btnParam;
}

QString SerialComDev::GetActuatorSerial() const
{
    QReadLocker locker(&m_lock);
    return m_actuatorSerial;
}

void SerialComDev::Init()
{
    if (m_timer)
        return;
    m_timer = new QTimer(this);
    // A coarse timer may fire up to 5 % late and its lateness adds up, so
    // the period would average more than 60 ms.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(kPollIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &SerialComDev::UpdateStatus);
}

void SerialComDev::InitParam()
{
    if (m_closed)
        return;
    MoveParam move;
    JogParam jog;
    DriveParam drive;
    CruiseParam cruise;
    {
        QReadLocker locker(&m_lock);
        move = m_moveParam;
        jog = m_jogParam;
        drive = m_driveParam;
        cruise = m_cruiseParam;
    }

    const DevHandle h = m_handle.load();
    setTargetPos(h, move.TargetPos);
    setSpeed(h, move.Speed);
    setAcc(h, move.Acc);
    setJerk(h, uint16_t(move.JerkChecked ? move.Jerk : 0));
    setJogStep(h, jog.Step);
    setJogDelay(h, jog.Delay);
    setJogTimes(h, jog.Times);
    setRelativePos(h, drive.Offset);
    setRelativePosEnable(h, drive.Enable ? 1 : 0);
    setCruiseBeginPos(h, cruise.BeginPos);
    setCruiseEndPos(h, cruise.EndPos);
    setCruiseStopTime(h, cruise.StopTime);
    setCruiseTimes(h, cruise.Times);

    // A failed read keeps the previous button parameters.
    BtnParam btn;
    if (getBtnParam(h, &btn.speed, &btn.mode, &btn.jogStep, &btn.pos1, &btn.pos2,
                    &btn.backLightLevel, &btn.backSleepLevel, &btn.backDormant) == 0) {
        QWriteLocker locker(&m_lock);
        m_btnParam = btn;
    }

    const int nModel = readActuatorModel(h);

    char buffer[kLibraryTextSize] = {};
    if (readActuatorSerial(h, buffer, kLibraryTextSize) == 0) {
        const QString serial = TextFromBuffer(buffer, kLibraryTextSize);
        QWriteLocker locker(&m_lock);
        m_actuatorSerial = serial;
    }

    emit SigParamInited(nModel);

    m_inited = true;
    if (m_timer)
        m_timer->start();
    ReportEntry({OpInfo, tr("初始化运动轴参数成功"), OutcomeNone});
}

bool SerialComDev::CheckInited(int opType)
{
    if (m_inited)
        return true;
    ReportEntry({opType, tr("  初始化未完成"), OutcomeNone});
    return false;
}

void SerialComDev::ReportEntry(const LogEntry &entry)
{
    QString line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) + QLatin1Char('\n');
    if (entry.opType >= 0 && entry.opType < kNamedOps)
        line += tr(kOpNames[entry.opType]);
    line += entry.text;
    if (entry.outcome == OutcomeSuccess)
        line += tr("操作成功");
    else if (entry.outcome == OutcomeFailure)
        line += tr("操作失败");
    emit SigOutputMsg(line, entry.opType == OpDevEvent, entry.opType, entry.outcome);
}

void SerialComDev::Report(int opType, const QString &text, int status)
{
    ReportEntry({opType, text, status < 0 ? OutcomeFailure : OutcomeSuccess});
}

QString SerialComDev::EnableWord(bool enabled) const
{
    return enabled ? tr("使能") : tr("未使能");
}

QString SerialComDev::MoveText(const MoveParam &param) const
{
    return tr("\n目标位置: %1mm\n速度: %2mm/s   加速度: %3mm/s²\n弓形参数: %4   弓形参数使能: %5\n")
        .arg(F6(param.TargetPos))
        .arg(F2(param.Speed))
        .arg(F2(param.Acc))
        .arg(param.JerkChecked ? param.Jerk : 0)
        .arg(EnableWord(param.JerkChecked));
}

void SerialComDev::Home()
{
    if (m_closed || !CheckInited(OpHome))
        return;
    const int status = restore(m_handle.load());
    Report(OpHome, tr("  "), status);
    m_countMode = CountNone;
}

void SerialComDev::Stop()
{
    if (m_closed || !CheckInited(OpStop))
        return;
    const int status = stop(m_handle.load());
    Report(OpStop, tr("  "), status);
    m_countMode = CountNone;
}

void SerialComDev::Enable(bool bChecked)
{
    if (m_closed || !CheckInited(OpEnable))
        return;
    const int status = setMotorEnable(m_handle.load(), bChecked ? 1 : 0);
    Report(OpEnable, tr("  %1  ").arg(EnableWord(bChecked)), status);
    m_countMode = CountNone;
}

void SerialComDev::Move()
{
    if (m_closed || !CheckInited(OpMove))
        return;
    MoveParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_moveParam;
    }
    const int status = move(m_handle.load());
    Report(OpMove, MoveText(param), status);
    m_countMode = CountNone;
}

void SerialComDev::JogRight()
{
    Jog(0);
}

void SerialComDev::JogLeft()
{
    Jog(1);
}

void SerialComDev::Jog(int direction)
{
    if (m_closed || !CheckInited(OpJog))
        return;
    JogParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_jogParam;
    }
    const int status = jog(m_handle.load(), direction);
    const QString text = direction == 0
        ? tr("\n正方向  步长: %1mm  延时: %2ms  次数: %3\n")
        : tr("\n负方向  步长: %1mm  延时: %2ms  次数: %3\n");
    Report(OpJog, text.arg(F6(param.Step)).arg(param.Delay).arg(param.Times), status);
    m_lastCount = 0;
    m_countMode = CountJog;
}

void SerialComDev::DriveRight()
{
    Drive(0);
}

void SerialComDev::DriveLeft()
{
    Drive(1);
}

void SerialComDev::Drive(int direction)
{
    if (m_closed || !CheckInited(OpDrive))
        return;
    DriveParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_driveParam;
    }
    const int status = drive(m_handle.load(), direction);
    const QString text = direction == 0
        ? tr("\n正方向  相对位移: %1mm\n相对位移使能: %2\n速度: %3mm/s  加速度: %4mm/s²\n")
        : tr("\n负方向  相对位移: %1mm\n相对位移使能: %2\n速度: %3mm/s  加速度: %4mm/s²\n");
    Report(OpDrive,
           text.arg(F6(param.Offset)).arg(EnableWord(param.Enable)).arg(F2(param.Speed)).arg(F2(param.Acc)),
           status);
    m_countMode = CountNone;
}

void SerialComDev::SetManualModel(int nModel)
{
    if (m_closed || !CheckInited(OpSetManualModel))
        return;
    const int status = setActuatorModel(m_handle.load(), uint16_t(nModel));
    Report(OpSetManualModel, tr("  "), status);
}

void SerialComDev::ParamChanged(int nType, unsigned int nChanged)
{
    if (m_closed)
        return;
    switch (nType) {
    case OpSetMoveParam:
        PushMoveParam(nChanged);
        break;
    case OpSetJogParam:
        PushJogParam(nChanged);
        break;
    case OpSetDriveParam:
        PushDriveParam(nChanged);
        break;
    case OpCruise:
        PushCruiseParam(nChanged);
        break;
    case OpSetBtnParam:
        PushBtnParam(nChanged);
        break;
    case OpSetTriParam:
        PushTriParam();
        break;
    default:
        break;
    }
}

// Each push below adds up the statuses of the calls it makes: the batch
// fails only when the sum is negative.

void SerialComDev::PushMoveParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetMoveParam))
        return;
    MoveParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_moveParam;
    }
    const DevHandle h = m_handle.load();
    int sum = 0;
    if (nChanged & 0x01)
        sum += setTargetPos(h, param.TargetPos);
    if (nChanged & 0x02)
        sum += setSpeed(h, param.Speed);
    if (nChanged & 0x04)
        sum += setAcc(h, param.Acc);
    if (nChanged & 0x10)
        sum += setJerk(h, uint16_t(param.JerkChecked ? param.Jerk : 0));
    Report(OpSetMoveParam, MoveText(param), sum);
}

void SerialComDev::PushJogParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetJogParam))
        return;
    JogParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_jogParam;
    }
    const DevHandle h = m_handle.load();
    int sum = 0;
    if (nChanged & 0x01)
        sum += setJogStep(h, param.Step);
    if (nChanged & 0x02)
        sum += setJogDelay(h, param.Delay);
    if (nChanged & 0x04)
        sum += setJogTimes(h, param.Times);
    Report(OpSetJogParam,
           tr("\n步长: %1mm  延时: %2ms  次数: %3\n").arg(F6(param.Step)).arg(param.Delay).arg(param.Times),
           sum);
}

void SerialComDev::PushDriveParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetDriveParam))
        return;
    DriveParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_driveParam;
    }
    const DevHandle h = m_handle.load();
    int sum = 0;
    if (nChanged & 0x01)
        sum += setRelativePos(h, param.Offset);
    if (nChanged & 0x02)
        sum += setRelativePosEnable(h, param.Enable ? 1 : 0);
    if (nChanged & 0x04)
        sum += setSpeed(h, param.Speed);
    if (nChanged & 0x08)
        sum += setAcc(h, param.Acc);
    Report(OpSetDriveParam,
           tr("\n相对位移: %1mm  相对位移使能: %2\n速度: %3mm/s  加速度: %4mm/s²\n")
               .arg(F6(param.Offset))
               .arg(EnableWord(param.Enable))
               .arg(F2(param.Speed))
               .arg(F2(param.Acc)),
           sum);
}

void SerialComDev::PushCruiseParam(unsigned int nChanged)
{
    if (!CheckInited(OpCruise))
        return;
    CruiseParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_cruiseParam;
    }
    const DevHandle h = m_handle.load();
    int sum = 0;
    if (nChanged & 0x01)
        sum += setCruiseBeginPos(h, param.BeginPos);
    if (nChanged & 0x02)
        sum += setCruiseEndPos(h, param.EndPos);
    if (nChanged & 0x04)
        sum += setCruiseStopTime(h, param.StopTime);
    if (nChanged & 0x08)
        sum += setCruiseTimes(h, param.Times);
    sum += cruise(h);
    Report(OpCruise,
           tr("\n初始位置: %1mm  最终位置: %2mm\n停留时间: %3ms  巡航次数:%4\n")
               .arg(F6(param.BeginPos))
               .arg(F6(param.EndPos))
               .arg(param.StopTime)
               .arg(param.Times),
           sum);
    m_lastCount = 0;
    m_countMode = CountCruise;
}

void SerialComDev::PushBtnParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetBtnParam))
        return;
    BtnParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_btnParam;
    }
    const DevHandle h = m_handle.load();
    int sum = 0;
    if (nChanged & 0x01)
        sum += setBtnSpeed(h, param.speed);
    if (nChanged & 0x02)
        sum += setBtnMode(h, param.mode);
    if (nChanged & 0x04)
        sum += setBtnJogStep(h, param.jogStep);
    if (nChanged & 0x08)
        sum += setBtnPos1(h, param.pos1);
    if (nChanged & 0x10)
        sum += setBtnPos2(h, param.pos2);
    if (nChanged & 0x20)
        sum += setBackLightLevel(h, param.backLightLevel);
    if (nChanged & 0x40)
        sum += setBackSleepLevel(h, param.backSleepLevel);
    if (nChanged & 0x80)
        sum += setBackDormant(h, param.backDormant);

    QString modeName;
    if (param.mode == 0)
        modeName = tr("速度模式");
    else if (param.mode == 1)
        modeName = tr("步进模式");
    else if (param.mode == 2)
        modeName = tr("位置模式");
    Report(OpSetBtnParam,
           tr("\n速度: %1mm  模式: %2\n步长: %3mm  位置1: %4mm\n位置2: %5mm\n"
              "背光亮度等级: %6, 背光睡眠等级: %7\n休眠时间: %8min\n")
               .arg(F2(param.speed))
               .arg(modeName)
               .arg(F6(param.jogStep))
               .arg(F6(param.pos1))
               .arg(F6(param.pos2))
               .arg(param.backLightLevel)
               .arg(param.backSleepLevel)
               .arg(param.backDormant),
           sum);
}

void SerialComDev::PushTriParam()
{
    if (!CheckInited(OpSetTriParam))
        return;
    const DevHandle h = m_handle.load();
    int sum = 0;
    QString text = QStringLiteral("\n");
    for (int n = 1; n <= 2; ++n) {
        TriParam param;
        {
            QReadLocker locker(&m_lock);
            param = m_triParam[n - 1];
        }
        sum += n == 1 ? setIO1TriggerMode(h, param.ioMode) : setIO2TriggerMode(h, param.ioMode);
        if (param.ioMode == 1) {
            sum += setTriggerInMode(h, param.inMode);
            const double disp = n == 1 ? param.inDisp1 : param.inDisp2;
            sum += n == 1 ? setIO1TriggerInDisp(h, disp) : setIO2TriggerInDisp(h, disp);
            text += tr("IO%1: 触发输入, %2, 相对位移 %3")
                        .arg(n)
                        .arg(param.inMode == 1 ? tr("上升沿触发") : tr("下降沿触发"))
                        .arg(F6(disp));
        } else {
            sum += setTriggerOutMode(h, param.outMode);
            sum += setTriggerOutCondition(h, param.outCondition);
            sum += setTriggerTime(h, param.outTime);
            QString condition;
            if (param.outCondition == 1)
                condition = tr("电机运动");
            else if (param.outCondition == 2)
                condition = tr("到达指定位置");
            else if (param.outCondition == 3)
                condition = tr("达到最大速度");
            text += tr("IO%1: 触发输出, %2, %3, 输出电平时间 %4")
                        .arg(n)
                        .arg(param.outMode == 1 ? tr("高电平") : tr("低电平"))
                        .arg(condition)
                        .arg(param.outTime);
        }
        text += QLatin1Char('\n');
    }
    Report(OpSetTriParam, text, sum);
}

void SerialComDev::CloseDevice()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_timer)
        m_timer->stop();
    const DevHandle h = m_handle.load();
    if (h != -1)
        closeDev(h);
    HoldDevice(-1);
    // The application's own thread is never stopped from here.
    QThread *own = thread();
    const QCoreApplication *app = QCoreApplication::instance();
    if (own && (!app || own != app->thread()))
        own->quit();
}

void SerialComDev::UpdateStatus()
{
    if (m_closed)
        return;
    const DevHandle h = m_handle.load();

    const double pos = getPositon(h);
    if (pos > kPosFailed && std::fabs(m_lastPos - pos) > kPosThreshold) {
        m_lastPos = pos;
        emit SigPosChanged(pos);
    }

    uint16_t st = 0;
    if (getWorkStatus(h, &st) != 0) {
        // Counted up to the fifth failure only: the loss is announced once.
        if (failCount < kDisconnectFails && ++failCount == kDisconnectFails) {
            ReportEntry({OpDevEvent, tr("设备已断开……"), OutcomeNone});
            emit SigDisconnect();
        }
    } else {
        const uint16_t prev = m_lastStatus;
        const uint16_t rising = st & ~prev;
        if (rising & kLeftLimit)
            ReportEntry({OpDevEvent, tr("设备已运行到负限位位置！"), OutcomeNone});
        if (rising & kRightLimit)
            ReportEntry({OpDevEvent, tr("设备已运行到正限位位置！"), OutcomeNone});
        const uint16_t changed = st ^ prev;
        if (changed & kShownBits) {
            emit SigStatusChanged(st & kStopped, st & kEnabled, st & kHomed, st & kCtrlDisabled,
                                  st & kMotorConnected, st);
        }
        if (changed & kMotorConnected) {
            if (st & kMotorConnected) {
                ReportEntry({OpDevEvent, tr("促动器电机已连接。"), OutcomeNone});
                char buffer[kLibraryTextSize] = {};
                const int serialStatus = readActuatorSerial(h, buffer, kLibraryTextSize);
                const int model = readActuatorModel(h);
                if (serialStatus >= 0 && model >= 0) {
                    ReportEntry({OpInfo,
                                 tr("促动器型号：%1，  序列号：%2")
                                     .arg(GetActuatorModel(int16_t(model)).name,
                                          TextFromBuffer(buffer, kLibraryTextSize)),
                                 OutcomeNone});
                }
            } else {
                ReportEntry({OpDevEvent, tr("促动器电机已断开。"), OutcomeNone});
            }
        }
        m_lastStatus = st;
        failCount = 0;
    }

    FollowCount(h);
}

void SerialComDev::FollowCount(DevHandle handle)
{
    if (m_countMode != CountCruise && m_countMode != CountJog)
        return;
    const bool cruising = m_countMode == CountCruise;
    const int n = cruising ? getLeftCruiseTimes(handle) : getLeftJogTimes(handle);
    if (n < 0 || n == m_lastCount)
        return;
    m_lastCount = n;
    ReportEntry({cruising ? OpCruise : OpJog, tr("  剩余次数: %1").arg(n), OutcomeNone});
    if (n == 0)
        m_countMode = CountNone;
}
