#ifndef ADDDEVWIDGET_H
#define ADDDEVWIDGET_H

#include "app/FramelessDialog.h"
#include "device/DevInfo.h"

#include <QElapsedTimer>
#include <QList>
#include <QTimer>

namespace Ui {
class AddDevWidget;
}

class QPushButton;

// Modal dialog that scans for controllers, lists up to six of them as toggle
// buttons and, on confirmation, opens the newly picked ones and has the main
// window bring its control panels in line with the choice.
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

signals:
    // The checked entries changed: the panels are to follow them.
    void SigConfirmed();
    // Something the operator must be told in a message box.
    void SigWarning(const QString &text);

public slots:
    void ScanDev();
    void SlotConfirm();

protected:
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void RebuildDevButtons();
    QPushButton *DevButton(int index) const;
    int IndexOf(DevHandle handle) const;
    void WaitForRelease();
    void FinishConfirm();
    void ShowNote();

    Ui::AddDevWidget *ui;
    QList<DevInfo> m_devList;
    // Newly checked devices whose open waits for a closing panel's worker
    // to let them go.
    QList<DevHandle> m_pending;
    QTimer m_releasePoll;
    QElapsedTimer m_releaseClock;
    bool m_scanFailed = false;
    int m_consoleHeld = 0;
};

#endif
