#ifndef ADDDEVWIDGET_H
#define ADDDEVWIDGET_H

#include "app/FramelessDialog.h"
#include "device/DevInfo.h"

#include <QList>

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
    // Clears the checked flag of the device's entry and unchecks its button.
    void UncheckDev(DevHandle handle);
    // Drops the device's entry from the list.
    void RemoveDev(DevHandle handle);

public slots:
    void ScanDev();
    void SlotConfirm();

protected:
    void changeEvent(QEvent *event) override;

private:
    void RebuildDevButtons();
    QPushButton *DevButton(int index) const;

    Ui::AddDevWidget *ui;
    QList<DevInfo> m_devList;
};

#endif
