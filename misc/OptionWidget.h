#ifndef OPTIONWIDGET_H
#define OPTIONWIDGET_H

#include <QTranslator>
#include "app/FramelessDialog.h"

namespace Ui {
class OptionWidget;
}

// Options window: the interface language (0 Chinese, 1 English), stored in
// appConfig.ini (in ConfigDir) and applied at once, without restart.
class OptionWidget : public FramelessDialog
{
    Q_OBJECT

public:
    explicit OptionWidget(QWidget *parent = nullptr);
    ~OptionWidget() override;

public slots:
    void SlotCloseWindow();
    void SlotRbCnToggled(bool checked);

private:
    void ApplyLanguage();

    Ui::OptionWidget *ui;
    QTranslator m_translator;
    int m_nLanguageType = 0;
};

#endif
