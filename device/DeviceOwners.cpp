#include "device/DeviceOwners.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QWaitCondition>

namespace DeviceOwners {

namespace {

struct Hold
{
    Owner owner = NoOwner;
    int count = 0;
};

// Never destroyed: a worker whose call hangs may outlive everything else at exit.
struct Registry
{
    QMutex mutex;
    QWaitCondition released;
    QHash<DevHandle, Hold> holds;
};

Registry &TheRegistry()
{
    static Registry *registry = new Registry;
    return *registry;
}

} // namespace

bool Acquire(DevHandle handle, Owner owner)
{
    if (handle == -1 || owner == NoOwner)
        return false;
    Registry &registry = TheRegistry();
    QMutexLocker locker(&registry.mutex);
    Hold &hold = registry.holds[handle];
    if (hold.count > 0 && hold.owner != owner)
        return false;
    hold.owner = owner;
    ++hold.count;
    return true;
}

void Release(DevHandle handle, Owner owner)
{
    Registry &registry = TheRegistry();
    QMutexLocker locker(&registry.mutex);
    auto it = registry.holds.find(handle);
    if (it == registry.holds.end() || it->owner != owner)
        return;
    if (--it->count <= 0) {
        registry.holds.erase(it);
        registry.released.wakeAll();
    }
}

Owner OwnerOf(DevHandle handle)
{
    Registry &registry = TheRegistry();
    QMutexLocker locker(&registry.mutex);
    return registry.holds.value(handle).owner;
}

bool WaitReleased(DevHandle handle, int timeoutMs)
{
    Registry &registry = TheRegistry();
    const QDeadlineTimer deadline(timeoutMs);
    QMutexLocker locker(&registry.mutex);
    while (registry.holds.contains(handle)) {
        if (!registry.released.wait(&registry.mutex, deadline))
            return !registry.holds.contains(handle);
    }
    return true;
}

} // namespace DeviceOwners
