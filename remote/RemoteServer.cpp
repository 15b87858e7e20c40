#include "remote/RemoteServer.h"

#include "remote/RemoteConnection.h"
#include "remote/RemoteToken.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>

#include <exception>
#include <limits>

RemoteServer::RemoteServer(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<RemoteStatus>();
}

void RemoteServer::RegisterMethod(const QString &method, const QStringList &params, QObject *owner, Handler handler)
{
    RegisterAsyncMethod(method, params, owner,
                        [handler](const RemoteRequest &request) { request.Reply(handler(request)); });
}

void RemoteServer::RegisterAsyncMethod(const QString &method, const QStringList &params, QObject *owner,
                                       AsyncHandler handler)
{
    Method entry;
    entry.params = params;
    entry.owned = owner != nullptr;
    entry.owner = owner;
    entry.handler = std::move(handler);
    m_methods.insert(method, entry);
}

void RemoteServer::Start(quint16 port, const QString &tokenFile)
{
    Stop();
    m_status.port = port;
    QString error;
    m_token = LoadOrCreateRemoteToken(tokenFile, &error);
    if (m_token.isEmpty()) {
        SetStatus(RemoteStatus::TokenFailed, error);
        return;
    }
    for (const QHostAddress::SpecialAddress address : {QHostAddress::LocalHost, QHostAddress::LocalHostIPv6}) {
        auto *listener = new QTcpServer(this);
        if (!listener->listen(QHostAddress(address), m_status.port)) {
            const QAbstractSocket::SocketError reason = listener->serverError();
            const QString detail = listener->errorString();
            delete listener;
            // A machine without IPv6 is served on 127.0.0.1 alone.
            if (address == QHostAddress::LocalHostIPv6
                && (reason == QAbstractSocket::UnsupportedSocketOperationError
                    || reason == QAbstractSocket::SocketAddressNotAvailableError))
                continue;
            CloseListeners();
            m_token.clear();
            SetStatus(reason == QAbstractSocket::AddressInUseError ? RemoteStatus::PortTaken : RemoteStatus::ListenFailed,
                      detail);
            return;
        }
        // Port 0 chose a free port on 127.0.0.1; ::1 takes the same.
        m_status.port = listener->serverPort();
        connect(listener, &QTcpServer::newConnection, this, [this, listener]() { Accept(listener); });
        m_listeners << listener;
    }
    SetStatus(RemoteStatus::Listening);
}

void RemoteServer::Stop()
{
    CloseListeners();
    const QList<RemoteConnection *> connections = m_connections;
    m_connections.clear();
    for (RemoteConnection *connection : connections) {
        connection->disconnect(this);
        connection->Abort();
        connection->deleteLater();
    }
    m_token.clear();
    if (m_status.state != RemoteStatus::Off)
        SetStatus(RemoteStatus::Off);
}

void RemoteServer::CloseListeners()
{
    qDeleteAll(m_listeners);
    m_listeners.clear();
}

void RemoteServer::Accept(QTcpServer *listener)
{
    while (QTcpSocket *socket = listener->nextPendingConnection()) {
        auto *connection = new RemoteConnection(socket, this, m_token);
        const bool tooMany = m_connections.size() >= kMaxClients;
        m_connections << connection;
        connect(connection, &RemoteConnection::SigAuthorised, this, [this]() { SetStatus(m_status.state); });
        connect(connection, &RemoteConnection::SigClosed, this, [this, connection]() { Forget(connection); });
        if (tooMany)
            connection->Refuse(RemoteBusy, QStringLiteral("too many clients (at most %1)").arg(kMaxClients));
    }
}

void RemoteServer::Forget(RemoteConnection *connection)
{
    const bool counted = connection->IsAuthorised();
    m_connections.removeOne(connection);
    connection->deleteLater();
    if (counted)
        SetStatus(m_status.state);
}

void RemoteServer::SetStatus(RemoteStatus::State state, const QString &detail)
{
    m_status.state = state;
    m_status.detail = detail;
    m_status.clients = 0;
    for (const RemoteConnection *connection : qAsConst(m_connections))
        m_status.clients += connection->IsAuthorised() ? 1 : 0;
    emit SigStatusChanged(m_status);
}

void RemoteServer::Dispatch(const RemoteRequest &request)
{
    const auto method = m_methods.constFind(request.Method());
    if (method == m_methods.constEnd() || (method->owned && !method->owner)) {
        request.Fail(RpcMethodNotFound, QStringLiteral("unknown method '%1'").arg(request.Method()));
        return;
    }
    const QJsonObject params = request.Params();
    for (auto it = params.begin(); it != params.end(); ++it) {
        if (!method->params.contains(it.key())) {
            request.Fail(RpcInvalidParams, QStringLiteral("unknown parameter '%1' (%2 takes: %3)")
                                                   .arg(it.key(), request.Method(), method->params.join(QStringLiteral(", "))));
            return;
        }
    }
    // A copy: the handler may replace the registration while it runs.
    const AsyncHandler handler = method->handler;
    try {
        handler(request);
    } catch (const RemoteError &error) {
        request.Fail(error);
    } catch (const std::exception &error) {
        request.Fail(RpcInternalError, QString::fromLocal8Bit(error.what()));
    }
}

void RemoteServer::Subscribe(const RemoteRequest &request, const QStringList &events, const QString &device)
{
    if (auto *connection = qobject_cast<RemoteConnection *>(request.Client()))
        connection->Subscribe(events, device);
}

bool RemoteServer::HasSubscribers(const QString &event) const
{
    for (const RemoteConnection *connection : m_connections) {
        if (connection->IsSubscribedToAny(event))
            return true;
    }
    return false;
}

QString RemoteServer::TimeText(qint64 msSinceEpoch)
{
    // Offsets change on whole minutes only.
    static thread_local qint64 minute = std::numeric_limits<qint64>::min();
    static thread_local int offset = 0;
    const qint64 now = msSinceEpoch / 60000 - (msSinceEpoch % 60000 < 0);
    if (now != minute) {
        minute = now;
        offset = QDateTime::fromMSecsSinceEpoch(msSinceEpoch).offsetFromUtc();
    }
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch, Qt::OffsetFromUTC, offset).toString(Qt::ISODateWithMs);
}

void RemoteServer::Publish(const QString &event, const QString &device, qint64 readMs, QJsonObject params)
{
    QByteArray line;
    for (RemoteConnection *connection : qAsConst(m_connections)) {
        if (!connection->IsSubscribed(event, device))
            continue;
        if (line.isEmpty()) {
            if (!device.isEmpty())
                params.insert(QStringLiteral("device"), device);
            params.insert(QStringLiteral("time"), TimeText(readMs));
            const QJsonObject message{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                                      {QStringLiteral("method"), event},
                                      {QStringLiteral("params"), params}};
            line = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
        }
        connection->Notify(line);
    }
}
