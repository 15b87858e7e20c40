// Test control of the simulated library (ActuatorSimControl.h). These calls
// are not journalled and are neither slowed nor failed by injected faults.
#include "sim/ActuatorSimControl.h"
#include "sim/SimCore.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using actsim::SimDevice;
using actsim::Simulator;

namespace {

// Runs change on the device with its slide brought up to date; -1 for an unknown handle.
template <typename Change>
int onDevice(int handle, Change &&change)
{
    Simulator &sim = Simulator::instance();
    const std::shared_ptr<SimDevice> dev = sim.find(handle);
    if (!dev)
        return -1;
    std::lock_guard<std::mutex> lock(dev->mutex);
    const double now = sim.clock.nowMs();
    dev->advance(now);
    return change(*dev, now);
}

} // namespace

extern "C" {

void simReset(void)
{
    Simulator::instance().reset();
}

int simInitFromEnvironment(void)
{
    return Simulator::instance().initFromEnvironment();
}

void simSetStateFile(const char *path)
{
    Simulator::instance().setStateFile(path ? path : "");
}

int simAttach(const char *serial, int model, int motorConnected)
{
    if (!serial || model < 0 || model > 65535)
        return -1;
    return Simulator::instance().attach(serial, model, motorConnected != 0);
}

int simDetach(int handle)
{
    return onDevice(handle, [](SimDevice &d, double now) {
        d.unplug(now);
        d.attached = false;
        return 0;
    });
}

int simReattach(int handle)
{
    return Simulator::instance().reattach(handle);
}

int simAttachedCount(void)
{
    return Simulator::instance().attachedCount();
}

int simSetMotorConnected(int handle, int connected)
{
    return onDevice(handle, [&](SimDevice &d, double now) {
        d.setMotorConnected(now, connected != 0);
        return 0;
    });
}

int simSetControlDisabled(int handle, int disabled)
{
    return onDevice(handle, [&](SimDevice &d, double now) {
        d.setControlDisabled(now, disabled != 0);
        return 0;
    });
}

int simSetPosition(int handle, double mm)
{
    if (!std::isfinite(mm))
        return -1;
    return onDevice(handle, [&](SimDevice &d, double now) {
        d.placeAt(now, mm);
        return 0;
    });
}

void simFailNext(const char *function, int count)
{
    if (function)
        Simulator::instance().failNext(function, count);
}

int simSetCallDelay(int handle, int delayMs)
{
    if (delayMs < 0)
        return -1;
    const std::shared_ptr<SimDevice> dev = Simulator::instance().find(handle);
    if (!dev)
        return -1;
    dev->delayMs = delayMs;
    return 0;
}

int simSetLatency(int minMs, int maxMs)
{
    return Simulator::instance().setLatency(minMs, maxMs) ? 0 : -1;
}

int simSetScanDuration(int scanMs)
{
    if (scanMs < 0)
        return -1;
    Simulator::instance().scanMs = scanMs;
    return 0;
}

void simUseManualClock(int manual)
{
    Simulator::instance().clock.setManual(manual != 0);
}

void simAdvanceClock(double ms)
{
    Simulator::instance().clock.advance(ms);
}

double simNowMs(void)
{
    return Simulator::instance().clock.nowMs();
}

int simJournalSize(void)
{
    return Simulator::instance().journal.size();
}

int simJournalEntry(int index, char *buffer, int size)
{
    std::string text;
    if (!buffer || size < 1 || !Simulator::instance().journal.entry(index, text))
        return -1;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(text.size());
}

double simJournalEntryTime(int index)
{
    return Simulator::instance().journal.entryTime(index);
}

double simJournalEntryEndTime(int index)
{
    return Simulator::instance().journal.entryEndTime(index);
}

void simJournalClear(void)
{
    Simulator::instance().journal.clear();
}

void simJournalEnable(int enabled)
{
    Simulator::instance().journal.setEnabled(enabled != 0);
}

int simOverlapCount(int handle)
{
    const std::shared_ptr<SimDevice> dev = Simulator::instance().find(handle);
    return dev ? dev->overlaps.load() : -1;
}

int simOverlapTotal(void)
{
    int total = 0;
    for (const auto &dev : Simulator::instance().devices())
        total += dev->overlaps.load();
    return total;
}

} // extern "C"
