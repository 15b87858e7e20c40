#include "panel/TriParamWidget.h"
#include "ui_TriParamWidget.h"

#include <QComboBox>

#include <cmath>

TriParamWidget::TriParamWidget(QWidget *parent)
    : FramelessDialog(parent)
    , ui(new Ui::TriParamWidget)
{
    // Every code 1, displacements 1.0, output time 1; IO2 starts as an output.
    m_param[1].ioMode = 2;

    ui->setupUi(this);
    ui->wgBack->setStyleSheet(DialogStyleSheet());

    InitFrame(ui->wgBack, ui->wgTitle);
    InitComboPopups(this);
    SetEnterShortcut(ui->pbConfirm);

    connect(ui->pbClose, &QPushButton::clicked, this, &TriParamWidget::CloseWin);
    connect(ui->pbRestore, &QPushButton::clicked, this, &TriParamWidget::RestoreParam);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &TriParamWidget::ConfirmParam);
    connect(ui->cbTriMode_1, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TriParamWidget::IoModeChanged);
    connect(ui->cbTriMode_2, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TriParamWidget::IoModeChanged);
    connect(ui->pbSetActModel, &QPushButton::clicked, this, &TriParamWidget::SetManualModel);

    IoModeChanged();

    int count = 0;
    const ActuatorModelInfo *models = GetActuatorModelCount(&count);
    for (int i = 0; i < count; ++i)
        ui->cbActModel->addItem(models[i].name);
}

TriParamWidget::~TriParamWidget()
{
    delete ui;
}

void TriParamWidget::ShowModel(const ActuatorModelInfo &model)
{
    ui->lbActModel->setText(model.name);
    ui->dsbStep_1->setMaximum(model.travelMm);
    ui->dsbStep_2->setMaximum(model.travelMm);
}

void TriParamWidget::ShowDevInfo(const ActuatorModelInfo &model, const QString &serial)
{
    ShowModel(model);
    ui->lbActSerial->setText(serial);
}

TriParam TriParamWidget::GetParam(int io) const
{
    return m_param[io == 0 ? 0 : 1];
}

void TriParamWidget::CloseWin()
{
    RestoreParam();
    repaint();
    close();
}

// Both lines are always sent complete; each record carries both displacements.
void TriParamWidget::ConfirmParam()
{
    const QComboBox *ioMode[2] = { ui->cbTriMode_1, ui->cbTriMode_2 };
    const QComboBox *inMode[2] = { ui->cbInVolMode_1, ui->cbInVolMode_2 };
    const QComboBox *outMode[2] = { ui->cbOutVolMode_1, ui->cbOutVolMode_2 };
    const QComboBox *outCondition[2] = { ui->cbOutMoveMode_1, ui->cbOutMoveMode_2 };
    const QSpinBox *outTime[2] = { ui->sbOutElapse_1, ui->sbOutElapse_2 };

    for (int io = 0; io < 2; ++io) {
        TriParam &param = m_param[io];
        param.ioMode = static_cast<uint16_t>(ioMode[io]->currentIndex() + 1);
        param.inMode = static_cast<uint16_t>(inMode[io]->currentIndex() + 1);
        param.inDisp1 = ui->dsbStep_1->value();
        param.inDisp2 = ui->dsbStep_2->value();
        param.outMode = static_cast<uint16_t>(outMode[io]->currentIndex() + 1);
        param.outCondition = static_cast<uint16_t>(outCondition[io]->currentIndex() + 1);
        param.outTime = outTime[io]->value();
    }

    emit SigParamConfirmed(m_param[0], m_param[1]);
}

// Each record carries both displacements; those of IO1's record count.
bool TriParamWidget::ConfirmGiven(const TriParam &io1, const TriParam &io2, QString *refusal)
{
    TriParam given[2] = {io1, io2};
    const QDoubleSpinBox *disp[2] = {ui->dsbStep_1, ui->dsbStep_2};
    const QSpinBox *outTime[2] = {ui->sbOutElapse_1, ui->sbOutElapse_2};
    const double scale = std::pow(10.0, disp[0]->decimals());
    // As the fields would hold them; NaN stays out of every range.
    const double shown[2] = {std::round(io1.inDisp1 * scale) / scale, std::round(io1.inDisp2 * scale) / scale};
    for (int io = 0; io < 2; ++io) {
        const QString line = QStringLiteral("IO%1 ").arg(io + 1);
        if (!(shown[io] >= disp[io]->minimum() && shown[io] <= disp[io]->maximum())) {
            *refusal = line + tr("相对位移 超出限制范围\n")
                + QStringLiteral("[%1-%2]!").arg(disp[io]->minimum(), 0, 'f', disp[io]->decimals())
                      .arg(disp[io]->maximum(), 0, 'f', disp[io]->decimals());
            return false;
        }
        if (given[io].outTime < outTime[io]->minimum() || given[io].outTime > outTime[io]->maximum()) {
            *refusal = line + tr("输出电平时间 超出限制范围\n")
                + QStringLiteral("[%1-%2]!").arg(outTime[io]->minimum()).arg(outTime[io]->maximum());
            return false;
        }
    }
    for (TriParam &param : given) {
        param.inDisp1 = shown[0];
        param.inDisp2 = shown[1];
    }
    m_param[0] = given[0];
    m_param[1] = given[1];
    RestoreParam();
    emit SigParamConfirmed(m_param[0], m_param[1]);
    return true;
}

void TriParamWidget::RestoreParam()
{
    QComboBox *ioMode[2] = { ui->cbTriMode_1, ui->cbTriMode_2 };
    QComboBox *inMode[2] = { ui->cbInVolMode_1, ui->cbInVolMode_2 };
    QComboBox *outMode[2] = { ui->cbOutVolMode_1, ui->cbOutVolMode_2 };
    QComboBox *outCondition[2] = { ui->cbOutMoveMode_1, ui->cbOutMoveMode_2 };
    QSpinBox *outTime[2] = { ui->sbOutElapse_1, ui->sbOutElapse_2 };

    for (int io = 0; io < 2; ++io) {
        const TriParam &param = m_param[io];
        ioMode[io]->setCurrentIndex(param.ioMode - 1);
        inMode[io]->setCurrentIndex(param.inMode - 1);
        ui->dsbStep_1->setValue(param.inDisp1);
        ui->dsbStep_2->setValue(param.inDisp2);
        outMode[io]->setCurrentIndex(param.outMode - 1);
        outCondition[io]->setCurrentIndex(param.outCondition - 1);
        outTime[io]->setValue(param.outTime);
    }
    IoModeChanged();
}

void TriParamWidget::IoModeChanged()
{
    const bool input1 = ui->cbTriMode_1->currentIndex() == 0;
    ui->cbInVolMode_1->setVisible(input1);
    ui->dsbStep_1->setVisible(input1);
    ui->lbStepU_1->setVisible(input1);
    ui->cbOutVolMode_1->setVisible(!input1);
    ui->cbOutMoveMode_1->setVisible(!input1);
    ui->sbOutElapse_1->setVisible(!input1);
    ui->lbElapseU_1->setVisible(!input1);

    const bool input2 = ui->cbTriMode_2->currentIndex() == 0;
    ui->cbInVolMode_2->setVisible(input2);
    ui->dsbStep_2->setVisible(input2);
    ui->lbStepU_2->setVisible(input2);
    ui->cbOutVolMode_2->setVisible(!input2);
    ui->cbOutMoveMode_2->setVisible(!input2);
    ui->sbOutElapse_2->setVisible(!input2);
    ui->lbElapseU_2->setVisible(!input2);
}

// Row i of the model table has code i + 1.
void TriParamWidget::SetManualModel()
{
    const int code = ui->cbActModel->currentIndex() + 1;
    emit SigManualModel(code);
}

void TriParamWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    FramelessDialog::changeEvent(event);
}
