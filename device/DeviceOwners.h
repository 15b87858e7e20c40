#ifndef DEVICEOWNERS_H
#define DEVICEOWNERS_H

#include "device/ActuatorLibrary.h"

// Who may call the library for a device. A device has at most one user at a
// time: the worker of a control panel (from receiving its handle until its own
// closeDev has returned, which may be after its panel is gone when a call
// hangs), the engineering console (from its open to its close) or the
// add-device dialog (while it probes the device, and from opening a picked
// device until its panel takes it). Everyone else leaves a held device alone:
// no probe, no open, no command.
namespace DeviceOwners {

enum Owner
{
    NoOwner,
    PanelOwner,
    ConsoleOwner,
    ScanOwner,
};

// Takes the device for owner; false when another kind of owner holds it.
// Holds of one kind count up, and each is given back by one Release.
bool Acquire(DevHandle handle, Owner owner);
void Release(DevHandle handle, Owner owner);
Owner OwnerOf(DevHandle handle);
// True when nobody holds the device, waiting at most timeoutMs for it.
bool WaitReleased(DevHandle handle, int timeoutMs);

} // namespace DeviceOwners

#endif
