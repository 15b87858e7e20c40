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

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::MoveParamWidget *ui;
    MoveParam m_param;
    std::unique_ptr<ParamFieldTable<MoveParam>> m_fields;
};

#endif
