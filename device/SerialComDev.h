#ifndef SERIALCOMDEV_H
#define SERIALCOMDEV_H

#include "config/DevParams.h"
#include "device/ActuatorLibrary.h"

#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QReadWriteLock>
#include <QSemaphore>
#include <QString>

#include <atomic>
#include <cstdint>

class QTimer;

// Offline button parameters, kept in the controller.
struct BtnParam
{
    float speed = 0.0f;           // mm/s
    uint16_t mode = 0;            // 0 speed, 1 step, 2 position mode
    double jogStep = 0.0;         // mm
    double pos1 = 0.0;            // mm
    double pos2 = 0.0;            // mm
    uint16_t backLightLevel = 0;
    uint16_t backSleepLevel = 0;
    uint16_t backDormant = 0;     // minutes
};

// Trigger settings of one IO. IO1 uses inDisp1, IO2 inDisp2.
struct TriParam
{
    uint16_t ioMode = 1;          // 1 trigger input, 2 trigger output
    uint16_t inMode = 1;          // 1 rising edge, 2 falling edge
    double inDisp1 = 1.0;         // mm
    double inDisp2 = 1.0;         // mm
    uint16_t outMode = 1;         // 1 high level, 2 low level
    uint16_t outCondition = 1;    // 1 motor moving, 2 reached position, 3 reached maximum speed
    int32_t outTime = 1;          // ms
};

// Code of a log entry; also the nType of ParamChanged.
enum OpType
{
    OpHome = 0,
    OpStop = 1,
    OpEnable = 2,
    OpMove = 3,
    OpSetMoveParam = 4,
    OpJog = 5,
    OpSetJogParam = 6,
    OpDrive = 7,
    OpSetDriveParam = 8,
    OpCruise = 9,
    OpSetBtnParam = 10,
    OpSetTriParam = 11,
    OpSetManualModel = 12,
    OpDevEvent = 13,
    OpInfo = 14,
};

enum LogOutcome
{
    OutcomeSuccess = 0,
    OutcomeFailure = 1,
    OutcomeNone = 2,
};

struct LogEntry
{
    int opType = OpInfo;
    QString text;
    int outcome = OutcomeNone;
};

// The commands of the panel's buttons, as a script sends them (RunScriptCommand).
enum DeviceCommand
{
    CommandHome,
    CommandStop,
    CommandEnable,
    CommandMove,
    CommandJogLeft,
    CommandJogRight,
    CommandDriveLeft,
    CommandDriveRight,
};

// The device as the worker's last poll read it (times in ms since the epoch).
struct DeviceState
{
    bool positionRead = false;
    double positionMm = 0.0;
    qint64 positionReadMs = 0;
    bool statusRead = false;
    quint16 statusWord = 0;
    qint64 statusReadMs = 0;
    // Jogs or cruises left, while the worker follows a count; 0 otherwise.
    int remaining = 0;
    // The last script request whose motion has ended (BeginScript).
    quint32 motionEnded = 0;
};

Q_DECLARE_METATYPE(BtnParam)
Q_DECLARE_METATYPE(TriParam)

// Worker of one device. Lives on a thread of its own: every library call of
// its device, the pushes, the commands and the 60 ms status poll run there,
// one at a time. Slots queued while a poll runs run between the poll's calls.
// A poll slower than its period is followed by the next one at once, never
// by a backlog. The GUI thread talks to it through queued slots and the
// locked setters and getters below.
class SerialComDev : public QObject
{
    Q_OBJECT

public:
    explicit SerialComDev(QObject *parent = nullptr);
    ~SerialComDev() override;

    // Callable from any thread; each copies whole records under the lock.
    void SetDevHandle(DevHandle handle);
    DevHandle GetDevHandle() const;
    void SetAllParams(const MoveParam &moveParam, const JogParam &jogParam,
                      const DriveParam &driveParam, const CruiseParam &cruiseParam);
    // Move and drive share speed and acceleration: each setter copies them into the other.
    void SetMoveParam(const MoveParam &param);
    void SetDriveParam(const DriveParam &param);
    void SetJogParam(const JogParam &param);
    void SetCruiseParam(const CruiseParam &param);
    void SetBtnParam(const BtnParam &param);
    void SetTriParam(const TriParam &io1, const TriParam &io2);
    // known, when given, gets one bit per field (bits as in the push, type 10)
    // whose value the device is known to hold: read from it or pushed to it.
    BtnParam CopyBtnParam(unsigned int *known = nullptr) const;
    MoveParam CopyMoveParam() const;
    JogParam CopyJogParam() const;
    DriveParam CopyDriveParam() const;
    CruiseParam CopyCruiseParam() const;
    QString GetActuatorSerial() const;
    DeviceState CopyState() const;

    // Callable from any thread. From now on the poll and every queued command
    // or push do nothing; only CloseDevice still runs. A panel that goes, or
    // the program that ends, must not have its device moved afterwards.
    void StopWork();
    // After StopWork: true once the worker is out of any library call (at
    // most timeoutMs of waiting).
    bool WaitWorkStopped(int timeoutMs);

signals:
    // nOpType and nOutcome are those of the log entry the line was made from;
    // nTimeMs (as every nReadMs below) in ms since the epoch.
    void SigOutputMsg(QString strMsg, bool bWarning, int nOpType, int nOutcome, qint64 nTimeMs);
    // nReadMs: when the value was read from the device.
    void SigPosChanged(double dPos, qint64 nReadMs);
    // nStatus: the whole status word the flags were read from.
    void SigStatusChanged(bool bIsMotorStoped, bool bIsMotorEnable, bool bIsOrigin,
                          bool bIsCtrlDisabled, bool isMotorConncted, quint16 nStatus, qint64 nReadMs);
    // The status word changed in any bit (or was read for the first time).
    void SigStatusWordChanged(quint16 nStatus);
    void SigParamInited(int nModel);
    void SigDisconnect();
    // A push of group nType failed: the refused fields of the worker's copy
    // are back to what the device holds, unless the panel set newer values
    // meanwhile (their own pushes follow).
    void SigParamRefused(int nType);
    // The device took nModel as its actuator model (one set by hand).
    void SigActModelSet(int nModel);
    // A script's request has run (EndScript): bAccepted unless a call of it
    // failed or was refused; strWhy is then its log entry.
    void SigScriptDone(quint32 nRequest, bool bAccepted, QString strWhy);
    // The motion started by the script's request nRequest has ended.
    void SigMotionEnded(quint32 nRequest);

public slots:
    void Init();
    void InitParam();
    void ParamChanged(int nType, unsigned int nChanged);
    void SetManualModel(int nModel);
    void Home();
    void Stop();
    void Enable(bool bChecked);
    void Move();
    void JogRight();
    void JogLeft();
    void DriveRight();
    void DriveLeft();
    // Stops the poll, closes the device as its last library call and quits
    // the worker's thread; slots still queued afterwards do nothing.
    void CloseDevice();

    // A script's request (numbered by the caller, rising): the slots queued
    // between BeginScript and EndScript are its steps, logged as coming from
    // a script; a step after a failed one is left out. bMotion: the request
    // is a command whose motion the poll follows until it ends
    // (SigMotionEnded, DeviceState::motionEnded). bSent false: the request
    // was refused before any step was queued.
    void BeginScript(quint32 nRequest, bool bMotion);
    void RunScriptCommand(int nCommand, bool bOn);
    void EndScript(bool bSent);

private slots:
    void UpdateStatus();
    void ConfirmWorkStopped();

private:
    enum CountMode { CountCruise = 0, CountJog = 1, CountNone = 2 };
    enum MotionPhase { MotionEnded, MotionPending, MotionRunning };

    bool Stopped() const;
    bool RunQueuedSlots();
    bool CheckInited(int opType);
    bool CheckTravel(int opType, const QString &what, double mm);
    void ReportEntry(const LogEntry &entry);
    void Report(int opType, const QString &text, int status);
    void Jog(int direction);
    void Drive(int direction);
    void PushMoveParam(unsigned int nChanged);
    void PushJogParam(unsigned int nChanged);
    void PushDriveParam(unsigned int nChanged);
    void PushCruiseParam(unsigned int nChanged);
    void PushBtnParam(unsigned int nChanged);
    void PushTriParam();
    void FollowCount(DevHandle handle);
    QString MoveText(const MoveParam &param) const;
    QString EnableWord(bool enabled) const;
    void HoldDevice(DevHandle handle);
    void StartMotion(bool startsMotion, double target);
    void FollowMotion(uint16_t status, bool positionFresh);
    void EndMotion();
    void KeepState(bool positionRead, double position, qint64 positionMs, bool statusRead, uint16_t status,
                   qint64 statusMs);

    std::atomic<int> m_handle{-1};
    // The device this worker holds in DeviceOwners, from SetDevHandle until
    // its own closeDev has returned.
    QMutex m_holdMutex;
    DevHandle m_heldHandle = -1;
    bool m_inited = false;
    MoveParam m_moveParam;
    JogParam m_jogParam;
    DriveParam m_driveParam;
    CruiseParam m_cruiseParam;
    BtnParam m_btnParam;
    TriParam m_triParam[2];
    // Fields of m_btnParam the device is known to hold (CopyBtnParam).
    unsigned int m_btnKnown = 0;
    mutable QReadWriteLock m_lock;
    // What the device was last told successfully (worker thread only). Speed
    // and acceleration are one device setting, kept in m_sentMove.
    MoveParam m_sentMove;
    JogParam m_sentJog;
    DriveParam m_sentDrive;
    CruiseParam m_sentCruise;
    BtnParam m_sentBtn;
    // Travel of the actuator model the device reports, in mm.
    int m_travelMm = 0;
    std::atomic<bool> m_stopping{false};
    QSemaphore m_workStopped;
    bool m_statusKnown = false;
    bool m_posKnown = false;
    QTimer *m_timer = nullptr;
    bool m_polling = false;
    double m_lastPos = 0.0;
    uint16_t m_lastStatus = 0;
    int32_t m_lastCount = 0;
    int32_t m_countMode = CountNone;
    QString m_actuatorSerial;
    int32_t failCount = 0;
    bool m_closed = false;

    // The script's request being run (0: none), whether a step of it failed
    // and how, and whether the entries reported now belong to it.
    quint32 m_scriptRequest = 0;
    bool m_scriptMotion = false;
    bool m_scriptFailed = false;
    QString m_scriptFailure;
    bool m_markScript = false;
    // The motion of the last script command: from where, to where when
    // known (NaN otherwise), and polls that showed it neither moving nor done.
    quint32 m_motionRequest = 0;
    MotionPhase m_motionPhase = MotionEnded;
    bool m_motionStill = false;
    double m_motionFrom = 0.0;
    double m_motionTarget = 0.0;
    int m_quietPolls = 0;
    mutable QMutex m_stateMutex;
    DeviceState m_state;
};

#endif
