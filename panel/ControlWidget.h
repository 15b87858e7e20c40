#ifndef CONTROLWIDGET_H
#define CONTROLWIDGET_H

#include "config/DevParams.h"
#include "device/ActuatorModel.h"
#include "device/DevInfo.h"
#include "device/SerialComDev.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace Ui {
class ControlWidget;
}

class QPushButton;
class QThread;
class MoveParamWidget;
class JogParamWidget;
class DriveParamWidget;
class CruiseCtrlWidget;
class DeviceTrace;
class DevConfig;
class BtnParamWidget;
class TriParamWidget;

// One device's control panel: log, lamps, position, command buttons and the
// relay between its parameter popups, the parameter store and the device worker.
class ControlWidget : public QWidget
{
    Q_OBJECT

public:
    // store: where the confirmed parameters are kept (none: they are not).
    explicit ControlWidget(QWidget *parent = nullptr, DevConfig *store = nullptr);
    ~ControlWidget() override;

    // The log keeps its newest kLogKeptLines lines of text; older ones go at
    // least kLogTrimLines at a time.
    static constexpr int kLogKeptLines = 10000;
    static constexpr int kLogTrimLines = 1000;

    void SetDevInfo(const DevInfo &info);
    void SetInitParams(const MoveParam &move, const JogParam &jog, const DriveParam &drive,
                       const CruiseParam &cruise);
    int GetDevHandle() const;
    // The device's driver serial, as the add-device dialog lists it.
    QString GetDevSerial() const;
    int GetTravel() const;
    // The actuator model the device reported (code 0 until it has, or when it could not be read).
    ActuatorModelInfo GetModel() const;
    // The device worker, living on the panel's thread; valid while the panel lives.
    SerialComDev *GetWorker() const;

    void UpdateMoveParam(int nChanged, const MoveParam &param);
    void UpdateJogParam(int nChanged, const JogParam &param);
    void UpdateDriveParam(int nChanged, const DriveParam &param);
    void UpdateCruiseParam(int nChanged, const CruiseParam &param);
    void UpdateBtnParam(int nChanged, const BtnParam &param);
    void UpdateTriParam(const TriParam param[2]);
    void ApplyManualModel(int nModel);

    void SetCtrlBtnsEnabled(bool enabled);

signals:
    void SigClosed();
    void SigDisconnect();
    void SigInitParam();
    void SigUpdateParam(int nType, int nChanged);
    void SigSetActModel(int nModel);
    // Something the operator must be told in the program's message box;
    // returnTo, when given, gets the active state back when the box closes.
    void SigWarning(const QString &text, QWidget *returnTo);

public slots:
    void ShowBtnParam();
    void ShowTriParam();
    void OutputOptInfo(QString strMsg, bool bWarining = false);
    void UpdatePos(double dCurPos);
    void UpdateStatus(bool bIsMotorStoped, bool bIsMotorEnable, bool bIsOrigin, bool bIsCtrlDisabled,
                      bool isMotorConncted);
    void ParamInited(int nModel);
    void ParamRefused(int nType);
    void ActModelSet(int nModel);
    void ShowSetting(bool bChecked);
    void ShowMoveParam(bool bChecked);
    void ShowJogParam(bool bChecked);
    void ShowDriveParam(bool bChecked);
    void DisableBtns();
    void EnableBtns();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void PlacePopup(QWidget *popup, QPushButton *button, int dx, bool bShow);
    void CentreDialog(QWidget *dialog);
    void DismissPopup(QWidget *popup, QPushButton *toggle);
    void ApplyTravel();
    QWidget *PopupOf(QObject *toggle) const;
    void TrimLog();
    void ShowPos();

    Ui::ControlWidget *ui;
    MoveParamWidget *m_moveParam = nullptr;
    JogParamWidget *m_jogParam = nullptr;
    DriveParamWidget *m_driveParam = nullptr;
    CruiseCtrlWidget *m_cruiseCtrl = nullptr;
    BtnParamWidget *m_btnParam = nullptr;
    TriParamWidget *m_triParam = nullptr;
    DeviceTrace *m_trace = nullptr;
    QPointer<DevConfig> m_store;
    SerialComDev *m_worker = nullptr;
    QThread *m_thread = nullptr;
    QString m_devName;
    int m_devHandle = -1;
    // Matches the grey running lamp of the form, so that a first report of a
    // moving motor lights it.
    bool m_lastStopped = true;
    // The form shows the motor enabled until the device's first report says.
    bool m_enableKnown = false;
    bool m_lastEnabled = false;
    bool m_lastOrigin = false;
    bool m_lastCtrlDisabled = false;
    QTimer m_lockTimer;
    // The latest position and when the label last changed.
    double m_pos = 0.0;
    QElapsedTimer m_posShown;
    QTimer m_posTimer;
    ActuatorModelInfo m_model;
    // The toggle whose popup was dismissed last with the pointer on it, and
    // since when; and the toggle whose current click is to close its popup.
    QPointer<QPushButton> m_dismissedToggle;
    QElapsedTimer m_dismissedFor;
    QPushButton *m_closingToggle = nullptr;
    // The popup whose range warning is open, if any.
    QWidget *m_warningPopup = nullptr;
};

#endif
