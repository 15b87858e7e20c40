#ifndef TRIPARAMWIDGET_H
#define TRIPARAMWIDGET_H

#include "app/FramelessDialog.h"
#include "device/ActuatorModel.h"
#include "device/SerialComDev.h"

namespace Ui {
class TriParamWidget;
}

// Dialog for the two trigger lines (each a trigger input or output) and the
// device information: actuator model and serial, and a model picked by hand.
// Confirmed settings and the picked model go to the panel.
class TriParamWidget : public FramelessDialog
{
    Q_OBJECT

public:
    explicit TriParamWidget(QWidget *parent = nullptr);
    ~TriParamWidget() override;

    // Model name, and its travel as the upper limit of both displacements.
    void ShowModel(const ActuatorModelInfo &model);
    void ShowDevInfo(const ActuatorModelInfo &model, const QString &serial);
    // The record last confirmed for IO1 (io 0) or IO2 (io 1).
    TriParam GetParam(int io) const;
    // Confirms both records as if set in the dialog, for a script: false,
    // with a range warning's text in *refusal, when a displacement or an
    // output time is outside its field's range; otherwise held, shown and
    // announced as a confirm would.
    bool ConfirmGiven(const TriParam &io1, const TriParam &io2, QString *refusal);

signals:
    // Confirmed settings of IO1 and IO2.
    void SigParamConfirmed(const TriParam &io1, const TriParam &io2);
    // A model picked by hand, by its code.
    void SigManualModel(int nModel);

private slots:
    void CloseWin();
    void ConfirmParam();
    void RestoreParam();
    void IoModeChanged();
    void SetManualModel();

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::TriParamWidget *ui;
    TriParam m_param[2];
};

#endif
