#ifndef DEVICESCANNER_H
#define DEVICESCANNER_H

#include "device/DevInfo.h"

#include <QList>
#include <QObject>
#include <QSemaphore>
#include <QSet>

#include <atomic>

// The add-device dialog's library calls, made on a thread of their own so
// that the interface never waits for a device: the scan with the probe of
// each new device, and the opens of the devices the operator picked. The
// requests run one at a time, in the order asked.
class DeviceScanner : public QObject
{
    Q_OBJECT

public:
    // Handles asked of scanDev: the devices the dialog can offer.
    static constexpr int kMaxDevs = 6;

    explicit DeviceScanner(QObject *parent = nullptr);

    // Callable from any thread. From now on no probe or open begins; a probe
    // under way still closes its device. Close and Finish still run.
    void StopWork();
    // After StopWork: true once no call of this scanner is inside the library
    // (at most timeoutMs of waiting).
    bool WaitWorkStopped(int timeoutMs);

public slots:
    // scanDev, then openDev, readDriverSerial and closeDev for each reported
    // device that is not listed and that nobody holds; the device is held as
    // DeviceOwners::ScanOwner meanwhile.
    void Scan(const QList<DevHandle> &listed);
    // openDev for each device; the caller holds each as ScanOwner.
    void Open(const QList<DevHandle> &handles);
    // Closes those of the devices that Open opened, then gives back the
    // ScanOwner hold of each.
    void Close(const QList<DevHandle> &handles);
    // Ends the thread; the last request.
    void Finish();

signals:
    // status: the result of scanDev (negative when it failed); reported: the
    // handles it gave; found: the probed devices whose serial could be read.
    void SigScanned(int status, const QList<DevHandle> &reported, const QList<DevInfo> &found);
    void SigOpened(const QList<DevHandle> &opened, const QList<DevHandle> &failed);

private slots:
    void ConfirmWorkStopped();

private:
    bool Probe(DevHandle handle, QString *serial);

    std::atomic<bool> m_stopping{false};
    QSemaphore m_workStopped;
    // Devices that the latest Open of each opened (this thread only).
    QSet<DevHandle> m_opened;
};

#endif
