// A script's end of one connection to the script interface, over TCP on the
// loopback interface. Header only; this folder is not a suite.
#ifndef REMOTECLIENT_H
#define REMOTECLIENT_H

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QtTest>

namespace remoteclient {

struct Client
{
    QTcpSocket socket;

    explicit Client(quint16 port, QHostAddress::SpecialAddress host = QHostAddress::LocalHost)
    {
        socket.connectToHost(QHostAddress(host), port);
        socket.waitForConnected(5000);
    }
    void Call(const QJsonValue &id, const QString &method, const QJsonObject &params = {})
    {
        const QJsonObject request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
        socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    }
    // The next message; empty when none comes in time or the connection closed.
    QJsonObject Next(int timeoutMs = 5000)
    {
        (void)QTest::qWaitFor([this] { return socket.canReadLine() || socket.state() == QAbstractSocket::UnconnectedState; },
                        timeoutMs);
        return socket.canReadLine() ? QJsonDocument::fromJson(socket.readLine()).object() : QJsonObject();
    }
    // The answer to id, skipping notifications and other answers.
    QJsonObject Answer(const QJsonValue &id, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (QJsonObject message = Next(timeoutMs); !message.isEmpty(); message = Next(int(deadline.remainingTime()))) {
            if (message.value("id") == id)
                return message;
        }
        return {};
    }
    bool Closed()
    {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    }
};

inline int Code(const QJsonObject &reply)
{
    return reply.value("error").toObject().value("code").toInt();
}

} // namespace remoteclient

#endif
