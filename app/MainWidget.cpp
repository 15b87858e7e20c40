#include "app/MainWidget.h"
#include "ui_MainWidget.h"

#include "app/RemoteMethods.h"
#include "config/DevConfig.h"
#include "console/DebugWidget.h"
#include "device/ActuatorLibrary.h"
#include "device/DevInfo.h"
#include "discovery/AddDevWidget.h"
#include "discovery/DeviceScanner.h"
#include "discovery/DiscoveryRemote.h"
#include "misc/HelpWidget.h"
#include "misc/OptionWidget.h"
#include "panel/ControlWidget.h"
#include "panel/PanelRemote.h"
#include "remote/RemoteServer.h"

#include <QApplication>
#include <algorithm>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPointer>
#include <QSpacerItem>
#include <QDeadlineTimer>
#include <QDir>
#include <QTimer>
#include <QDialogButtonBox>
#include <QEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QThread>
#include <QWindow>

#ifdef Q_OS_WIN
#include <windows.h>
#include <windowsx.h>
#endif

namespace {

MainWidget *g_mainWidget = nullptr;
DevConfig *g_devConfig = nullptr;

const int kResizeBand = 4;

const char kShowMaxStyle[] =
    "QPushButton{background-color: rgb(50, 50, 50); border: none;"
    " background-image: url(:/image/showMax.png); background-position: center;"
    " background-repeat: no-repeat; background-origin: content;}"
    "QPushButton:hover{background-color: rgb(140, 140, 140);}"
    "QPushButton:pressed{background-color: rgb(22,110,215);}";

const char kShowNormalStyle[] =
    "QPushButton{background-color: rgb(50, 50, 50); border: none;"
    " background-image: url(:/image/showNormal.png); background-position: center;"
    " background-repeat: no-repeat; background-origin: content;}"
    "QPushButton:hover{background-color: rgb(140, 140, 140);}"
    "QPushButton:pressed{background-color: rgb(22,110,215);}";

const char kMessageButtonStyle[] =
    "QPushButton{color: #FFFFFF; font-size: 16px; border-radius: 6px;"
    " border: 2px solid #298DFF; min-width: 70px; min-height: 30px;"
    " background-color: rgb(80, 80, 80);}"
    "QPushButton:hover{background-color: rgb(50, 50, 50);}"
    "QPushButton:pressed{background-color: rgb(22, 110, 215);}";

const QSize kMessageBoxMinSize(600, 400);
const char kMessageBoxStyle[] =
    "QMessageBox{background-color: #F2F2F2; font-size: 14px; min-width: 600px; min-height: 400px;}"
    "QLabel#qt_msgbox_label{color: black; background-color: transparent;"
    " min-width: 300px; min-height: 80px; font-size: 18px;}"
    "QLabel#qt_msgboxex_icon_label{min-width: 20px; max-width: 20px;"
    " min-height: 20px; max-height: 20px;}"
    "QDialogButtonBox#qt_msgbox_buttonbox{button-layout: 0;}";

// QMessageBox fixes its own size from its layout whenever it is shown or laid
// out again and so ignores the style sheet's minimum size; this box keeps it.
class StyledMessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

    // A button box reads its button order from the style only when it builds
    // its layout; polish the box with its style sheet, then rebuild that
    // layout so that the style sheet's button-layout applies.
    void ApplyButtonLayout()
    {
        ensurePolished();
        if (auto *buttons = findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"))) {
            const Qt::Orientation orientation = buttons->orientation();
            buttons->setOrientation(orientation == Qt::Horizontal ? Qt::Vertical : Qt::Horizontal);
            buttons->setOrientation(orientation);
        }
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        // The base sizes the box and centres it on its parent; centre again
        // when the box had to grow.
        QMessageBox::showEvent(event);
        if (KeepMinimumSize() && !event->spontaneous())
            adjustPosition(parentWidget());
    }

    bool event(QEvent *event) override
    {
        const bool handled = QMessageBox::event(event);
        const QEvent::Type type = event->type();
        if (type == QEvent::LayoutRequest || type == QEvent::StyleChange || type == QEvent::FontChange)
            KeepMinimumSize();
        return handled;
    }

private:
    bool KeepMinimumSize()
    {
        if (!isVisible() || (width() >= kMessageBoxMinSize.width() && height() >= kMessageBoxMinSize.height()))
            return false;
        setFixedSize(size().expandedTo(kMessageBoxMinSize));
        return true;
    }
};

const char kDevTabStyle[] =
    "QPushButton{border: none; border-right: 2px solid rgb(66, 66, 66); text-align: center;"
    " padding-left: 10px; padding-right: 10px; font-size: 15px; color: #FFFFFF;}"
    "QPushButton:hover{background-color: rgb(140, 140, 140);}"
    "QPushButton:pressed{background-color: rgb(22,110,215);}"
    "QPushButton:disabled{background-color: rgb(200, 200, 200);}";

// Characters of the serial's second part shown on a tab.
constexpr int kTabTailLength = 8;

// How long exit waits in all for the devices' workers: to leave their calls
// before the library is released, and to close their devices after it. With
// the teardown of the windows the exit stays within 300 ms.
constexpr int kExitWaitMs = 250;
// How long it waits for a scan under way to leave the library: scanning the
// bus can take longer than any device call.
constexpr int kExitScanWaitMs = 1000;

int RemainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

constexpr int kPanelWidth = 800;
constexpr int kPanelRowHeight = 450;
constexpr int kPanelSpacing = 4;
constexpr int kPanelMargin = 3;
// The window with two panels side by side.
constexpr int kTwoPanelsWidth = 1630;

} // namespace

int EdgeHitTest(const QPoint &posInWindow, const QSize &size)
{
    const int x = posInWindow.x();
    const int y = posInWindow.y();
    const bool left = x < kResizeBand;
    const bool right = x >= size.width() - kResizeBand;
    const bool top = y < kResizeBand;
    const bool bottom = y >= size.height() - kResizeBand;
    if (left && top)
        return 13;
    if (right && top)
        return 14;
    if (left && bottom)
        return 16;
    if (right && bottom)
        return 17;
    if (left)
        return 10;
    if (right)
        return 11;
    if (top)
        return 12;
    if (bottom)
        return 15;
    return 0;
}

Qt::Edges EdgesForHitTest(int code)
{
    switch (code) {
    case 10: return Qt::LeftEdge;
    case 11: return Qt::RightEdge;
    case 12: return Qt::TopEdge;
    case 13: return Qt::TopEdge | Qt::LeftEdge;
    case 14: return Qt::TopEdge | Qt::RightEdge;
    case 15: return Qt::BottomEdge;
    case 16: return Qt::BottomEdge | Qt::LeftEdge;
    case 17: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

Qt::CursorShape CursorForHitTest(int code)
{
    switch (code) {
    case 10:
    case 11: return Qt::SizeHorCursor;
    case 12:
    case 15: return Qt::SizeVerCursor;
    case 13:
    case 17: return Qt::SizeFDiagCursor;
    case 14:
    case 16: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

QPoint CentredTopLeft(const QRect &host, const QSize &child)
{
    return QPoint(host.x() + (host.width() - child.width()) / 2,
                  host.y() + (host.height() - child.height()) / 2);
}

QRect FittedGeometry(const QRect &reference, const QSize &target, const QRect &available)
{
    const QSize size = target.boundedTo(available.size());
    const QPoint topLeft = CentredTopLeft(reference, size);
    return QRect(QPoint(qBound(available.left(), topLeft.x(), available.right() + 1 - size.width()),
                        qBound(available.top(), topLeft.y(), available.bottom() + 1 - size.height())),
                 size);
}

QString DevTabText(const QString &serial)
{
    const QStringList parts = serial.split(QLatin1Char(' '));
    if (parts.size() < 2)
        return serial;
    QString tail = parts.at(1);
    if (tail.size() >= kTabTailLength)
        tail = QLatin1Char('*') + tail.right(kTabTailLength);
    return parts.at(0) + QLatin1Char('\n') + tail;
}

MainWidget *GetMainWidget()
{
    return g_mainWidget;
}

void SetMainWidget(MainWidget *widget)
{
    g_mainWidget = widget;
}

DevConfig *GetDevConfig()
{
    return g_devConfig;
}

void SetDevConfig(DevConfig *config)
{
    g_devConfig = config;
}

MainWidget::MainWidget(QWidget *parent)
    // Frameless from the start: changing the flags after the form was built
    // polishes the whole form again.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , ui(new Ui::MainWidget)
{
    // The options window applies the stored language while it is built, so it
    // comes before this window's own form. The help window and the console are
    // made when first opened, in the language chosen by then.
    m_optionWidget = new OptionWidget(this);
    // Its first scan starts here and runs in the background: the window is
    // shown at once.
    m_addDevWidget = new AddDevWidget(this);
    connect(m_addDevWidget, &AddDevWidget::SigConfirmed, this, &MainWidget::UpdateCtrlWidgets);
    connect(m_addDevWidget, &AddDevWidget::SigWarning, this, [this](const QString &text) { ShowMessageBox(text); });
    m_devConfig = new DevConfig(this);
    // The script interface: each module registers its own methods on it.
    m_remoteServer = new RemoteServer(this);
    RegisterAppMethods(*m_remoteServer, this);
    PanelRemote::Lookup lookup;
    lookup.panelOf = [this](const QString &serial) -> ControlWidget * {
        for (ControlWidget *panel : qAsConst(m_ctrlWidgets)) {
            if (panel->GetDevSerial() == serial)
                return panel;
        }
        return nullptr;
    };
    lookup.panels = [this]() { return m_ctrlWidgets; };
    lookup.known = [this](const QString &serial) {
        const QList<DevInfo> devices = m_addDevWidget->GetDevs();
        return std::any_of(devices.begin(), devices.end(), [&](const DevInfo &info) { return info.serial == serial; });
    };
    m_panelRemote = new PanelRemote(m_remoteServer, lookup, this);
    m_discoveryRemote = new DiscoveryRemote(m_remoteServer, m_addDevWidget, lookup.panelOf, this);
    connect(m_remoteServer, &RemoteServer::SigStatusChanged, m_optionWidget, &OptionWidget::ShowRemoteStatus);
    connect(m_optionWidget, &OptionWidget::SigRemoteSwitched, this, &MainWidget::SwitchRemote);
    ui->setupUi(this);
    ui->pbShowMax->setStyleSheet(kShowMaxStyle);
    setAttribute(Qt::WA_StyledBackground);
    SetMainWidget(this);
    SetDevConfig(m_devConfig);

    setMouseTracking(true);
#ifndef Q_OS_WIN
    // Without the native hit test the resize band is served from mouse events
    // of every widget of this window, title-bar buttons included.
    qApp->installEventFilter(this);
#endif

    connect(ui->pbDebug, &QPushButton::clicked, this, &MainWidget::ShowDebugWindow);
    connect(ui->pbSettings, &QPushButton::clicked, this, &MainWidget::ShowSettingWindow);
    connect(ui->pbHelp, &QPushButton::clicked, this, &MainWidget::ShowHelpWindow);
    connect(ui->pbShowMin, &QPushButton::clicked, this, &MainWidget::showMinimized);
    connect(ui->pbShowMax, &QPushButton::clicked, this, &MainWidget::ShowMax);
    connect(ui->pbClose, &QPushButton::clicked, this, &MainWidget::close);
    connect(ui->pbAddDev, &QPushButton::clicked, this, &MainWidget::ShowAddDevWindow);
    m_panelMaker.setSingleShot(true);
    m_panelMaker.setInterval(0);
    connect(&m_panelMaker, &QTimer::timeout, this, &MainWidget::MakeNextPanel);

    ui->pbDebug->hide();

    if (m_optionWidget->RemoteEnabled())
        SwitchRemote(true);

    if (m_devConfig->IsUnreadable()) {
        // Told once, when the window is up.
        QTimer::singleShot(0, this, [this]() {
            ShowMessageBox(tr("无法读取参数文件 %1。\n本次运行不会保存任何参数, 以免覆盖该文件。")
                               .arg(QDir::toNativeSeparators(m_devConfig->FilePath())));
        });
    }
}

MainWidget::~MainWidget()
{
    // No script reaches a panel while they go.
    m_remoteServer->Stop();
    // Nothing but the final closes may follow releaseDev: every panel's worker
    // stops polling, the add-device dialog stops scanning and opening, and
    // the workers of panels closed a moment ago finish closing, each after
    // the call it may be inside. Then the library is released and the
    // remaining devices are closed. All of them are waited for together, at
    // most kExitWaitMs in all (a scan under way kExitScanWaitMs).
    const QDeadlineTimer workers(kExitWaitMs);
    const QDeadlineTimer scan(kExitScanWaitMs);
    DeviceScanner *scanner = m_addDevWidget->GetScanner();
    scanner->StopWork();
    for (ControlWidget *panel : qAsConst(m_ctrlWidgets))
        panel->GetWorker()->StopWork();
    for (ControlWidget *panel : qAsConst(m_ctrlWidgets))
        panel->GetWorker()->WaitWorkStopped(RemainingMs(workers));
    for (const QPointer<QThread> &thread : qAsConst(m_closingThreads)) {
        if (thread)
            thread->wait(RemainingMs(workers));
    }
    scanner->WaitWorkStopped(RemainingMs(scan));
    releaseDev();
    // Each worker's thread, and the dialog's, ends once its device is closed.
    QList<QPointer<QThread>> ending{scanner->thread()};
    for (ControlWidget *panel : qAsConst(m_ctrlWidgets))
        ending << panel->GetWorker()->thread();
    delete m_addDevWidget;
    m_addDevWidget = nullptr;
    qDeleteAll(m_ctrlWidgets);
    m_ctrlWidgets.clear();
    for (const QPointer<QThread> &thread : qAsConst(ending)) {
        if (thread)
            thread->wait(RemainingMs(workers));
    }
    delete ui;
    // Nobody may reach this window or its store through the accessors while
    // the children are torn down or afterwards.
    if (g_mainWidget == this) {
        SetMainWidget(nullptr);
        SetDevConfig(nullptr);
    }
}

int MainWidget::ShowMessageBox(const QString &text, QWidget *returnTo)
{
    StyledMessageBox box(this);
    if (returnTo && returnTo->isVisible()) {
        box.winId();
        box.windowHandle()->setTransientParent(returnTo->window()->windowHandle());
    }
    box.setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    box.setWindowTitle(tr("提示"));
    box.setText(text);
    QPushButton *cancel = box.addButton(tr("取消"), QMessageBox::RejectRole);
    QPushButton *confirm = box.addButton(tr("确认"), QMessageBox::AcceptRole);
    cancel->setStyleSheet(kMessageButtonStyle);
    confirm->setStyleSheet(kMessageButtonStyle);
    box.setStyleSheet(kMessageBoxStyle);
    box.ApplyButtonLayout();
    box.exec();
    return box.clickedButton() == confirm ? 1 : 0;
}

void MainWidget::SetDebugButtonVisible(bool visible)
{
    ui->pbDebug->setVisible(visible);
}

void MainWidget::ShowDebugWindow()
{
    if (!m_debugWidget)
        m_debugWidget = new DebugWidget(this);
    ShowCentred(m_debugWidget);
}

void MainWidget::ShowHelpWindow()
{
    if (!m_helpWidget)
        m_helpWidget = new HelpWidget(this);
    ShowCentred(m_helpWidget);
}

void MainWidget::ShowSettingWindow()
{
    ShowCentred(m_optionWidget);
}

void MainWidget::ShowMax()
{
    if (isFullScreen()) {
        setWindowState(windowState()
                       & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
        setGeometry(m_savedGeometry);
        ui->pbShowMax->setStyleSheet(kShowMaxStyle);
    } else {
        m_savedGeometry = geometry();
        showFullScreen();
        ui->pbShowMax->setStyleSheet(kShowNormalStyle);
    }
}

void MainWidget::SwitchRemote(bool on)
{
    m_optionWidget->SetRemoteSwitch(on);
    if (on && m_remoteServer->Status().state == RemoteStatus::Listening)
        return;
    if (on)
        m_remoteServer->Start(m_optionWidget->RemotePort(), m_optionWidget->RemoteTokenPath());
    else
        m_remoteServer->Stop();
}

void MainWidget::ShowAddDevWindow()
{
    // Shown first, its scan then running in the background: a dialog whose
    // contents changed just before it was shown was now and then placed at
    // the screen's top-left corner by the window manager (openbox).
    ShowCentred(m_addDevWidget);
    m_addDevWidget->ScanDev();
}

void MainWidget::UpdateCtrlWidgets()
{
    // Panels still to be made for an earlier confirm come first.
    while (!m_pendingPanels.isEmpty())
        MakeNextPanel();
    QList<DevInfo> entries = m_addDevWidget->GetCheckedDevs();

    for (int i = 0; i < m_ctrlWidgets.size();) {
        ControlWidget *panel = m_ctrlWidgets.at(i);
        int found = -1;
        for (int k = 0; k < entries.size() && found < 0; ++k) {
            if (entries.at(k).handle == panel->GetDevHandle())
                found = k;
        }
        if (found >= 0) {
            panel->SetDevInfo(entries.takeAt(found));
            ++i;
        } else {
            DeleteCtrlWidget(panel);
        }
    }

    m_pendingPanels = entries;
    LayoutMenuBar();
    LayoutCtrlWidgets();
    if (!m_pendingPanels.isEmpty())
        m_panelMaker.start();
}

void MainWidget::MakeNextPanel()
{
    if (m_pendingPanels.isEmpty())
        return;
    const DevInfo entry = m_pendingPanels.takeFirst();
    CreateDevTab(entry);
    auto *panel = new ControlWidget(ui->wgControls, m_devConfig);
    m_addDevWidget->HandOverDev(entry.handle);
    panel->SetDevInfo(entry);
    connect(panel, &ControlWidget::SigClosed, this, &MainWidget::CloseCtrlWidget);
    connect(panel, &ControlWidget::SigDisconnect, this, &MainWidget::DevDisconnect);
    connect(panel, &ControlWidget::SigWarning, this,
            [this](const QString &text, QWidget *returnTo) { ShowMessageBox(text, returnTo); });
    MoveParam move;
    JogParam jog;
    DriveParam drive;
    CruiseParam cruise;
    m_devConfig->LoadDevParams(entry.serial, move, jog, drive, cruise);
    panel->SetInitParams(move, jog, drive, cruise);
    m_panelRemote->Attach(panel);
    m_ctrlWidgets.append(panel);
    m_discoveryRemote->PanelMade(panel);
    LayoutMenuBar();
    LayoutCtrlWidgets();
    if (!m_pendingPanels.isEmpty())
        m_panelMaker.start();
}

void MainWidget::CloseCtrlWidget()
{
    auto *panel = qobject_cast<ControlWidget *>(sender());
    if (!panel)
        return;
    // The panel may go while the question is open (its device lost).
    QPointer<ControlWidget> guard(panel);
    if (ShowMessageBox(tr("您确定要关闭控制窗口吗?")) == 0 || !guard)
        return;
    const DevHandle handle = panel->GetDevHandle();
    DeleteCtrlWidget(panel);
    m_addDevWidget->UncheckDev(handle);
    LayoutMenuBar();
    LayoutCtrlWidgets();
}

void MainWidget::DevDisconnect()
{
    auto *panel = qobject_cast<ControlWidget *>(sender());
    if (!panel)
        return;
    QPointer<ControlWidget> guard(panel);
    const DevHandle handle = panel->GetDevHandle();
    // With several panels open the operator must know which device went.
    ShowMessageBox(tr("设备已断开!") + QLatin1Char('\n') + panel->GetDevSerial());
    if (guard)
        DeleteCtrlWidget(panel);
    m_addDevWidget->RemoveDev(handle);
    LayoutMenuBar();
    LayoutCtrlWidgets();
}

void MainWidget::CreateDevTab(const DevInfo &info)
{
    auto *tab = new QPushButton(ui->wgMenuBar);
    tab->setObjectName(QStringLiteral("pbDev%1").arg(info.handle));
    tab->setFixedSize(120, 60);
    tab->setCheckable(true);
    tab->setStyleSheet(kDevTabStyle);
    tab->setText(DevTabText(info.serial));
    // A click brings the device's panel into view; the tab stays checked
    // until another one is clicked.
    tab->setAutoExclusive(true);
    const DevHandle handle = info.handle;
    connect(tab, &QPushButton::clicked, this, [this, handle]() {
        for (ControlWidget *panel : qAsConst(m_ctrlWidgets)) {
            if (panel->GetDevHandle() == handle)
                ui->scrollArea->ensureWidgetVisible(panel, 0, 0);
        }
    });
}

// Takes the panel out of the list and deletes it (which closes its device)
// together with its tab button.
void MainWidget::DeleteCtrlWidget(ControlWidget *panel)
{
    const DevHandle handle = panel->GetDevHandle();
    m_ctrlWidgets.removeAll(panel);
    // Its worker goes on in the background until the device is closed.
    m_closingThreads.removeAll(nullptr);
    m_closingThreads << panel->GetWorker()->thread();
    delete panel;
    delete ui->wgMenuBar->findChild<QPushButton *>(QStringLiteral("pbDev%1").arg(handle));
}

void MainWidget::LayoutMenuBar()
{
    QList<QPushButton *> buttons = ui->wgMenuBar->findChildren<QPushButton *>();

    if (QLayout *old = ui->wgMenuBar->layout()) {
        while (QLayoutItem *item = old->takeAt(0))
            delete item;
        delete old;
    }
    auto *layout = new QHBoxLayout(ui->wgMenuBar);

    buttons.removeAll(ui->pbAddDev);
    buttons.append(ui->pbAddDev);
    for (int i = 0; i < buttons.size(); ++i) {
        if (buttons.at(i)->parentWidget() != ui->wgMenuBar)
            buttons.at(i)->setParent(ui->wgMenuBar);
        layout->insertWidget(i, buttons.at(i));
    }
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addItem(new QSpacerItem(0, 160, QSizePolicy::Expanding, QSizePolicy::Fixed));
}

void MainWidget::LayoutCtrlWidgets()
{
    // The window takes its size for the panels still to be made as well.
    const int n = m_ctrlWidgets.size() + m_pendingPanels.size();

    if (QLayout *old = ui->wgControls->layout()) {
        while (QLayoutItem *item = old->takeAt(0))
            delete item;
        delete old;
    }

    const QRect reference = isFullScreen() ? m_savedGeometry : geometry();
    QScreen *screen = QGuiApplication::screenAt(reference.center());
    if (!screen)
        screen = this->screen();
    const QRect available = screen->availableGeometry();

    // Two panels to a row where the usable width of the screen holds them,
    // otherwise one, so that the area scrolls vertically only.
    const int perRow = available.width() >= kTwoPanelsWidth ? 2 : 1;
    const int columns = qMin(n, perRow);
    const QSize target(columns < 2 ? 830 : kTwoPanelsWidth, n <= perRow ? 600 : 900);
    // As wide as the panels: a vertical scroll bar then takes no width they need.
    const int panelsWidth = columns * kPanelWidth + qMax(0, columns - 1) * kPanelSpacing + 2 * kPanelMargin;
    // Tall enough for the rows with their spacing (more than four rows need
    // more than the 20 px beyond the panels).
    const int rows = (n + perRow - 1) / perRow;
    ui->wgControls->setMinimumSize(qMin(target.width(), panelsWidth),
                                   qMax(rows * kPanelRowHeight + 20,
                                        rows * (kPanelRowHeight + kPanelSpacing) - kPanelSpacing + 2 * kPanelMargin));

    // The window grows or shrinks about its centre, within the usable area of
    // the screen it is on (the panel area scrolls where that is too small);
    // while full screen the result is kept for leaving full screen.
    const QRect placed = FittedGeometry(reference, target, available);
    if (isFullScreen())
        m_savedGeometry = placed;
    else
        setGeometry(placed);

    auto *grid = new QGridLayout;
    grid->setSpacing(kPanelSpacing);
    grid->setContentsMargins(kPanelMargin, kPanelMargin, kPanelMargin, kPanelMargin);
    ui->wgControls->setLayout(grid);
    for (int i = 0; i < m_ctrlWidgets.size(); ++i) {
        ControlWidget *panel = m_ctrlWidgets.at(i);
        if (panel->parentWidget() != ui->wgControls)
            panel->setParent(ui->wgControls);
        grid->addWidget(panel, i / perRow, i % perRow);
    }
    // Spacers that keep the panels packed at the top left.
    grid->addItem(new QSpacerItem(160, 0, QSizePolicy::Expanding, QSizePolicy::Fixed), 0,
                  grid->rowCount());
    grid->addItem(new QSpacerItem(0, 160, QSizePolicy::Fixed, QSizePolicy::Expanding),
                  grid->columnCount(), 0);
}

void MainWidget::ShowCentred(QWidget *window)
{
    window->move(CentredTopLeft(geometry(), window->size()));
    window->show();
}

void MainWidget::mousePressEvent(QMouseEvent *event)
{
    if (!isFullScreen() && ui->wgTitleBar->geometry().contains(event->pos())) {
        m_dragging = true;
        m_pressPos = event->pos();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void MainWidget::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void MainWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging) {
        move(event->pos() + pos() - m_pressPos);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}

#ifdef Q_OS_WIN

bool MainWidget::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg->message == WM_NCHITTEST) {
        const QPoint global(GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam));
        const int code = EdgeHitTest(global - frameGeometry().topLeft(), size());
        if (code != 0) {
            *result = code;
            return true;
        }
    }
    return QWidget::nativeEvent(eventType, message, result);
}

#else

bool MainWidget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseMove)
        && BelongsToThisWindow(watched)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint posInWindow = mapFromGlobal(mouse->globalPos());
        if (type == QEvent::MouseMove) {
            if (mouse->buttons() == Qt::NoButton && !m_dragging)
                UpdateEdgeCursor(posInWindow);
        } else if (mouse->button() == Qt::LeftButton) {
            const Qt::Edges edges = EdgesForHitTest(EdgeHitTest(posInWindow, size()));
            if (edges) {
                // The band is the window frame: the press never reaches the
                // widget below it and never starts a title-bar drag.
                if (QWindow *handle = windowHandle())
                    handle->startSystemResize(edges);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWidget::BelongsToThisWindow(QObject *object) const
{
    return object->isWidgetType() && static_cast<QWidget *>(object)->window() == this;
}

void MainWidget::UpdateEdgeCursor(const QPoint &posInWindow)
{
    const int code = EdgeHitTest(posInWindow, size());
    const Qt::CursorShape shape = CursorForHitTest(code);
    if (cursor().shape() == shape)
        return;
    if (code == 0)
        unsetCursor();
    else
        setCursor(shape);
}

#endif
