// The simulator's process-wide state: the attached controllers, the clock,
// the journal, injected faults and the flash store.
//
// Locks: the registry lock guards the device list only; each device has its
// own mutex. The registry lock may be taken before a device mutex, never the
// other way round. The clock, journal, fault table and flash store have
// locks of their own and take no other.
#ifndef SIMCORE_H
#define SIMCORE_H

#include "sim/SimDevice.h"
#include "sim/SimJournal.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace actsim {

// Milliseconds on a steady clock, or on a manual one that only moves when told.
// advance() moves either one forward; time never runs backwards.
class SimClock
{
public:
    SimClock();
    double nowMs() const;
    // Switching keeps the time continuous; manual time starts on a whole millisecond.
    void setManual(bool manual);
    void advance(double ms);

private:
    double realMs() const;
    mutable std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_base;
    bool m_manual = false;
    double m_manualNow = 0.0;
    double m_offset = 0.0;
};

class Simulator
{
public:
    // Created on first use with the devices and state file of the environment.
    static Simulator &instance();

    SimClock clock;
    Journal journal;
    FlashStore flash;

    std::shared_ptr<SimDevice> find(int handle) const;
    std::vector<std::shared_ptr<SimDevice>> devices() const;
    int attachedCount() const;

    // New controller; its handle, or -1 when kMaxDevices are attached.
    int attach(const std::string &serial, int model, bool motorConnected);
    int reattach(int handle);

    // Real time a call on an attached device takes, drawn per call uniformly
    // from minMs to maxMs; false (nothing changed) for a bad range.
    bool setLatency(int minMs, int maxMs);
    double drawLatencyMs();
    // Real time every scanDev takes.
    std::atomic<int> scanMs{0};

    void failNext(const std::string &function, int count);
    // True when the call is to fail; uses up one injected failure.
    bool consumeFailure(const char *function);

    void reset();
    // Uses path for flash and reloads the flash of the attached controllers from it.
    void setStateFile(const std::string &path);
    // reset, then the state file and devices named by the environment.
    int initFromEnvironment();

private:
    Simulator();
    int attachedCountLocked() const;

    mutable std::mutex m_registry;
    std::vector<std::shared_ptr<SimDevice>> m_devices;
    int m_nextHandle = 1;

    std::mutex m_latencyMutex;
    int m_latencyMinMs = 0;
    int m_latencyMaxMs = 0;
    std::mt19937 m_random;

    std::mutex m_faultMutex;
    std::map<std::string, int> m_failures;
    std::atomic<bool> m_anyFailure{false};
};

} // namespace actsim

#endif
