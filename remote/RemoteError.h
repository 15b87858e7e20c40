#ifndef REMOTEERROR_H
#define REMOTEERROR_H

#include <QString>

// Error codes of the remote interface, a contract with the scripts: JSON-RPC
// 2.0's own codes, then the program's refusals from -32000 down.
enum RemoteErrorCode
{
    RpcParseError = -32700,      // the line is not a JSON object or array
    RpcInvalidRequest = -32600,  // not a JSON-RPC 2.0 request; a batch; a line over 1 MiB
    RpcMethodNotFound = -32601,
    RpcInvalidParams = -32602,   // a parameter missing, unknown, mistyped or not finite
    RpcInternalError = -32603,   // the program let the request go without an answer
    RemoteUnauthorized = -32000, // the first request was not hello with the right token
    RemoteUnknownDevice = -32001,
    RemoteOutOfRange = -32002,   // a value outside the range its popup accepts
    RemoteBusy = -32003,         // held by the console, still opening or closing; too many clients
    RemotePanelClosed = -32004,  // the device has no panel, or its panel closed meanwhile
    RemoteTimeout = -32005,
    RemoteDeviceLost = -32006,
    RemoteOpenFailed = -32007,   // the device could not be opened
    RemoteCommandFailed = -32008, // the device refused the command
};

// A refused request: its code and a message the operator understands. The
// typed getters of RemoteRequest throw it; a handler may throw it too.
class RemoteError
{
public:
    RemoteError(int code, const QString &message)
        : m_code(code)
        , m_message(message)
    {
    }

    int Code() const { return m_code; }
    QString Message() const { return m_message; }

private:
    int m_code;
    QString m_message;
};

#endif
