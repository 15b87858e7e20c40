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

    // Travel of the device's model, the bound of its position fields.
    void SetTravel(int travelMm);
    // Confirms param as if typed in and confirmed, for a script: false, with
    // the range warning's text in *refusal, at the first field out of range;
    // otherwise held, shown and announced as a confirm would.
    bool ConfirmGiven(const DriveParam &param, QString *refusal);
    DriveParam GetParam() const { return m_param; }

signals:
    // Valid values confirmed; changed has one bit per field that differs.
    void SigParamConfirmed(int nChanged, const DriveParam &param);
    // A refused field, for the program's message box; the popup stays open.
    void SigRangeWarning(const QString &text);

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::DriveParamWidget *ui;
    DriveParam m_param;
    int m_travelMm = 100;
    std::unique_ptr<ParamFieldTable<DriveParam>> m_fields;
};

#endif
