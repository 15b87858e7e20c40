#include "discovery/DeviceScanner.h"

#include "device/ActuatorLibrary.h"
#include "device/DeviceOwners.h"
#include "device/LibraryText.h"

#include <QCoreApplication>
#include <QThread>

DeviceScanner::DeviceScanner(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<QList<DevHandle>>("QList<DevHandle>");
    qRegisterMetaType<QList<DevInfo>>("QList<DevInfo>");
}

void DeviceScanner::StopWork()
{
    m_stopping.store(true);
    QMetaObject::invokeMethod(this, "ConfirmWorkStopped", Qt::QueuedConnection);
}

bool DeviceScanner::WaitWorkStopped(int timeoutMs)
{
    if (!m_workStopped.tryAcquire(1, timeoutMs))
        return false;
    m_workStopped.release();
    return true;
}

// Runs after every request queued before StopWork has returned.
void DeviceScanner::ConfirmWorkStopped()
{
    m_workStopped.release();
}

void DeviceScanner::Scan(const QList<DevHandle> &listed)
{
    if (m_stopping.load())
        return;
    DevHandle handles[kMaxDevs] = {};
    const int status = scanDev(handles, kMaxDevs);
    QList<DevHandle> reported;
    QList<DevInfo> found;
    // More than the capacity would mean slots that were never written.
    for (int k = 0; k < qMin(status, kMaxDevs); ++k) {
        const DevHandle handle = handles[k];
        if (handle == 0)
            continue;
        reported << handle;
        // A device in the console's hands or still held by a closing panel's
        // worker is not probed; the dialog tells or lists it later.
        if (listed.contains(handle) || m_stopping.load()
            || !DeviceOwners::Acquire(handle, DeviceOwners::ScanOwner))
            continue;
        QString serial;
        const bool read = Probe(handle, &serial);
        DeviceOwners::Release(handle, DeviceOwners::ScanOwner);
        if (read)
            found.append({serial, handle, false});
    }
    emit SigScanned(status, reported, found);
}

bool DeviceScanner::Probe(DevHandle handle, QString *serial)
{
    if (openDev(handle) < 0)
        return false;
    char buffer[kLibraryTextSize] = {};
    const int status = readDriverSerial(handle, buffer, kLibraryTextSize);
    // Closed again even when the serial could not be read, so that no probe
    // leaves a device open.
    closeDev(handle);
    if (status < 0)
        return false;
    *serial = TextFromBuffer(buffer, kLibraryTextSize);
    return true;
}

void DeviceScanner::Open(const QList<DevHandle> &handles)
{
    QList<DevHandle> opened;
    QList<DevHandle> failed;
    for (DevHandle handle : handles) {
        m_opened.remove(handle);
        if (!m_stopping.load() && openDev(handle) >= 0) {
            m_opened.insert(handle);
            opened << handle;
        } else {
            failed << handle;
        }
    }
    emit SigOpened(opened, failed);
}

void DeviceScanner::Close(const QList<DevHandle> &handles)
{
    for (DevHandle handle : handles) {
        if (m_opened.remove(handle))
            closeDev(handle);
        DeviceOwners::Release(handle, DeviceOwners::ScanOwner);
    }
}

void DeviceScanner::Finish()
{
    // The application's own thread is never stopped from here.
    QThread *own = thread();
    const QCoreApplication *app = QCoreApplication::instance();
    if (own && (!app || own != app->thread()))
        own->quit();
}
