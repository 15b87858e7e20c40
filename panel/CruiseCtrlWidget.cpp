#include "panel/CruiseCtrlWidget.h"
#include "ui_CruiseCtrlWidget.h"

#include "app/FramelessDialog.h"

#include <QEvent>

CruiseCtrlWidget::CruiseCtrlWidget(QWidget *parent)
    // A window from the start: made one after its form was built, the whole
    // form would be polished again.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , ui(new Ui::CruiseCtrlWidget)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground, TranslucentWindowsWork());

    QRegExpValidator *decimal = NewDecimalValidator(this);
    ui->leCruiseBeginPos->setValidator(decimal);
    ui->leCruiseEndPos->setValidator(decimal);
    QRegExpValidator *integer = NewIntegerValidator(this);
    ui->leCruiseStopTime->setValidator(integer);
    ui->leCruiseTimes->setValidator(integer);

    // Begin and end are not compared with each other: either may be the larger.
    m_fields.reset(new ParamFieldTable<CruiseParam>(this, [this](const QString &text) { emit SigRangeWarning(text); }, {
        { &CruiseParam::BeginPos, ui->leCruiseBeginPos, 0x01,
          QT_TRANSLATE_NOOP("CruiseCtrlWidget", "巡航起始位置 超出限制范围\n"), TravelRange(0, "[0-%1]!", 0) },
        { &CruiseParam::EndPos, ui->leCruiseEndPos, 0x02,
          QT_TRANSLATE_NOOP("CruiseCtrlWidget", "巡航结束位置 超出限制范围\n"), TravelRange(0, "[0-%1]!", 0) },
        { &CruiseParam::StopTime, ui->leCruiseStopTime, 0x04,
          QT_TRANSLATE_NOOP("CruiseCtrlWidget", "巡航停留时间 超出限制范围\n"), FixedRange(1, 16777215, "[1-16777215]!") },
        { &CruiseParam::Times, ui->leCruiseTimes, 0x08,
          QT_TRANSLATE_NOOP("CruiseCtrlWidget", "巡航次数 超出限制范围\n"), FixedRange(1, 16777215, "[1-16777215]!") },
    }));

    SetConfirmShortcut(ui->pbConfirm);
    connect(ui->pbRestore, &QPushButton::clicked, this, &CruiseCtrlWidget::RestoreParam);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &CruiseCtrlWidget::ConfirmParam);
    connect(ui->pbBtnParam, &QPushButton::clicked, this, &CruiseCtrlWidget::SigShowBtnParam);
    connect(ui->pbDevParam, &QPushButton::clicked, this, &CruiseCtrlWidget::SigShowTriParam);
}

CruiseCtrlWidget::~CruiseCtrlWidget()
{
    delete ui;
}

void CruiseCtrlWidget::SetParam(const CruiseParam &param)
{
    m_param = param;
    RestoreParam();
}

void CruiseCtrlWidget::SetStartEnabled(bool enabled)
{
    ui->pbConfirm->setEnabled(enabled);
}

void CruiseCtrlWidget::SetTravel(int travelMm)
{
    m_travelMm = travelMm;
}

void CruiseCtrlWidget::RestoreParam()
{
    m_fields->Show(m_param);
}

// Confirming starts the cruise: the panel locks its buttons and relays type 9,
// which starts it even when nothing changed.
void CruiseCtrlWidget::ConfirmParam()
{
    int changed = 0;
    if (!m_fields->Accept(m_param, m_travelMm, &changed))
        return;
    close();
    emit SigParamConfirmed(changed, m_param);
}

bool CruiseCtrlWidget::ConfirmGiven(const CruiseParam &param, QString *refusal)
{
    int changed = 0;
    if (!m_fields->AcceptGiven(m_param, param, m_travelMm, &changed, refusal))
        return false;
    RestoreParam();
    emit SigParamConfirmed(changed, m_param);
    return true;
}

void CruiseCtrlWidget::paintEvent(QPaintEvent *)
{
    PaintStyledBackground(this);
}

void CruiseCtrlWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
