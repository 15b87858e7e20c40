#ifndef CRUISECTRLWIDGET_H
#define CRUISECTRLWIDGET_H

#include "config/DevParams.h"
#include "panel/ParamFields.h"

#include <QWidget>

#include <memory>

namespace Ui {
class CruiseCtrlWidget;
}

// Drop-down behind the panel's settings toggle: opens the panel's button and
// trigger dialogs, and edits and starts the cruise between two positions
// (UpdateCruiseParam).
class CruiseCtrlWidget : public QWidget
{
    Q_OBJECT

public:
    // parent: the control panel.
    explicit CruiseCtrlWidget(QWidget *parent);
    ~CruiseCtrlWidget() override;

    void SetParam(const CruiseParam &param);
    // Follows the panel's motion-button lock: no cruise starts while locked.
    void SetStartEnabled(bool enabled);

    // Travel of the device's model, the bound of its position fields.
    void SetTravel(int travelMm);
    // Confirms param as if typed in and confirmed, for a script: false, with
    // the range warning's text in *refusal, at the first field out of range;
    // otherwise held, shown and announced as a confirm would.
    bool ConfirmGiven(const CruiseParam &param, QString *refusal);
    CruiseParam GetParam() const { return m_param; }

signals:
    // Valid values confirmed; changed has one bit per field that differs.
    void SigParamConfirmed(int nChanged, const CruiseParam &param);
    // A refused field, for the program's message box; the popup stays open.
    void SigRangeWarning(const QString &text);
    void SigShowBtnParam();
    void SigShowTriParam();

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::CruiseCtrlWidget *ui;
    CruiseParam m_param;
    int m_travelMm = 100;
    std::unique_ptr<ParamFieldTable<CruiseParam>> m_fields;
};

#endif
