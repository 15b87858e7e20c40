#ifndef REMOTEREQUEST_H
#define REMOTEREQUEST_H

#include "remote/RemoteError.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QSharedPointer>
#include <QStringList>

class RemoteConnection;

// One request of a script: its method, its parameters by name, and its
// answer. The typed getters throw RemoteError (invalid params) for a value
// that is missing, of another type or not finite; a parameter given as null
// counts as missing. Copies share one request, so a handler may keep a copy
// and answer later; only the first answer counts, and an answer for a client
// that has gone is dropped. A request whose last copy goes unanswered gets an
// internal error. Used on the server's thread only.
class RemoteRequest
{
public:
    QString Method() const;
    QJsonObject Params() const;
    // True when the parameter is given and not null.
    bool Has(const QString &name) const;

    QString GetString(const QString &name) const;
    QString GetString(const QString &name, const QString &fallback) const;
    double GetDouble(const QString &name) const;
    double GetDouble(const QString &name, double fallback) const;
    int GetInt(const QString &name) const;
    int GetInt(const QString &name, int fallback) const;
    bool GetBool(const QString &name) const;
    bool GetBool(const QString &name, bool fallback) const;
    // A string that is one of allowed.
    QString GetEnum(const QString &name, const QStringList &allowed) const;
    // An array of strings, each one of allowed.
    QStringList GetEnumList(const QString &name, const QStringList &allowed) const;
    QJsonObject GetObject(const QString &name) const;

    void Reply(const QJsonValue &result) const;
    void Fail(const RemoteError &error) const;
    void Fail(int code, const QString &message) const;
    bool IsAnswered() const;

    // The client's connection: state kept for the client can go with it
    // (as the context of a connection to its destroyed signal). Null once
    // the client has gone.
    QObject *Client() const;

private:
    friend class RemoteConnection;
    struct State;
    RemoteRequest(RemoteConnection *connection, const QString &method, const QJsonObject &params,
                  const QJsonValue &id, bool expectsReply);
    QJsonValue Value(const QString &name) const;
    void Answer(const QJsonObject &answer) const;

    QSharedPointer<State> d;
};

#endif
