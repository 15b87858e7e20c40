#ifndef BTNPARAMWIDGET_H
#define BTNPARAMWIDGET_H

#include "app/FramelessDialog.h"
#include "device/SerialComDev.h"

#include <array>
#include <vector>

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
    // known: one bit per field (bits of the change set) whose value the device
    // is known to hold. The others show "未知" and are sent only once set.
    void SetParam(const BtnParam &param, unsigned int known = 0xff);
    // The device refused a push: param and known are what it holds. An open
    // dialog keeps its entries, so that confirming again asks for them again.
    void ParamRefused(const BtnParam &param, unsigned int known);
    // The record last received or confirmed.
    BtnParam GetParam() const;
    // Confirms values as if set in the dialog, for a script: values holds
    // the fields in record order (field i has bit 1 << i of the change set,
    // the mode its index), fields the bits of those given. False, with a
    // range warning's text in *refusal, when one is outside its field's
    // range; otherwise held, shown and announced as a confirm would.
    bool ConfirmGiven(const std::array<double, 8> &values, unsigned int fields, QString *refusal);
    // Fields the device is known to hold (SetParam).
    unsigned int KnownFields() const { return m_known; }

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
    // An input and its bit; minimum: the spin box's own lower limit.
    struct Field
    {
        QWidget *input;
        unsigned int bit;
        double minimum;
    };

    // Ranges and "未知" texts of the fields as m_known says, values untouched.
    void ShowKnown();
    // The fields not showing "未知".
    unsigned int SetFields() const;
    // param held, with the fields set known, and announced.
    void Confirm(const BtnParam &param, unsigned int set);

    Ui::BtnParamWidget *ui;
    BtnParam m_param;
    unsigned int m_known = 0xff;
    std::vector<Field> m_fields;
};

#endif
