// Which controllers the simulated library attaches when it loads.
//
// The environment variable ACTUATOR_SIM_DEVICES chooses them:
//   unset            the two default controllers:
//                    "QMA 202412000001" (model 1, 6 mm) and "QMB 202412000002" (model 3, 13 mm)
//   ""               no controller
//   "N"              N default-style controllers (0 to 8; more are capped at 8), serials
//                    "QMA 202412000001", "QMB 202412000002", "QMC 202412000003", ...,
//                    models alternating 1, 3, 1, 3, ...
//   "S,M,C;S,M,C"    a list separated by ';': driver serial S (any text without ',' or ';',
//                    spaces inside kept, spaces around trimmed), model code M (0 to 65535,
//                    default 1), motor connected C (0 or 1, default 1); e.g.
//                    "ABC 000000000001,1,1;XYZ 000000000002,3,0". Empty entries are skipped;
//                    entries past the eighth are ignored.
// A text that is all digits is a count. Malformed text (an empty serial, a bad model or motor
// field, too many fields) attaches the two default controllers instead. Serials longer than
// 32 bytes are cut to 32.
//
// How long a controller takes, in real milliseconds (0 to 60000; unset or "" is 0):
//   ACTUATOR_SIM_LATENCY_MS  every call on an attached device: "20" a fixed latency, "1-17" one
//                            drawn per call from that range (a USB-serial adapter with a 16 ms
//                            latency timer answers small frames in about 1 to 17 ms)
//   ACTUATOR_SIM_SCAN_MS     every scanDev
// A malformed value counts as 0.
#ifndef SIMCONFIG_H
#define SIMCONFIG_H

#include <string>
#include <vector>

namespace actsim {

constexpr int kMaxDevices = 8;
constexpr int kMaxTimingMs = 60000;

struct DeviceSetup
{
    std::string serial;
    int model = 1;
    bool motorConnected = true;
};

// count default-style controllers (capped at kMaxDevices).
std::vector<DeviceSetup> defaultDeviceSetups(int count = 2);

// Parses the ACTUATOR_SIM_DEVICES text; false (devices untouched) when it is malformed.
bool parseDeviceSetups(const std::string &text, std::vector<DeviceSetup> &devices);

// The devices for the environment: value is the variable's text, or null when it is unset.
std::vector<DeviceSetup> deviceSetupsFromEnvironment(const char *value);

struct TimingSetup
{
    int latencyMinMs = 0;
    int latencyMaxMs = 0;
    int scanMs = 0;
};

// Parses "N" or "MIN-MAX" (MIN <= MAX); false (values untouched) when it is malformed.
bool parseLatency(const std::string &text, int &minMs, int &maxMs);

// The timing for the environment: the variables' texts, or null where one is unset.
TimingSetup timingFromEnvironment(const char *latency, const char *scan);

} // namespace actsim

#endif
