#ifndef REMOTESERVER_H
#define REMOTESERVER_H

#include "remote/RemoteRequest.h"

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPointer>

#include <functional>

class QTcpServer;
class RemoteConnection;

// What the remote interface is doing, for the options window.
struct RemoteStatus
{
    enum State { Off, Listening, PortTaken, ListenFailed, TokenFailed };
    State state = Off;
    quint16 port = 0;
    // Clients that have said hello.
    int clients = 0;
    // The system's reason for ListenFailed, the file and reason for TokenFailed.
    QString detail;
};

Q_DECLARE_METATYPE(RemoteStatus)

// The local script interface: JSON-RPC 2.0 over TCP, one JSON object per
// "\n"-terminated UTF-8 line, on the loopback interface only (127.0.0.1 and
// ::1). A client's first request must be hello with the token of the token
// file. Modules register their own methods; a handler reads its parameters
// through the request's typed getters and answers at once or later. Runs on
// the thread it lives on and never waits for a client there.
class RemoteServer : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 17600;
    static constexpr int kMaxClients = 100;

    // Answers at once with its result; throws RemoteError to refuse.
    using Handler = std::function<QJsonValue(const RemoteRequest &request)>;
    // Answers with request.Reply or request.Fail, now or later (keeping a
    // copy of the request); may throw RemoteError before answering.
    using AsyncHandler = std::function<void(const RemoteRequest &request)>;

    explicit RemoteServer(QObject *parent = nullptr);

    // params: the names the method takes; a request naming any other is
    // refused before the handler runs. With an owner the method goes when
    // the owner is destroyed. A second registration of a name replaces the first.
    void RegisterMethod(const QString &method, const QStringList &params, QObject *owner, Handler handler);
    void RegisterAsyncMethod(const QString &method, const QStringList &params, QObject *owner,
                             AsyncHandler handler);

    // Listens on port (0: any free one) of 127.0.0.1 and, where the machine
    // has it, ::1, with the token of tokenFile (made when missing). The
    // outcome is in Status and SigStatusChanged.
    void Start(quint16 port, const QString &tokenFile);
    // Stops listening and closes every connection.
    void Stop();
    RemoteStatus Status() const { return m_status; }

    // The request's client receives the events from now on: those of the
    // device, or of every device when device is empty.
    void Subscribe(const RemoteRequest &request, const QStringList &events, const QString &device = QString());
    bool HasSubscribers(const QString &event) const;
    // Sends {"method": event, "params": params + device + time} to the
    // clients subscribed to it; time is when the value was read (ISO 8601
    // with milliseconds and offset). A client that leaves its notifications
    // unread loses those that do not fit its bound.
    void Publish(const QString &event, const QString &device, qint64 readMs, QJsonObject params);
    // msSinceEpoch as local time, ISO 8601 with milliseconds and offset. The
    // offset is looked up once a minute: each lookup asks the system's time
    // zone files, which cost more than the rest of a notification.
    static QString TimeText(qint64 msSinceEpoch);

signals:
    void SigStatusChanged(const RemoteStatus &status);

private:
    friend class RemoteConnection;

    struct Method
    {
        QStringList params;
        bool owned = false;
        QPointer<QObject> owner;
        AsyncHandler handler;
    };

    void Dispatch(const RemoteRequest &request);
    void Accept(QTcpServer *listener);
    void Forget(RemoteConnection *connection);
    void SetStatus(RemoteStatus::State state, const QString &detail = QString());
    void CloseListeners();

    QHash<QString, Method> m_methods;
    QList<QTcpServer *> m_listeners;
    QList<RemoteConnection *> m_connections;
    QByteArray m_token;
    RemoteStatus m_status;
};

#endif
