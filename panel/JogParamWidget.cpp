#include "panel/JogParamWidget.h"
#include "ui_JogParamWidget.h"

#include "app/FramelessDialog.h"

#include <QEvent>

JogParamWidget::JogParamWidget(QWidget *parent)
    // A window from the start: made one after its form was built, the whole
    // form would be polished again.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , ui(new Ui::JogParamWidget)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground, TranslucentWindowsWork());

    ui->leJogStep->setValidator(NewDecimalValidator(this));
    QRegExpValidator *integer = NewIntegerValidator(this);
    ui->leJogDelay->setValidator(integer);
    ui->leJogTimes->setValidator(integer);

    m_fields.reset(new ParamFieldTable<JogParam>(this, [this](const QString &text) { emit SigRangeWarning(text); }, {
        { &JogParam::Step, ui->leJogStep, 0x01,
          QT_TRANSLATE_NOOP("JogParamWidget", "步进步长 超出限制范围\n"), TravelRange(0.000001, "[0.000001-%1]!", 6) },
        { &JogParam::Delay, ui->leJogDelay, 0x02,
          QT_TRANSLATE_NOOP("JogParamWidget", "步进延时时间 超出限制范围\n"), FixedRange(1, 16777215, "[1-16777215]!") },
        { &JogParam::Times, ui->leJogTimes, 0x04,
          QT_TRANSLATE_NOOP("JogParamWidget", "步进次数 超出限制范围\n"), FixedRange(1, 16777215, "[1-16777215]!") },
    }));

    SetConfirmShortcut(ui->pbConfirm);
    connect(ui->pbRestore, &QPushButton::clicked, this, &JogParamWidget::RestoreParam);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &JogParamWidget::ConfirmParam);
}

JogParamWidget::~JogParamWidget()
{
    delete ui;
}

void JogParamWidget::SetParam(const JogParam &param)
{
    m_param = param;
    RestoreParam();
}

void JogParamWidget::SetTravel(int travelMm)
{
    m_travelMm = travelMm;
}

void JogParamWidget::RestoreParam()
{
    m_fields->Show(m_param);
}

void JogParamWidget::ConfirmParam()
{
    int changed = 0;
    if (!m_fields->Accept(m_param, m_travelMm, &changed))
        return;
    close();
    emit SigParamConfirmed(changed, m_param);
}

bool JogParamWidget::ConfirmGiven(const JogParam &param, QString *refusal)
{
    int changed = 0;
    if (!m_fields->AcceptGiven(m_param, param, m_travelMm, &changed, refusal))
        return false;
    RestoreParam();
    emit SigParamConfirmed(changed, m_param);
    return true;
}

void JogParamWidget::paintEvent(QPaintEvent *)
{
    PaintStyledBackground(this);
}

void JogParamWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
