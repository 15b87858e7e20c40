#ifndef PANELREMOTE_H
#define PANELREMOTE_H

#include "remote/RemoteRequest.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <list>

class ControlWidget;
class QTimer;
class RemoteServer;

// A script's side of one open panel (a child of it, going with it): runs the
// scripts' requests through the panel and its worker as clicks and confirmed
// popups do, answers them once the worker has run them, follows the waits,
// and passes the worker's signals on to the subscribed scripts.
class PanelLink : public QObject
{
    Q_OBJECT

public:
    PanelLink(ControlWidget *panel, RemoteServer *server);
    // Whatever still waits is answered "panel closed".
    ~PanelLink() override;

    // code 0: the worker ran the request; else the error code and message.
    using Done = std::function<void(int code, const QString &message)>;

    ControlWidget *Panel() const { return m_panel; }
    bool Lost() const { return m_lost; }
    // The worker's last poll: position_mm, running, homed, enabled,
    // left_limit, right_limit, status_word, remaining, time.
    QJsonObject State() const;
    bool ControlDisabled() const;
    // post queues the request's steps for the worker (it may throw
    // RemoteError before queuing any); done follows once the worker has run
    // them. motion: a command whose motion wait follows.
    void Run(bool motion, const std::function<void()> &post, Done done);
    // Answers with State() once the motion of the last command sent has
    // ended, or fails after timeoutMs, when the device is lost or the panel closes.
    void Wait(const RemoteRequest &request, int timeoutMs);

private:
    struct Waiter
    {
        RemoteRequest request;
        quint32 after;
        QTimer *timer;
    };

    void ScriptDone(quint32 request, bool accepted, const QString &why);
    void MotionEnded(quint32 request);
    void Finish(std::list<Waiter>::iterator waiter, int code, const QString &message);
    void Drop(std::list<Waiter>::iterator waiter);
    void Publish(const QString &event, qint64 readMs, const QJsonObject &params);

    ControlWidget *m_panel;
    QPointer<RemoteServer> m_server;
    QString m_serial;
    quint32 m_lastRequest = 0;
    // The last command sent whose motion wait follows (0: none yet).
    quint32 m_lastMotion = 0;
    QHash<quint32, Done> m_running;
    std::list<Waiter> m_waiters;
    bool m_lost = false;
};

// The device methods of the script interface, on devices that have a panel
// open: state, the panel's commands, get_params and set_params, wait,
// stop_all and subscribe. Devices are named by their driver serial.
class PanelRemote : public QObject
{
    Q_OBJECT

public:
    struct Lookup
    {
        // The open panel of a device, or null.
        std::function<ControlWidget *(const QString &serial)> panelOf;
        std::function<QList<ControlWidget *>()> panels;
        // A device the last scan found.
        std::function<bool(const QString &serial)> known;
    };

    // Registers the methods; they go with this object.
    PanelRemote(RemoteServer *server, Lookup lookup, QObject *parent = nullptr);

    // Makes a new panel reachable: call once, when it is made.
    void Attach(ControlWidget *panel);

private:
    PanelLink *Link(const RemoteRequest &request) const;
    void Command(const RemoteRequest &request, int command);
    void SetParams(PanelLink *link, const QString &group, const QJsonObject &values, PanelLink::Done done);

    RemoteServer *m_server;
    Lookup m_lookup;
};

#endif
