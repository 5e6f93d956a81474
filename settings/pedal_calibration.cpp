#include "settings/pedal_calibration.h"

#include <cstdlib>

namespace varnok {

namespace {

int Distance(std::uint16_t a, std::uint16_t b) {
    return std::abs(static_cast<int>(a) - static_cast<int>(b));
}

}  // namespace

void PedalCalibration::Start(PedalReadings& readings, std::uint16_t reading) {
    stableCount = 0;
    readings.released = reading;
    state = State::Released;
}

PedalCalibration::Step PedalCalibration::Tick(PedalReadings& readings, std::uint16_t reading) {
    switch (state) {
        case State::Idle:
            return Step::None;
        case State::Released:
            if (Distance(reading, readings.released) > kSteadyCounts) {
                readings.released = reading;
                stableCount = 0;
            } else {
                ++stableCount;
            }
            if (stableCount == kSteadyTicks) {
                state = State::WaitingForPress;
                return Step::ReleasedSteady;
            }
            return Step::None;
        case State::WaitingForPress:
            if (Distance(reading, readings.released) > kPressCounts) {
                readings.pressed = reading;
                stableCount = 0;
                state = State::Pressed;
            }
            return Step::None;
        case State::Pressed:
            if (Distance(reading, readings.pressed) <= kSteadyCounts &&
                Distance(reading, readings.released) > kPressCounts) {
                ++stableCount;
            } else {
                readings.pressed = reading;
                stableCount = 0;
            }
            if (stableCount == kSteadyTicks) {
                state = State::Idle;
                return Step::Finished;
            }
            return Step::None;
    }
    return Step::None;
}

void PedalCalibration::MoveTogether(PedalReadings& readings) {
    if (readings.pressed > readings.released) {
        readings.pressed = static_cast<std::uint16_t>(readings.pressed - kAcceptMargin);
        readings.released = static_cast<std::uint16_t>(readings.released + kAcceptMargin);
    } else {
        readings.pressed = static_cast<std::uint16_t>(readings.pressed + kAcceptMargin);
        readings.released = static_cast<std::uint16_t>(readings.released - kAcceptMargin);
    }
}

}  // namespace varnok
