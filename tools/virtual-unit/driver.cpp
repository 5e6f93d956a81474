#include "tools/virtual-unit/driver.h"

#include <algorithm>
#include <cmath>

namespace varnok::unit {

namespace {

// A foot moves the pedal through its whole travel in about a third of a second.
constexpr double kPedalRate = 300.0;  // % per second
constexpr double kClutchSeconds = 0.5;

std::uint16_t Counts(double released, double pressed, double travel, int jitter) {
    const double counts = released + (pressed - released) * travel / 100.0 + jitter;
    return static_cast<std::uint16_t>(std::clamp(std::lround(counts), 0L, 1023L));
}

}  // namespace

Driver::Driver(std::uint32_t seed, bool isAutomatic) : random(seed), automatic(isAutomatic) {}

void Driver::Press(double percent) {
    automatic = false;
    target = std::clamp(percent, 0.0, 100.0);
}

void Driver::SetAutomatic(bool on) {
    automatic = on;
    phaseLeft = 0;
}

void Driver::NextManoeuvre() {
    // Pull away, change the pace a few times, let the truck roll out, stand.
    static constexpr double kTargets[] = {0, 20, 35, 50, 65, 85, 35, 0};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kTargets)) - 1);
    std::uniform_real_distribution<double> seconds(3.0, 8.0);
    const double next = kTargets[pick(random)];
    if (next != target) {
        clutchLeft = kClutchSeconds;
    }
    target = next;
    phaseLeft = seconds(random);
}

void Driver::Step(double seconds, double speedKmh) {
    if (automatic) {
        phaseLeft -= seconds;
        if (phaseLeft <= 0) {
            NextManoeuvre();
        }
    }
    const double move = kPedalRate * seconds;
    travel = travel < target ? std::min(target, travel + move) : std::max(target, travel - move);
    clutchLeft = std::max(0.0, clutchLeft - seconds);

    // The driver opens his door a second after the truck has stopped, and
    // shuts it again a moment later.
    const bool standing = speedKmh < 0.5 && travel == 0;
    stoppedFor = standing ? stoppedFor + seconds : 0;
    doorOpen = automatic && stoppedFor > 1.0 && stoppedFor < 2.5;

    jitter = std::uniform_int_distribution<int>(-1, 1)(random);
}

std::uint16_t Driver::Sensor1() const {
    return Counts(kSensor1Released, kSensor1Pressed, travel, jitter);
}

std::uint16_t Driver::Sensor2() const {
    return Counts(kSensor2Released, kSensor2Pressed, travel, jitter);
}

}  // namespace varnok::unit
