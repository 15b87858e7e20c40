// The 66 library functions of the simulated controller.
//
// Every call is journalled, counted in flight for its device (the overlap
// counter), slowed by the latency (on an attached device) and the device's
// injected delay, and failed by an injected fault, in that order, before the
// device is locked and its slide brought up to date. scanDev takes the scan
// duration; releaseDev answers at once. Failures: -1 for statuses and value reads, -10000.0 for positions.
// A call on an unknown or detached handle fails; so does any device call but
// openDev, closeDev and isDevOpen on a device that is not open. A write to
// flash that cannot be saved in the state file fails and changes nothing.
#include "sim/ActuatorSimControl.h"
#include "sim/SimCore.h"
#include "sim/SimText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

using actsim::Args;
using actsim::SimDevice;
using actsim::Simulator;

namespace {

constexpr int kFail = -1;
constexpr double kPositionFail = -10000.0;
// Text reads fill at most this many bytes, the terminator included.
constexpr int kTextBuffer = 33;
constexpr int kMaxCount = std::numeric_limits<int>::max();

// What a call needs of its device. Any: an unknown handle answers 0 and the
// body runs on a detached device too.
enum class Need { Any, Attached, Open };

// Journals a call and, when it returns, the moment it did.
class JournalEntry
{
public:
    JournalEntry(const char *name, const Args &args)
        : m_sim(Simulator::instance())
        , m_number(m_sim.journal.record(name, args, m_sim.clock.nowMs()))
    {
    }
    ~JournalEntry() { m_sim.journal.finish(m_number, m_sim.clock.nowMs()); }
    JournalEntry(const JournalEntry &) = delete;
    JournalEntry &operator=(const JournalEntry &) = delete;

private:
    Simulator &m_sim;
    const std::uint64_t m_number;
};

// Counts a call in flight on a device; a call that finds another one already
// inside for the same device is an overlap.
class InFlight
{
public:
    explicit InFlight(SimDevice *dev)
        : m_dev(dev)
    {
        if (m_dev && m_dev->inFlight.fetch_add(1) > 0)
            m_dev->overlaps.fetch_add(1);
    }
    ~InFlight()
    {
        if (m_dev)
            m_dev->inFlight.fetch_sub(1);
    }
    InFlight(const InFlight &) = delete;
    InFlight &operator=(const InFlight &) = delete;

private:
    SimDevice *m_dev;
};

template <typename R, typename Body>
R deviceCall(const char *name, int handle, const Args &args, R fail, Need need, Body &&body)
{
    Simulator &sim = Simulator::instance();
    const std::shared_ptr<SimDevice> dev = sim.find(handle);
    const InFlight inFlight(dev.get());
    const JournalEntry entry(name, args);
    if (dev) {
        const double wait = dev->delayMs.load() + (dev->attached ? sim.drawLatencyMs() : 0.0);
        if (wait > 0.0)
            std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(wait));
    }
    if (sim.consumeFailure(name))
        return fail;
    if (!dev)
        return need == Need::Any ? R{} : fail;
    std::lock_guard<std::mutex> lock(dev->mutex);
    if ((need != Need::Any && !dev->attached) || (need == Need::Open && !dev->open))
        return fail;
    const double now = sim.clock.nowMs();
    dev->advance(now);
    return body(*dev, now);
}

// A status call on an open device.
template <typename Body>
int statusCall(const char *name, int handle, const Args &args, Body &&body)
{
    return deviceCall<int>(name, handle, args, kFail, Need::Open, std::forward<Body>(body));
}

// Makes next what the device's flash holds. A flash that cannot be saved
// fails the call and stays as it was.
int keepFlash(SimDevice &dev, const actsim::FlashRecord &next)
{
    if (!Simulator::instance().flash.put(dev.key, next))
        return kFail;
    dev.flash = next;
    return 0;
}

template <typename T>
int keepFlashField(SimDevice &dev, T actsim::FlashRecord::*field, T value)
{
    actsim::FlashRecord next = dev.flash;
    next.*field = value;
    return keepFlash(dev, next);
}

bool finite(double v)
{
    return std::isfinite(v);
}

bool finiteNonNegative(double v)
{
    return std::isfinite(v) && v >= 0.0;
}

bool finitePositive(double v)
{
    return std::isfinite(v) && v > 0.0;
}

template <typename Field>
int storeReal(const char *name, int handle, double value, bool (*valid)(double), Field field)
{
    return statusCall(name, handle, Args(handle).real(value), [&](SimDevice &d, double) {
        if (!valid(value))
            return kFail;
        field(d) = value;
        return 0;
    });
}

// A length kept in flash.
int storeFlashLength(const char *name, int handle, double value,
                     double actsim::FlashRecord::*field)
{
    return statusCall(name, handle, Args(handle).real(value), [&](SimDevice &d, double) {
        return finiteNonNegative(value) ? keepFlashField(d, field, value) : kFail;
    });
}

template <typename T, typename Field>
int storeInt(const char *name, int handle, int value, int minimum, int maximum, Field field)
{
    return statusCall(name, handle, Args(handle).num(value), [&](SimDevice &d, double) {
        if (value < minimum || value > maximum)
            return kFail;
        field(d) = static_cast<T>(value);
        return 0;
    });
}

template <typename Field>
int storeU16(const char *name, int handle, uint16_t value, Field field)
{
    return statusCall(name, handle, Args(handle).num(value), [&](SimDevice &d, double) {
        field(d) = value;
        return 0;
    });
}

int storeFlashU16(const char *name, int handle, uint16_t value,
                  uint16_t actsim::FlashRecord::*field)
{
    return statusCall(name, handle, Args(handle).num(value),
                      [&](SimDevice &d, double) { return keepFlashField(d, field, value); });
}

int readText(const char *name, int handle, char *buffer, int size,
             const std::string actsim::FlashRecord::*field)
{
    return statusCall(name, handle, Args(handle).num(size), [&](SimDevice &d, double) {
        if (!buffer || size < 1)
            return kFail;
        const std::string &text = d.flash.*field;
        const int n = actsim::utf8Prefix(text.data(), static_cast<int>(text.size()),
                                         std::min(size, kTextBuffer) - 1);
        std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
        buffer[n] = '\0';
        return 0;
    });
}

int writeText(const char *name, int handle, const char *text, int length,
              std::string actsim::FlashRecord::*field)
{
    return statusCall(name, handle, Args(handle).text(text, std::max(length, 0)).num(length),
                      [&](SimDevice &d, double) {
                          if (!text || length < 0)
                              return kFail;
                          return keepFlashField(d, field, actsim::cutText(text, length));
                      });
}

} // namespace

extern "C" {

int scanDev(int *handles, int capacity)
{
    Simulator &sim = Simulator::instance();
    const JournalEntry entry("scanDev", Args().num(capacity));
    if (sim.scanMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(sim.scanMs.load()));
    if (sim.consumeFailure("scanDev") || !handles || capacity <= 0)
        return kFail;
    int n = 0;
    for (const auto &dev : sim.devices()) {
        if (n >= capacity)
            break;
        if (dev->attached)
            handles[n++] = dev->handle;
    }
    return n;
}

int openDev(int handle)
{
    return deviceCall<int>("openDev", handle, Args(handle), kFail, Need::Attached,
                           [](SimDevice &d, double) {
                               d.open = true;
                               return 0;
                           });
}

int closeDev(int handle)
{
    return deviceCall<int>("closeDev", handle, Args(handle), kFail, Need::Attached,
                           [](SimDevice &d, double) {
                               d.open = false;
                               return 0;
                           });
}

int isDevOpen(int handle)
{
    return deviceCall<int>("isDevOpen", handle, Args(handle), kFail, Need::Any,
                           [](SimDevice &d, double) { return d.attached && d.open ? 1 : 0; });
}

int releaseDev(void)
{
    Simulator &sim = Simulator::instance();
    const JournalEntry entry("releaseDev", Args());
    if (sim.consumeFailure("releaseDev"))
        return kFail;
    for (const auto &dev : sim.devices()) {
        std::lock_guard<std::mutex> lock(dev->mutex);
        dev->open = false;
    }
    return 0;
}

/* Motion */

int move(int handle)
{
    return statusCall("move", handle, Args(handle),
                      [](SimDevice &d, double now) { return d.commandMove(now); });
}

int stop(int handle)
{
    return statusCall("stop", handle, Args(handle),
                      [](SimDevice &d, double now) { return d.commandStop(now); });
}

int restore(int handle)
{
    return statusCall("restore", handle, Args(handle),
                      [](SimDevice &d, double now) { return d.commandHome(now); });
}

int cruise(int handle)
{
    return statusCall("cruise", handle, Args(handle),
                      [](SimDevice &d, double now) { return d.commandCruise(now); });
}

int jog(int handle, int direction)
{
    return statusCall("jog", handle, Args(handle).num(direction),
                      [&](SimDevice &d, double now) { return d.commandJog(now, direction); });
}

int drive(int handle, int direction)
{
    return statusCall("drive", handle, Args(handle).num(direction),
                      [&](SimDevice &d, double now) { return d.commandDrive(now, direction); });
}

/* Lengths */

int setTargetPos(int handle, double value)
{
    return storeReal("setTargetPos", handle, value, finite,
                     [](SimDevice &d) -> double & { return d.move.target; });
}

int setRelativePos(int handle, double value)
{
    return storeReal("setRelativePos", handle, value, finiteNonNegative,
                     [](SimDevice &d) -> double & { return d.drive.offset; });
}

int setJogStep(int handle, double value)
{
    return storeReal("setJogStep", handle, value, finiteNonNegative,
                     [](SimDevice &d) -> double & { return d.jog.step; });
}

int setCruiseBeginPos(int handle, double value)
{
    return storeReal("setCruiseBeginPos", handle, value, finite,
                     [](SimDevice &d) -> double & { return d.cruise.begin; });
}

int setCruiseEndPos(int handle, double value)
{
    return storeReal("setCruiseEndPos", handle, value, finite,
                     [](SimDevice &d) -> double & { return d.cruise.end; });
}

int setBtnJogStep(int handle, double value)
{
    return storeFlashLength("setBtnJogStep", handle, value, &actsim::FlashRecord::btnJogStep);
}

int setBtnPos1(int handle, double value)
{
    return storeFlashLength("setBtnPos1", handle, value, &actsim::FlashRecord::btnPos1);
}

int setBtnPos2(int handle, double value)
{
    return storeFlashLength("setBtnPos2", handle, value, &actsim::FlashRecord::btnPos2);
}

int setIO1TriggerInDisp(int handle, double value)
{
    return storeReal("setIO1TriggerInDisp", handle, value, finite,
                     [](SimDevice &d) -> double & { return d.settings.io1Disp; });
}

int setIO2TriggerInDisp(int handle, double value)
{
    return storeReal("setIO2TriggerInDisp", handle, value, finite,
                     [](SimDevice &d) -> double & { return d.settings.io2Disp; });
}

/* Speeds and accelerations */

int setSpeed(int handle, float value)
{
    return statusCall("setSpeed", handle, Args(handle).single(value), [&](SimDevice &d, double) {
        if (!finitePositive(value))
            return kFail;
        d.move.speed = value;
        return 0;
    });
}

int setAcc(int handle, float value)
{
    return statusCall("setAcc", handle, Args(handle).single(value), [&](SimDevice &d, double) {
        if (!finitePositive(value))
            return kFail;
        d.move.acc = value;
        return 0;
    });
}

int setBtnSpeed(int handle, float value)
{
    return statusCall("setBtnSpeed", handle, Args(handle).single(value),
                      [&](SimDevice &d, double) {
                          return finitePositive(value)
                              ? keepFlashField(d, &actsim::FlashRecord::btnSpeed, value)
                              : kFail;
                      });
}

/* Times and counts */

int setJogDelay(int handle, int value)
{
    return storeInt<int>("setJogDelay", handle, value, 0, kMaxCount,
                         [](SimDevice &d) -> int & { return d.jog.delay; });
}

int setJogTimes(int handle, int value)
{
    return storeInt<int>("setJogTimes", handle, value, 0, kMaxCount,
                         [](SimDevice &d) -> int & { return d.jog.times; });
}

int setCruiseStopTime(int handle, int value)
{
    return storeInt<int>("setCruiseStopTime", handle, value, 0, kMaxCount,
                         [](SimDevice &d) -> int & { return d.cruise.stopTime; });
}

int setCruiseTimes(int handle, int value)
{
    return storeInt<int>("setCruiseTimes", handle, value, 0, kMaxCount,
                         [](SimDevice &d) -> int & { return d.cruise.times; });
}

int setRecoil(int handle, int value)
{
    return storeInt<int>("setRecoil", handle, value, 0, kMaxCount,
                         [](SimDevice &d) -> int & { return d.settings.recoil; });
}

int setTriggerTime(int handle, int value)
{
    return storeInt<int>("setTriggerTime", handle, value, 0, kMaxCount,
                         [](SimDevice &d) -> int & { return d.settings.triggerTime; });
}

/* Switches */

int setRelativePosEnable(int handle, int enable)
{
    return storeInt<uint8_t>("setRelativePosEnable", handle, enable, 0, 1,
                             [](SimDevice &d) -> uint8_t & { return d.drive.enable; });
}

int setMotorEnable(int handle, int enable)
{
    return statusCall("setMotorEnable", handle, Args(handle).num(enable),
                      [&](SimDevice &d, double now) {
                          if (enable != 0 && enable != 1)
                              return kFail;
                          d.setMotorEnabled(now, enable == 1);
                          return 0;
                      });
}

/* 16-bit codes and levels */

int setJerk(int handle, uint16_t value)
{
    return storeU16("setJerk", handle, value,
                    [](SimDevice &d) -> uint16_t & { return d.move.jerk; });
}

int setActuatorModel(int handle, uint16_t model)
{
    return statusCall("setActuatorModel", handle, Args(handle).num(model),
                      [&](SimDevice &d, double now) {
                          d.setModel(now, model);
                          return 0;
                      });
}

int writeActuatorModel(int handle, uint16_t model)
{
    return statusCall("writeActuatorModel", handle, Args(handle).num(model),
                      [&](SimDevice &d, double now) {
                          actsim::FlashRecord next = d.flash;
                          next.model = model;
                          next.modelWritten = true;
                          if (keepFlash(d, next) != 0)
                              return kFail;
                          d.setModel(now, model);
                          return 0;
                      });
}

int setBtnMode(int handle, uint16_t mode)
{
    return storeFlashU16("setBtnMode", handle, mode, &actsim::FlashRecord::btnMode);
}

int setBackLightLevel(int handle, uint16_t level)
{
    return storeFlashU16("setBackLightLevel", handle, level, &actsim::FlashRecord::backLightLevel);
}

int setBackSleepLevel(int handle, uint16_t level)
{
    return storeFlashU16("setBackSleepLevel", handle, level, &actsim::FlashRecord::backSleepLevel);
}

int setBackDormant(int handle, uint16_t minutes)
{
    return storeFlashU16("setBackDormant", handle, minutes, &actsim::FlashRecord::backDormant);
}

int setCurrent(int handle, uint16_t value)
{
    return storeU16("setCurrent", handle, value,
                    [](SimDevice &d) -> uint16_t & { return d.settings.current; });
}

int setSeparate(int handle, uint16_t value)
{
    return storeU16("setSeparate", handle, value,
                    [](SimDevice &d) -> uint16_t & { return d.settings.separate; });
}

int setTriggerInMode(int handle, uint16_t mode)
{
    return storeU16("setTriggerInMode", handle, mode,
                    [](SimDevice &d) -> uint16_t & { return d.settings.triggerInMode; });
}

int setTriggerOutMode(int handle, uint16_t mode)
{
    return storeU16("setTriggerOutMode", handle, mode,
                    [](SimDevice &d) -> uint16_t & { return d.settings.triggerOutMode; });
}

int setTriggerOutCondition(int handle, uint16_t condition)
{
    return storeU16("setTriggerOutCondition", handle, condition,
                    [](SimDevice &d) -> uint16_t & { return d.settings.triggerOutCondition; });
}

int setIO1TriggerMode(int handle, uint16_t mode)
{
    return storeU16("setIO1TriggerMode", handle, mode,
                    [](SimDevice &d) -> uint16_t & { return d.settings.io1Mode; });
}

int setIO2TriggerMode(int handle, uint16_t mode)
{
    return storeU16("setIO2TriggerMode", handle, mode,
                    [](SimDevice &d) -> uint16_t & { return d.settings.io2Mode; });
}

/* Status and counters */

double getPositon(int handle)
{
    return deviceCall<double>("getPositon", handle, Args(handle), kPositionFail, Need::Open,
                              [](SimDevice &d, double now) { return d.position(now); });
}

int getWorkStatus(int handle, uint16_t *status)
{
    return statusCall("getWorkStatus", handle, Args(handle), [&](SimDevice &d, double now) {
        if (!status)
            return kFail;
        *status = d.status(now);
        return 0;
    });
}

int getLeftJogTimes(int handle)
{
    return statusCall("getLeftJogTimes", handle, Args(handle),
                      [](SimDevice &d, double) { return d.jogLeft(); });
}

int getLeftCruiseTimes(int handle)
{
    return statusCall("getLeftCruiseTimes", handle, Args(handle),
                      [](SimDevice &d, double) { return d.cruiseLeft(); });
}

int readActuatorModel(int handle)
{
    return statusCall("readActuatorModel", handle, Args(handle),
                      [](SimDevice &d, double) { return d.model(); });
}

int readRecoil(int handle)
{
    return statusCall("readRecoil", handle, Args(handle),
                      [](SimDevice &d, double) { return d.settings.recoil; });
}

/* Identity texts */

int readActuatorSerial(int handle, char *buffer, int size)
{
    return readText("readActuatorSerial", handle, buffer, size,
                    &actsim::FlashRecord::actuatorSerial);
}

int readDriverSerial(int handle, char *buffer, int size)
{
    return readText("readDriverSerial", handle, buffer, size, &actsim::FlashRecord::driverSerial);
}

int readDriverModel(int handle, char *buffer, int size)
{
    return readText("readDriverModel", handle, buffer, size, &actsim::FlashRecord::driverModel);
}

int readVersion(int handle, char *buffer, int size)
{
    return readText("readVersion", handle, buffer, size, &actsim::FlashRecord::version);
}

int writeActuatorSerial(int handle, const char *text, int length)
{
    return writeText("writeActuatorSerial", handle, text, length,
                     &actsim::FlashRecord::actuatorSerial);
}

int writeDriverSerial(int handle, const char *text, int length)
{
    return writeText("writeDriverSerial", handle, text, length,
                     &actsim::FlashRecord::driverSerial);
}

int writeDriverModel(int handle, const char *text, int length)
{
    return writeText("writeDriverModel", handle, text, length,
                     &actsim::FlashRecord::driverModel);
}

int writeVersion(int handle, const char *text, int length)
{
    return writeText("writeVersion", handle, text, length, &actsim::FlashRecord::version);
}

/* Parameter read-back */

int getMoveParam(int handle, double *targetPos, float *speed, float *acc, float *dec,
                 uint16_t *jerk)
{
    return statusCall("getMoveParam", handle, Args(handle), [&](SimDevice &d, double) {
        if (!targetPos || !speed || !acc || !dec || !jerk)
            return kFail;
        *targetPos = d.move.target;
        *speed = d.move.speed;
        *acc = d.move.acc;
        *dec = d.move.acc;
        *jerk = d.move.jerk;
        return 0;
    });
}

int getJogParam(int handle, double *step, int *delay, int *times)
{
    return statusCall("getJogParam", handle, Args(handle), [&](SimDevice &d, double) {
        if (!step || !delay || !times)
            return kFail;
        *step = d.jog.step;
        *delay = d.jog.delay;
        *times = d.jog.times;
        return 0;
    });
}

int getDriveParam(int handle, double *offset, uint8_t *enable)
{
    return statusCall("getDriveParam", handle, Args(handle), [&](SimDevice &d, double) {
        if (!offset || !enable)
            return kFail;
        *offset = d.drive.offset;
        *enable = d.drive.enable;
        return 0;
    });
}

int getCruiseParam(int handle, double *beginPos, double *endPos, int *stopTime, int *times)
{
    return statusCall("getCruiseParam", handle, Args(handle), [&](SimDevice &d, double) {
        if (!beginPos || !endPos || !stopTime || !times)
            return kFail;
        *beginPos = d.cruise.begin;
        *endPos = d.cruise.end;
        *stopTime = d.cruise.stopTime;
        *times = d.cruise.times;
        return 0;
    });
}

int getBtnParam(int handle, float *speed, uint16_t *mode, double *jogStep, double *pos1,
                double *pos2, uint16_t *backLightLevel, uint16_t *backSleepLevel,
                uint16_t *backDormant)
{
    return statusCall("getBtnParam", handle, Args(handle), [&](SimDevice &d, double) {
        if (!speed || !mode || !jogStep || !pos1 || !pos2 || !backLightLevel || !backSleepLevel
            || !backDormant)
            return kFail;
        const actsim::FlashRecord &f = d.flash;
        *speed = f.btnSpeed;
        *mode = f.btnMode;
        *jogStep = f.btnJogStep;
        *pos1 = f.btnPos1;
        *pos2 = f.btnPos2;
        *backLightLevel = f.backLightLevel;
        *backSleepLevel = f.backSleepLevel;
        *backDormant = f.backDormant;
        return 0;
    });
}

/* Raw frame: the reply echoes the code byte, then the payload. */

int sendDebugData(int handle, int code, const uint8_t *payload, int length, uint8_t *reply,
                  int capacity)
{
    const Args args = Args(handle).num(code).bytes(payload, length).num(length).num(capacity);
    return statusCall("sendDebugData", handle, args, [&](SimDevice &, double) {
        if (code < 0 || code > 255 || length < 0 || (!payload && length > 0) || !reply
            || capacity < 1)
            return kFail;
        reply[0] = static_cast<uint8_t>(code);
        const int n = std::min(length, capacity - 1);
        if (n > 0)
            std::memcpy(reply + 1, payload, static_cast<std::size_t>(n));
        return n + 1;
    });
}

} // extern "C"
