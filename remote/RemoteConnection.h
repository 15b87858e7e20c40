#ifndef REMOTECONNECTION_H
#define REMOTECONNECTION_H

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QSet>

class QTcpSocket;
class QTimer;
class RemoteServer;

// One client of the remote interface (used by RemoteServer only): reads its
// requests line by line, admits nothing but hello with the token first, and
// writes the answers and notifications. Memory stays bounded whatever the
// client does: a line may hold at most 1 MiB, and the socket is not read
// while answers pile up unread or many requests wait for their answer.
class RemoteConnection : public QObject
{
    Q_OBJECT

public:
    RemoteConnection(QTcpSocket *socket, RemoteServer *server, const QByteArray &token);

    bool IsAuthorised() const { return m_authorised; }
    // Refuses the client with the error and closes the connection.
    void Refuse(int code, const QString &message);
    // Closes at once, dropping what was not sent yet.
    void Abort();

    // Called by RemoteRequest with its first answer ({"result": ...} or
    // {"error": ...}); sent when the request has an id.
    void Answer(const QJsonValue &id, bool reply, const QJsonObject &answer);
    static QJsonObject ErrorMember(int code, const QString &message);

    void Subscribe(const QStringList &events, const QString &device);
    bool IsSubscribed(const QString &event, const QString &device) const;
    bool IsSubscribedToAny(const QString &event) const;
    // A notification line; dropped while the client reads too little. Sent
    // with the others of up to kNotifyGatherMs, or before the next answer.
    void Notify(const QByteArray &line);
    static constexpr int kNotifyGatherMs = 50;

signals:
    void SigAuthorised();
    void SigClosed();

private slots:
    void ReadLines();

private:
    void Handle(const QByteArray &line);
    void Fail(const QJsonValue &id, int code, const QString &message);
    void Send(QJsonObject message);
    void SendNotifications();
    bool Paused() const;
    void Close();

    QTcpSocket *m_socket;
    RemoteServer *m_server;
    QByteArray m_token;
    bool m_authorised = false;
    bool m_closing = false;
    bool m_reading = false;
    // Received bytes not handled yet; the next line starts at m_lineStart.
    QByteArray m_input;
    int m_lineStart = 0;
    int m_pending = 0;
    // "event\ndevice"; an empty device stands for every device.
    QSet<QString> m_subscriptions;
    // Notifications gathered, sent together: each write to a loopback socket
    // costs the system about as much as the client's reading of it.
    QByteArray m_notifications;
    QTimer *m_notifyTimer;
};

#endif
