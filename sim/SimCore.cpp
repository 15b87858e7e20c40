#include "sim/SimCore.h"

#include "sim/SimPlatform.h"
#include "sim/SimText.h"

#include <cmath>
#include <cstdio>

namespace actsim {

SimClock::SimClock()
    : m_base(std::chrono::steady_clock::now())
{
}

double SimClock::realMs() const
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_base)
        .count();
}

double SimClock::nowMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_manual ? m_manualNow : realMs() + m_offset;
}

void SimClock::setManual(bool manual)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (manual == m_manual)
        return;
    if (manual)
        m_manualNow = std::ceil(realMs() + m_offset);
    else
        m_offset = m_manualNow - realMs();
    m_manual = manual;
}

void SimClock::advance(double ms)
{
    if (!(ms > 0.0) || !std::isfinite(ms))
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_manual)
        m_manualNow += ms;
    else
        m_offset += ms;
}

Simulator &Simulator::instance()
{
    // Never destroyed: threads of the program may still call in while it exits.
    static Simulator *sim = new Simulator;
    return *sim;
}

Simulator::Simulator()
    : m_random(std::random_device{}())
{
    initFromEnvironment();
}

std::shared_ptr<SimDevice> Simulator::find(int handle) const
{
    if (handle <= 0)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_registry);
    for (const auto &dev : m_devices) {
        if (dev->handle == handle)
            return dev;
    }
    return nullptr;
}

std::vector<std::shared_ptr<SimDevice>> Simulator::devices() const
{
    std::lock_guard<std::mutex> lock(m_registry);
    return m_devices;
}

int Simulator::attachedCountLocked() const
{
    int n = 0;
    for (const auto &dev : m_devices)
        n += dev->attached ? 1 : 0;
    return n;
}

int Simulator::attachedCount() const
{
    std::lock_guard<std::mutex> lock(m_registry);
    return attachedCountLocked();
}

int Simulator::attach(const std::string &serial, int model, bool motorConnected)
{
    std::lock_guard<std::mutex> lock(m_registry);
    if (attachedCountLocked() >= kMaxDevices)
        return -1;
    const int handle = m_nextHandle++;
    const std::string key = cutText(serial.data(), static_cast<int>(serial.size()));
    FlashRecord record;
    if (!flash.find(key, record)) {
        char actuatorSerial[32];
        std::snprintf(actuatorSerial, sizeof actuatorSerial, "ACT%012d", handle);
        record.actuatorSerial = actuatorSerial;
        record.driverSerial = key;
    }
    const int startModel = record.modelWritten ? record.model : model;
    m_devices.push_back(
        std::make_shared<SimDevice>(handle, key, record, startModel, motorConnected));
    return handle;
}

int Simulator::reattach(int handle)
{
    std::lock_guard<std::mutex> lock(m_registry);
    for (const auto &dev : m_devices) {
        if (dev->handle != handle)
            continue;
        if (dev->attached)
            return 0;
        if (attachedCountLocked() >= kMaxDevices)
            return -1;
        std::lock_guard<std::mutex> devLock(dev->mutex);
        dev->open = false;
        dev->attached = true;
        return 0;
    }
    return -1;
}

bool Simulator::setLatency(int minMs, int maxMs)
{
    if (minMs < 0 || maxMs < minMs)
        return false;
    std::lock_guard<std::mutex> lock(m_latencyMutex);
    m_latencyMinMs = minMs;
    m_latencyMaxMs = maxMs;
    return true;
}

double Simulator::drawLatencyMs()
{
    std::lock_guard<std::mutex> lock(m_latencyMutex);
    if (m_latencyMaxMs == m_latencyMinMs)
        return m_latencyMinMs;
    return std::uniform_real_distribution<double>(m_latencyMinMs, m_latencyMaxMs)(m_random);
}

void Simulator::failNext(const std::string &function, int count)
{
    std::lock_guard<std::mutex> lock(m_faultMutex);
    if (count > 0)
        m_failures[function] = count;
    else
        m_failures.erase(function);
    m_anyFailure = !m_failures.empty();
}

bool Simulator::consumeFailure(const char *function)
{
    if (!m_anyFailure)
        return false;
    std::lock_guard<std::mutex> lock(m_faultMutex);
    const auto it = m_failures.find(function);
    if (it == m_failures.end())
        return false;
    if (--it->second <= 0)
        m_failures.erase(it);
    m_anyFailure = !m_failures.empty();
    return true;
}

void Simulator::reset()
{
    {
        std::lock_guard<std::mutex> lock(m_registry);
        m_devices.clear();
        m_nextHandle = 1;
    }
    clock.setManual(false);
    journal.clear();
    journal.setEnabled(true);
    {
        std::lock_guard<std::mutex> lock(m_faultMutex);
        m_failures.clear();
        m_anyFailure = false;
    }
    flash.clear();
    setLatency(0, 0);
    scanMs = 0;
}

void Simulator::setStateFile(const std::string &path)
{
    flash.setPath(path);
    for (const auto &dev : devices()) {
        FlashRecord record;
        if (!flash.find(dev->key, record))
            continue;
        std::lock_guard<std::mutex> lock(dev->mutex);
        const double now = clock.nowMs();
        dev->advance(now);
        dev->flash = record;
        if (record.modelWritten)
            dev->setModel(now, record.model);
    }
}

int Simulator::initFromEnvironment()
{
    reset();
    std::string state;
    flash.setPath(environmentValue("ACTUATOR_SIM_STATE", state) ? state : defaultFlashFile());
    std::string devices;
    const bool chosen = environmentValue("ACTUATOR_SIM_DEVICES", devices);
    for (const DeviceSetup &setup : deviceSetupsFromEnvironment(chosen ? devices.c_str() : nullptr))
        attach(setup.serial, setup.model, setup.motorConnected);
    std::string latency;
    std::string scan;
    const bool latencySet = environmentValue("ACTUATOR_SIM_LATENCY_MS", latency);
    const bool scanSet = environmentValue("ACTUATOR_SIM_SCAN_MS", scan);
    const TimingSetup timing = timingFromEnvironment(latencySet ? latency.c_str() : nullptr,
                                                     scanSet ? scan.c_str() : nullptr);
    setLatency(timing.latencyMinMs, timing.latencyMaxMs);
    scanMs = timing.scanMs;
    return attachedCount();
}

} // namespace actsim
