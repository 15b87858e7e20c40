#include "remote/RemoteRequest.h"

#include "remote/RemoteConnection.h"

#include <QJsonArray>
#include <QPointer>

#include <climits>
#include <cmath>

struct RemoteRequest::State
{
    QPointer<RemoteConnection> connection;
    QString method;
    QJsonObject params;
    QJsonValue id;
    bool expectsReply = false;
    bool answered = false;

    ~State()
    {
        if (!answered && connection)
            connection->Answer(id, expectsReply,
                               RemoteConnection::ErrorMember(RpcInternalError,
                                                             QStringLiteral("the program dropped the request unanswered")));
    }
};

namespace {

RemoteError Mistyped(const QString &name, const char *what)
{
    return RemoteError(RpcInvalidParams, QStringLiteral("parameter '%1' must be %2").arg(name, QLatin1String(what)));
}

} // namespace

RemoteRequest::RemoteRequest(RemoteConnection *connection, const QString &method, const QJsonObject &params,
                             const QJsonValue &id, bool expectsReply)
    : d(new State)
{
    d->connection = connection;
    d->method = method;
    d->params = params;
    d->id = id;
    d->expectsReply = expectsReply;
}

QString RemoteRequest::Method() const
{
    return d->method;
}

QJsonObject RemoteRequest::Params() const
{
    return d->params;
}

bool RemoteRequest::Has(const QString &name) const
{
    const QJsonValue value = d->params.value(name);
    return !value.isUndefined() && !value.isNull();
}

QJsonValue RemoteRequest::Value(const QString &name) const
{
    if (!Has(name))
        throw RemoteError(RpcInvalidParams, QStringLiteral("missing parameter '%1'").arg(name));
    return d->params.value(name);
}

QString RemoteRequest::GetString(const QString &name) const
{
    const QJsonValue value = Value(name);
    if (!value.isString())
        throw Mistyped(name, "a string");
    return value.toString();
}

QString RemoteRequest::GetString(const QString &name, const QString &fallback) const
{
    return Has(name) ? GetString(name) : fallback;
}

double RemoteRequest::GetDouble(const QString &name) const
{
    const QJsonValue value = Value(name);
    if (!value.isDouble())
        throw Mistyped(name, "a number");
    const double number = value.toDouble();
    if (!std::isfinite(number))
        throw Mistyped(name, "a finite number");
    return number;
}

double RemoteRequest::GetDouble(const QString &name, double fallback) const
{
    return Has(name) ? GetDouble(name) : fallback;
}

int RemoteRequest::GetInt(const QString &name) const
{
    const double number = GetDouble(name);
    if (number != std::trunc(number) || number < INT_MIN || number > INT_MAX)
        throw Mistyped(name, "an integer");
    return int(number);
}

int RemoteRequest::GetInt(const QString &name, int fallback) const
{
    return Has(name) ? GetInt(name) : fallback;
}

bool RemoteRequest::GetBool(const QString &name) const
{
    const QJsonValue value = Value(name);
    if (!value.isBool())
        throw Mistyped(name, "true or false");
    return value.toBool();
}

bool RemoteRequest::GetBool(const QString &name, bool fallback) const
{
    return Has(name) ? GetBool(name) : fallback;
}

QString RemoteRequest::GetEnum(const QString &name, const QStringList &allowed) const
{
    const QJsonValue value = Value(name);
    if (!value.isString() || !allowed.contains(value.toString()))
        throw RemoteError(RpcInvalidParams,
                          QStringLiteral("parameter '%1' must be one of: %2").arg(name, allowed.join(QStringLiteral(", "))));
    return value.toString();
}

QStringList RemoteRequest::GetEnumList(const QString &name, const QStringList &allowed) const
{
    const QJsonValue value = Value(name);
    QStringList items;
    for (const QJsonValue &item : value.toArray()) {
        if (!item.isString() || !allowed.contains(item.toString()))
            break;
        items << item.toString();
    }
    if (!value.isArray() || items.size() != value.toArray().size())
        throw RemoteError(RpcInvalidParams, QStringLiteral("parameter '%1' must be a list of: %2")
                                                    .arg(name, allowed.join(QStringLiteral(", "))));
    return items;
}

QJsonObject RemoteRequest::GetObject(const QString &name) const
{
    const QJsonValue value = Value(name);
    if (!value.isObject())
        throw Mistyped(name, "an object");
    return value.toObject();
}

void RemoteRequest::Reply(const QJsonValue &result) const
{
    Answer(QJsonObject{{QStringLiteral("result"), result}});
}

void RemoteRequest::Fail(const RemoteError &error) const
{
    Answer(RemoteConnection::ErrorMember(error.Code(), error.Message()));
}

void RemoteRequest::Fail(int code, const QString &message) const
{
    Fail(RemoteError(code, message));
}

bool RemoteRequest::IsAnswered() const
{
    return d->answered;
}

QObject *RemoteRequest::Client() const
{
    return d->connection.data();
}

void RemoteRequest::Answer(const QJsonObject &answer) const
{
    if (d->answered)
        return;
    d->answered = true;
    if (d->connection)
        d->connection->Answer(d->id, d->expectsReply, answer);
}
