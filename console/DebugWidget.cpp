#include "console/DebugWidget.h"
#include "ui_DebugWidget.h"

#include "device/DeviceOwners.h"
#include "device/LibraryText.h"

#include <QByteArray>
#include <QDebug>
#include <QEvent>
#include <QRegularExpression>
#include <QtGlobal>

namespace {

uint16_t Word(const QSpinBox *box)
{
    return static_cast<uint16_t>(box->value());
}

// Combo items are numbered from 1 on the device.
uint16_t ItemCode(const QComboBox *box)
{
    return static_cast<uint16_t>(box->currentIndex() + 1);
}

int Switch(int state)
{
    return state == Qt::Checked ? 1 : 0;
}

QString Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

DebugWidget::DebugWidget(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::DebugWidget)
{
    ui->setupUi(this);
    setWindowModality(Qt::WindowModal);
    ConnectButtons();
    UpdateDeviceButtons();
    resize(1097, 732);
    GrowToFit();
}

// The console gives back the device it holds, like a panel does when it goes.
DebugWidget::~DebugWidget()
{
    if (curHandle != -1) {
        ::closeDev(curHandle);
        DeviceOwners::Release(curHandle, DeviceOwners::ConsoleOwner);
    }
    delete ui;
}

void DebugWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        GrowToFit();
    }
    QWidget::changeEvent(event);
}

// The window is 1097 x 732 unless its texts need more room in the current
// language and font; it never shrinks below what the user made it.
void DebugWidget::GrowToFit()
{
    layout()->activate();
    resize(size().expandedTo(sizeHint()));
}

// At most one device: "open" while none is held and the list has entries,
// "close" while one is held, and every command only with a device of its own.
void DebugWidget::UpdateDeviceButtons()
{
    const bool held = curHandle != -1;
    ui->pbOpenDev->setEnabled(!held && ui->cbDevice->count() > 0);
    ui->pbCloseDev->setEnabled(held);
    ui->pbIsDevOpen->setEnabled(held);
    for (QGroupBox *group : {ui->gbMoveCtrl, ui->gbMoveParam, ui->gbJogParam, ui->gbRelaParam, ui->gbCruiseParam,
                             ui->gbBtnParam, ui->gbDevSetting, ui->gbReadInfo, ui->gbWriteInfo, ui->gbDebug})
        group->setEnabled(held);
}

void DebugWidget::ConnectButtons()
{
    using Slot = void (DebugWidget::*)();
    const struct {
        QAbstractButton *button;
        Slot slot;
    } buttons[] = {
        {ui->pbScanDev, &DebugWidget::ScanDev},
        {ui->pbOpenDev, &DebugWidget::OpenDev},
        {ui->pbCloseDev, &DebugWidget::CloseDev},
        {ui->pbIsDevOpen, &DebugWidget::IsDevOpen},
        {ui->pbStart, &DebugWidget::Move},
        {ui->pbStop, &DebugWidget::Stop},
        {ui->pbDriveLeft, &DebugWidget::DriveLeft},
        {ui->pbDriveRight, &DebugWidget::DriveRight},
        {ui->pbJogLeft, &DebugWidget::JogLeft},
        {ui->pbJogRight, &DebugWidget::JogRight},
        {ui->pbRestore, &DebugWidget::Restore},
        {ui->pbCruise, &DebugWidget::Cruise},
        {ui->pbSetTartPos, &DebugWidget::SetTarPos},
        {ui->pbSetSpeed, &DebugWidget::SetSpeed},
        {ui->pbSetAcc, &DebugWidget::SetAcc},
        {ui->pbSetJerk, &DebugWidget::SetJerk},
        {ui->pbSetRelaPos, &DebugWidget::SetRelaPos},
        {ui->pbSetJogStep, &DebugWidget::SetJogStep},
        {ui->pbSetJogDelay, &DebugWidget::SetJogDelay},
        {ui->pbSetJogTimes, &DebugWidget::SetJogTimes},
        {ui->pbLeftJog, &DebugWidget::GetLeftJog},
        {ui->pbSetCruiseBeginPos, &DebugWidget::SetCruiseBeginPos},
        {ui->pbSetCruiseEndPos, &DebugWidget::SetCruiseEndPos},
        {ui->pbSetCruiseStopTime, &DebugWidget::SetCruiseStopTime},
        {ui->pbSetCruiseTimes, &DebugWidget::SetCruiseTimes},
        {ui->pbLeftCruise, &DebugWidget::GetLeftCruise},
        {ui->pbBtnSpeed, &DebugWidget::SetBtnSpeed},
        {ui->pbBtnMode, &DebugWidget::SetBtnMode},
        {ui->pbBtnStep, &DebugWidget::SetBtnStep},
        {ui->pbBtnPos1, &DebugWidget::SetBtnPos1},
        {ui->pbBtnPos2, &DebugWidget::SetBtnPos2},
        {ui->pbBkLight, &DebugWidget::SetBtnLightLev},
        {ui->pbBkSleep, &DebugWidget::SetBtnSleepLev},
        {ui->pbBkDormant, &DebugWidget::SetBtnDormant},
        {ui->pbTriggerIn, &DebugWidget::SetTriIn},
        {ui->pbTriggerOut, &DebugWidget::SetTriOut},
        {ui->pbTriggerTime, &DebugWidget::SetTriTime},
        {ui->pbSetTmpModel, &DebugWidget::SetActModel},
        {ui->pbGetPositon, &DebugWidget::GetPositon},
        {ui->pbGetStatus, &DebugWidget::GetStatus},
        {ui->pbGetMoveParam, &DebugWidget::GetMoveParam},
        {ui->pbGetJogParam, &DebugWidget::GetJogParam},
        {ui->pbGetDriveParam, &DebugWidget::GetDriveParam},
        {ui->pbGetCruiseParam, &DebugWidget::GetCruiseParam},
        {ui->pbGetBtnParam, &DebugWidget::GetBtnParam},
        {ui->pbGetActModel, &DebugWidget::ReadActModel},
        {ui->pbGetActSerial, &DebugWidget::ReadActSerial},
        {ui->pbGetDriModel, &DebugWidget::ReadDriModel},
        {ui->pbGetDriSerial, &DebugWidget::ReadDriSerial},
        {ui->pbGetVersion, &DebugWidget::ReadVersion},
        {ui->pbWriteActModel, &DebugWidget::WriteActModel},
        {ui->pbWriteActSerial, &DebugWidget::WriteActSerial},
        {ui->pbWriteDriModel, &DebugWidget::WriteDriModel},
        {ui->pbWriteDriSerial, &DebugWidget::WriteDriSerial},
        {ui->pbWriteVersion, &DebugWidget::WriteVersion},
        {ui->pbSetCur, &DebugWidget::SetCurrent},
        {ui->pbSetSep, &DebugWidget::SetSeparate},
        {ui->pbRecoil, &DebugWidget::SetRecoid},
        {ui->pbSendDebug, &DebugWidget::SendDebug},
    };
    for (const auto &entry : buttons)
        connect(entry.button, &QAbstractButton::clicked, this, entry.slot);
    connect(ui->cbRelaEnable, &QCheckBox::stateChanged, this, &DebugWidget::RelaEnable);
    connect(ui->cbMotorEnable, &QCheckBox::stateChanged, this, &DebugWidget::SetMotorEnable);
}

int DebugWidget::ListedCount(int count)
{
    return qBound(0, count, kMaxDevices);
}

int DebugWidget::ReplyBytes(int length)
{
    return qBound(0, length, kReplyCapacity);
}

// -10000.0 (or less) is the library's failed read.
bool DebugWidget::PositionValid(double pos)
{
    return pos + 10000.0 >= 0.0003;
}

QString DebugWidget::StatusWordText(uint16_t word)
{
    QString text = tr("   是否到达指定位置: %1\n   是否到达指定速度: %2\n   电机是否停止: %3\n"
                      "   是否到达左限位: %4\n   是否到达右限位: %5\n   电机是否使能: %6\n"
                      "   滑台是否归零: %7\n   禁止运动控制: %8");
    for (int bit = 0; bit < 8; ++bit)
        text = text.arg((word >> bit) & 1);
    return QStringLiteral("%1\n").arg(word, 4, 16, QLatin1Char('0')) + text;
}

QString DebugWidget::ReplyText(const uint8_t *reply, int length)
{
    const QByteArray bytes(reinterpret_cast<const char *>(reply), ReplyBytes(length));
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// Entries go in as plain text, so texts from the device are never taken as markup.
void DebugWidget::Append(const QString &entry)
{
    QTextBrowser *log = ui->textBrowser;
    log->moveCursor(QTextCursor::End);
    if (!log->document()->isEmpty())
        log->insertPlainText(QStringLiteral("\n"));
    log->insertPlainText(entry);
    log->ensureCursorVisible();
}

void DebugWidget::LogStatus(const QString &label, int status)
{
    Append(label + (status == 0 ? tr(",  成功") : tr(",  失败")));
}

void DebugWidget::LogValue(const QString &label, bool ok, const QString &value)
{
    Append(ok ? label + QStringLiteral(": ") + value : label + tr(",  失败"));
}

void DebugWidget::LogBlock(const QString &label, int status, const QString &block)
{
    Append(status == 0 ? label + QLatin1Char('\n') + block : label + tr(",  失败"));
}

void DebugWidget::LogTextRead(const QString &label, TextRead read)
{
    char buffer[kLibraryTextSize] = {};
    const int status = read(curHandle, buffer, kLibraryTextSize);
    LogValue(label, status == 0, TextFromBuffer(buffer, kLibraryTextSize));
}

void DebugWidget::LogTextWrite(const QString &label, TextWrite write, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    LogStatus(label, write(curHandle, bytes.constData(), bytes.size()));
}

// Device list

void DebugWidget::ScanDev()
{
    const int count = ::scanDev(devHandles, kMaxDevices);
    const int listed = ListedCount(count);
    ui->cbDevice->clear();
    QStringList handles;
    for (int i = 0; i < listed; ++i)
        handles << QString::number(devHandles[i]);
    ui->cbDevice->addItems(handles);
    UpdateDeviceButtons();
    QString entry = tr("扫描设备, 设备数量: %1").arg(count);
    if (listed > 0)
        entry += QLatin1Char('\n') + handles.join(QLatin1Char(' '));
    Append(entry);
}

// A device a control panel or the add-device dialog holds is left alone; a
// failed open holds nothing.
void DebugWidget::OpenDev()
{
    const int index = ui->cbDevice->currentIndex();
    if (curHandle != -1 || index < 0 || index >= ui->cbDevice->count())
        return;
    const DevHandle handle = devHandles[index];
    if (!DeviceOwners::Acquire(handle, DeviceOwners::ConsoleOwner)) {
        if (DeviceOwners::OwnerOf(handle) == DeviceOwners::ScanOwner)
            Append(tr("打开设备 %1: 设备正由添加设备窗口使用，未打开").arg(handle));
        else
            Append(tr("打开设备 %1: 设备正由控制面板使用，未打开").arg(handle));
        return;
    }
    const int status = ::openDev(handle);
    LogStatus(tr("打开设备 %1").arg(handle), status);
    if (status == 0)
        curHandle = handle;
    else
        DeviceOwners::Release(handle, DeviceOwners::ConsoleOwner);
    UpdateDeviceButtons();
}

void DebugWidget::CloseDev()
{
    const DevHandle handle = curHandle;
    if (handle == -1)
        return;
    const int status = ::closeDev(handle);
    DeviceOwners::Release(handle, DeviceOwners::ConsoleOwner);
    curHandle = -1;
    UpdateDeviceButtons();
    LogStatus(tr("关闭设备 %1").arg(handle), status);
}

void DebugWidget::IsDevOpen()
{
    Append(tr("设备是否打开: %1").arg(::isDevOpen(curHandle)));
}

// Motion

void DebugWidget::Move() { LogStatus(tr("Move"), ::move(curHandle)); }
void DebugWidget::Stop() { LogStatus(tr("Stop"), ::stop(curHandle)); }
void DebugWidget::DriveLeft() { LogStatus(tr("Drive left"), ::drive(curHandle, 1)); }
void DebugWidget::DriveRight() { LogStatus(tr("Drive right"), ::drive(curHandle, 0)); }
void DebugWidget::JogLeft() { LogStatus(tr("Jog left"), ::jog(curHandle, 1)); }
void DebugWidget::JogRight() { LogStatus(tr("Jog right"), ::jog(curHandle, 0)); }
void DebugWidget::Restore() { LogStatus(tr("回原点"), ::restore(curHandle)); }
void DebugWidget::Cruise() { LogStatus(tr("巡航"), ::cruise(curHandle)); }

// Setters

void DebugWidget::SetTarPos() { LogStatus(tr("设置目标位置"), ::setTargetPos(curHandle, ui->dsTarPos->value())); }
void DebugWidget::SetSpeed() { LogStatus(tr("设置速度"), ::setSpeed(curHandle, float(ui->dsSpeed->value()))); }
void DebugWidget::SetAcc() { LogStatus(tr("设置加速度"), ::setAcc(curHandle, float(ui->dsAcc->value()))); }
void DebugWidget::SetJerk() { LogStatus(tr("设置弓形参数"), ::setJerk(curHandle, Word(ui->sbJerk))); }
void DebugWidget::SetRelaPos() { LogStatus(tr("设置相对位移"), ::setRelativePos(curHandle, ui->dsRelaPos->value())); }
void DebugWidget::RelaEnable(int state) { LogStatus(tr("相对位移使能"), ::setRelativePosEnable(curHandle, Switch(state))); }
void DebugWidget::SetJogStep() { LogStatus(tr("步进步长"), ::setJogStep(curHandle, ui->dsJogStep->value())); }
void DebugWidget::SetJogDelay() { LogStatus(tr("步进延时"), ::setJogDelay(curHandle, ui->sbJogDelay->value())); }
void DebugWidget::SetJogTimes() { LogStatus(tr("步进次数"), ::setJogTimes(curHandle, ui->sbJogTimes->value())); }
void DebugWidget::SetCruiseBeginPos() { LogStatus(tr("巡航初始位置"), ::setCruiseBeginPos(curHandle, ui->dsCruiseBeginPos->value())); }
void DebugWidget::SetCruiseEndPos() { LogStatus(tr("巡航最终位置"), ::setCruiseEndPos(curHandle, ui->dsCruiseEndPos->value())); }
void DebugWidget::SetCruiseStopTime() { LogStatus(tr("巡航停留时间"), ::setCruiseStopTime(curHandle, ui->sbCruiseStopTime->value())); }
void DebugWidget::SetCruiseTimes() { LogStatus(tr("巡航次数"), ::setCruiseTimes(curHandle, ui->sbCruiseTimes->value())); }
void DebugWidget::SetBtnSpeed() { LogStatus(tr("离线 速度"), ::setBtnSpeed(curHandle, float(ui->dsBtnSpeed->value()))); }
void DebugWidget::SetBtnMode() { LogStatus(tr("离线 运行模式"), ::setBtnMode(curHandle, Word(ui->sbBtnMode))); }
void DebugWidget::SetBtnStep() { LogStatus(tr("离线 步长"), ::setBtnJogStep(curHandle, ui->dsBtnStep->value())); }
void DebugWidget::SetBtnPos1() { LogStatus(tr("离线 位置1"), ::setBtnPos1(curHandle, ui->dsBtnPos1->value())); }
void DebugWidget::SetBtnPos2() { LogStatus(tr("离线 位置2"), ::setBtnPos2(curHandle, ui->dsBtnPos2->value())); }
void DebugWidget::SetBtnLightLev() { LogStatus(tr("离线 亮度等级"), ::setBackLightLevel(curHandle, Word(ui->sbBkLight))); }
void DebugWidget::SetBtnSleepLev() { LogStatus(tr("离线 睡眠等级"), ::setBackSleepLevel(curHandle, Word(ui->sbBkSleep))); }
void DebugWidget::SetBtnDormant() { LogStatus(tr("离线 休眠时间"), ::setBackDormant(curHandle, Word(ui->sbBkDormant))); }
void DebugWidget::SetTriIn() { LogStatus(tr("触发输入"), ::setTriggerInMode(curHandle, ItemCode(ui->cbInVolMode))); }
void DebugWidget::SetTriOut() { LogStatus(tr("触发输出"), ::setTriggerOutMode(curHandle, ItemCode(ui->cbOutVolMode))); }
void DebugWidget::on_pbTriggerOutCondition_clicked() { LogStatus(tr("设置触发输出条件"), ::setTriggerOutCondition(curHandle, ItemCode(ui->cbOutMoveMode))); }
void DebugWidget::SetTriTime() { LogStatus(tr("触发时间"), ::setTriggerTime(curHandle, ui->sbTriggerTime->value())); }
void DebugWidget::SetActModel() { LogStatus(tr("临时促动器型号"), ::setActuatorModel(curHandle, Word(ui->sbTmpModel))); }
void DebugWidget::on_pushButton_IO1_clicked() { LogStatus(tr("IO1设置"), ::setIO1TriggerMode(curHandle, ItemCode(ui->cb_IO1TriggerMode))); }
void DebugWidget::on_pushButton_IO2_clicked() { LogStatus(tr("IO2设置"), ::setIO2TriggerMode(curHandle, ItemCode(ui->cb_IO2TriggerMode))); }
void DebugWidget::on_pb_triggerOutDisp_clicked() { LogStatus(tr("设置触发输入1位移量"), ::setIO1TriggerInDisp(curHandle, ui->dsInStep->value())); }
void DebugWidget::on_pb_triggerOutDisp_2_clicked() { LogStatus(tr("设置触发输入2位移量"), ::setIO2TriggerInDisp(curHandle, ui->dsInStep_2->value())); }
void DebugWidget::SetMotorEnable(int state) { LogStatus(tr("电机使能"), ::setMotorEnable(curHandle, Switch(state))); }
void DebugWidget::WriteActModel() { LogStatus(tr("写促动器型号"), ::writeActuatorModel(curHandle, Word(ui->sbActModel))); }
void DebugWidget::WriteActSerial() { LogTextWrite(tr("写促动器序列号"), ::writeActuatorSerial, ui->leActSerial->text()); }
void DebugWidget::WriteDriModel() { LogTextWrite(tr("写驱动器型号"), ::writeDriverModel, ui->leDriModel->text()); }
void DebugWidget::WriteDriSerial() { LogTextWrite(tr("写驱动器序列号"), ::writeDriverSerial, ui->leDriSerial->text()); }
void DebugWidget::WriteVersion() { LogTextWrite(tr("写软件版本"), ::writeVersion, ui->leVersion->text()); }
void DebugWidget::SetCurrent() { LogStatus(tr("设置电流"), ::setCurrent(curHandle, Word(ui->sbCurrent))); }
void DebugWidget::SetSeparate() { LogStatus(tr("设置细分数"), ::setSeparate(curHandle, Word(ui->sbSep))); }

void DebugWidget::SetRecoid()
{
    const int status = ::setRecoil(curHandle, ui->sbRecoil->value());
    qDebug() << 601 << status;
    LogStatus(tr("设置反冲校准"), status);
}

// Queries

void DebugWidget::GetLeftJog()
{
    const int left = ::getLeftJogTimes(curHandle);
    LogValue(tr("剩余步进次数"), left >= 0, QString::number(left));
}

void DebugWidget::GetLeftCruise()
{
    const int left = ::getLeftCruiseTimes(curHandle);
    LogValue(tr("剩余巡航次数"), left >= 0, QString::number(left));
}

void DebugWidget::GetPositon()
{
    const double pos = ::getPositon(curHandle);
    LogValue(tr("获取位置信息"), PositionValid(pos), Fixed(pos, 6));
}

void DebugWidget::GetStatus()
{
    uint16_t word = 0;
    const int status = ::getWorkStatus(curHandle, &word);
    LogValue(tr("获取运行状态"), status == 0, StatusWordText(word));
}

void DebugWidget::GetMoveParam()
{
    double target = 0;
    float speed = 0, acc = 0, dec = 0;
    uint16_t jerk = 0;
    const int status = ::getMoveParam(curHandle, &target, &speed, &acc, &dec, &jerk);
    LogBlock(tr("查询Move参数"), status,
             tr("   targetPos: %1\n   speed: %2\n   acc: %3\n   dec: %4\n   jerk: %5")
                 .arg(Fixed(target, 6), Fixed(speed, 2), Fixed(acc, 2), Fixed(dec, 2))
                 .arg(jerk));
}

void DebugWidget::GetJogParam()
{
    double step = 0;
    int delay = 0, times = 0;
    const int status = ::getJogParam(curHandle, &step, &delay, &times);
    LogBlock(tr("查询Jog参数"), status,
             tr("   jogStep: %1\n   jogDelay: %2\n   jogTimes: %3").arg(Fixed(step, 6)).arg(delay).arg(times));
}

void DebugWidget::GetDriveParam()
{
    double offset = 0;
    uint8_t enable = 0;
    const int status = ::getDriveParam(curHandle, &offset, &enable);
    LogBlock(tr("查询Drive参数"), status, tr("   offset: %1\n   enable: %2").arg(Fixed(offset, 6)).arg(int(enable)));
}

void DebugWidget::GetCruiseParam()
{
    double begin = 0, end = 0;
    int stopTime = 0, times = 0;
    const int status = ::getCruiseParam(curHandle, &begin, &end, &stopTime, &times);
    LogBlock(tr("查询Cruise参数"), status,
             tr("   startPos: %1\n   endPos: %2\n   stopTime: %3\n   times: %4")
                 .arg(Fixed(begin, 6), Fixed(end, 6))
                 .arg(stopTime)
                 .arg(times));
}

void DebugWidget::GetBtnParam()
{
    float speed = 0;
    uint16_t mode = 0, light = 0, sleep = 0, dormant = 0;
    double step = 0, pos1 = 0, pos2 = 0;
    const int status = ::getBtnParam(curHandle, &speed, &mode, &step, &pos1, &pos2, &light, &sleep, &dormant);
    LogBlock(tr("查询离线参数"), status,
             tr("   速度: %1\n   模式: %2\n   步进量: %3\n   位置1: %4\n   位置2: %5\n"
                "   背光亮度等级: %6\n   背光睡眠等级: %7\n   背光休眠时间: %8")
                 .arg(Fixed(speed, 2))
                 .arg(mode)
                 .arg(Fixed(step, 6), Fixed(pos1, 6), Fixed(pos2, 6))
                 .arg(light)
                 .arg(sleep)
                 .arg(dormant));
}

void DebugWidget::ReadActModel()
{
    const int code = ::readActuatorModel(curHandle);
    LogValue(tr("读促动器型号"), code >= 0, QString::number(code));
}

void DebugWidget::ReadActSerial() { LogTextRead(tr("读促动器序列号"), ::readActuatorSerial); }
void DebugWidget::ReadDriModel() { LogTextRead(tr("读驱动器型号"), ::readDriverModel); }
void DebugWidget::ReadDriSerial() { LogTextRead(tr("读驱动器序列号"), ::readDriverSerial); }
void DebugWidget::ReadVersion() { LogTextRead(tr("读软件版本"), ::readVersion); }

void DebugWidget::on_pbRecoil_read_clicked()
{
    const int recoil = ::readRecoil(curHandle);
    qDebug() << 602 << recoil;
    // A failed read must not land in the box: the next "set" would write it.
    if (recoil >= 0)
        ui->sbRecoil->setValue(recoil);
    LogStatus(tr("读反冲校准"), recoil < 0 ? recoil : 0);
}

// The payload is exactly what was typed: 1 to 64 hex bytes of two digits each,
// separated by spaces, each with an optional 0x. Anything else sends nothing.
bool DebugWidget::ParsePayload(QByteArray *payload)
{
    static const QRegularExpression byteText(QStringLiteral("^(?:0[xX])?([0-9A-Fa-f]{2})$"));
    const QStringList items =
            ui->leDebugData->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    const QString label = tr("发送自定义报文");
    if (items.isEmpty()) {
        Append(label + tr(": 报文为空，未发送"));
        return false;
    }
    if (items.size() > kMaxPayload) {
        Append(label + tr(": 报文有 %1 字节，超过 %2 字节，未发送").arg(items.size()).arg(kMaxPayload));
        return false;
    }
    for (const QString &item : items) {
        const QRegularExpressionMatch match = byteText.match(item);
        if (!match.hasMatch()) {
            Append(label + tr(": “%1”不是两位十六进制字节，未发送").arg(item));
            return false;
        }
        payload->append(char(match.captured(1).toUInt(nullptr, 16)));
    }
    return true;
}

void DebugWidget::SendDebug()
{
    QByteArray payload;
    if (!ParsePayload(&payload))
        return;
    uint8_t reply[kReplyCapacity] = {};
    const int length = ::sendDebugData(curHandle, ui->sbDebugFunc->value(),
                                       reinterpret_cast<const uint8_t *>(payload.constData()),
                                       payload.size(), reply, kReplyCapacity);
    const QString label = tr("发送自定义报文");
    Append(length >= 0 ? label + QStringLiteral("\nRecv: ") + ReplyText(reply, length) : label + tr(",  失败"));
}
