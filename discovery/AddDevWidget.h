#ifndef ADDDEVWIDGET_H
#define ADDDEVWIDGET_H

#include "app/FramelessDialog.h"
#include "device/DevInfo.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QTimer>

namespace Ui {
class AddDevWidget;
}

class DeviceScanner;
class QPushButton;

// Modal dialog that scans for controllers, lists up to six of them as toggle
// buttons and, on confirmation, opens the newly picked ones and has the main
// window bring its control panels in line with the choice. Its library calls
// run on a thread of their own; meanwhile the dialog says what it is doing.
class AddDevWidget : public FramelessDialog
{
    Q_OBJECT

public:
    explicit AddDevWidget(QWidget *parent = nullptr);
    ~AddDevWidget() override;

    // Copies of the checked entries, in list order.
    QList<DevInfo> GetCheckedDevs() const;
    // Copies of every entry, in list order.
    QList<DevInfo> GetDevs() const { return m_devList; }
    // Clears the checked flag of the device's entry and unchecks its button.
    void UncheckDev(DevHandle handle);
    // Drops the device's entry from the list.
    void RemoveDev(DevHandle handle);
    // A device this dialog opened gets its panel: the dialog's hold of it
    // ends here, for the panel's worker to take it.
    void HandOverDev(DevHandle handle);
    // What makes the dialog's library calls; valid while the dialog lives.
    // It outlives the dialog until it has closed what it still held, then it
    // ends its thread.
    DeviceScanner *GetScanner() const;

    // True while a scan, a wait for a releasing device or an open runs.
    bool Busy() const;

    // What a script's open or close of a device came to.
    enum ScriptOutcome { ScriptDone, ScriptConsoleHolds, ScriptStillHeld, ScriptOpenFailed, ScriptLost };
    // A script's open or close of a listed device: as toggling its button and
    // confirming, except that the dialog stays shown or hidden as it is, its
    // other buttons keep the operator's unconfirmed toggles, and nothing is
    // put to the operator; SigScriptConfirmed tells the outcome (it may come
    // before this returns). False, and nothing happens, while the dialog is
    // busy or when the device is not listed.
    bool ConfirmForScript(DevHandle handle, bool open);

signals:
    // The checked entries changed: the panels are to follow them.
    void SigConfirmed();
    // Something the operator must be told in a message box.
    void SigWarning(const QString &text);
    // A script's confirm has ended, after SigConfirmed (outcome: ScriptOutcome).
    void SigScriptConfirmed(DevHandle handle, int outcome);
    // A scan has ended with no other one to follow; failed: the list stayed as it was.
    void SigScanEnded(bool failed);

public slots:
    // Starts a scan; asked while one runs, another follows it.
    void ScanDev();
    void SlotConfirm();

protected:
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void ScanFinished(int status, const QList<DevHandle> &reported, const QList<DevInfo> &found);
    void OpenFinished(const QList<DevHandle> &opened, const QList<DevHandle> &failed);
    void RebuildDevButtons();
    QPushButton *DevButton(int index) const;
    int IndexOf(DevHandle handle) const;
    void WaitForRelease();
    void StartOpening();
    void FinishConfirm(const QList<DevHandle> &opened);
    void FinishScriptConfirm(const QList<DevHandle> &opened);
    void Refused(DevHandle handle, ScriptOutcome outcome, const QString &problem);
    void ShowBusy();
    void ShowNote();
    void FitToContent();
    void CloseOnScanner(const QList<DevHandle> &handles);

    Ui::AddDevWidget *ui;
    DeviceScanner *m_scanner = nullptr;
    QList<DevInfo> m_devList;
    // The handles the last successful scan reported.
    QSet<DevHandle> m_reported;
    // Entries that got no button, by serial.
    QStringList m_notShown;
    bool m_scanning = false;
    bool m_rescan = false;
    // A confirm under way: the newly checked devices whose open waits for a
    // closing panel's worker to let them go, the unchecked ones, the devices
    // being opened and what the operator is to be told at its end. Closing
    // the dialog before it ends applies none of it.
    QList<DevHandle> m_toOpen;
    QList<DevHandle> m_toUncheck;
    QList<DevHandle> m_opening;
    // Opened devices whose panels have not taken them yet.
    QList<DevHandle> m_handing;
    bool m_openCancelled = false;
    QStringList m_problems;
    QTimer m_releasePoll;
    QElapsedTimer m_releaseClock;
    // The device of a script's confirm under way (-1: the confirm, if any, is
    // the operator's), whether it is to be opened, and why it was not.
    DevHandle m_scriptHandle = -1;
    bool m_scriptOpens = false;
    ScriptOutcome m_scriptOutcome = ScriptDone;
    bool m_scanFailed = false;
    int m_consoleHeld = 0;
};

#endif
