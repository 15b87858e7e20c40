#ifndef REMOTETOKEN_H
#define REMOTETOKEN_H

#include <QByteArray>
#include <QString>

// The token a script shows in hello, kept in a file it can read. A file that
// is missing, holds no token of at least 128 bits in hex, or (on Unix) can be
// read or written by others gets a new one: 256 bits from the system's random
// source in hex, written atomically, readable and writable by its owner only.
// Empty, with *error set, when the file cannot be written.
QByteArray LoadOrCreateRemoteToken(const QString &path, QString *error);

// Compares in time that does not depend on where the two differ.
bool SameRemoteToken(const QByteArray &expected, const QByteArray &given);

#endif
