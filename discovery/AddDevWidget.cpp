#include "discovery/AddDevWidget.h"
#include "ui_AddDevWidget.h"

#include "device/ActuatorLibrary.h"
#include "device/LibraryText.h"
#include "device/DeviceOwners.h"

#include <QEvent>
#include <QHash>
#include <QVariant>

namespace {

// Devices the dialog offers; also the capacity passed to scanDev.
constexpr int kMaxDevs = 6;

// How long opening a device waits for the worker of a panel that was just
// closed to finish its last call and close the device, and how often it looks.
constexpr int kReleaseWaitMs = 3000;
constexpr int kReleasePollMs = 20;

} // namespace

AddDevWidget::AddDevWidget(QWidget *parent)
    : FramelessDialog(parent)
    , ui(new Ui::AddDevWidget)
{
    ui->setupUi(this);

    InitFrame(ui->wgBack, ui->wgTitle, Qt::ApplicationModal);

    connect(ui->pbClose, &QPushButton::clicked, this, &AddDevWidget::close);
    connect(ui->pbScanDev, &QPushButton::clicked, this, &AddDevWidget::ScanDev);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &AddDevWidget::SlotConfirm);

    m_releasePoll.setInterval(kReleasePollMs);
    connect(&m_releasePoll, &QTimer::timeout, this, &AddDevWidget::WaitForRelease);

    ScanDev();
}

AddDevWidget::~AddDevWidget()
{
    delete ui;
}

QList<DevInfo> AddDevWidget::GetCheckedDevs() const
{
    QList<DevInfo> checked;
    for (const DevInfo &info : m_devList) {
        if (info.checked)
            checked << info;
    }
    return checked;
}

void AddDevWidget::UncheckDev(DevHandle handle)
{
    for (int i = 0; i < m_devList.size(); ++i) {
        if (m_devList[i].handle != handle)
            continue;
        m_devList[i].checked = false;
        if (QPushButton *button = DevButton(i))
            button->setChecked(false);
    }
}

void AddDevWidget::RemoveDev(DevHandle handle)
{
    const int index = IndexOf(handle);
    if (index < 0)
        return;
    m_devList.removeAt(index);
    m_pending.removeAll(handle);
    RebuildDevButtons();
    if (isVisible())
        update();
}

int AddDevWidget::IndexOf(DevHandle handle) const
{
    for (int i = 0; i < m_devList.size(); ++i) {
        if (m_devList[i].handle == handle)
            return i;
    }
    return -1;
}

void AddDevWidget::ScanDev()
{
    ui->pbScanDev->setEnabled(false);

    DevHandle handles[kMaxDevs] = {};
    const int result = scanDev(handles, kMaxDevs);
    // A failed scan says nothing about the devices: the list stays as it was.
    m_scanFailed = result < 0;
    if (m_scanFailed) {
        ShowNote();
        ui->pbScanDev->setEnabled(true);
        return;
    }
    // More than the capacity would mean slots that were never written.
    const int found = qMin(result, kMaxDevs);

    // Listed devices that are still there keep their entry, and so does every
    // device with a panel: only its panel's worker may find it lost. A
    // reported slot that is listed is cleared so that it is not probed again.
    m_consoleHeld = 0;
    for (int i = 0; i < m_devList.size();) {
        bool present = false;
        for (int k = 0; k < found; ++k) {
            if (handles[k] == m_devList[i].handle) {
                handles[k] = 0;
                present = true;
                break;
            }
        }
        const bool console = DeviceOwners::OwnerOf(m_devList[i].handle) == DeviceOwners::ConsoleOwner;
        if (m_devList[i].checked || (present && !console)) {
            ++i;
        } else {
            m_consoleHeld += present ? 1 : 0;
            m_devList.removeAt(i);
        }
    }

    for (int k = 0; k < found; ++k) {
        const DevHandle handle = handles[k];
        if (handle == 0)
            continue;
        // A device in the console's hands is not probed; one still held by a
        // closing panel's worker is listed by a later scan.
        const DeviceOwners::Owner owner = DeviceOwners::OwnerOf(handle);
        if (owner == DeviceOwners::ConsoleOwner)
            ++m_consoleHeld;
        if (owner != DeviceOwners::NoOwner)
            continue;
        if (openDev(handle) < 0)
            continue;
        char buffer[kLibraryTextSize] = {};
        const int status = readDriverSerial(handle, buffer, kLibraryTextSize);
        // Closed again even when the serial could not be read, so that no
        // probe leaves a device open.
        closeDev(handle);
        if (status < 0)
            continue;
        m_devList.append({TextFromBuffer(buffer, kLibraryTextSize), handle, false});
    }

    RebuildDevButtons();
    ShowNote();
    ui->pbScanDev->setEnabled(true);
}

void AddDevWidget::ShowNote()
{
    QStringList lines;
    if (m_scanFailed)
        lines << tr("扫描失败, 设备列表未更新。");
    if (m_consoleHeld > 0)
        lines << tr("%1 台设备正被调试窗口使用, 未列出。").arg(m_consoleHeld);
    ui->lbNote->setText(lines.join(QLatin1Char('\n')));
    ui->lbNote->setVisible(!lines.isEmpty());
    ui->wgBack->updateGeometry();
    resize(minimumSizeHint());
}

void AddDevWidget::SlotConfirm()
{
    if (m_releasePoll.isActive())
        return;
    m_pending.clear();
    for (int i = 0; i < m_devList.size(); ++i) {
        QPushButton *button = DevButton(i);
        if (!button || button->isChecked() == m_devList[i].checked)
            continue;
        if (button->isChecked())
            m_pending << m_devList[i].handle;
        else
            m_devList[i].checked = false; // its panel closes the device
    }
    // A panel closed a moment ago may still have its worker inside a call on
    // a device picked again; its close must not come after this open. The
    // dialog waits for it without blocking the interface.
    ui->pbConfirm->setEnabled(false);
    m_releaseClock.start();
    WaitForRelease();
}

void AddDevWidget::WaitForRelease()
{
    for (DevHandle handle : qAsConst(m_pending)) {
        if (DeviceOwners::OwnerOf(handle) == DeviceOwners::PanelOwner
            && m_releaseClock.elapsed() < kReleaseWaitMs) {
            m_releasePoll.start();
            return;
        }
    }
    m_releasePoll.stop();
    FinishConfirm();
}

void AddDevWidget::FinishConfirm()
{
    ui->pbConfirm->setEnabled(true);
    QStringList problems;
    for (DevHandle handle : qAsConst(m_pending)) {
        const int i = IndexOf(handle);
        if (i < 0)
            continue;
        DevInfo &entry = m_devList[i];
        const DeviceOwners::Owner owner = DeviceOwners::OwnerOf(handle);
        if (owner == DeviceOwners::ConsoleOwner)
            problems << tr("设备 %1 正被调试窗口使用。").arg(entry.serial);
        else if (owner == DeviceOwners::PanelOwner)
            problems << tr("设备 %1 仍被占用, 请稍后再试。").arg(entry.serial);
        else if (openDev(handle) < 0)
            problems << tr("设备 %1 无法打开。").arg(entry.serial);
        else
            entry.checked = true;
        if (!entry.checked)
            DevButton(i)->setChecked(false);
    }
    m_pending.clear();
    emit SigConfirmed();
    close();
    if (!problems.isEmpty())
        emit SigWarning(problems.join(QLatin1Char('\n')));
}

void AddDevWidget::hideEvent(QHideEvent *event)
{
    // Closing the dialog while it waits applies nothing.
    if (m_releasePoll.isActive()) {
        m_releasePoll.stop();
        m_pending.clear();
        ui->pbConfirm->setEnabled(true);
    }
    FramelessDialog::hideEvent(event);
}

void AddDevWidget::RebuildDevButtons()
{
    // While the operator is choosing, a change of the list (another device
    // lost, a rescan) keeps the choices not yet confirmed; a hidden dialog
    // shows the confirmed state the next time it opens.
    QHash<DevHandle, bool> shown;
    if (isVisible()) {
        for (int i = 0; i < kMaxDevs; ++i) {
            QPushButton *button = DevButton(i);
            if (button->isVisible() && button->isCheckable() && !button->property("handle").isNull())
                shown.insert(button->property("handle").toInt(), button->isChecked());
        }
    }
    if (m_devList.isEmpty()) {
        // A blank, inert button keeps the dialog from collapsing.
        ui->pbDevInfo_0->setText(QString());
        ui->pbDevInfo_0->setChecked(false);
        ui->pbDevInfo_0->setCheckable(false);
        ui->pbDevInfo_0->setProperty("handle", QVariant());
        ui->pbDevInfo_0->show();
        for (int i = 1; i < kMaxDevs; ++i)
            DevButton(i)->hide();
    } else {
        ui->pbDevInfo_0->setCheckable(true);
        for (int i = 0; i < kMaxDevs; ++i) {
            QPushButton *button = DevButton(i);
            if (i < m_devList.size()) {
                const DevInfo &entry = m_devList[i];
                button->show();
                button->setChecked(shown.value(entry.handle, entry.checked));
                button->setText(entry.serial);
                button->setProperty("handle", entry.handle);
            } else {
                button->hide();
                button->setChecked(false);
                button->setProperty("handle", QVariant());
            }
        }
    }
    // The dialog is usually hidden here, where the layouts would not refresh
    // their cached sizes before the next event loop pass.
    ui->wgBtn->updateGeometry();
    ui->wgBack->updateGeometry();
    resize(minimumSizeHint());
}

QPushButton *AddDevWidget::DevButton(int index) const
{
    return findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(index));
}

void AddDevWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ShowNote();
    }
    FramelessDialog::changeEvent(event);
}
