#ifndef BTNPARAMWIDGET_H
#define BTNPARAMWIDGET_H

#include "app/FramelessDialog.h"
#include "device/SerialComDev.h"

namespace Ui {
class BtnParamWidget;
}

// Dialog for the device's offline button parameters: button speed and mode,
// step, two stored positions and the backlight levels. Values come from the
// panel and confirmed values go back to it; the dialog never talks to the
// device itself.
class BtnParamWidget : public FramelessDialog
{
    Q_OBJECT

public:
    explicit BtnParamWidget(QWidget *parent = nullptr);
    ~BtnParamWidget() override;

    // Upper limit of the step and both positions: the actuator's travel in mm.
    void SetTravel(int travelMm);
    void SetParam(const BtnParam &param);
    // The record last received or confirmed.
    BtnParam GetParam() const;

signals:
    // Confirmed values; changed has one bit per field that differs.
    void SigParamConfirmed(int nChanged, const BtnParam &param);

private slots:
    void CloseWin();
    void ConfirmParam();
    void RestoreParam();

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::BtnParamWidget *ui;
    BtnParam m_param;
};

#endif
