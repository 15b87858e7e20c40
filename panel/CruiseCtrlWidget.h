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

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::CruiseCtrlWidget *ui;
    CruiseParam m_param;
    std::unique_ptr<ParamFieldTable<CruiseParam>> m_fields;
};

#endif
