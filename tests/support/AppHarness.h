// The program as an operator meets it: the main window with simulated
// controllers, panels opened through the add-device dialog, message boxes
// answered. Header only; this folder is not a suite.
#ifndef APPHARNESS_H
#define APPHARNESS_H

#include "app/MainWidget.h"
#include "discovery/AddDevWidget.h"
#include "panel/ControlWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace harness {

inline QString Serial(int i)
{
    return QStringLiteral("ORV 2024051700%1%2").arg(i / 10).arg(i % 10);
}

// Attaches controllers Serial(1)..Serial(count); odd ones 13 mm, even ones 6 mm.
inline QList<int> Attach(int count)
{
    QList<int> handles;
    for (int i = 1; i <= count; ++i)
        handles << simAttach(qPrintable(Serial(i)), i % 2 ? 3 : 1, 1);
    return handles;
}

inline std::unique_ptr<MainWidget> MakeWindow()
{
    std::unique_ptr<MainWidget> window(new MainWidget);
    window->move(500, 200);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("main window not exposed");
    return window;
}

// The program started afresh: simulator reset, devices Serial(1)..Serial(count)
// attached, the main window shown.
struct App
{
    QList<int> handles;
    std::unique_ptr<MainWidget> window;
};

inline App Start(int devices)
{
    simReset();
    App app;
    app.handles = Attach(devices);
    app.window = MakeWindow();
    return app;
}

inline AddDevWidget *Dialog(MainWidget *window)
{
    return window->findChild<AddDevWidget *>();
}

// Clicks the named push button under root as it is now (a disabled one takes no click).
inline void Click(QWidget *root, const char *name)
{
    QTest::mouseClick(root->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

inline QPushButton *DevButton(MainWidget *window, int index)
{
    return Dialog(window)->findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(index));
}

// True while the dialog scans, waits for a device or opens devices (its
// library calls run in the background, the list hidden meanwhile).
inline bool Busy(AddDevWidget *dialog)
{
    const QWidget *busy = dialog->findChild<QWidget *>("wgBusy");
    return busy && !busy->isHidden();
}

// True once the dialog's scan, wait or open has ended.
inline bool WaitIdle(AddDevWidget *dialog, int timeoutMs = 10000)
{
    return QTest::qWaitFor([dialog] { return !Busy(dialog); }, timeoutMs);
}

// A scan of the dialog, waited for.
inline bool Scan(AddDevWidget *dialog)
{
    dialog->ScanDev();
    return WaitIdle(dialog);
}

// True once the dialog's confirm has ended and the main window has made a
// panel for every checked device (one per pass of the event loop).
inline bool WaitConfirmed(MainWidget *window, int timeoutMs = 10000)
{
    AddDevWidget *dialog = Dialog(window);
    return QTest::qWaitFor([window, dialog] {
        return !Busy(dialog) && window->findChildren<ControlWidget *>().size() == dialog->GetCheckedDevs().size();
    }, timeoutMs);
}

// Opens the dialog from the menu bar, waits for its scan and toggles the
// buttons at the given indexes; confirms unless told not to, and waits for
// the opens and the panels.
inline void Pick(MainWidget *window, const QList<int> &toggle, bool confirm = true)
{
    QTest::mouseClick(window->findChild<QPushButton *>("pbAddDev"), Qt::LeftButton);
    if (!WaitIdle(Dialog(window)))
        qWarning("the add-device dialog's scan did not end");
    for (int i : toggle)
        QTest::mouseClick(DevButton(window, i), Qt::LeftButton);
    if (confirm) {
        QTest::mouseClick(Dialog(window)->findChild<QPushButton *>("pbConfirm"), Qt::LeftButton);
        if (!WaitConfirmed(window))
            qWarning("the add-device dialog's confirm did not end");
    }
    // Tabs and panels are shown by their layouts on the next pass of the loop.
    QCoreApplication::processEvents();
}

// The panels in grid order.
inline QList<ControlWidget *> Panels(MainWidget *window)
{
    QList<ControlWidget *> panels = window->findChildren<ControlWidget *>();
    std::sort(panels.begin(), panels.end(), [](ControlWidget *a, ControlWidget *b) {
        return qMakePair(a->y(), a->x()) < qMakePair(b->y(), b->x());
    });
    return panels;
}

inline QString LogOf(ControlWidget *panel)
{
    return panel->findChild<QTextBrowser *>("textBrowser")->toPlainText();
}

// True once the panel's worker has read the device and pushed the stored parameters.
inline bool WaitForInit(ControlWidget *panel, int timeoutMs = 5000)
{
    return QTest::qWaitFor([panel] { return LogOf(panel).contains(QStringLiteral("初始化运动轴参数成功")); },
                           timeoutMs);
}

// Opens panels for the first count listed devices through the add-device
// dialog and waits until each is initialised; the panels in grid order.
inline QList<ControlWidget *> OpenPanels(MainWidget *window, int count)
{
    QList<int> toggles;
    for (int i = 0; i < count; ++i)
        toggles << i;
    Pick(window, toggles);
    const QList<ControlWidget *> panels = Panels(window);
    for (ControlWidget *panel : panels) {
        if (!WaitForInit(panel))
            qWarning("panel %s not initialised", qPrintable(panel->GetDevSerial()));
    }
    return panels;
}

// Answers every message box shown while it lives: records each text and
// presses the button with the given text.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(const QString &button)
        : m_button(button)
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box == m_last)
                return;
            m_last = box;
            texts << box->text();
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == m_button) {
                    b->click();
                    break;
                }
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QString m_button;
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};

// Sets the named fields under root, each edit "name=value": a line edit takes
// the text, a combo box the index, a spin box the value; "name" alone toggles
// a check box.
inline void Fill(QWidget *root, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QString name = edit.section(QLatin1Char('='), 0, 0);
        const QString value = edit.section(QLatin1Char('='), 1);
        QWidget *field = root->findChild<QWidget *>(name);
        if (auto *line = qobject_cast<QLineEdit *>(field))
            line->setText(value);
        else if (auto *combo = qobject_cast<QComboBox *>(field))
            combo->setCurrentIndex(value.toInt());
        else if (auto *spin = qobject_cast<QSpinBox *>(field))
            spin->setValue(value.toInt());
        else if (auto *decimal = qobject_cast<QDoubleSpinBox *>(field))
            decimal->setValue(value.toDouble());
        else if (auto *box = qobject_cast<QAbstractButton *>(field))
            box->toggle();
        else
            qWarning("no field %s", qPrintable(name));
    }
}

// Clicks the named button under root once it is enabled; false when it stays
// disabled or does not exist.
inline bool Press(QWidget *root, const QString &name, int timeoutMs = 5000)
{
    auto *button = root->findChild<QAbstractButton *>(name);
    if (!button || !QTest::qWaitFor([button] { return button->isEnabled(); }, timeoutMs))
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

// Clicks the panel's toggle and gives the popup window it shows, or null.
inline QWidget *OpenPopup(ControlWidget *panel, const QString &toggle)
{
    if (!Press(panel, toggle))
        return nullptr;
    for (QWidget *child : panel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() && child->isVisible())
            return child;
    }
    return nullptr;
}

} // namespace harness

#endif
