// The script interface's server through real TCP connections on the loopback
// interface: the hello gate and the token file, JSON-RPC errors, the line
// limit, a client that reads nothing, many clients, asynchronous answers and
// notifications. The methods are the test's own.
#include "remote/RemoteServer.h"
#include "tests/support/RemoteClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <ctime>
#include <memory>

using namespace remoteclient;

class TestRemote : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<RemoteServer> m_server;
    QByteArray m_token;
    int m_echoes = 0;
    int m_answeredGone = 0; // asynchronous answers given after their client went

    QString TokenFile() const { return m_dir.filePath("remote.token"); }
    quint16 Port() const { return m_server->Status().port; }
    QByteArray ReadToken() const
    {
        QFile file(TokenFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    }
    std::unique_ptr<Client> Hello()
    {
        std::unique_ptr<Client> client(new Client(Port()));
        client->Call(0, "hello", {{"token", QString::fromLatin1(m_token)}});
        if (!client->Next().contains("result"))
            qWarning("hello refused");
        return client;
    }

private slots:
    void init()
    {
        m_server.reset(new RemoteServer);
        m_echoes = m_answeredGone = 0;
        m_server->RegisterMethod("hello", {"token"}, nullptr, [](const RemoteRequest &) { return QJsonObject{{"protocol", 1}}; });
        m_server->RegisterMethod("echo", {"text", "x", "n", "flag", "dir", "obj", "list"}, nullptr, [this](const RemoteRequest &r) {
            ++m_echoes;
            QJsonObject out;
            if (r.Has("text")) out["text"] = r.GetString("text");
            if (r.Has("x")) out["x"] = r.GetDouble("x");
            if (r.Has("n")) out["n"] = r.GetInt("n");
            if (r.Has("flag")) out["flag"] = r.GetBool("flag");
            if (r.Has("dir")) out["dir"] = r.GetEnum("dir", {"left", "right"});
            if (r.Has("obj")) out["obj"] = r.GetObject("obj");
            if (r.Has("list")) out["list"] = QJsonArray::fromStringList(r.GetEnumList("list", {"a", "b"}));
            return out;
        });
        m_server->RegisterMethod("refuse", {"device"}, nullptr, [](const RemoteRequest &r) -> QJsonValue {
            throw RemoteError(RemoteUnknownDevice, "no device " + r.GetString("device"));
        });
        m_server->RegisterAsyncMethod("hold", {"ms"}, nullptr, [this](const RemoteRequest &r) {
            QTimer::singleShot(r.GetInt("ms"), m_server.get(), [this, r] {
                m_answeredGone += r.Client() ? 0 : 1;
                r.Reply(r.GetInt("ms"));
            });
        });
        m_server->RegisterAsyncMethod("drop", {}, nullptr, [](const RemoteRequest &) {});
        m_server->RegisterMethod("sub", {"events", "device"}, nullptr, [this](const RemoteRequest &r) {
            m_server->Subscribe(r, r.GetEnumList("events", {"position", "log"}), r.GetString("device", QString()));
            return true;
        });
        m_server->Start(0, TokenFile());
        QCOMPARE(m_server->Status().state, RemoteStatus::Listening);
        m_token = ReadToken();
    }
    void cleanup() { m_server.reset(); }

    // Nothing but hello with the token gets in: any other first line, a
    // wrong token or an HTTP request is answered with an error and the
    // connection closed, before any method runs.
    void gate_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<int>("code");
        const QByteArray hello = R"({"jsonrpc":"2.0","id":1,"method":"hello","params":{"token":"TOKEN"}})" "\n";
        const QByteArray echo = R"({"jsonrpc":"2.0","id":2,"method":"echo"})" "\n";
        QTest::newRow("hello with the token") << hello << 0;
        QTest::newRow("request before hello") << echo << int(RemoteUnauthorized);
        QTest::newRow("wrong token") << QByteArray(hello).replace("TOKEN", QByteArray(64, 'a')) << int(RemoteUnauthorized);
        QTest::newRow("part of the token") << QByteArray(hello).replace("TOKEN", "PART") << int(RemoteUnauthorized);
        QTest::newRow("token not a string") << QByteArray(hello).replace("\"TOKEN\"", "5") << int(RemoteUnauthorized);
        QTest::newRow("batch") << "[" + hello.trimmed() + "]\n" << int(RpcInvalidRequest);
        QTest::newRow("HTTP POST") << "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n\r\n" + hello + echo
                                   << int(RpcParseError);
        QTest::newRow("long line") << QByteArray(5000, ' ') << int(RpcInvalidRequest);
    }
    void gate()
    {
        QFETCH(QByteArray, first);
        QFETCH(int, code);
        Client client(Port());
        client.socket.write(first.replace("TOKEN", m_token).replace("PART", m_token.left(16)));
        const QJsonObject reply = client.Next();
        QCOMPARE(Code(reply), code);
        QVERIFY(code ? client.Closed() : client.socket.state() == QAbstractSocket::ConnectedState);
        QCOMPARE(m_echoes, 0);
        QCOMPARE(m_server->Status().clients, code ? 0 : 1);
    }

    // After hello a faulty request gets its error, to its id where it has a
    // valid one, and the connection stays open.
    void errors_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code"); // 1: no answer (a notification)
        QTest::addColumn<bool>("toId");
        const auto echo = [](const char *params) {
            return QByteArray(R"({"jsonrpc":"2.0","id":7,"method":"echo","params":{)") + params + "}}";
        };
        QTest::newRow("all types") << echo(R"("text":"a","x":-1.5,"n":3,"flag":true,"dir":"left","obj":{},"list":["b"])") << 0 << true;
        QTest::newRow("malformed") << QByteArray(R"({"jsonrpc":"2.0","id":7,)") << int(RpcParseError) << false;
        QTest::newRow("not an object") << QByteArray("42") << int(RpcParseError) << false;
        QTest::newRow("invalid UTF-8") << echo("\"text\":\"\xff\"") << int(RpcParseError) << false;
        QTest::newRow("NaN") << echo(R"("x":NaN)") << int(RpcParseError) << false;
        QTest::newRow("beyond double") << echo(R"("x":1e999)") << int(RpcParseError) << false;
        QTest::newRow("batch") << "[" + echo("") + "]" << int(RpcInvalidRequest) << false;
        QTest::newRow("empty batch") << QByteArray("[]") << int(RpcInvalidRequest) << false;
        QTest::newRow("id an object") << QByteArray(R"({"jsonrpc":"2.0","id":{},"method":"echo"})") << int(RpcInvalidRequest) << false;
        QTest::newRow("no version") << QByteArray(R"({"id":7,"method":"echo"})") << int(RpcInvalidRequest) << true;
        QTest::newRow("method a number") << QByteArray(R"({"jsonrpc":"2.0","id":7,"method":1})") << int(RpcInvalidRequest) << true;
        QTest::newRow("params a list") << QByteArray(R"({"jsonrpc":"2.0","id":7,"method":"echo","params":[1]})") << int(RpcInvalidParams) << true;
        QTest::newRow("unknown method") << QByteArray(R"({"jsonrpc":"2.0","id":7,"method":"move"})") << int(RpcMethodNotFound) << true;
        QTest::newRow("unknown parameter") << echo(R"("target":1)") << int(RpcInvalidParams) << true;
        QTest::newRow("missing parameter") << QByteArray(R"({"jsonrpc":"2.0","id":7,"method":"refuse"})") << int(RpcInvalidParams) << true;
        QTest::newRow("string for number") << echo(R"("x":"1")") << int(RpcInvalidParams) << true;
        QTest::newRow("fraction for integer") << echo(R"("n":2.5)") << int(RpcInvalidParams) << true;
        QTest::newRow("integer beyond int") << echo(R"("n":1e10)") << int(RpcInvalidParams) << true;
        QTest::newRow("number for bool") << echo(R"("flag":1)") << int(RpcInvalidParams) << true;
        QTest::newRow("unknown choice") << echo(R"("dir":"up")") << int(RpcInvalidParams) << true;
        QTest::newRow("unknown list item") << echo(R"("list":["a","c"])") << int(RpcInvalidParams) << true;
        QTest::newRow("refused") << QByteArray(R"({"jsonrpc":"2.0","id":7,"method":"refuse","params":{"device":"X"}})")
                                 << int(RemoteUnknownDevice) << true;
        QTest::newRow("left unanswered") << QByteArray(R"({"jsonrpc":"2.0","id":7,"method":"drop"})") << int(RpcInternalError) << true;
        QTest::newRow("notification") << QByteArray(R"({"jsonrpc":"2.0","method":"nothing"})") << 1 << false;
    }
    void errors()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, code);
        QFETCH(bool, toId);
        std::unique_ptr<Client> client = Hello();
        client->socket.write(line + '\n');
        if (code != 1) {
            const QJsonObject reply = client->Next();
            QCOMPARE(Code(reply), code);
            QCOMPARE(reply.value("id"), toId ? QJsonValue(7) : QJsonValue(QJsonValue::Null));
            QVERIFY(code || reply.value("result") == QJsonDocument::fromJson(line).object().value("params"));
        }
        client->Call(8, "echo", {{"text", "open"}});
        QCOMPARE(client->Next().value("result").toObject().value("text"), QJsonValue("open"));
    }

    // A line of 1 MiB is read; one byte more closes the connection.
    void lineLimit()
    {
        std::unique_ptr<Client> client = Hello();
        QByteArray line = R"({"jsonrpc":"2.0","id":1,"method":"echo")";
        line += QByteArray(1024 * 1024 - line.size() - 1, ' ') + "}";
        client->socket.write(line + '\n');
        QCOMPARE(client->Next().value("id"), QJsonValue(1));
        client->socket.write(line + ' ' + QByteArray(1024 * 1024, ' '));
        QCOMPARE(Code(client->Next()), int(RpcInvalidRequest));
        QVERIFY(client->Closed());
    }

    // A client that sends 10,000 requests and reads no answer: the server
    // stops reading it while answers wait, holding little; reading, it gets
    // every answer in order.
    void clientReadsNothing()
    {
        std::unique_ptr<Client> client = Hello();
        client->socket.setReadBufferSize(1);
        const QString text(1000, 'x');
        for (int id = 1; id <= 10000; ++id)
            client->Call(id, "echo", {{"text", text}});
        for (int seen = -1; seen != m_echoes;) {
            seen = m_echoes;
            QTest::qWait(500);
        }
        QVERIFY2(m_echoes < 10000, qPrintable(QString::number(m_echoes)));
        for (QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
            QVERIFY(socket->bytesToWrite() < 128 * 1024 && socket->bytesAvailable() <= 1024 * 1024 + 1);
        client->socket.setReadBufferSize(0);
        int expected = 1;
        while (expected <= 10000 && client->Next().value("id") == QJsonValue(expected))
            ++expected;
        QCOMPARE(expected, 10001);
    }

    // 50 clients with an answer pending each are all served and counted; the
    // connection beyond the limit is refused as busy.
    void manyClients()
    {
        QList<std::shared_ptr<Client>> clients;
        for (int i = 0; i < 50; ++i) {
            clients << Hello();
            clients.last()->Call(i, "hold", {{"ms", 200}});
        }
        QCOMPARE(m_server->Status().clients, 50);
        for (const auto &client : qAsConst(clients))
            QVERIFY(client->Next().contains("result"));
        while (clients.size() < RemoteServer::kMaxClients)
            clients << std::make_shared<Client>(Port());
        Client extra(Port());
        QCOMPARE(Code(extra.Next()), int(RemoteBusy));
        clients.clear();
        QTRY_COMPARE(m_server->Status().clients, 0);
    }

    // A slow answer holds up nobody: the client's later request is answered
    // first. A client that leaves before its answer only loses the answer.
    void asynchronousAnswers()
    {
        std::unique_ptr<Client> client = Hello();
        client->Call(1, "hold", {{"ms", 300}});
        client->Call(2, "echo");
        QCOMPARE(client->Next().value("id"), QJsonValue(2));
        QCOMPARE(client->Next().value("id"), QJsonValue(1));
        client->Call(3, "hold", {{"ms", 200}});
        QTest::qWait(50);
        client.reset();
        QTRY_COMPARE(m_answeredGone, 1);
        QCOMPARE(m_server->Status().clients, 0);
    }

    // Notifications reach only the clients subscribed to their event (and
    // device), with the device and the time of reading to the millisecond.
    void notifications()
    {
        std::unique_ptr<Client> position = Hello(), log = Hello(), none = Hello();
        position->Call(1, "sub", {{"events", QJsonArray{"position"}}, {"device", "A"}});
        log->Call(1, "sub", {{"events", QJsonArray{"log"}}});
        QVERIFY(position->Next().contains("result") && log->Next().contains("result"));
        QVERIFY(m_server->HasSubscribers("position") && !m_server->HasSubscribers("status"));
        const qint64 read = QDateTime::fromString("2024-05-17T10:20:30.456Z", Qt::ISODateWithMs).toMSecsSinceEpoch();
        m_server->Publish("position", "B", read, {{"position_mm", 2.0}});
        m_server->Publish("position", "A", read, {{"position_mm", 1.5}});
        m_server->Publish("log", "B", read, {{"text", "x"}});
        const QJsonObject expected{{"position_mm", 1.5}, {"device", "A"}, {"time", RemoteServer::TimeText(read)}};
        QCOMPARE(position->Next().value("params").toObject(), expected);
        QCOMPARE(log->Next().value("params").toObject().value("device"), QJsonValue("B"));
        for (Client *client : {position.get(), log.get(), none.get()}) {
            client->Call(9, "echo");
            QCOMPARE(client->Next().value("id"), QJsonValue(9));
        }
    }

    // Times are local with their offset, also on either side of a change of
    // the offset within one minute of the last time given.
    void timeTexts()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const qint64 change = QDateTime::fromString("2024-03-31T01:00:00Z", Qt::ISODate).toMSecsSinceEpoch();
        const QString before = RemoteServer::TimeText(change - 1), after = RemoteServer::TimeText(change);
        const QString autumn = RemoteServer::TimeText(change + qint64(210) * 86400000);
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
        QCOMPARE(before, QStringLiteral("2024-03-31T01:59:59.999+01:00"));
        QCOMPARE(after, QStringLiteral("2024-03-31T03:00:00.000+02:00"));
        QCOMPARE(autumn, QStringLiteral("2024-10-27T02:00:00.000+01:00"));
    }

    // Only the loopback addresses listen. A port another program holds is
    // reported and not served; once free it is taken.
    void listening()
    {
        const QList<QTcpServer *> listeners = m_server->findChildren<QTcpServer *>();
        QVERIFY(!listeners.isEmpty());
        for (QTcpServer *listener : listeners)
            QVERIFY(listener->serverAddress().isLoopback());
        if (listeners.size() == 2) {
            Client client(Port(), QHostAddress::LocalHostIPv6);
            client.Call(1, "hello", {{"token", QString::fromLatin1(m_token)}});
            QVERIFY(client.Next().contains("result"));
        }
        const quint16 port = Port();
        m_server->Stop();
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, port));
        QSignalSpy status(m_server.get(), &RemoteServer::SigStatusChanged);
        m_server->Start(port, TokenFile());
        QCOMPARE(status.size(), 1);
        QCOMPARE(m_server->Status().state, RemoteStatus::PortTaken);
        QVERIFY(m_server->findChildren<QTcpServer *>().isEmpty());
        other.close();
        m_server->Start(port, TokenFile());
        QCOMPARE(m_server->Status().state, RemoteStatus::Listening);
    }

    // The token file: 256 bits in hex, for its owner only, kept across
    // starts; replaced when it holds no token or others may read it; a
    // token that cannot be written keeps the interface off.
    void tokenFile()
    {
        QFile file(TokenFile());
        const auto ownerOnly = [&] { return file.permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser); };
        QVERIFY(QRegularExpression("^[0-9a-f]{64}$").match(QString::fromLatin1(m_token)).hasMatch());
        QVERIFY(ownerOnly());
        m_server->Start(0, TokenFile());
        QCOMPARE(ReadToken(), m_token);
        QVERIFY(file.setPermissions(file.permissions() | QFile::ReadOther));
        m_server->Start(0, TokenFile());
        QVERIFY(ReadToken() != m_token && ownerOnly());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("abc") == 3);
        file.close();
        m_server->Start(0, TokenFile());
        QCOMPARE(ReadToken().size(), 64);
        m_server->Start(0, m_dir.filePath("missing/remote.token"));
        QCOMPARE(m_server->Status().state, RemoteStatus::TokenFailed);
        QVERIFY(m_server->findChildren<QTcpServer *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRemote)
#include "tst_remote.moc"
