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

} // namespace actsim
