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

signals:
    // The checked entries changed: the panels are to follow them.
    void SigConfirmed();
    // Something the operator must be told in a message box.
    void SigWarning(const QString &text);

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
    bool Busy() const;
    void ShowBusy();
    void ShowNote();
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
    bool m_scanFailed = false;
    int m_consoleHeld = 0;
};

#endif
