#include "sim/SimDevice.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace actsim {

namespace {

// Positions closer than this count as equal (limits, target reached, homed).
constexpr double kEps = 1e-9;

double profileMs(const Profile &p)
{
    return p.duration() * 1000.0;
}

long wholeCycles(double elapsedMs, double cycleMs)
{
    if (!(cycleMs > 0.0) || elapsedMs < cycleMs)
        return 0;
    const double n = std::floor(elapsedMs / cycleMs);
    return n > 1e9 ? 1000000000L : static_cast<long>(n);
}

} // namespace

double travelOf(int model)
{
    if (model == 1 || model == 2)
        return 6.0;
    if (model == 3 || model == 4)
        return 13.0;
    return 100.0;
}

SimDevice::SimDevice(int handle, const std::string &key, const FlashRecord &flash, int model,
                     bool motorConnected)
    : handle(handle),
      key(key),
      flash(flash),
      m_model(model),
      m_motorConnected(motorConnected),
      m_pos(travelOf(model) * 0.4),
      m_lastTarget(std::numeric_limits<double>::quiet_NaN())
{
}

double SimDevice::clampToTravel(double mm) const
{
    return std::clamp(mm, 0.0, travel());
}

double SimDevice::position(double now) const
{
    if (m_stage == Stage::Moving)
        return clampToTravel(m_profile.positionAt((now - m_stageStart) / 1000.0));
    return m_pos;
}

double SimDevice::velocity(double now) const
{
    if (m_stage == Stage::Moving)
        return m_profile.velocityAt((now - m_stageStart) / 1000.0);
    return 0.0;
}

uint16_t SimDevice::status(double now) const
{
    const double p = position(now);
    uint16_t word = 0;
    if (m_stage == Stage::Moving) {
        if (m_profile.atMaxSpeed((now - m_stageStart) / 1000.0))
            word |= ReachedSpeed;
    } else {
        word |= MotorStopped;
        if (std::fabs(p - m_lastTarget) <= kEps)
            word |= ReachedTarget;
    }
    if (p <= kEps)
        word |= LeftLimit;
    if (p >= travel() - kEps)
        word |= RightLimit;
    if (m_motorEnabled)
        word |= MotorEnabled;
    if (m_homed && p <= kEps)
        word |= Homed;
    if (m_controlDisabled)
        word |= ControlDisabled;
    if (m_motorConnected)
        word |= MotorConnected;
    return word;
}

void SimDevice::advance(double now)
{
    while (m_stage != Stage::Idle && m_stageEnd <= now) {
        const Stage finished = m_stage;
        const double t = m_stageEnd;
        if (finished == Stage::Moving) {
            if (m_profile.startPos > kEps || m_profile.target > kEps)
                m_homed = false;
            m_pos = clampToTravel(m_profile.target);
        }
        m_stage = Stage::Idle;
        stageDone(finished, t, now);
    }
}

void SimDevice::halt(double now)
{
    if (m_stage == Stage::Moving) {
        m_pos = position(now);
        if (m_pos > kEps || m_profile.startPos > kEps)
            m_homed = false;
    }
    m_stage = Stage::Idle;
    cancelPrograms();
}

void SimDevice::cancelPrograms()
{
    m_program = Program::None;
    m_jogLeft = 0;
    m_cruiseLeft = 0;
    if (m_stage == Stage::Dwelling)
        m_stage = Stage::Idle;
}

void SimDevice::startMove(double t, double to)
{
    double p = m_pos;
    double v = 0.0;
    if (m_stage == Stage::Moving) {
        // A new motion takes over from the running one without a jump.
        p = position(t);
        v = velocity(t);
        if (p > kEps || m_profile.startPos > kEps)
            m_homed = false;
    }
    m_profile = planMove(p, v, to, m_runSpeed, m_runAcc, 0.0, travel());
    m_pos = p;
    m_stage = Stage::Moving;
    m_stageStart = t;
    m_stageEnd = t + profileMs(m_profile);
    m_lastTarget = to;
}

void SimDevice::startDwell(double t, double ms)
{
    m_stage = Stage::Dwelling;
    m_stageStart = t;
    m_stageEnd = t + ms;
}

void SimDevice::stageDone(Stage finished, double t, double now)
{
    switch (m_program) {
    case Program::None:
        break;
    case Program::Move:
    case Program::Drive:
    case Program::Stop:
        m_program = Program::None;
        break;
    case Program::Home:
        m_homed = m_pos <= kEps;
        m_program = Program::None;
        break;
    case Program::Jog:
        if (finished == Stage::Moving) {
            if (--m_jogLeft > 0) {
                if (m_jogDelay > 0.0)
                    startDwell(t, m_jogDelay);
                else
                    nextJogStep(t, now);
            } else {
                m_jogLeft = 0;
                m_program = Program::None;
            }
        } else {
            nextJogStep(t, now);
        }
        break;
    case Program::Cruise:
        switch (m_leg) {
        case Leg::Approach:
            m_leg = Leg::DwellBegin;
            startDwell(t, m_cruiseStop);
            break;
        case Leg::DwellBegin:
            nextCruiseTime(t, now);
            break;
        case Leg::ToEnd:
            m_leg = Leg::DwellEnd;
            startDwell(t, m_cruiseStop);
            break;
        case Leg::DwellEnd:
            m_leg = Leg::ToBegin;
            startMove(t, m_cruiseBegin);
            break;
        case Leg::ToBegin:
            if (--m_cruiseLeft > 0) {
                m_leg = Leg::DwellBegin;
                startDwell(t, m_cruiseStop);
            } else {
                m_cruiseLeft = 0;
                m_program = Program::None;
            }
            break;
        }
        break;
    }
}

void SimDevice::nextJogStep(double t, double now)
{
    if (m_stage == Stage::Idle && m_jogLeft > 1) {
        // Steps that lie wholly in the past are taken at once, so a long
        // jump of the clock costs no more than a short one.
        const double step = std::fabs(m_jogStep);
        const double room = m_jogStep > 0 ? travel() - m_pos : m_pos;
        if (room <= kEps || step <= kEps) {
            if (m_jogDelay <= 0.0) {
                m_jogLeft = 0;
                m_program = Program::None;
                m_lastTarget = m_pos;
                return;
            }
            const long k = std::min<long>(m_jogLeft - 1, wholeCycles(now - t, m_jogDelay));
            m_jogLeft -= static_cast<int>(k);
            t += k * m_jogDelay;
        } else {
            const long fit = static_cast<long>(std::floor(room / step + 1e-9));
            const long k = std::min<long>({static_cast<long>(m_jogLeft - 1), fit,
                                           wholeCycles(now - t, m_jogStepTime + m_jogDelay)});
            if (k > 0) {
                m_pos = clampToTravel(m_pos + k * m_jogStep);
                m_homed = false;
                m_lastTarget = m_pos;
                m_jogLeft -= static_cast<int>(k);
                t += k * (m_jogStepTime + m_jogDelay);
            }
        }
    }
    const double from = m_stage == Stage::Moving ? position(t) : m_pos;
    startMove(t, clampToTravel(from + m_jogStep));
}

void SimDevice::nextCruiseTime(double t, double now)
{
    const double cycle = 2.0 * m_cruiseStop + 2.0 * m_cruiseLegTime;
    if (!(cycle > 0.0)) {
        // Begin and end coincide and there is no dwell: every time is over at once.
        m_cruiseLeft = 0;
        m_program = Program::None;
        return;
    }
    const long k = std::min<long>(m_cruiseLeft - 1, wholeCycles(now - t, cycle));
    if (k > 0) {
        m_cruiseLeft -= static_cast<int>(k);
        t += k * cycle;
        if (m_cruiseBegin > kEps || m_cruiseEnd > kEps)
            m_homed = false;
    }
    m_leg = Leg::ToEnd;
    startMove(t, m_cruiseEnd);
}

int SimDevice::commandMove(double now)
{
    if (m_controlDisabled)
        return -1;
    if (!canMove())
        return 0;
    cancelPrograms();
    m_program = Program::Move;
    m_runSpeed = move.speed;
    m_runAcc = move.acc;
    startMove(now, clampToTravel(move.target));
    advance(now);
    return 0;
}

int SimDevice::commandHome(double now)
{
    if (m_controlDisabled)
        return -1;
    if (!canMove())
        return 0;
    cancelPrograms();
    m_program = Program::Home;
    m_runSpeed = move.speed;
    m_runAcc = move.acc;
    startMove(now, 0.0);
    advance(now);
    return 0;
}

int SimDevice::commandJog(double now, int direction)
{
    if (direction != 0 && direction != 1)
        return -1;
    if (m_controlDisabled)
        return -1;
    if (!canMove())
        return 0;
    cancelPrograms();
    if (jog.times <= 0)
        return 0;
    m_program = Program::Jog;
    m_runSpeed = move.speed;
    m_runAcc = move.acc;
    m_jogLeft = jog.times;
    m_jogStep = direction == 0 ? jog.step : -jog.step;
    m_jogDelay = jog.delay;
    m_jogStepTime = profileMs(planMove(0.0, 0.0, jog.step, m_runSpeed, m_runAcc, 0.0,
                                       std::numeric_limits<double>::infinity()));
    nextJogStep(now, now);
    advance(now);
    return 0;
}

int SimDevice::commandDrive(double now, int direction)
{
    if (direction != 0 && direction != 1)
        return -1;
    if (m_controlDisabled)
        return -1;
    if (!canMove())
        return 0;
    cancelPrograms();
    const double from = position(now);
    double to;
    if (drive.enable)
        to = clampToTravel(direction == 0 ? from + drive.offset : from - drive.offset);
    else
        to = direction == 0 ? travel() : 0.0;
    m_program = Program::Drive;
    m_runSpeed = move.speed;
    m_runAcc = move.acc;
    startMove(now, to);
    advance(now);
    return 0;
}

int SimDevice::commandCruise(double now)
{
    if (m_controlDisabled)
        return -1;
    if (!canMove())
        return 0;
    cancelPrograms();
    if (cruise.times <= 0)
        return 0;
    m_program = Program::Cruise;
    m_runSpeed = move.speed;
    m_runAcc = move.acc;
    m_cruiseLeft = cruise.times;
    m_cruiseBegin = clampToTravel(cruise.begin);
    m_cruiseEnd = clampToTravel(cruise.end);
    m_cruiseStop = cruise.stopTime;
    m_cruiseLegTime = profileMs(planMove(m_cruiseBegin, 0.0, m_cruiseEnd, m_runSpeed, m_runAcc,
                                         0.0, travel()));
    m_leg = Leg::Approach;
    startMove(now, m_cruiseBegin);
    advance(now);
    return 0;
}

int SimDevice::commandStop(double now)
{
    cancelPrograms();
    if (m_stage == Stage::Moving) {
        const double p = position(now);
        const double v = velocity(now);
        if (p > kEps || m_profile.startPos > kEps)
            m_homed = false;
        m_profile = planStop(p, v, move.acc, 0.0, travel());
        m_pos = p;
        m_program = Program::Stop;
        m_stageStart = now;
        m_stageEnd = now + profileMs(m_profile);
    }
    advance(now);
    return 0;
}

void SimDevice::setMotorEnabled(double now, bool enabled)
{
    if (!enabled)
        halt(now);
    m_motorEnabled = enabled;
}

void SimDevice::setMotorConnected(double now, bool connected)
{
    if (!connected)
        halt(now);
    m_motorConnected = connected;
}

void SimDevice::setControlDisabled(double now, bool disabled)
{
    if (disabled)
        halt(now);
    m_controlDisabled = disabled;
}

void SimDevice::setModel(double now, int model)
{
    if (travelOf(model) != travel()) {
        halt(now);
        m_model = model;
        m_pos = clampToTravel(m_pos);
    } else {
        m_model = model;
    }
}

void SimDevice::placeAt(double now, double mm)
{
    halt(now);
    m_pos = clampToTravel(mm);
    if (m_pos > kEps)
        m_homed = false;
}

void SimDevice::unplug(double now)
{
    halt(now);
    open = false;
}

} // namespace actsim
