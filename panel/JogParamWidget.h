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

    // Travel of the device's model, the bound of its position fields.
    void SetTravel(int travelMm);
    // Confirms param as if typed in and confirmed, for a script: false, with
    // the range warning's text in *refusal, at the first field out of range;
    // otherwise held, shown and announced as a confirm would.
    bool ConfirmGiven(const JogParam &param, QString *refusal);
    JogParam GetParam() const { return m_param; }

signals:
    // Valid values confirmed; changed has one bit per field that differs.
    void SigParamConfirmed(int nChanged, const JogParam &param);
    // A refused field, for the program's message box; the popup stays open.
    void SigRangeWarning(const QString &text);

public slots:
    void RestoreParam();
    void ConfirmParam();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Ui::JogParamWidget *ui;
    JogParam m_param;
    int m_travelMm = 100;
    std::unique_ptr<ParamFieldTable<JogParam>> m_fields;
};

#endif
