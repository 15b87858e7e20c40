#ifndef JOGPARAMWIDGET_H
#define JOGPARAMWIDGET_H

#include "config/DevParams.h"
#include "panel/ParamFields.h"

#include <QWidget>

#include <memory>

namespace Ui {
class JogParamWidget;
}

// Drop-down of the control panel for jogging: step length, number of steps
// and pause between them. Confirmed values go to the panel (UpdateJogParam).
class JogParamWidget : public QWidget
{
    Q_OBJECT

public:
    explicit JogParamWidget(QWidget *parent);
    ~JogParamWidget() override;

    void SetParam(const JogParam &param);

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::JogParamWidget *ui;
    JogParam m_param;
    std::unique_ptr<ParamFieldTable<JogParam>> m_fields;
};

#endif
