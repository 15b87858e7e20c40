// One simulated controller: its parameters, its flash and its slide.
//
// The slide is not driven by a thread: the device keeps a motion plan (the
// current profile or dwell, and the jog or cruise still to come) and brings it
// up to "now" whenever it is touched. Every member below `mutex` is guarded by
// it; callers lock it and call advance(now) before anything else.
//
// Cruise: the slide first moves to the begin position and dwells there for the
// stop time; one time is then begin -> end, dwell, end -> begin, and the count
// drops when the slide is back at begin; between times it dwells at begin.
// Jog: each step moves by the step length and counts when it completes; the
// delay separates steps (none after the last).
#ifndef SIMDEVICE_H
#define SIMDEVICE_H

#include "sim/SimConfig.h"
#include "sim/SimFlash.h"
#include "sim/SimMotion.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace actsim {

// Travel of an actuator model: codes 1 and 2 are 6 mm, 3 and 4 are 13 mm, others 100 mm.
double travelOf(int model);

// Status word bits.
enum StatusBit : uint16_t {
    ReachedTarget = 1 << 0,
    ReachedSpeed = 1 << 1,
    MotorStopped = 1 << 2,
    LeftLimit = 1 << 3,
    RightLimit = 1 << 4,
    MotorEnabled = 1 << 5,
    Homed = 1 << 6,
    ControlDisabled = 1 << 7,
    MotorConnected = 1 << 8,
};

struct MoveParams
{
    double target = 0.0;
    float speed = 2.0f;
    float acc = 1.0f;
    uint16_t jerk = 0;
};

struct JogParams
{
    double step = 1.0;
    int delay = 1000;
    int times = 2;
};

struct DriveParams
{
    double offset = 1.5;
    uint8_t enable = 0;
};

struct CruiseParams
{
    double begin = 1.2;
    double end = 2.5;
    int stopTime = 1000;
    int times = 4;
};

struct DeviceSettings
{
    int recoil = 0;
    uint16_t current = 16;
    uint16_t separate = 0;
    uint16_t triggerInMode = 1;
    uint16_t triggerOutMode = 1;
    uint16_t triggerOutCondition = 1;
    uint16_t io1Mode = 1;
    uint16_t io2Mode = 1;
    double io1Disp = 1.0;
    double io2Disp = 1.0;
    int triggerTime = 1;
};

class SimDevice
{
public:
    // flash: what the controller's flash holds; model: the actuator model it starts with.
    SimDevice(int handle, const std::string &key, const FlashRecord &flash, int model,
              bool motorConnected);

    const int handle;
    const std::string key; // the driver serial it was attached with; keys its flash

    std::atomic<bool> attached{true};
    std::atomic<int> inFlight{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> delayMs{0};

    std::mutex mutex;

    bool open = false;
    MoveParams move;
    JogParams jog;
    DriveParams drive;
    CruiseParams cruise;
    DeviceSettings settings;
    FlashRecord flash;

    // Brings the motion plan up to now (seconds).
    void advance(double now);

    double position(double now) const;
    uint16_t status(double now) const;
    int model() const { return m_model; }
    double travel() const { return travelOf(m_model); }
    int jogLeft() const { return m_jogLeft; }
    int cruiseLeft() const { return m_cruiseLeft; }
    bool motorEnabled() const { return m_motorEnabled; }

    // Motion commands; 0 accepted (also when the motor cannot move), negative
    // refused (motion control disabled, bad direction).
    int commandMove(double now);
    int commandHome(double now);
    int commandJog(double now, int direction);
    int commandDrive(double now, int direction);
    int commandCruise(double now);
    int commandStop(double now);

    // Conditions that stop the slide at once when they take it away.
    void setMotorEnabled(double now, bool enabled);
    void setMotorConnected(double now, bool connected);
    void setControlDisabled(double now, bool disabled);
    // Temporary model change; the slide stops when the travel changes.
    void setModel(double now, int model);
    // Places the slide at rest (clamped to the travel).
    void placeAt(double now, double mm);
    // Unplugged: the slide stops and the port closes.
    void unplug(double now);

private:
    enum class Program { None, Move, Home, Jog, Drive, Cruise, Stop };
    enum class Stage { Idle, Moving, Dwelling };
    enum class Leg { Approach, DwellBegin, ToEnd, DwellEnd, ToBegin };

    bool canMove() const { return m_motorEnabled && m_motorConnected; }
    double clampToTravel(double mm) const;
    double velocity(double now) const;
    void halt(double now);
    void cancelPrograms();
    void startMove(double t, double to);
    void startDwell(double t, double seconds);
    void stageDone(Stage finished, double t, double now);
    void nextJogStep(double t, double now);
    void nextCruiseTime(double t, double now);

    int m_model;
    bool m_motorEnabled = true;
    bool m_motorConnected;
    bool m_controlDisabled = false;
    bool m_homed = false;

    double m_pos;         // position while not moving
    double m_lastTarget;  // destination of the last move (NaN before any)
    Stage m_stage = Stage::Idle;
    double m_stageStart = 0.0;
    double m_stageEnd = 0.0;
    Profile m_profile;
    Program m_program = Program::None;
    double m_runSpeed = 1.0; // speed and acceleration of the running program
    double m_runAcc = 1.0;

    int m_jogLeft = 0;
    double m_jogStep = 0.0; // signed
    double m_jogDelay = 0.0;
    double m_jogStepTime = 0.0;

    int m_cruiseLeft = 0;
    Leg m_leg = Leg::Approach;
    double m_cruiseBegin = 0.0;
    double m_cruiseEnd = 0.0;
    double m_cruiseStop = 0.0;
    double m_cruiseLegTime = 0.0;
};

} // namespace actsim

#endif
