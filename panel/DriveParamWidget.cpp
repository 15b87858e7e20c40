#include "panel/DriveParamWidget.h"
#include "ui_DriveParamWidget.h"

#include "app/FramelessDialog.h"

#include <QEvent>

DriveParamWidget::DriveParamWidget(QWidget *parent)
    // A window from the start: made one after its form was built, the whole
    // form would be polished again.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , ui(new Ui::DriveParamWidget)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground, TranslucentWindowsWork());

    QRegExpValidator *decimal = NewDecimalValidator(this);
    ui->leOffset->setValidator(decimal);
    ui->leSpeed->setValidator(decimal);
    ui->leAcc->setValidator(decimal);

    // The offset is checked whether or not relative-offset mode is on.
    m_fields.reset(new ParamFieldTable<DriveParam>(this, [this](const QString &text) { emit SigRangeWarning(text); }, {
        { &DriveParam::Offset, ui->leOffset, 0x01,
          QT_TRANSLATE_NOOP("DriveParamWidget", "相对位移值 超出限制范围\n"), TravelRange(0.000001, "[0.000001-%1]!", 6) },
        { &DriveParam::Enable, ui->cbOffset, 0x02 },
        { &DriveParam::Speed, ui->leSpeed, 0x04,
          QT_TRANSLATE_NOOP("DriveParamWidget", "速度值 超出限制范围\n"), FixedRange(0.01, 2.0, "[0.01-2.00]!") },
        { &DriveParam::Acc, ui->leAcc, 0x08,
          QT_TRANSLATE_NOOP("DriveParamWidget", "加速度值 超出限制范围\n"), FixedRange(0.01, 10.0, "[0.01-10.00]!") },
    }));

    SetConfirmShortcut(ui->pbConfirm);
    connect(ui->pbRestore, &QPushButton::clicked, this, &DriveParamWidget::RestoreParam);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &DriveParamWidget::ConfirmParam);
}

DriveParamWidget::~DriveParamWidget()
{
    delete ui;
}

void DriveParamWidget::SetParam(const DriveParam &param)
{
    m_param = param;
    RestoreParam();
}

void DriveParamWidget::SetSpeedAcc(float speed, float acc)
{
    m_param.Speed = speed;
    m_param.Acc = acc;
    ui->leSpeed->setText(ParamValue::Text(speed));
    ui->leAcc->setText(ParamValue::Text(acc));
}

void DriveParamWidget::SetTravel(int travelMm)
{
    m_travelMm = travelMm;
}

void DriveParamWidget::RestoreParam()
{
    m_fields->Show(m_param);
}

void DriveParamWidget::ConfirmParam()
{
    int changed = 0;
    if (!m_fields->Accept(m_param, m_travelMm, &changed))
        return;
    close();
    emit SigParamConfirmed(changed, m_param);
}

bool DriveParamWidget::ConfirmGiven(const DriveParam &param, QString *refusal)
{
    int changed = 0;
    if (!m_fields->AcceptGiven(m_param, param, m_travelMm, &changed, refusal))
        return false;
    RestoreParam();
    emit SigParamConfirmed(changed, m_param);
    return true;
}

void DriveParamWidget::paintEvent(QPaintEvent *)
{
    PaintStyledBackground(this);
}

void DriveParamWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
