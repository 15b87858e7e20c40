#include "sim/SimConfig.h"

#include <cstdio>
#include <cstdlib>

namespace actsim {

namespace {

std::string trimmed(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool allDigits(const std::string &s)
{
    if (s.empty())
        return false;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Decimal integer in lo..hi, nothing else around it but spaces.
bool parseInt(const std::string &text, long lo, long hi, int &value)
{
    const std::string t = trimmed(text);
    if (!allDigits(t) || t.size() > 9)
        return false;
    const long v = std::strtol(t.c_str(), nullptr, 10);
    if (v < lo || v > hi)
        return false;
    value = static_cast<int>(v);
    return true;
}

std::vector<std::string> split(const std::string &s, char sep)
{
    std::vector<std::string> parts;
    std::string::size_type from = 0;
    while (true) {
        const auto at = s.find(sep, from);
        parts.push_back(s.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos)
            return parts;
        from = at + 1;
    }
}

// A timing variable's milliseconds; an empty text is 0.
bool parseMs(const std::string &text, int &ms)
{
    if (trimmed(text).empty()) {
        ms = 0;
        return true;
    }
    return parseInt(text, 0, kMaxTimingMs, ms);
}

} // namespace

std::vector<DeviceSetup> defaultDeviceSetups(int count)
{
    std::vector<DeviceSetup> devices;
    for (int i = 0; i < count && i < kMaxDevices; ++i) {
        char serial[32];
        std::snprintf(serial, sizeof serial, "QM%c 2024120000%02d", 'A' + i, i + 1);
        devices.push_back({serial, i % 2 == 0 ? 1 : 3, true});
    }
    return devices;
}

bool parseDeviceSetups(const std::string &text, std::vector<DeviceSetup> &devices)
{
    const std::string all = trimmed(text);
    if (allDigits(all)) {
        devices = defaultDeviceSetups(all.size() > 3 ? kMaxDevices : std::atoi(all.c_str()));
        return true;
    }
    std::vector<DeviceSetup> parsed;
    for (const std::string &entry : split(all, ';')) {
        if (trimmed(entry).empty())
            continue;
        const std::vector<std::string> fields = split(entry, ',');
        if (fields.size() > 3)
            return false;
        DeviceSetup setup;
        setup.serial = trimmed(fields[0]);
        if (setup.serial.empty())
            return false;
        if (fields.size() > 1 && !parseInt(fields[1], 0, 65535, setup.model))
            return false;
        int connected = 1;
        if (fields.size() > 2 && !parseInt(fields[2], 0, 1, connected))
            return false;
        setup.motorConnected = connected != 0;
        if (static_cast<int>(parsed.size()) < kMaxDevices)
            parsed.push_back(setup);
    }
    devices = parsed;
    return true;
}

std::vector<DeviceSetup> deviceSetupsFromEnvironment(const char *value)
{
    if (!value)
        return defaultDeviceSetups();
    std::vector<DeviceSetup> devices;
    if (!parseDeviceSetups(value, devices)) {
        std::fprintf(stderr, "ActuatorLibrary: ACTUATOR_SIM_DEVICES \"%s\" is malformed; "
                             "attaching the two default controllers\n", value);
        return defaultDeviceSetups();
    }
    return devices;
}

bool parseLatency(const std::string &text, int &minMs, int &maxMs)
{
    const std::vector<std::string> bounds = split(text, '-');
    int lo = 0;
    int hi = 0;
    if (bounds.size() > 2 || !parseMs(bounds.front(), lo) || !parseMs(bounds.back(), hi) || lo > hi
        || (bounds.size() == 2 && (trimmed(bounds[0]).empty() || trimmed(bounds[1]).empty())))
        return false;
    minMs = lo;
    maxMs = hi;
    return true;
}

TimingSetup timingFromEnvironment(const char *latency, const char *scan)
{
    TimingSetup timing;
    if (latency && !parseLatency(latency, timing.latencyMinMs, timing.latencyMaxMs))
        std::fprintf(stderr, "ActuatorLibrary: ACTUATOR_SIM_LATENCY_MS \"%s\" is malformed "
                             "(\"20\" or \"1-17\", in ms); calls answer at once\n", latency);
    if (scan && !parseMs(scan, timing.scanMs))
        std::fprintf(stderr, "ActuatorLibrary: ACTUATOR_SIM_SCAN_MS \"%s\" is malformed; "
                             "scans answer at once\n", scan);
    return timing;
}

} // namespace actsim
