#include "app/RemoteMethods.h"

#include "remote/RemoteServer.h"

#include <QCoreApplication>
#include <QJsonObject>

namespace {
// Raised when a method changes incompatibly.
constexpr int kProtocolVersion = 1;
}

void RegisterAppMethods(RemoteServer &server, QObject *owner)
{
    // The server has checked the token before the handler runs.
    server.RegisterMethod(QStringLiteral("hello"), {QStringLiteral("token")}, owner, [](const RemoteRequest &) {
        return QJsonObject{{QStringLiteral("program"), QStringLiteral("ActuatorControl")},
                           {QStringLiteral("version"), QCoreApplication::applicationVersion()},
                           {QStringLiteral("protocol"), kProtocolVersion}};
    });
}
