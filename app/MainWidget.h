#ifndef MAINWIDGET_H
#define MAINWIDGET_H

#include "device/DevInfo.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QWidget>

namespace Ui {
class MainWidget;
}

class AddDevWidget;
class ControlWidget;
class DebugWidget;
class DevConfig;
class DiscoveryRemote;
class HelpWidget;
class OptionWidget;
class PanelRemote;
class QThread;
class RemoteServer;

// Resize zone of a point of the frameless window (window coordinates, window
// size), 4 px wide along the outer edge, as a Windows hit-test code:
// 13/14/16/17 top-left/top-right/bottom-left/bottom-right corner,
// 10/11/12/15 left/right/top/bottom edge; 0 outside the band.
int EdgeHitTest(const QPoint &posInWindow, const QSize &size);
// The window edges a hit-test code stands for (none for 0).
Qt::Edges EdgesForHitTest(int code);
// The resize cursor of a hit-test code (the arrow for 0).
Qt::CursorShape CursorForHitTest(int code);

// Top-left corner that centres a window of size child on host
// (integer division truncating towards zero).
QPoint CentredTopLeft(const QRect &host, const QSize &child);

// Geometry of a window of size target centred on reference, shrunk to fit
// available (the usable area of a screen) and moved into it.
QRect FittedGeometry(const QRect &reference, const QSize &target, const QRect &available);

// Text of a device's tab button: the part of the serial before the first
// space, a line break and the next part with all but its last 8 characters
// replaced by one asterisk (a shorter part is shown whole). A serial without
// a space is shown as it is.
QString DevTabText(const QString &serial);

// The program's frameless main window: title bar, menu bar with the
// add-device button and the scrolling area of the control panels.
class MainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MainWidget(QWidget *parent = nullptr);
    ~MainWidget() override;

    // Styled question box; 1 for "确认", 0 for "取消", Escape or closing.
    // The box is centred on this window; when it closes, the window system
    // gives the active state to returnTo (the window that asked) if given.
    int ShowMessageBox(const QString &text, QWidget *returnTo = nullptr);

    // The title-bar button of the engineering console (hidden at start).
    void SetDebugButtonVisible(bool visible);

    // Opens a panel and a tab for each device checked in the add-device
    // dialog that has none, and removes those whose device is no longer checked.
    void UpdateCtrlWidgets();

public slots:
    void ShowDebugWindow();
    void ShowHelpWindow();
    void ShowSettingWindow();
    void ShowMax();
    void ShowAddDevWindow();
    void CloseCtrlWidget();
    void DevDisconnect();
    // Starts or stops the script interface; the options window shows it.
    void SwitchRemote(bool on);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;
#else
    bool eventFilter(QObject *watched, QEvent *event) override;
#endif

private:
    void ShowCentred(QWidget *window);
    void CreateDevTab(const DevInfo &info);
    void MakeNextPanel();
    void DeleteCtrlWidget(ControlWidget *panel);
    void LayoutMenuBar();
    void LayoutCtrlWidgets();
#ifndef Q_OS_WIN
    bool BelongsToThisWindow(QObject *object) const;
    void UpdateEdgeCursor(const QPoint &posInWindow);
#endif

    Ui::MainWidget *ui;
    HelpWidget *m_helpWidget = nullptr;
    OptionWidget *m_optionWidget = nullptr;
    DebugWidget *m_debugWidget = nullptr;
    AddDevWidget *m_addDevWidget = nullptr;
    // The open panels in order of opening; they are children of wgControls.
    QList<ControlWidget *> m_ctrlWidgets;
    // Checked devices whose panels are still to be made, one per pass of the
    // event loop: making a panel takes long enough that several at once would
    // stall the interface.
    QList<DevInfo> m_pendingPanels;
    QTimer m_panelMaker;
    // Threads of the workers of panels that went, until each has closed its
    // device and ended.
    QList<QPointer<QThread>> m_closingThreads;
    DevConfig *m_devConfig = nullptr;
    RemoteServer *m_remoteServer = nullptr;
    PanelRemote *m_panelRemote = nullptr;
    DiscoveryRemote *m_discoveryRemote = nullptr;
    QPoint m_pressPos;
    bool m_dragging = false;
    QRect m_savedGeometry;
};

// Process-wide main window and parameter store, published by the main window.
MainWidget *GetMainWidget();
void SetMainWidget(MainWidget *widget);
DevConfig *GetDevConfig();
void SetDevConfig(DevConfig *config);

#endif
