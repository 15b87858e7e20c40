#include "remote/RemoteToken.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

namespace {

constexpr int kMinHexDigits = 32;
constexpr int kNewTokenBytes = 32;

bool IsToken(const QByteArray &text)
{
    if (text.size() < kMinHexDigits || text.size() > 1024)
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

bool OthersMayAccess(const QString &path)
{
#ifdef Q_OS_UNIX
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                            | QFileDevice::ReadOther | QFileDevice::WriteOther;
    return QFileInfo(path).permissions() & others;
#else
    Q_UNUSED(path)
    return false;
#endif
}

} // namespace

QByteArray LoadOrCreateRemoteToken(const QString &path, QString *error)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        const QByteArray token = existing.read(1025).trimmed();
        if (IsToken(token) && !OthersMayAccess(path))
            return token;
    }

    quint32 words[kNewTokenBytes / 4];
    QRandomGenerator::system()->fillRange(words);
    const QByteArray token = QByteArray(reinterpret_cast<const char *>(words), kNewTokenBytes).toHex();
    QSaveFile file(path);
    // The new file is closed to others before the token goes in.
    if (!file.open(QIODevice::WriteOnly)
        || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(token + '\n') != token.size() + 1 || !file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return QByteArray();
    }
    return token;
}

bool SameRemoteToken(const QByteArray &expected, const QByteArray &given)
{
    unsigned difference = unsigned(expected.size() ^ given.size());
    for (int i = 0; i < expected.size(); ++i)
        difference |= uchar(expected.at(i)) ^ uchar(i < given.size() ? given.at(i) : 0);
    return difference == 0 && !expected.isEmpty();
}
