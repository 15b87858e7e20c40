// Reading the simulated library's journal of calls. Header only; this folder
// is not a suite.
#ifndef SIMJOURNAL_H
#define SIMJOURNAL_H

#include "sim/ActuatorSimControl.h"

#include <QStringList>

namespace simjournal {

// The journal's entries from index from on, in call order.
inline QStringList Journal(int from = 0)
{
    QStringList entries;
    const int size = simJournalSize();
    for (int i = from; i < size; ++i) {
        char buffer[512] = {};
        if (simJournalEntry(i, buffer, int(sizeof(buffer))) >= 0)
            entries << QString::fromUtf8(buffer);
    }
    return entries;
}

// The entries whose call names start with one of the prefixes, in call order.
inline QStringList Calls(const QStringList &prefixes)
{
    QStringList calls;
    for (const QString &call : Journal()) {
        for (const QString &prefix : prefixes) {
            if (call.startsWith(prefix)) {
                calls << call;
                break;
            }
        }
    }
    return calls;
}

} // namespace simjournal

#endif
