#ifndef DEBUGWIDGET_H
#define DEBUGWIDGET_H

#include <QWidget>
#include <cstdint>

#include "device/ActuatorLibrary.h"

namespace Ui {
class DebugWidget;
}

// Engineering console: one button per library call on a device of its own,
// each click logged with the library's answer.
class DebugWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMaxDevices = 6;
    static constexpr int kReplyCapacity = 64;
    static constexpr int kMaxPayload = 64;

    explicit DebugWidget(QWidget *parent = nullptr);
    ~DebugWidget() override;

    // Formatting and bounds used by the log, kept apart so they can be checked directly.
    static int ListedCount(int count);
    static int ReplyBytes(int length);
    static bool PositionValid(double pos);
    static QString StatusWordText(uint16_t word);
    static QString ReplyText(const uint8_t *reply, int length);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void ScanDev();
    void OpenDev();
    void CloseDev();
    void IsDevOpen();
    void Move();
    void Stop();
    void DriveLeft();
    void DriveRight();
    void JogLeft();
    void JogRight();
    void Restore();
    void Cruise();
    void SetTarPos();
    void SetSpeed();
    void SetAcc();
    void SetJerk();
    void SetRelaPos();
    void RelaEnable(int state);
    void SetJogStep();
    void SetJogDelay();
    void SetJogTimes();
    void GetLeftJog();
    void SetCruiseBeginPos();
    void SetCruiseEndPos();
    void SetCruiseStopTime();
    void SetCruiseTimes();
    void GetLeftCruise();
    void SetBtnSpeed();
    void SetBtnMode();
    void SetBtnStep();
    void SetBtnPos1();
    void SetBtnPos2();
    void SetBtnLightLev();
    void SetBtnSleepLev();
    void SetBtnDormant();
    void SetTriIn();
    void SetTriOut();
    void SetTriTime();
    void SetActModel();
    void SetMotorEnable(int state);
    void GetPositon();
    void GetStatus();
    void GetMoveParam();
    void GetJogParam();
    void GetDriveParam();
    void GetCruiseParam();
    void GetBtnParam();
    void ReadActModel();
    void ReadActSerial();
    void ReadDriModel();
    void ReadDriSerial();
    void ReadVersion();
    void WriteActModel();
    void on_pushButton_IO1_clicked();
    void WriteActSerial();
    void WriteDriModel();
    void WriteDriSerial();
    void WriteVersion();
    void SetCurrent();
    void on_pbRecoil_read_clicked();
    void on_pb_triggerOutDisp_2_clicked();
    void SetSeparate();
    void SetRecoid();
    void SendDebug();
    void on_pushButton_IO2_clicked();
    void on_pb_triggerOutDisp_clicked();
    void on_pbTriggerOutCondition_clicked();

private:
    using TextRead = int (*)(int, char *, int);
    using TextWrite = int (*)(int, const char *, int);

    void ConnectButtons();
    void UpdateDeviceButtons();
    void GrowToFit();
    bool ParsePayload(QByteArray *payload);
    void Append(const QString &entry);
    void LogStatus(const QString &label, int status);
    void LogValue(const QString &label, bool ok, const QString &value);
    void LogBlock(const QString &label, int status, const QString &block);
    void LogTextRead(const QString &label, TextRead read);
    void LogTextWrite(const QString &label, TextWrite write, const QString &text);

    Ui::DebugWidget *ui;
    DevHandle devHandles[kMaxDevices] = {};
    DevHandle curHandle = -1;
};

#endif
