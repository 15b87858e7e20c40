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

Q_DECLARE_METATYPE(BtnParam)
Q_DECLARE_METATYPE(TriParam)

// Worker of one device. Lives on a thread of its own: every library call of
// its device, the pushes, the commands and the 60 ms status poll run there,
// one at a time. The GUI thread talks to it through queued slots and the
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
    BtnParam CopyBtnParam() const;
    MoveParam CopyMoveParam() const;
    JogParam CopyJogParam() const;
    DriveParam CopyDriveParam() const;
    CruiseParam CopyCruiseParam() const;
    QString GetActuatorSerial() const;

    // Callable from any thread. From now on the poll and every queued command
    // or push do nothing; only CloseDevice still runs. A panel that goes, or
    // the program that ends, must not have its device moved afterwards.
    void StopWork();
    // After StopWork: true once the worker is out of any library call (at
    // most timeoutMs of waiting).
    bool WaitWorkStopped(int timeoutMs);

signals:
    // nOpType and nOutcome are those of the log entry the line was made from.
    void SigOutputMsg(QString strMsg, bool bWarning, int nOpType, int nOutcome);
    void SigPosChanged(double dPos);
    // nStatus: the whole status word the flags were read from.
    void SigStatusChanged(bool bIsMotorStoped, bool bIsMotorEnable, bool bIsOrigin,
                          bool bIsCtrlDisabled, bool isMotorConncted, quint16 nStatus);
    // The status word changed in any bit (or was read for the first time).
    void SigStatusWordChanged(quint16 nStatus);
    void SigParamInited(int nModel);
    void SigDisconnect();
    // A push of group nType failed: the worker's copy of that group is back
    // to what the device was last told successfully.
    void SigParamRefused(int nType);

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

private slots:
    void UpdateStatus();
    void ConfirmWorkStopped();

private:
    enum CountMode { CountCruise = 0, CountJog = 1, CountNone = 2 };

    bool Stopped() const;
    bool CheckInited(int opType);
    bool CheckTravel(int opType, const QString &what, double mm);
    void RestoreRefused(int nType, quint64 generation);
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
    // Counts every setter call, so that a refused push restores the worker's
    // copy only when no newer value arrived meanwhile.
    quint64 m_generation = 0;
    mutable QReadWriteLock m_lock;
    // What the device was last told successfully (worker thread only). Speed
    // and acceleration are one device setting, kept in m_sentMove.
    MoveParam m_sentMove;
    JogParam m_sentJog;
    DriveParam m_sentDrive;
    CruiseParam m_sentCruise;
    // Travel of the actuator model the device reports, in mm.
    int m_travelMm = 0;
    std::atomic<bool> m_stopping{false};
    QSemaphore m_workStopped;
    bool m_statusKnown = false;
    bool m_posKnown = false;
    QTimer *m_timer = nullptr;
    double m_lastPos = 0.0;
    uint16_t m_lastStatus = 0;
    int32_t m_lastCount = 0;
    int32_t m_countMode = CountNone;
    QString m_actuatorSerial;
    int32_t failCount = 0;
    bool m_closed = false;
};

#endif
