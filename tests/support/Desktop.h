// Real input for the suites that run on a desktop of their own
// (tests/support/desktop.sh): xdotool sends it through the X server, so the
// window manager sees it and moves activation and focus as for an operator.
#ifndef DESKTOP_H
#define DESKTOP_H

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QStringList>
#include <QWidget>
#include <QtTest>

namespace desktop {

inline bool Xdotool(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

// Clicks the left button on the widget's centre and returns once the widget
// got the release, or false after 5 s. A click that opens a modal window
// returns when that window is closed again.
inline bool Click(QWidget *widget)
{
    struct ReleaseWatch : QObject
    {
        QObject *target = nullptr;
        bool released = false;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            released |= watched == target && event->type() == QEvent::MouseButtonRelease;
            return false;
        }
    } watch;
    watch.target = widget;
    qApp->installEventFilter(&watch);
    const QPoint global = widget->mapToGlobal(widget->rect().center());
    const bool sent = Xdotool({ QStringLiteral("mousemove"),
                                QString::number(global.x()), QString::number(global.y()),
                                QStringLiteral("click"), QStringLiteral("1") });
    const bool released = sent && QTest::qWaitFor([&] { return watch.released; }, 5000);
    qApp->removeEventFilter(&watch);
    // What the click set off (activation, a window shown or hidden) settles.
    QTest::qWait(100);
    return released;
}

// Presses and releases keys in the window that has the keyboard focus, e.g. "Return".
inline bool Key(const QString &keys)
{
    return Xdotool({ QStringLiteral("key"), keys });
}

} // namespace desktop

#endif
