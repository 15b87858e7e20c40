#include "remote/RemoteConnection.h"

#include "remote/RemoteRequest.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteToken.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Longest line, without its "\n": 1 MiB after hello; before it a hello
// needs far less, so a stranger cannot make the program hold much. The
// socket itself buffers at most kSocketBuffer more.
constexpr qint64 kLineLimit = 1024 * 1024;
constexpr qint64 kHelloLineLimit = 4096;
constexpr qint64 kSocketBuffer = 64 * 1024;
// The socket is not read while more answers than this wait to be sent, or
// while this many requests wait for their (asynchronous) answer.
constexpr qint64 kOutputPause = 64 * 1024;
constexpr int kPendingPause = 64;
// Notifications are dropped while this much waits for a client.
constexpr qint64 kNotifyLimit = 1024 * 1024;
// A client must say hello within this time.
constexpr int kHelloTimeoutMs = 10000;
// After an error that closes the connection, the error is given this long
// to reach a client that does not read.
constexpr int kCloseGraceMs = 2000;

} // namespace

RemoteConnection::RemoteConnection(QTcpSocket *socket, RemoteServer *server, const QByteArray &token)
    : QObject(server)
    , m_socket(socket)
    , m_server(server)
    , m_token(token)
    , m_notifyTimer(new QTimer(this))
{
    m_notifyTimer->setSingleShot(true);
    m_notifyTimer->setInterval(kNotifyGatherMs);
    connect(m_notifyTimer, &QTimer::timeout, this, &RemoteConnection::SendNotifications);
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kSocketBuffer);
    connect(m_socket, &QTcpSocket::readyRead, this, &RemoteConnection::ReadLines);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &RemoteConnection::ReadLines);
    connect(m_socket, &QTcpSocket::disconnected, this, [this]() {
        m_closing = true;
        emit SigClosed();
    });
    QTimer::singleShot(kHelloTimeoutMs, this, [this]() {
        if (!m_authorised)
            Refuse(RemoteUnauthorized, QStringLiteral("no hello within %1 s").arg(kHelloTimeoutMs / 1000));
    });
    QMetaObject::invokeMethod(this, &RemoteConnection::ReadLines, Qt::QueuedConnection);
}

void RemoteConnection::Refuse(int code, const QString &message)
{
    Fail(QJsonValue::Null, code, message);
    Close();
}

void RemoteConnection::Abort()
{
    m_closing = true;
    m_socket->abort();
}

QJsonObject RemoteConnection::ErrorMember(int code, const QString &message)
{
    return QJsonObject{{QStringLiteral("error"),
                        QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}}}};
}

void RemoteConnection::Answer(const QJsonValue &id, bool reply, const QJsonObject &answer)
{
    const bool wasPaused = Paused();
    --m_pending;
    if (reply && !m_closing) {
        QJsonObject message = answer;
        message.insert(QStringLiteral("id"), id);
        Send(message);
    }
    // Not read from here: the answer may come from inside another handler.
    if (wasPaused && !Paused())
        QMetaObject::invokeMethod(this, &RemoteConnection::ReadLines, Qt::QueuedConnection);
}

void RemoteConnection::Subscribe(const QStringList &events, const QString &device)
{
    for (const QString &event : events)
        m_subscriptions.insert(event + QLatin1Char('\n') + device);
}

bool RemoteConnection::IsSubscribed(const QString &event, const QString &device) const
{
    return m_subscriptions.contains(event + QLatin1Char('\n'))
           || (!device.isEmpty() && m_subscriptions.contains(event + QLatin1Char('\n') + device));
}

bool RemoteConnection::IsSubscribedToAny(const QString &event) const
{
    const QString prefix = event + QLatin1Char('\n');
    for (const QString &subscription : m_subscriptions) {
        if (subscription.startsWith(prefix))
            return true;
    }
    return false;
}

void RemoteConnection::Notify(const QByteArray &line)
{
    if (m_authorised && !m_closing && m_socket->bytesToWrite() + m_notifications.size() < kNotifyLimit) {
        m_notifications += line;
        if (!m_notifyTimer->isActive())
            m_notifyTimer->start();
    }
}

void RemoteConnection::SendNotifications()
{
    m_notifyTimer->stop();
    if (m_notifications.isEmpty())
        return;
    m_socket->write(m_notifications);
    m_notifications.clear();
    m_socket->flush();
}

bool RemoteConnection::Paused() const
{
    return m_socket->bytesToWrite() > kOutputPause || m_pending >= kPendingPause;
}

void RemoteConnection::ReadLines()
{
    if (m_reading)
        return;
    m_reading = true;
    while (!m_closing && !Paused()) {
        const int end = m_input.indexOf('\n', m_lineStart);
        if (end >= 0) {
            const QByteArray line = m_input.mid(m_lineStart, end + 1 - m_lineStart);
            m_lineStart = end + 1;
            Handle(line);
            continue;
        }
        m_input.remove(0, m_lineStart);
        m_lineStart = 0;
        const qint64 limit = m_authorised ? kLineLimit : kHelloLineLimit;
        if (m_input.size() > limit) {
            Refuse(RpcInvalidRequest, QStringLiteral("line longer than %1 bytes").arg(limit));
            break;
        }
        // Never more than one byte past the longest line. Reading the
        // socket's buffer empty lets it take more from the system.
        const QByteArray more = m_socket->read(limit + 1 - m_input.size());
        if (more.isEmpty())
            break;
        m_input += more;
    }
    m_reading = false;
}

void RemoteConnection::Handle(const QByteArray &line)
{
    if (line.trimmed().isEmpty())
        return;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        Fail(QJsonValue::Null, RpcParseError, QStringLiteral("parse error: %1").arg(parseError.errorString()));
        return;
    }
    if (document.isArray()) {
        Fail(QJsonValue::Null, RpcInvalidRequest, QStringLiteral("batches are not supported: send one request per line"));
        return;
    }
    const QJsonObject request = document.object();
    const bool expectsReply = request.contains(QLatin1String("id"));
    const QJsonValue id = request.value(QLatin1String("id"));
    if (expectsReply && !id.isString() && !id.isDouble() && !id.isNull()) {
        Fail(QJsonValue::Null, RpcInvalidRequest, QStringLiteral("id must be a string, a number or null"));
        return;
    }
    const QJsonValue method = request.value(QLatin1String("method"));
    const QJsonValue params = request.value(QLatin1String("params"));
    if (request.value(QLatin1String("jsonrpc")) != QLatin1String("2.0") || !method.isString()
        || method.toString().isEmpty() || !(params.isUndefined() || params.isObject() || params.isArray())) {
        Fail(id, RpcInvalidRequest, QStringLiteral("not a JSON-RPC 2.0 request: needs \"jsonrpc\": \"2.0\", a method name "
                                                   "and parameters as an object"));
        return;
    }
    if (params.isArray()) {
        Fail(id, RpcInvalidParams, QStringLiteral("parameters must be given by name, as an object"));
        return;
    }
    if (method == QLatin1String("hello")) {
        const QJsonValue token = params.toObject().value(QLatin1String("token"));
        if (!token.isString() || !SameRemoteToken(m_token, token.toString().toUtf8())) {
            Fail(id, RemoteUnauthorized, QStringLiteral("wrong token: read it from the file remote.token"));
            return;
        }
        if (!m_authorised) {
            m_authorised = true;
            emit SigAuthorised();
        }
    } else if (!m_authorised) {
        Fail(id, RemoteUnauthorized, QStringLiteral("the first request must be hello with the token"));
        return;
    }
    ++m_pending;
    m_server->Dispatch(RemoteRequest(this, method.toString(), params.toObject(), id, expectsReply));
}

// Before hello every error closes the connection.
void RemoteConnection::Fail(const QJsonValue &id, int code, const QString &message)
{
    if (m_closing)
        return;
    QJsonObject answer = ErrorMember(code, message);
    answer.insert(QStringLiteral("id"), id);
    Send(answer);
    if (!m_authorised)
        Close();
}

void RemoteConnection::Send(QJsonObject message)
{
    message.insert(QStringLiteral("jsonrpc"), QStringLiteral("2.0"));
    // Notifications gathered so far go first: they tell of what happened
    // before. Handed to the system at once, as far as it takes it: left to
    // the socket's write notifier, every line cost more passes of the event loop.
    m_notifications += QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
    SendNotifications();
}

void RemoteConnection::Close()
{
    if (m_closing)
        return;
    m_closing = true;
    m_socket->disconnectFromHost();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        QTimer::singleShot(kCloseGraceMs, m_socket, &QTcpSocket::abort);
}
