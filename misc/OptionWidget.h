#ifndef OPTIONWIDGET_H
#define OPTIONWIDGET_H

#include <QPoint>
#include <QTranslator>
#include <QWidget>

namespace Ui {
class OptionWidget;
}

// Options window: the interface language (0 Chinese, 1 English), stored in
// appConfig.ini beside the executable and applied at once, without restart.
class OptionWidget : public QWidget
{
    Q_OBJECT

public:
    explicit OptionWidget(QWidget *parent = nullptr);
    ~OptionWidget() override;

public slots:
    void SlotCloseWindow();
    void SlotRbCnToggled(bool checked);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void ApplyLanguage();

    Ui::OptionWidget *ui;
    bool m_bDragging = false;
    QPoint m_pressPos;
    QTranslator m_translator;
    int m_nLanguageType = 0;
};

#endif
