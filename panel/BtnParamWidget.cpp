#include "panel/BtnParamWidget.h"
#include "ui_BtnParamWidget.h"


#include <QtGlobal>
#include <cmath>

BtnParamWidget::BtnParamWidget(QWidget *parent)
    : FramelessDialog(parent)
    , ui(new Ui::BtnParamWidget)
{
    // Until the device has been read the held record is the form's start state.
    m_param.speed = 1.0f;
    m_param.mode = 0;
    m_param.jogStep = 5.0;
    m_param.pos1 = 1.0;
    m_param.pos2 = 2.0;
    m_param.backLightLevel = 5;
    m_param.backSleepLevel = 5;
    m_param.backDormant = 20;

    ui->setupUi(this);
    ui->wgBack->setStyleSheet(DialogStyleSheet());

    InitFrame(ui->wgBack, ui->wgTitle);
    InitComboPopups(this);
    SetEnterShortcut(ui->pbConfirm);

    connect(ui->pbClose, &QPushButton::clicked, this, &BtnParamWidget::CloseWin);
    connect(ui->pbRestore, &QPushButton::clicked, this, &BtnParamWidget::RestoreParam);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &BtnParamWidget::ConfirmParam);
}

BtnParamWidget::~BtnParamWidget()
{
    delete ui;
}

void BtnParamWidget::SetTravel(int travelMm)
{
    ui->dsbStep->setMaximum(travelMm);
    ui->dsbPos1->setMaximum(travelMm);
    ui->dsbPos2->setMaximum(travelMm);
}

void BtnParamWidget::SetParam(const BtnParam &param)
{
    m_param = param;
    RestoreParam();
}

BtnParam BtnParamWidget::GetParam() const
{
    return m_param;
}

void BtnParamWidget::CloseWin()
{
    RestoreParam();
    repaint();
    close();
}

void BtnParamWidget::ConfirmParam()
{
    BtnParam param;
    param.speed = static_cast<float>(ui->dsbSpeed->value());
    param.mode = static_cast<uint16_t>(ui->cbMode->currentIndex());
    param.jogStep = ui->dsbStep->value();
    param.pos1 = ui->dsbPos1->value();
    param.pos2 = ui->dsbPos2->value();
    param.backLightLevel = static_cast<uint16_t>(ui->sbLightLev->value());
    param.backSleepLevel = static_cast<uint16_t>(ui->sbSleepLev->value());
    param.backDormant = static_cast<uint16_t>(ui->sbDormant->value());

    int nChanged = 0;
    if (std::fabs(param.speed - m_param.speed) > 0.003f)
        nChanged |= 0x01;
    if (param.mode != m_param.mode)
        nChanged |= 0x02;
    if (std::fabs(param.jogStep - m_param.jogStep) > 3e-7)
        nChanged |= 0x04;
    if (std::fabs(param.pos1 - m_param.pos1) > 3e-7)
        nChanged |= 0x08;
    if (std::fabs(param.pos2 - m_param.pos2) > 3e-7)
        nChanged |= 0x10;
    if (param.backLightLevel != m_param.backLightLevel)
        nChanged |= 0x20;
    if (param.backSleepLevel != m_param.backSleepLevel)
        nChanged |= 0x40;
    if (param.backDormant != m_param.backDormant)
        nChanged |= 0x80;

    m_param = param;
    emit SigParamConfirmed(nChanged, m_param);
}

// Out-of-range values are clamped by the fields; a mode the combo does not
// list (as a device may report) shows as the nearest one, so that a confirm
// never sends a mode the device does not know.
void BtnParamWidget::RestoreParam()
{
    ui->dsbSpeed->setValue(m_param.speed);
    ui->cbMode->setCurrentIndex(qMin<int>(m_param.mode, ui->cbMode->count() - 1));
    ui->dsbStep->setValue(m_param.jogStep);
    ui->dsbPos1->setValue(m_param.pos1);
    ui->dsbPos2->setValue(m_param.pos2);
    ui->sbLightLev->setValue(m_param.backLightLevel);
    ui->sbSleepLev->setValue(m_param.backSleepLevel);
    ui->sbDormant->setValue(m_param.backDormant);
}

void BtnParamWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    FramelessDialog::changeEvent(event);
}
