#include "panel/BtnParamWidget.h"
#include "ui_BtnParamWidget.h"

#include <QtGlobal>

#include <cmath>
#include <type_traits>

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

    m_fields = {
        {ui->dsbSpeed, 0x01, ui->dsbSpeed->minimum()}, {ui->cbMode, 0x02, 0},
        {ui->dsbStep, 0x04, ui->dsbStep->minimum()}, {ui->dsbPos1, 0x08, ui->dsbPos1->minimum()},
        {ui->dsbPos2, 0x10, ui->dsbPos2->minimum()}, {ui->sbLightLev, 0x20, double(ui->sbLightLev->minimum())},
        {ui->sbSleepLev, 0x40, double(ui->sbSleepLev->minimum())}, {ui->sbDormant, 0x80, double(ui->sbDormant->minimum())},
    };

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

void BtnParamWidget::SetParam(const BtnParam &param, unsigned int known)
{
    m_param = param;
    m_known = known;
    RestoreParam();
}

void BtnParamWidget::ParamRefused(const BtnParam &param, unsigned int known)
{
    m_param = param;
    m_known = known;
    if (isVisible())
        ShowKnown();
    else
        RestoreParam();
}

// A field whose device value is unknown gets one step of its last decimal
// below its range, shown as "未知": a value the operator can leave alone.
void BtnParamWidget::ShowKnown()
{
    for (const Field &field : m_fields) {
        const bool known = m_known & field.bit;
        if (auto *decimal = qobject_cast<QDoubleSpinBox *>(field.input)) {
            decimal->setSpecialValueText(known ? QString() : tr("未知"));
            decimal->setMinimum(known ? field.minimum : field.minimum - std::pow(10.0, -decimal->decimals()));
        } else if (auto *spin = qobject_cast<QSpinBox *>(field.input)) {
            spin->setSpecialValueText(known ? QString() : tr("未知"));
            spin->setMinimum(int(field.minimum) - (known ? 0 : 1));
        } else if (auto *combo = qobject_cast<QComboBox *>(field.input)) {
            combo->setPlaceholderText(tr("未知"));
        }
    }
}

unsigned int BtnParamWidget::SetFields() const
{
    unsigned int set = 0;
    for (const Field &field : m_fields) {
        bool unknown = false;
        if (auto *decimal = qobject_cast<QDoubleSpinBox *>(field.input))
            unknown = decimal->value() < field.minimum;
        else if (auto *spin = qobject_cast<QSpinBox *>(field.input))
            unknown = spin->value() < field.minimum;
        else if (auto *combo = qobject_cast<QComboBox *>(field.input))
            unknown = combo->currentIndex() < 0;
        if (!unknown)
            set |= field.bit;
    }
    return set;
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
    // A field left at "未知" keeps the held value and is not sent.
    const unsigned int set = SetFields();
    BtnParam param = m_param;
    if (set & 0x01)
        param.speed = static_cast<float>(ui->dsbSpeed->value());
    if (set & 0x02)
        param.mode = static_cast<uint16_t>(ui->cbMode->currentIndex());
    if (set & 0x04)
        param.jogStep = ui->dsbStep->value();
    if (set & 0x08)
        param.pos1 = ui->dsbPos1->value();
    if (set & 0x10)
        param.pos2 = ui->dsbPos2->value();
    if (set & 0x20)
        param.backLightLevel = static_cast<uint16_t>(ui->sbLightLev->value());
    if (set & 0x40)
        param.backSleepLevel = static_cast<uint16_t>(ui->sbSleepLev->value());
    if (set & 0x80)
        param.backDormant = static_cast<uint16_t>(ui->sbDormant->value());
    Confirm(param, set);
}

// A value outside its field's range is refused with the field's label and
// range, as a popup's range warning reads.
bool BtnParamWidget::ConfirmGiven(const std::array<double, 8> &values, unsigned int fields, QString *refusal)
{
    const QLabel *labels[] = {ui->lbSpeed, ui->lbMode, ui->lbStep, ui->lbPos1,
                              ui->lbPos2, ui->lbLightLev, ui->lbSleepLev, ui->lbDormant};
    std::array<double, 8> shown = values;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const Field &field = m_fields[i];
        if (!(fields & field.bit))
            continue;
        double maximum = ui->cbMode->count() - 1;
        int decimals = 0;
        if (auto *decimal = qobject_cast<QDoubleSpinBox *>(field.input)) {
            maximum = decimal->maximum();
            decimals = decimal->decimals();
            // As the field would hold it; NaN stays out of every range.
            const double scale = std::pow(10.0, decimals);
            shown[i] = std::round(values[i] * scale) / scale;
        } else if (auto *spin = qobject_cast<QSpinBox *>(field.input)) {
            maximum = spin->maximum();
        }
        const double value = shown[i];
        if (!(value >= field.minimum && value <= maximum)) {
            *refusal = labels[i]->text() + tr(" 超出限制范围\n")
                + QStringLiteral("[%1-%2]!").arg(field.minimum, 0, 'f', decimals).arg(maximum, 0, 'f', decimals);
            return false;
        }
    }
    BtnParam param = m_param;
    const auto take = [&](unsigned int bit, auto &member) {
        if (fields & bit)
            member = static_cast<std::decay_t<decltype(member)>>(shown[std::size_t(std::log2(bit))]);
    };
    take(0x01, param.speed);
    take(0x02, param.mode);
    take(0x04, param.jogStep);
    take(0x08, param.pos1);
    take(0x10, param.pos2);
    take(0x20, param.backLightLevel);
    take(0x40, param.backSleepLevel);
    take(0x80, param.backDormant);
    Confirm(param, fields);
    RestoreParam();
    return true;
}

void BtnParamWidget::Confirm(const BtnParam &param, unsigned int set)
{
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
    // Whatever was set where the device's value is unknown is a change.
    nChanged |= set & ~m_known;

    m_param = param;
    m_known |= set;
    ShowKnown();
    emit SigParamConfirmed(nChanged, m_param);
}

// Out-of-range values are clamped by the fields; a mode the combo does not
// list (as a device may report) shows as the nearest one, so that a confirm
// never sends a mode the device does not know. Fields whose device value is
// unknown show "未知", the mode an empty choice.
void BtnParamWidget::RestoreParam()
{
    ShowKnown();
    ui->dsbSpeed->setValue(m_param.speed);
    ui->cbMode->setCurrentIndex(qMin<int>(m_param.mode, ui->cbMode->count() - 1));
    ui->dsbStep->setValue(m_param.jogStep);
    ui->dsbPos1->setValue(m_param.pos1);
    ui->dsbPos2->setValue(m_param.pos2);
    ui->sbLightLev->setValue(m_param.backLightLevel);
    ui->sbSleepLev->setValue(m_param.backSleepLevel);
    ui->sbDormant->setValue(m_param.backDormant);
    for (const Field &field : m_fields) {
        if (m_known & field.bit)
            continue;
        if (auto *decimal = qobject_cast<QDoubleSpinBox *>(field.input))
            decimal->setValue(decimal->minimum());
        else if (auto *spin = qobject_cast<QSpinBox *>(field.input))
            spin->setValue(spin->minimum());
        else if (auto *combo = qobject_cast<QComboBox *>(field.input))
            combo->setCurrentIndex(-1);
    }
}

void BtnParamWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ShowKnown();
    }
    FramelessDialog::changeEvent(event);
}
