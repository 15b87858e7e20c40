// Trapezoidal motion profiles of the simulated slide.
//
// A profile is a chain of constant-acceleration phases that ends at rest on
// its target. Times are in seconds, positions in mm, speeds in mm/s and
// accelerations in mm/s^2; speeds and accelerations carry their sign.
#ifndef SIMMOTION_H
#define SIMMOTION_H

#include <vector>

namespace actsim {

struct Phase
{
    double start;    // offset from the profile start
    double duration;
    double p0;
    double v0;
    double acc;
};

struct Profile
{
    std::vector<Phase> phases;
    double startPos = 0.0;
    double target = 0.0;
    double maxSpeed = 0.0; // the speed the cruising phase runs at

    double duration() const;
    // Position and velocity t seconds after the start (clamped to the profile).
    double positionAt(double t) const;
    double velocityAt(double t) const;
    // True while t lies in a constant-speed phase at maxSpeed.
    bool atMaxSpeed(double t) const;
};

// Motion from p0 with velocity v0 to rest at p1, limited by maxSpeed and acc
// (both > 0). A start velocity pointing away from p1, or too fast to stop in
// time, is first braked to rest, then the slide returns to p1. lo..hi bound
// the braking point so the slide never leaves the travel.
Profile planMove(double p0, double v0, double p1, double maxSpeed, double acc, double lo,
                 double hi);

// Braking from p0 with velocity v0 to rest with deceleration acc; the slide is
// stopped harder where needed to stay inside lo..hi.
Profile planStop(double p0, double v0, double acc, double lo, double hi);

} // namespace actsim

#endif
