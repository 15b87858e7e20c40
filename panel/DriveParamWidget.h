#ifndef DRIVEPARAMWIDGET_H
#define DRIVEPARAMWIDGET_H

#include "config/DevParams.h"
#include "panel/ParamFields.h"

#include <QWidget>

#include <memory>

namespace Ui {
class DriveParamWidget;
}

// Drop-down of the control panel for driving: relative offset and its
// switch, speed and acceleration. Confirmed values go to the panel
// (UpdateDriveParam).
class DriveParamWidget : public QWidget
{
    Q_OBJECT

public:
    explicit DriveParamWidget(QWidget *parent);
    ~DriveParamWidget() override;

    void SetParam(const DriveParam &param);
    // Speed and acceleration confirmed in the move popup (one device setting).
    void SetSpeedAcc(float speed, float acc);

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::DriveParamWidget *ui;
    DriveParam m_param;
    std::unique_ptr<ParamFieldTable<DriveParam>> m_fields;
};

#endif
