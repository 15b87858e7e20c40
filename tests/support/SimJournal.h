// The simulated library as tests read it: its journal of calls and the
// workers still holding devices. Needs no widgets. Header only; this folder
// is not a suite.
#ifndef SIMJOURNAL_H
#define SIMJOURNAL_H

#include "device/DeviceOwners.h"
#include "sim/ActuatorSimControl.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QtTest>

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

// A journal entry with H standing for the handle: Call("move(H)", 3) is "move(3)".
inline QString Call(const char *pattern, int handle)
{
    return QString::fromLatin1(pattern).replace(QLatin1Char('H'), QString::number(handle));
}

// Waits until an entry at index from or later starts with prefix; its index, or -1.
inline int WaitForCall(const QString &prefix, int from = 0, int timeoutMs = 5000)
{
    int found = -1;
    const bool seen = QTest::qWaitFor([&] {
        const QStringList entries = Journal(from);
        for (int i = 0; i < entries.size() && found < 0; ++i) {
            if (entries.at(i).startsWith(prefix))
                found = from + i;
        }
        return found >= 0;
    }, timeoutMs);
    return seen ? found : -1;
}

// A worker's last library call is the close of its device, after which it
// releases it and ends its thread. True once no worker holds any of the
// handles; the threads, deleted through the event loop, are given a moment.
inline bool WaitForWorkers(const QList<int> &handles, int timeoutMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    for (int h : handles) {
        while (DeviceOwners::OwnerOf(h) != DeviceOwners::NoOwner) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QTest::qWait(10);
        }
    }
    QTest::qWait(100);
    return true;
}

} // namespace simjournal

#endif
