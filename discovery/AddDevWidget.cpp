#include "discovery/AddDevWidget.h"
#include "ui_AddDevWidget.h"

#include "app/MainWidget.h"
#include "device/ActuatorLibrary.h"
#include "device/LibraryText.h"
#include "device/DeviceOwners.h"

#include <QEvent>

namespace {

// Devices the dialog offers; also the capacity passed to scanDev.
constexpr int kMaxDevs = 6;

// How long opening a device waits for the worker of a panel that was just
// closed to finish its last call and close the device.
constexpr int kReleaseWaitMs = 3000;

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
    for (int i = 0; i < m_devList.size(); ++i) {
        if (m_devList[i].handle == handle) {
            m_devList.removeAt(i);
            RebuildDevButtons();
            if (isVisible())
                update();
            return;
        }
    }
}

void AddDevWidget::ScanDev()
{
    ui->pbScanDev->setEnabled(false);

    DevHandle handles[kMaxDevs] = {};
    // More than the capacity would mean slots that were never written.
    const int found = qBound(0, scanDev(handles, kMaxDevs), kMaxDevs);

    // Listed devices that are still there keep their entry (and may be open
    // in a panel); their slot is cleared so they are not probed again.
    for (int i = 0; i < m_devList.size();) {
        bool present = false;
        for (int k = 0; k < found; ++k) {
            if (handles[k] == m_devList[i].handle) {
                handles[k] = 0;
                present = true;
                break;
            }
        }
        if (present)
            ++i;
        else
            m_devList.removeAt(i);
    }

    for (int k = 0; k < found; ++k) {
        const DevHandle handle = handles[k];
        // A device still held by a panel's worker (lost and back before its
        // panel went, or a panel closing after a hanging call) is not probed
        // alongside that worker; a later scan lists it.
        if (handle == 0 || DeviceOwners::OwnerOf(handle) != DeviceOwners::NoOwner)
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
    ui->pbScanDev->setEnabled(true);
}

void AddDevWidget::SlotConfirm()
{
    for (int i = 0; i < m_devList.size(); ++i) {
        QPushButton *button = DevButton(i);
        if (!button || button->isChecked() == m_devList[i].checked)
            continue;
        if (button->isChecked()) {
            // A panel closed a moment ago may still have its worker inside a
            // call on the device; its close must not come after this open.
            if (!DeviceOwners::WaitReleased(m_devList[i].handle, kReleaseWaitMs)) {
                button->setChecked(false);
                continue;
            }
            openDev(m_devList[i].handle);
            m_devList[i].checked = true;
        } else {
            // The device is closed when its panel goes.
            m_devList[i].checked = false;
        }
    }
    if (MainWidget *mainWidget = GetMainWidget())
        mainWidget->UpdateCtrlWidgets();
    close();
}

void AddDevWidget::RebuildDevButtons()
{
    if (m_devList.isEmpty()) {
        // A blank, inert button keeps the dialog from collapsing.
        ui->pbDevInfo_0->setText(QString());
        ui->pbDevInfo_0->setChecked(false);
        ui->pbDevInfo_0->setCheckable(false);
        ui->pbDevInfo_0->show();
        for (int i = 1; i < kMaxDevs; ++i)
            DevButton(i)->hide();
    } else {
        ui->pbDevInfo_0->setCheckable(true);
        for (int i = 0; i < kMaxDevs; ++i) {
            QPushButton *button = DevButton(i);
            if (i < m_devList.size()) {
                button->show();
                button->setChecked(m_devList[i].checked);
                button->setText(m_devList[i].serial);
            } else {
                button->hide();
                button->setChecked(false);
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
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    FramelessDialog::changeEvent(event);
}
