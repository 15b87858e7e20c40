#include "panel/MoveParamWidget.h"
#include "ui_MoveParamWidget.h"

#include "app/FramelessDialog.h"

#include <QEvent>

MoveParamWidget::MoveParamWidget(QWidget *parent)
    // A window from the start: made one after its form was built, the whole
    // form would be polished again.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , ui(new Ui::MoveParamWidget)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground, TranslucentWindowsWork());

    QRegExpValidator *decimal = NewDecimalValidator(this);
    ui->lePosition->setValidator(decimal);
    ui->leSpeed->setValidator(decimal);
    ui->leAcc->setValidator(decimal);
    ui->leJerk->setValidator(NewIntegerValidator(this));

    m_fields.reset(new ParamFieldTable<MoveParam>(this, [this](const QString &text) { emit SigRangeWarning(text); }, {
        { &MoveParam::TargetPos, ui->lePosition, 0x01,
          QT_TRANSLATE_NOOP("MoveParamWidget", "目标位置 超出限制范围\n"), TravelRange(0, "[0-%1]!", 0) },
        { &MoveParam::Speed, ui->leSpeed, 0x02,
          QT_TRANSLATE_NOOP("MoveParamWidget", "速度值 超出限制范围\n"), FixedRange(0.01, 2.0, "[0.01-2.00]!") },
        { &MoveParam::Acc, ui->leAcc, 0x04,
          QT_TRANSLATE_NOOP("MoveParamWidget", "加速度值 超出限制范围\n"), FixedRange(0.01, 10.0, "[0.01-10.00]!") },
        { &MoveParam::Jerk, ui->leJerk, 0x10,
          QT_TRANSLATE_NOOP("MoveParamWidget", "弓形参数 超出限制范围\n"), FixedRange(0, 18, "[0-18]!") },
        { &MoveParam::JerkChecked, ui->cbJerk, 0x10 },
    }));

    SetConfirmShortcut(ui->pbConfirm);
    connect(ui->pbRestore, &QPushButton::clicked, this, &MoveParamWidget::RestoreParam);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &MoveParamWidget::ConfirmParam);
}

MoveParamWidget::~MoveParamWidget()
{
    delete ui;
}

void MoveParamWidget::SetParam(const MoveParam &param)
{
    m_param = param;
    RestoreParam();
}

void MoveParamWidget::SetSpeedAcc(float speed, float acc)
{
    m_param.Speed = speed;
    m_param.Acc = acc;
    ui->leSpeed->setText(ParamValue::Text(speed));
    ui->leAcc->setText(ParamValue::Text(acc));
}

void MoveParamWidget::SetTravel(int travelMm)
{
    m_travelMm = travelMm;
}

void MoveParamWidget::RestoreParam()
{
    m_fields->Show(m_param);
}

void MoveParamWidget::ConfirmParam()
{
    int changed = 0;
    if (!m_fields->Accept(m_param, m_travelMm, &changed))
        return;
    close();
    emit SigParamConfirmed(changed, m_param);
}

bool MoveParamWidget::ConfirmGiven(const MoveParam &param, QString *refusal)
{
    int changed = 0;
    if (!m_fields->AcceptGiven(m_param, param, m_travelMm, &changed, refusal))
        return false;
    RestoreParam();
    emit SigParamConfirmed(changed, m_param);
    return true;
}

void MoveParamWidget::paintEvent(QPaintEvent *)
{
    PaintStyledBackground(this);
}

void MoveParamWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
