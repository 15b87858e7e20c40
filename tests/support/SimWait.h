// Waiting for the panels' workers to be done with the library. Header only;
// this folder is not a suite.
#ifndef SIMWAIT_H
#define SIMWAIT_H

#include "device/DeviceOwners.h"

#include <QElapsedTimer>
#include <QList>
#include <QtTest>

namespace simwait {

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

} // namespace simwait

#endif
