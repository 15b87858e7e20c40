#ifndef MOVEPARAMWIDGET_H
#define MOVEPARAMWIDGET_H

#include "config/DevParams.h"
#include "panel/ParamFields.h"

#include <QWidget>

#include <memory>

namespace Ui {
class MoveParamWidget;
}

// Drop-down of the control panel for the absolute move: target, speed,
// acceleration and jerk. Confirmed values go to the panel (UpdateMoveParam).
class MoveParamWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MoveParamWidget(QWidget *parent);
    ~MoveParamWidget() override;

    void SetParam(const MoveParam &param);
    // Speed and acceleration confirmed in the drive popup (one device setting).
    void SetSpeedAcc(float speed, float acc);

    // Travel of the device's model, the bound of its position fields.
    void SetTravel(int travelMm);
    // Confirms param as if typed in and confirmed, for a script: false, with
    // the range warning's text in *refusal, at the first field out of range;
    // otherwise held, shown and announced as a confirm would.
    bool ConfirmGiven(const MoveParam &param, QString *refusal);
    MoveParam GetParam() const { return m_param; }

signals:
    // Valid values confirmed; changed has one bit per field that differs.
    void SigParamConfirmed(int nChanged, const MoveParam &param);
    // A refused field, for the program's message box; the popup stays open.
    void SigRangeWarning(const QString &text);

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::MoveParamWidget *ui;
    MoveParam m_param;
    int m_travelMm = 100;
    std::unique_ptr<ParamFieldTable<MoveParam>> m_fields;
};

#endif
