#include "device/SerialComDev.h"

#include "device/ActuatorModel.h"
#include "device/DeviceOwners.h"
#include "device/LibraryText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutex>
#include <QReadLocker>
#include <QScopedValueRollback>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QWriteLocker>

#include <cmath>
#include <limits>
#include <utility>

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
// A script's motion command that shows neither motion nor its end: after
// this many polls it started none (a motor that cannot move, a limit).
constexpr int kQuietPolls = 3;

// Status word bits.
constexpr uint16_t kStopped = 1u << 2;
constexpr uint16_t kLeftLimit = 1u << 3;
constexpr uint16_t kRightLimit = 1u << 4;
constexpr uint16_t kEnabled = 1u << 5;
constexpr uint16_t kHomed = 1u << 6;
constexpr uint16_t kCtrlDisabled = 1u << 7;
constexpr uint16_t kMotorConnected = 1u << 8;
// Bits the panel shows; a change of any other bit is signalled with the word
// alone.
constexpr uint16_t kShownBits = kStopped | kEnabled | kHomed | kCtrlDisabled | kMotorConnected;

// Statuses of the calls of one push: the push fails when any call failed,
// whatever the others returned.
class BatchStatus
{
public:
    // True when the call succeeded.
    bool Add(int status)
    {
        if (status < 0)
            m_failed = true;
        return status >= 0;
    }
    bool Failed() const { return m_failed; }
    int Status() const { return m_failed ? -1 : 0; }

private:
    bool m_failed = false;
};

// One field of a push: on success the device holds the value tried, on
// failure the value tried goes back to what the device holds. True on success.
template <typename T>
bool Track(BatchStatus &batch, int status, T &tried, T &sent)
{
    if (batch.Add(status)) {
        sent = tried;
        return true;
    }
    tried = sent;
    return false;
}

// Status of a field that was not sent because its push was refused as a whole.
constexpr int kNotSent = -1;

constexpr unsigned int kAllBtnFields = 0xff;

// After a refused push: each field of current that still holds what the push
// tried takes what the device holds. A field set anew meanwhile keeps its
// value, its own push follows; fields the push did not refuse are the same in
// tried and device.
template <typename Group, typename... T>
void KeepDeviceValues(Group &current, const Group &tried, const Group &device, T Group::*... fields)
{
    ((current.*fields = current.*fields == tried.*fields ? device.*fields : current.*fields), ...);
}

// Move and drive hold the device's one speed and acceleration each.
template <typename Other, typename Group>
void KeepDeviceSpeedAcc(Other &other, const Group &tried, const Group &device)
{
    if (other.Speed == tried.Speed)
        other.Speed = device.Speed;
    if (other.Acc == tried.Acc)
        other.Acc = device.Acc;
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
    QMutexLocker locker(&m_holdMutex);
    if (handle == m_heldHandle)
        return;
    if (m_heldHandle != -1)
        DeviceOwners::Release(m_heldHandle, DeviceOwners::PanelOwner);
    m_heldHandle = handle;
    if (handle != -1)
        DeviceOwners::Acquire(handle, DeviceOwners::PanelOwner);
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

BtnParam SerialComDev::CopyBtnParam(unsigned int *known) const
{
    QReadLocker locker(&m_lock);
    if (known)
        *known = m_btnKnown;
    return m_btnParam;
}

MoveParam SerialComDev::CopyMoveParam() const
{
    QReadLocker locker(&m_lock);
    return m_moveParam;
}

JogParam SerialComDev::CopyJogParam() const
{
    QReadLocker locker(&m_lock);
    return m_jogParam;
}

DriveParam SerialComDev::CopyDriveParam() const
{
    QReadLocker locker(&m_lock);
    return m_driveParam;
}

CruiseParam SerialComDev::CopyCruiseParam() const
{
    QReadLocker locker(&m_lock);
    return m_cruiseParam;
}

void SerialComDev::StopWork()
{
    m_stopping.store(true);
    QMetaObject::invokeMethod(this, "ConfirmWorkStopped", Qt::QueuedConnection);
}

bool SerialComDev::WaitWorkStopped(int timeoutMs)
{
    if (!m_workStopped.tryAcquire(1, timeoutMs))
        return false;
    m_workStopped.release();
    return true;
}

// Runs after every slot queued before StopWork, all of which did nothing.
void SerialComDev::ConfirmWorkStopped()
{
    if (m_timer)
        m_timer->stop();
    m_workStopped.release();
}

bool SerialComDev::Stopped() const
{
    return m_closed || m_stopping.load();
}

QString SerialComDev::GetActuatorSerial() const
{
    QReadLocker locker(&m_lock);
    return m_actuatorSerial;
}

DeviceState SerialComDev::CopyState() const
{
    QMutexLocker locker(&m_stateMutex);
    return m_state;
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
    if (Stopped())
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
    BatchStatus moveBatch;
    moveBatch.Add(setTargetPos(h, move.TargetPos));
    moveBatch.Add(setSpeed(h, move.Speed));
    moveBatch.Add(setAcc(h, move.Acc));
    moveBatch.Add(setJerk(h, uint16_t(move.JerkChecked ? move.Jerk : 0)));
    BatchStatus jogBatch;
    jogBatch.Add(setJogStep(h, jog.Step));
    jogBatch.Add(setJogDelay(h, jog.Delay));
    jogBatch.Add(setJogTimes(h, jog.Times));
    BatchStatus driveBatch;
    driveBatch.Add(setRelativePos(h, drive.Offset));
    driveBatch.Add(setRelativePosEnable(h, drive.Enable ? 1 : 0));
    BatchStatus cruiseBatch;
    cruiseBatch.Add(setCruiseBeginPos(h, cruise.BeginPos));
    cruiseBatch.Add(setCruiseEndPos(h, cruise.EndPos));
    cruiseBatch.Add(setCruiseStopTime(h, cruise.StopTime));
    cruiseBatch.Add(setCruiseTimes(h, cruise.Times));
    // What a failed push left in the device is unknown; the values tried are
    // the best guess, and the log says which groups they are.
    m_sentMove = move;
    m_sentJog = jog;
    m_sentDrive = drive;
    m_sentCruise = cruise;

    // A failed read keeps the previous button parameters, none of them known.
    BtnParam btn;
    if (getBtnParam(h, &btn.speed, &btn.mode, &btn.jogStep, &btn.pos1, &btn.pos2,
                    &btn.backLightLevel, &btn.backSleepLevel, &btn.backDormant) == 0) {
        m_sentBtn = btn;
        QWriteLocker locker(&m_lock);
        m_btnParam = btn;
        m_btnKnown = kAllBtnFields;
    } else {
        ReportEntry({OpInfo, tr("读取按钮参数失败: 设备中的按钮参数未知"), OutcomeNone});
    }

    const int nModel = readActuatorModel(h);
    m_travelMm = GetActuatorModelOf(nModel).travelMm;

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
    QStringList failed;
    if (moveBatch.Failed())
        failed << tr("移动参数");
    if (jogBatch.Failed())
        failed << tr("步进参数");
    if (driveBatch.Failed())
        failed << tr("推进参数");
    if (cruiseBatch.Failed())
        failed << tr("巡航参数");
    if (failed.isEmpty())
        ReportEntry({OpInfo, tr("初始化运动轴参数成功"), OutcomeNone});
    else
        ReportEntry({OpInfo, tr("初始化运动轴参数失败: %1 未能写入设备, 设备中的这些参数未知")
                                 .arg(failed.join(tr(", "))),
                     OutcomeNone});
}

bool SerialComDev::CheckInited(int opType)
{
    if (m_inited)
        return true;
    ReportEntry({opType, tr("  初始化未完成"), OutcomeNone});
    if (m_markScript && !m_scriptFailed) {
        m_scriptFailed = true;
        m_scriptFailure = tr("初始化未完成");
    }
    return false;
}

void SerialComDev::ReportEntry(const LogEntry &entry)
{
    const QDateTime now = QDateTime::currentDateTime();
    QString line = now.toString(QStringLiteral("hh:mm:ss")) + QLatin1Char('\n');
    QString body;
    if (m_markScript)
        body += tr("[脚本] ");
    if (entry.opType >= 0 && entry.opType < kNamedOps)
        body += tr(kOpNames[entry.opType]);
    body += entry.text;
    if (entry.outcome == OutcomeSuccess)
        body += tr("操作成功");
    else if (entry.outcome == OutcomeFailure)
        body += tr("操作失败");
    if (m_markScript && entry.outcome == OutcomeFailure && !m_scriptFailed) {
        m_scriptFailed = true;
        m_scriptFailure = body.simplified();
    }
    emit SigOutputMsg(line + body, entry.opType == OpDevEvent, entry.opType, entry.outcome,
                      now.toMSecsSinceEpoch());
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
    if (Stopped() || !CheckInited(OpHome))
        return;
    const int status = restore(m_handle.load());
    Report(OpHome, tr("  "), status);
    m_countMode = CountNone;
}

void SerialComDev::Stop()
{
    if (Stopped() || !CheckInited(OpStop))
        return;
    const int status = stop(m_handle.load());
    Report(OpStop, tr("  "), status);
    m_countMode = CountNone;
}

void SerialComDev::Enable(bool bChecked)
{
    if (Stopped() || !CheckInited(OpEnable))
        return;
    const int status = setMotorEnable(m_handle.load(), bChecked ? 1 : 0);
    Report(OpEnable, tr("  %1  ").arg(EnableWord(bChecked)), status);
    m_countMode = CountNone;
}

// A position beyond the travel of the model the device reports is never
// sent or acted on: the model may have changed since the value was confirmed.
bool SerialComDev::CheckTravel(int opType, const QString &what, double mm)
{
    if (mm <= m_travelMm)
        return true;
    ReportEntry({opType, tr("\n%1 %2mm 超出行程 [0-%3]mm, 未执行\n").arg(what, F6(mm)).arg(m_travelMm),
                 OutcomeFailure});
    return false;
}

void SerialComDev::Move()
{
    if (Stopped() || !CheckInited(OpMove))
        return;
    MoveParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_moveParam;
    }
    // move acts on the target the device holds.
    if (!CheckTravel(OpMove, tr("目标位置"), m_sentMove.TargetPos))
        return;
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
    if (Stopped() || !CheckInited(OpJog))
        return;
    JogParam param;
    {
        QReadLocker locker(&m_lock);
        param = m_jogParam;
    }
    m_countMode = CountNone;
    if (!CheckTravel(OpJog, tr("步长"), m_sentJog.Step))
        return;
    const int status = jog(m_handle.load(), direction);
    const QString text = direction == 0
        ? tr("\n正方向  步长: %1mm  延时: %2ms  次数: %3\n")
        : tr("\n负方向  步长: %1mm  延时: %2ms  次数: %3\n");
    Report(OpJog, text.arg(F6(param.Step)).arg(param.Delay).arg(param.Times), status);
    // Only a jog that started has counts to follow.
    if (status >= 0) {
        m_lastCount = 0;
        m_countMode = CountJog;
    }
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
    if (Stopped() || !CheckInited(OpDrive))
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
    if (Stopped() || !CheckInited(OpSetManualModel))
        return;
    const int status = setActuatorModel(m_handle.load(), uint16_t(nModel));
    if (status >= 0) {
        m_travelMm = GetActuatorModelOf(nModel).travelMm;
        emit SigActModelSet(nModel);
    }
    Report(OpSetManualModel, tr("  "), status);
}

void SerialComDev::ParamChanged(int nType, unsigned int nChanged)
{
    if (Stopped() || (m_scriptRequest && m_scriptFailed))
        return;
    const QScopedValueRollback<bool> mark(m_markScript, m_scriptRequest != 0);
    // Type 9 starts a cruise.
    if (nType == OpCruise && m_scriptRequest)
        StartMotion(true, std::numeric_limits<double>::quiet_NaN());
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

void SerialComDev::PushMoveParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetMoveParam))
        return;
    const MoveParam tried = CopyMoveParam();
    MoveParam param = tried;
    const DevHandle h = m_handle.load();
    BatchStatus batch;
    if (nChanged & 0x01)
        Track(batch, setTargetPos(h, param.TargetPos), param.TargetPos, m_sentMove.TargetPos);
    if (nChanged & 0x02)
        Track(batch, setSpeed(h, param.Speed), param.Speed, m_sentMove.Speed);
    if (nChanged & 0x04)
        Track(batch, setAcc(h, param.Acc), param.Acc, m_sentMove.Acc);
    if (nChanged & 0x10) {
        if (batch.Add(setJerk(h, uint16_t(param.JerkChecked ? param.Jerk : 0)))) {
            m_sentMove.Jerk = param.Jerk;
            m_sentMove.JerkChecked = param.JerkChecked;
        } else {
            param.Jerk = m_sentMove.Jerk;
            param.JerkChecked = m_sentMove.JerkChecked;
        }
    }
    if (batch.Failed()) {
        {
            QWriteLocker locker(&m_lock);
            KeepDeviceValues(m_moveParam, tried, param, &MoveParam::TargetPos, &MoveParam::Speed,
                             &MoveParam::Acc, &MoveParam::Jerk, &MoveParam::JerkChecked);
            KeepDeviceSpeedAcc(m_driveParam, tried, param);
        }
        emit SigParamRefused(OpSetMoveParam);
    }
    Report(OpSetMoveParam, MoveText(param), batch.Status());
}

void SerialComDev::PushJogParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetJogParam))
        return;
    const JogParam tried = CopyJogParam();
    JogParam param = tried;
    const DevHandle h = m_handle.load();
    BatchStatus batch;
    if (nChanged & 0x01)
        Track(batch, setJogStep(h, param.Step), param.Step, m_sentJog.Step);
    if (nChanged & 0x02)
        Track(batch, setJogDelay(h, param.Delay), param.Delay, m_sentJog.Delay);
    if (nChanged & 0x04)
        Track(batch, setJogTimes(h, param.Times), param.Times, m_sentJog.Times);
    if (batch.Failed()) {
        {
            QWriteLocker locker(&m_lock);
            KeepDeviceValues(m_jogParam, tried, param, &JogParam::Step, &JogParam::Delay, &JogParam::Times);
        }
        emit SigParamRefused(OpSetJogParam);
    }
    Report(OpSetJogParam,
           tr("\n步长: %1mm  延时: %2ms  次数: %3\n").arg(F6(param.Step)).arg(param.Delay).arg(param.Times),
           batch.Status());
}

void SerialComDev::PushDriveParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetDriveParam))
        return;
    const DriveParam tried = CopyDriveParam();
    DriveParam param = tried;
    const DevHandle h = m_handle.load();
    BatchStatus batch;
    if (nChanged & 0x01)
        Track(batch, setRelativePos(h, param.Offset), param.Offset, m_sentDrive.Offset);
    if (nChanged & 0x02)
        Track(batch, setRelativePosEnable(h, param.Enable ? 1 : 0), param.Enable, m_sentDrive.Enable);
    if (nChanged & 0x04)
        Track(batch, setSpeed(h, param.Speed), param.Speed, m_sentMove.Speed);
    if (nChanged & 0x08)
        Track(batch, setAcc(h, param.Acc), param.Acc, m_sentMove.Acc);
    if (batch.Failed()) {
        {
            QWriteLocker locker(&m_lock);
            KeepDeviceValues(m_driveParam, tried, param, &DriveParam::Offset, &DriveParam::Enable,
                             &DriveParam::Speed, &DriveParam::Acc);
            KeepDeviceSpeedAcc(m_moveParam, tried, param);
        }
        emit SigParamRefused(OpSetDriveParam);
    }
    Report(OpSetDriveParam,
           tr("\n相对位移: %1mm  相对位移使能: %2\n速度: %3mm/s  加速度: %4mm/s²\n")
               .arg(F6(param.Offset))
               .arg(EnableWord(param.Enable))
               .arg(F2(param.Speed))
               .arg(F2(param.Acc)),
           batch.Status());
}

void SerialComDev::PushCruiseParam(unsigned int nChanged)
{
    if (!CheckInited(OpCruise))
        return;
    const CruiseParam tried = CopyCruiseParam();
    CruiseParam param = tried;
    m_countMode = CountNone;
    // Pushing a position starts nothing, but cruise would run to it: beyond
    // the travel nothing is sent, and the changed fields count as refused.
    const bool inTravel = CheckTravel(OpCruise, tr("初始位置"), param.BeginPos)
        && CheckTravel(OpCruise, tr("最终位置"), param.EndPos);
    const DevHandle h = m_handle.load();
    BatchStatus batch;
    if (nChanged & 0x01)
        Track(batch, inTravel ? setCruiseBeginPos(h, param.BeginPos) : kNotSent, param.BeginPos,
              m_sentCruise.BeginPos);
    if (nChanged & 0x02)
        Track(batch, inTravel ? setCruiseEndPos(h, param.EndPos) : kNotSent, param.EndPos, m_sentCruise.EndPos);
    if (nChanged & 0x04)
        Track(batch, inTravel ? setCruiseStopTime(h, param.StopTime) : kNotSent, param.StopTime,
              m_sentCruise.StopTime);
    if (nChanged & 0x08)
        Track(batch, inTravel ? setCruiseTimes(h, param.Times) : kNotSent, param.Times, m_sentCruise.Times);
    if (!inTravel || batch.Failed()) {
        {
            QWriteLocker locker(&m_lock);
            KeepDeviceValues(m_cruiseParam, tried, param, &CruiseParam::BeginPos, &CruiseParam::EndPos,
                             &CruiseParam::StopTime, &CruiseParam::Times);
        }
        emit SigParamRefused(OpCruise);
    }
    if (!inTravel)
        return;
    // A cruise whose positions were refused would run between old ones.
    const bool started = !batch.Failed() && batch.Add(cruise(h));
    Report(OpCruise,
           tr("\n初始位置: %1mm  最终位置: %2mm\n停留时间: %3ms  巡航次数:%4\n")
               .arg(F6(param.BeginPos))
               .arg(F6(param.EndPos))
               .arg(param.StopTime)
               .arg(param.Times),
           batch.Status());
    if (started) {
        m_lastCount = 0;
        m_countMode = CountCruise;
    }
}

void SerialComDev::PushBtnParam(unsigned int nChanged)
{
    if (!CheckInited(OpSetBtnParam))
        return;
    const BtnParam tried = CopyBtnParam();
    BtnParam param = tried;
    // The device's own buttons would drive to these: beyond the travel nothing
    // is sent, and the changed fields count as refused.
    const bool inTravel = (!(nChanged & 0x04) || CheckTravel(OpSetBtnParam, tr("步长"), param.jogStep))
        && (!(nChanged & 0x08) || CheckTravel(OpSetBtnParam, tr("位置1"), param.pos1))
        && (!(nChanged & 0x10) || CheckTravel(OpSetBtnParam, tr("位置2"), param.pos2));
    const DevHandle h = m_handle.load();
    BatchStatus batch;
    unsigned int accepted = 0;
    const auto push = [&](unsigned int bit, auto call, auto &value, auto &sent) {
        if ((nChanged & bit) && Track(batch, inTravel ? call(h, value) : kNotSent, value, sent))
            accepted |= bit;
    };
    push(0x01, setBtnSpeed, param.speed, m_sentBtn.speed);
    push(0x02, setBtnMode, param.mode, m_sentBtn.mode);
    push(0x04, setBtnJogStep, param.jogStep, m_sentBtn.jogStep);
    push(0x08, setBtnPos1, param.pos1, m_sentBtn.pos1);
    push(0x10, setBtnPos2, param.pos2, m_sentBtn.pos2);
    push(0x20, setBackLightLevel, param.backLightLevel, m_sentBtn.backLightLevel);
    push(0x40, setBackSleepLevel, param.backSleepLevel, m_sentBtn.backSleepLevel);
    push(0x80, setBackDormant, param.backDormant, m_sentBtn.backDormant);
    unsigned int known = 0;
    {
        QWriteLocker locker(&m_lock);
        m_btnKnown |= accepted;
        known = m_btnKnown;
        if (batch.Failed()) {
            KeepDeviceValues(m_btnParam, tried, param, &BtnParam::speed, &BtnParam::mode, &BtnParam::jogStep,
                             &BtnParam::pos1, &BtnParam::pos2, &BtnParam::backLightLevel,
                             &BtnParam::backSleepLevel, &BtnParam::backDormant);
        }
    }
    if (batch.Failed())
        emit SigParamRefused(OpSetBtnParam);
    if (!inTravel)
        return;

    // A value never read from the device is not shown as if it were.
    const auto shown = [&](unsigned int bit, const QString &text) { return known & bit ? text : tr("未知"); };
    QString modeName;
    if (param.mode == 0)
        modeName = tr("速度模式");
    else if (param.mode == 1)
        modeName = tr("步进模式");
    else if (param.mode == 2)
        modeName = tr("位置模式");
    Report(OpSetBtnParam,
           tr("\n速度: %1mm/s  模式: %2\n步长: %3mm  位置1: %4mm\n位置2: %5mm\n"
              "背光亮度等级: %6, 背光睡眠等级: %7\n休眠时间: %8min\n")
               .arg(shown(0x01, F2(param.speed)))
               .arg(shown(0x02, modeName))
               .arg(shown(0x04, F6(param.jogStep)))
               .arg(shown(0x08, F6(param.pos1)))
               .arg(shown(0x10, F6(param.pos2)))
               .arg(shown(0x20, QString::number(param.backLightLevel)))
               .arg(shown(0x40, QString::number(param.backSleepLevel)))
               .arg(shown(0x80, QString::number(param.backDormant))),
           batch.Status());
}

void SerialComDev::PushTriParam()
{
    if (!CheckInited(OpSetTriParam))
        return;
    const DevHandle h = m_handle.load();
    BatchStatus batch;
    QString text = QStringLiteral("\n");
    for (int n = 1; n <= 2; ++n) {
        TriParam param;
        {
            QReadLocker locker(&m_lock);
            param = m_triParam[n - 1];
        }
        batch.Add(n == 1 ? setIO1TriggerMode(h, param.ioMode) : setIO2TriggerMode(h, param.ioMode));
        if (param.ioMode == 1) {
            batch.Add(setTriggerInMode(h, param.inMode));
            const double disp = n == 1 ? param.inDisp1 : param.inDisp2;
            batch.Add(n == 1 ? setIO1TriggerInDisp(h, disp) : setIO2TriggerInDisp(h, disp));
            text += tr("IO%1: 触发输入, %2, 相对位移 %3")
                        .arg(n)
                        .arg(param.inMode == 1 ? tr("上升沿触发") : tr("下降沿触发"))
                        .arg(F6(disp));
        } else {
            batch.Add(setTriggerOutMode(h, param.outMode));
            batch.Add(setTriggerOutCondition(h, param.outCondition));
            batch.Add(setTriggerTime(h, param.outTime));
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
    Report(OpSetTriParam, text, batch.Status());
}

void SerialComDev::BeginScript(quint32 nRequest, bool bMotion)
{
    m_scriptRequest = nRequest;
    m_scriptMotion = bMotion;
    m_scriptFailed = false;
    m_scriptFailure.clear();
}

void SerialComDev::RunScriptCommand(int nCommand, bool bOn)
{
    if (Stopped() || !m_scriptRequest || m_scriptFailed)
        return;
    const QScopedValueRollback<bool> mark(m_markScript, true);
    const double none = std::numeric_limits<double>::quiet_NaN();
    switch (nCommand) {
    case CommandHome:
        StartMotion(true, 0.0);
        Home();
        break;
    case CommandStop:
        StartMotion(false, none);
        Stop();
        break;
    case CommandEnable:
        StartMotion(false, none);
        Enable(bOn);
        break;
    case CommandMove:
        // move drives to the target the device holds.
        StartMotion(true, m_sentMove.TargetPos);
        Move();
        break;
    case CommandJogLeft:
    case CommandJogRight:
        StartMotion(true, none);
        Jog(nCommand == CommandJogRight ? 0 : 1);
        break;
    case CommandDriveLeft:
    case CommandDriveRight:
        StartMotion(true, none);
        Drive(nCommand == CommandDriveRight ? 0 : 1);
        break;
    default:
        break;
    }
}

void SerialComDev::EndScript(bool bSent)
{
    if (!bSent)
        m_scriptRequest = 0;
    if (Stopped() || !m_scriptRequest)
        return;
    // A motion command that failed, or never ran, started no motion.
    if (m_scriptMotion && (m_scriptFailed || m_motionRequest != m_scriptRequest)) {
        m_motionRequest = m_scriptRequest;
        EndMotion();
    }
    const quint32 request = std::exchange(m_scriptRequest, 0);
    emit SigScriptDone(request, !m_scriptFailed, m_scriptFailure);
}

// The wait of a script ends on the falling edge of running after its command.
// The poll after the command may find the slide at rest already: it moved,
// or stands at the target of a move or a homing, when the motion ended between
// two polls; otherwise it may not have started yet, and only kQuietPolls polls
// without any sign of motion tell it started none. Stop and enable start no
// motion of their own but end with the braking they may cause.
void SerialComDev::StartMotion(bool startsMotion, double target)
{
    m_motionRequest = m_scriptRequest;
    m_motionPhase = MotionPending;
    m_motionStill = !startsMotion;
    m_motionFrom = m_lastPos;
    m_motionTarget = target;
    m_quietPolls = 0;
}

void SerialComDev::FollowMotion(uint16_t status, bool positionFresh)
{
    if (m_motionPhase == MotionEnded)
        return;
    // A jog or cruise rests between its steps and runs.
    if (!(status & kStopped) || m_countMode != CountNone) {
        m_motionPhase = MotionRunning;
        return;
    }
    if (m_motionPhase == MotionPending && !m_motionStill) {
        const bool moved = positionFresh && std::fabs(m_lastPos - m_motionFrom) > kPosThreshold;
        const bool atTarget = positionFresh && std::fabs(m_lastPos - m_motionTarget) <= kPosThreshold;
        if (!moved && !atTarget && ++m_quietPolls < kQuietPolls)
            return;
    }
    EndMotion();
}

void SerialComDev::EndMotion()
{
    m_motionPhase = MotionEnded;
    {
        QMutexLocker locker(&m_stateMutex);
        m_state.motionEnded = m_motionRequest;
    }
    emit SigMotionEnded(m_motionRequest);
}

void SerialComDev::KeepState(bool positionRead, double position, qint64 positionMs, bool statusRead,
                             uint16_t status, qint64 statusMs)
{
    QMutexLocker locker(&m_stateMutex);
    if (positionRead) {
        m_state.positionRead = true;
        m_state.positionMm = position;
        m_state.positionReadMs = positionMs;
    }
    if (statusRead) {
        m_state.statusRead = true;
        m_state.statusWord = status;
        m_state.statusReadMs = statusMs;
    }
    m_state.remaining = m_countMode == CountNone ? 0 : m_lastCount;
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

// Commands, pushes and the close queued for the worker meanwhile run now, in
// their order, between two calls of the poll: a click waits for the one call
// in flight, not for the whole poll. False once the worker has stopped: the
// poll then makes no further call.
bool SerialComDev::RunQueuedSlots()
{
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return !Stopped();
}

void SerialComDev::UpdateStatus()
{
    // A poll requested by a slot run between the calls of this one is this one.
    if (Stopped() || m_polling)
        return;
    const QScopedValueRollback<bool> polling(m_polling, true);
    const DevHandle h = m_handle.load();

    // A script command run between two calls of this poll makes the earlier
    // reads tell nothing of its motion.
    const quint32 requestAtPosition = m_motionRequest;
    const double pos = getPositon(h);
    const qint64 posMs = QDateTime::currentMSecsSinceEpoch();
    const bool posRead = pos > kPosFailed;
    // The first good read is told whatever it is: 0 too.
    if (posRead && (!m_posKnown || std::fabs(m_lastPos - pos) > kPosThreshold)) {
        m_posKnown = true;
        m_lastPos = pos;
        emit SigPosChanged(pos, posMs);
    }

    if (!RunQueuedSlots())
        return;
    const quint32 requestAtStatus = m_motionRequest;
    uint16_t st = 0;
    const bool statusRead = getWorkStatus(h, &st) == 0;
    const qint64 statusMs = QDateTime::currentMSecsSinceEpoch();
    if (!statusRead) {
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
        // The first report also tells the panel what it could not know yet.
        const bool first = !m_statusKnown;
        m_statusKnown = true;
        if ((changed & kShownBits) || first) {
            emit SigStatusChanged(st & kStopped, st & kEnabled, st & kHomed, st & kCtrlDisabled,
                                  st & kMotorConnected, st, statusMs);
        }
        if (changed || first)
            emit SigStatusWordChanged(st);
        if (changed & kMotorConnected) {
            if (st & kMotorConnected) {
                ReportEntry({OpDevEvent, tr("促动器电机已连接。"), OutcomeNone});
                char buffer[kLibraryTextSize] = {};
                const int serialStatus =
                    RunQueuedSlots() ? readActuatorSerial(h, buffer, kLibraryTextSize) : -1;
                const int model = RunQueuedSlots() ? readActuatorModel(h) : -1;
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

    if (!RunQueuedSlots())
        return;
    FollowCount(h);
    if (statusRead && m_motionRequest == requestAtStatus)
        FollowMotion(st, posRead && m_motionRequest == requestAtPosition);
    KeepState(posRead, pos, posMs, statusRead, st, statusMs);
}

void SerialComDev::FollowCount(DevHandle handle)
{
    if (m_countMode != CountCruise && m_countMode != CountJog)
        return;
    const bool cruising = m_countMode == CountCruise;
    const int n = cruising ? getLeftCruiseTimes(handle) : getLeftJogTimes(handle);
    // A run that ended before the first read still ends with its final 0.
    if (n < 0 || (n == m_lastCount && n != 0))
        return;
    m_lastCount = n;
    ReportEntry({cruising ? OpCruise : OpJog, tr("  剩余次数: %1").arg(n), OutcomeNone});
    if (n == 0)
        m_countMode = CountNone;
}
