#include "discovery/AddDevWidget.h"
#include "ui_AddDevWidget.h"

#include "device/DeviceOwners.h"
#include "discovery/DeviceScanner.h"

#include <QEvent>
#include <QHash>
#include <QLayout>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <utility>

namespace {

// Devices the dialog offers.
constexpr int kMaxDevs = DeviceScanner::kMaxDevs;

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
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(ui->pbClose, &QPushButton::clicked, this, &AddDevWidget::close);
    connect(ui->pbScanDev, &QPushButton::clicked, this, &AddDevWidget::ScanDev);
    connect(ui->pbConfirm, &QPushButton::clicked, this, &AddDevWidget::SlotConfirm);

    m_releasePoll.setInterval(kReleasePollMs);
    connect(&m_releasePoll, &QTimer::timeout, this, &AddDevWidget::WaitForRelease);

    // The scanner and its thread have no parent: they delete each other once
    // the thread has ended, which may be after this dialog is gone.
    m_scanner = new DeviceScanner;
    auto *thread = new QThread;
    m_scanner->moveToThread(thread);
    connect(thread, &QThread::finished, m_scanner, &QObject::deleteLater);
    connect(m_scanner, &QObject::destroyed, thread, &QObject::deleteLater);
    connect(m_scanner, &DeviceScanner::SigScanned, this, &AddDevWidget::ScanFinished);
    connect(m_scanner, &DeviceScanner::SigOpened, this, &AddDevWidget::OpenFinished);
    thread->start();

    RebuildDevButtons();
    ScanDev();
}

AddDevWidget::~AddDevWidget()
{
    // Devices opened for panels that were never made are closed again; then
    // the scanner ends its thread.
    m_scanner->StopWork();
    if (!m_opening.isEmpty() || !m_handing.isEmpty())
        CloseOnScanner(m_opening + m_handing);
    QMetaObject::invokeMethod(m_scanner, "Finish", Qt::QueuedConnection);
    delete ui;
}

void AddDevWidget::HandOverDev(DevHandle handle)
{
    if (m_handing.removeAll(handle) > 0)
        DeviceOwners::Release(handle, DeviceOwners::ScanOwner);
}

DeviceScanner *AddDevWidget::GetScanner() const
{
    return m_scanner;
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
    const int i = IndexOf(handle);
    if (i < 0)
        return;
    m_devList[i].checked = false;
    for (int k = 0; k < kMaxDevs; ++k) {
        if (DevButton(k)->property("handle") == QVariant(handle))
            DevButton(k)->setChecked(false);
    }
}

void AddDevWidget::RemoveDev(DevHandle handle)
{
    const int index = IndexOf(handle);
    if (index < 0)
        return;
    m_devList.removeAt(index);
    m_toOpen.removeAll(handle);
    m_toUncheck.removeAll(handle);
    RebuildDevButtons();
    ShowNote();
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

bool AddDevWidget::Busy() const
{
    return m_scanning || m_releasePoll.isActive() || !m_opening.isEmpty();
}

// While a scan, a wait or an open runs, the list gives way to a busy
// indicator and nothing can be clicked but the close button.
void AddDevWidget::ShowBusy()
{
    const bool busy = Busy();
    ui->lbBusy->setText(m_scanning ? tr("正在扫描设备…") : tr("正在打开设备…"));
    ui->wgBusy->setVisible(busy);
    ui->wgBtn->setVisible(!busy);
    ui->pbScanDev->setEnabled(!busy);
    ui->pbConfirm->setEnabled(!busy);
    FitToContent();
}

void AddDevWidget::ScanDev()
{
    if (m_scanning) {
        m_rescan = true;
        return;
    }
    m_scanning = true;
    ShowBusy();
    QList<DevHandle> listed;
    for (const DevInfo &info : qAsConst(m_devList))
        listed << info.handle;
    DeviceScanner *scanner = m_scanner;
    QMetaObject::invokeMethod(scanner, [scanner, listed] { scanner->Scan(listed); }, Qt::QueuedConnection);
}

void AddDevWidget::ScanFinished(int status, const QList<DevHandle> &reported, const QList<DevInfo> &found)
{
    // A failed scan says nothing about the devices: the list stays as it was.
    m_scanFailed = status < 0;
    if (!m_scanFailed) {
        m_reported = QSet<DevHandle>(reported.begin(), reported.end());
        // Listed devices that are still there keep their entry, and so does
        // every device with a panel: only its panel's worker may find it lost.
        // The list is taken as it is now: panels closed or lost while the
        // scan ran have changed it.
        m_consoleHeld = 0;
        for (int i = 0; i < m_devList.size();) {
            const bool present = m_reported.contains(m_devList[i].handle);
            const bool console = DeviceOwners::OwnerOf(m_devList[i].handle) == DeviceOwners::ConsoleOwner;
            if (m_devList[i].checked || (present && !console)) {
                ++i;
            } else {
                m_consoleHeld += present ? 1 : 0;
                m_devList.removeAt(i);
            }
        }
        QSet<DevHandle> probed;
        for (const DevInfo &info : found) {
            probed.insert(info.handle);
            if (IndexOf(info.handle) < 0)
                m_devList.append(info);
        }
        // A device in the console's hands is not probed; one still held by a
        // closing panel's worker is listed by a later scan.
        for (DevHandle handle : reported) {
            if (!probed.contains(handle) && IndexOf(handle) < 0
                && DeviceOwners::OwnerOf(handle) == DeviceOwners::ConsoleOwner)
                ++m_consoleHeld;
        }
    }
    m_scanning = false;
    if (m_rescan) {
        m_rescan = false;
        ScanDev();
    }
    RebuildDevButtons();
    ShowNote();
    ShowBusy();
    if (!m_scanning)
        emit SigScanEnded(m_scanFailed);
}

void AddDevWidget::ShowNote()
{
    QStringList lines;
    if (m_scanFailed)
        lines << tr("扫描失败, 设备列表未更新。");
    if (m_consoleHeld > 0)
        lines << tr("%1 台设备正被调试窗口使用, 未列出。").arg(m_consoleHeld);
    if (!m_notShown.isEmpty())
        lines << tr("扫描未找到, 未显示: %1").arg(m_notShown.join(QStringLiteral(", ")));
    ui->lbNote->setText(lines.join(QLatin1Char('\n')));
    ui->lbNote->setVisible(!lines.isEmpty());
    FitToContent();
}

void AddDevWidget::SlotConfirm()
{
    if (Busy())
        return;
    m_toOpen.clear();
    m_toUncheck.clear();
    m_problems.clear();
    for (int k = 0; k < kMaxDevs; ++k) {
        QPushButton *button = DevButton(k);
        if (button->isHidden() || button->property("handle").isNull())
            continue;
        const DevHandle handle = button->property("handle").toInt();
        const int i = IndexOf(handle);
        if (i < 0 || button->isChecked() == m_devList[i].checked)
            continue;
        // An unchecked device is closed by its panel.
        (button->isChecked() ? m_toOpen : m_toUncheck) << handle;
    }
    // A panel closed a moment ago may still have its worker inside a call on
    // a device picked again; its close must not come after this open. The
    // dialog waits for it without blocking the interface.
    m_releaseClock.start();
    WaitForRelease();
}

bool AddDevWidget::ConfirmForScript(DevHandle handle, bool open)
{
    const int i = IndexOf(handle);
    if (Busy() || i < 0)
        return false;
    m_toOpen.clear();
    m_toUncheck.clear();
    m_problems.clear();
    m_scriptHandle = handle;
    m_scriptOpens = open && !m_devList[i].checked;
    m_scriptOutcome = ScriptDone;
    if (open != m_devList[i].checked)
        (open ? m_toOpen : m_toUncheck) << handle;
    m_releaseClock.start();
    WaitForRelease();
    return true;
}

void AddDevWidget::Refused(DevHandle handle, ScriptOutcome outcome, const QString &problem)
{
    if (handle == m_scriptHandle)
        m_scriptOutcome = outcome;
    else
        m_problems << problem;
}

void AddDevWidget::WaitForRelease()
{
    for (DevHandle handle : qAsConst(m_toOpen)) {
        if (DeviceOwners::OwnerOf(handle) == DeviceOwners::PanelOwner
            && m_releaseClock.elapsed() < kReleaseWaitMs) {
            if (!m_releasePoll.isActive()) {
                m_releasePoll.start();
                ShowBusy();
            }
            return;
        }
    }
    m_releasePoll.stop();
    StartOpening();
}

// The dialog holds each device it opens until its panel takes it, so that
// neither the console nor anyone else gets at it meanwhile.
void AddDevWidget::StartOpening()
{
    QList<DevHandle> opening;
    for (DevHandle handle : qAsConst(m_toOpen)) {
        const int i = IndexOf(handle);
        if (i < 0)
            continue;
        if (DeviceOwners::Acquire(handle, DeviceOwners::ScanOwner)) {
            opening << handle;
            continue;
        }
        if (DeviceOwners::OwnerOf(handle) == DeviceOwners::ConsoleOwner)
            Refused(handle, ScriptConsoleHolds, tr("设备 %1 正被调试窗口使用。").arg(m_devList[i].serial));
        else
            Refused(handle, ScriptStillHeld, tr("设备 %1 仍被占用, 请稍后再试。").arg(m_devList[i].serial));
    }
    m_toOpen.clear();
    if (opening.isEmpty()) {
        FinishConfirm({});
        return;
    }
    m_opening = opening;
    ShowBusy();
    DeviceScanner *scanner = m_scanner;
    QMetaObject::invokeMethod(scanner, [scanner, opening] { scanner->Open(opening); }, Qt::QueuedConnection);
}

void AddDevWidget::OpenFinished(const QList<DevHandle> &opened, const QList<DevHandle> &failed)
{
    const QList<DevHandle> asked = m_opening;
    m_opening.clear();
    if (m_openCancelled) {
        // The dialog was closed meanwhile: what was opened is closed again.
        m_openCancelled = false;
        CloseOnScanner(asked);
        ShowBusy();
        return;
    }
    for (DevHandle handle : failed) {
        DeviceOwners::Release(handle, DeviceOwners::ScanOwner);
        const int i = IndexOf(handle);
        if (i >= 0)
            Refused(handle, ScriptOpenFailed, tr("设备 %1 无法打开。").arg(m_devList[i].serial));
    }
    FinishConfirm(opened);
}

void AddDevWidget::FinishConfirm(const QList<DevHandle> &opened)
{
    for (DevHandle handle : qAsConst(m_toUncheck)) {
        const int i = IndexOf(handle);
        if (i >= 0)
            m_devList[i].checked = false;
    }
    m_toUncheck.clear();
    QList<DevHandle> orphans;
    for (DevHandle handle : opened) {
        const int i = IndexOf(handle);
        if (i >= 0)
            m_devList[i].checked = true;
        else
            orphans << handle; // lost while it was opened
    }
    if (!orphans.isEmpty())
        CloseOnScanner(orphans);
    // Each opened device stays held until the main window makes its panel.
    for (DevHandle handle : opened) {
        if (!orphans.contains(handle))
            m_handing << handle;
    }
    if (m_scriptHandle >= 0) {
        FinishScriptConfirm(opened);
        return;
    }
    const QStringList problems = m_problems;
    m_problems.clear();
    RebuildDevButtons();
    ShowBusy();
    emit SigConfirmed();
    close();
    if (!problems.isEmpty())
        emit SigWarning(problems.join(QLatin1Char('\n')));
}

// The script hears the outcome, the operator is asked nothing, and the dialog
// stays as it is: only the script's device shows its new state.
void AddDevWidget::FinishScriptConfirm(const QList<DevHandle> &opened)
{
    const DevHandle handle = std::exchange(m_scriptHandle, -1);
    const int i = IndexOf(handle);
    ScriptOutcome outcome = m_scriptOutcome;
    if (m_scriptOpens && outcome == ScriptDone && (i < 0 || !opened.contains(handle)))
        outcome = ScriptLost;
    m_problems.clear();
    for (int k = 0; k < kMaxDevs; ++k) {
        if (DevButton(k)->property("handle") == QVariant(handle))
            DevButton(k)->setChecked(i >= 0 && m_devList[i].checked);
    }
    RebuildDevButtons();
    ShowBusy();
    emit SigConfirmed();
    emit SigScriptConfirmed(handle, outcome);
}

void AddDevWidget::CloseOnScanner(const QList<DevHandle> &handles)
{
    DeviceScanner *scanner = m_scanner;
    QMetaObject::invokeMethod(scanner, [scanner, handles] { scanner->Close(handles); }, Qt::QueuedConnection);
}

void AddDevWidget::hideEvent(QHideEvent *event)
{
    // Closing the dialog applies nothing of the operator's, whenever it
    // happens: a confirm still waiting for a device is dropped, opens under
    // way are undone. A script's confirm goes on.
    if (m_scriptHandle < 0) {
        if (m_releasePoll.isActive())
            m_releasePoll.stop();
        m_toOpen.clear();
        m_toUncheck.clear();
        m_problems.clear();
        if (!m_opening.isEmpty())
            m_openCancelled = true;
    }
    // The buttons show the confirmed state again.
    RebuildDevButtons();
    ShowBusy();
    FramelessDialog::hideEvent(event);
}

// At most six entries get a button: first every device the last scan
// reported, so that no attached device is hidden, then checked entries it did
// not report (their panels are still open), each group in list order.
void AddDevWidget::RebuildDevButtons()
{
    // While the operator is choosing, a change of the list (another device
    // lost, a rescan) keeps the choices not yet confirmed; a hidden dialog
    // shows the confirmed state the next time it opens.
    QHash<DevHandle, bool> chosen;
    if (isVisible()) {
        for (int i = 0; i < kMaxDevs; ++i) {
            QPushButton *button = DevButton(i);
            if (!button->isHidden() && button->isCheckable() && !button->property("handle").isNull())
                chosen.insert(button->property("handle").toInt(), button->isChecked());
        }
    }
    QList<int> shown;
    for (bool reported : {true, false}) {
        for (int i = 0; i < m_devList.size() && shown.size() < kMaxDevs; ++i) {
            if (m_reported.contains(m_devList[i].handle) == reported)
                shown << i;
        }
    }
    std::sort(shown.begin(), shown.end());
    m_notShown.clear();
    for (int i = 0; i < m_devList.size(); ++i) {
        if (!shown.contains(i))
            m_notShown << m_devList[i].serial;
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
        for (int k = 0; k < kMaxDevs; ++k) {
            QPushButton *button = DevButton(k);
            if (k < shown.size()) {
                const DevInfo &entry = m_devList[shown[k]];
                button->show();
                button->setChecked(chosen.value(entry.handle, entry.checked));
                button->setText(entry.serial);
                button->setProperty("handle", entry.handle);
            } else {
                button->hide();
                button->setChecked(false);
                button->setProperty("handle", QVariant());
            }
        }
    }
    FitToContent();
}

// The dialog always has the size its contents ask for (a fixed-size layout).
// The sizes the layouts keep are dropped and measured again now: a hidden
// dialog gets no layout pass before it is placed by its size when shown.
void AddDevWidget::FitToContent()
{
    ui->wgBtn->updateGeometry();
    ui->wgBack->updateGeometry();
    layout()->activate();
}

QPushButton *AddDevWidget::DevButton(int index) const
{
    return findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(index));
}

void AddDevWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ShowBusy();
        ShowNote();
    }
    FramelessDialog::changeEvent(event);
}
