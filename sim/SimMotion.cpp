#include "sim/SimMotion.h"

#include <algorithm>
#include <cmath>

namespace actsim {

namespace {

constexpr double kTiny = 1e-12;

double signOf(double v)
{
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

// Appends phases while keeping the running time, position and velocity.
struct Builder
{
    Profile profile;
    double t = 0.0;
    double pos = 0.0;
    double vel = 0.0;

    Builder(double p0, double v0)
        : pos(p0), vel(v0)
    {
        profile.startPos = p0;
        profile.target = p0;
    }

    void add(double duration, double acc)
    {
        if (!(duration > 0.0))
            return;
        profile.phases.push_back({t, duration, pos, vel, acc});
        pos += vel * duration + 0.5 * acc * duration * duration;
        vel += acc * duration;
        t += duration;
    }
};

const Phase *phaseAt(const Profile &p, double t)
{
    for (const Phase &ph : p.phases) {
        if (t < ph.start + ph.duration)
            return &ph;
    }
    return nullptr;
}

} // namespace

double Profile::duration() const
{
    if (phases.empty())
        return 0.0;
    const Phase &last = phases.back();
    return last.start + last.duration;
}

double Profile::positionAt(double t) const
{
    if (t <= 0.0)
        return startPos;
    const Phase *ph = phaseAt(*this, t);
    if (!ph)
        return target;
    const double tau = t - ph->start;
    return ph->p0 + ph->v0 * tau + 0.5 * ph->acc * tau * tau;
}

double Profile::velocityAt(double t) const
{
    if (t < 0.0)
        return 0.0;
    const Phase *ph = phaseAt(*this, t);
    if (!ph)
        return 0.0;
    return ph->v0 + ph->acc * (t - ph->start);
}

bool Profile::atMaxSpeed(double t) const
{
    if (t < 0.0)
        return false;
    const Phase *ph = phaseAt(*this, t);
    return ph && ph->acc == 0.0 && maxSpeed > 0.0
           && std::fabs(ph->v0) >= maxSpeed * (1.0 - 1e-9);
}

Profile planStop(double p0, double v0, double acc, double lo, double hi)
{
    Builder b(p0, v0);
    const double dir = signOf(v0);
    const double speed = std::fabs(v0);
    if (dir == 0.0 || !(acc > 0.0))
        return b.profile;
    double dist = speed * speed / (2.0 * acc);
    const double room = std::max(0.0, dir > 0 ? hi - p0 : p0 - lo);
    double a = acc;
    if (dist > room) {
        // Braking with the set deceleration would leave the travel.
        if (room <= kTiny)
            return b.profile;
        a = speed * speed / (2.0 * room);
        dist = room;
    }
    b.add(speed / a, -dir * a);
    b.profile.target = std::clamp(p0 + dir * dist, lo, hi);
    return b.profile;
}

Profile planMove(double p0, double v0, double p1, double maxSpeed, double acc, double lo,
                 double hi)
{
    const double d = p1 - p0;
    const double s = signOf(d);
    double u = 0.0;
    if (v0 != 0.0) {
        u = std::fabs(v0);
        const double stopDist = u * u / (2.0 * acc);
        if (signOf(v0) != s || stopDist > std::fabs(d) + kTiny) {
            // Brake first, then come back to the target from rest.
            Profile brake = planStop(p0, v0, acc, lo, hi);
            Profile rest = planMove(brake.target, 0.0, p1, maxSpeed, acc, lo, hi);
            const double shift = brake.duration();
            for (Phase ph : rest.phases) {
                ph.start += shift;
                brake.phases.push_back(ph);
            }
            brake.target = rest.target;
            brake.maxSpeed = maxSpeed;
            return brake;
        }
    }

    Builder b(p0, s * u);
    b.profile.target = p1;
    b.profile.maxSpeed = maxSpeed;
    const double dist = std::fabs(d);
    if (dist <= kTiny && u == 0.0)
        return b.profile;

    const double peak = std::sqrt((2.0 * acc * dist + u * u) / 2.0);
    if (peak <= maxSpeed) {
        b.add((peak - u) / acc, s * acc);
        b.add(peak / acc, -s * acc);
    } else if (u <= maxSpeed) {
        const double cruise = dist - (maxSpeed * maxSpeed - u * u) / (2.0 * acc)
                              - maxSpeed * maxSpeed / (2.0 * acc);
        b.add((maxSpeed - u) / acc, s * acc);
        b.add(std::max(0.0, cruise) / maxSpeed, 0.0);
        b.add(maxSpeed / acc, -s * acc);
    } else {
        const double cruise = dist - u * u / (2.0 * acc);
        b.add((u - maxSpeed) / acc, -s * acc);
        b.add(std::max(0.0, cruise) / maxSpeed, 0.0);
        b.add(maxSpeed / acc, -s * acc);
    }
    return b.profile;
}

} // namespace actsim
