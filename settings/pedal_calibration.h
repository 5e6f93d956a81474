// The steps of a pedal channel's calibration, without the dialog: the
// released reading is taken from the start of the last run of 10 steady
// ticks with the pedal released, the pressed reading from the start of the
// last run of 10 steady ticks more than 500 counts away from it. "Steady"
// means within 2 counts of the stored reading, either way. Readings are
// whole numbers compared without wrap-around, so a sensor whose reading
// falls when the pedal is pressed calibrates the same way.
//
// Plain logic on plain values; one tick per call of Tick.
#pragma once

#include <cstdint>

namespace varnok {

struct PedalReadings {
    std::uint16_t released = 0;
    std::uint16_t pressed = 0;
};

class PedalCalibration {
public:
    enum class State : std::uint8_t {
        Idle = 0,             // before "ПУСК", and once finished
        Released = 1,         // measuring the released pedal
        WaitingForPress = 2,  // waiting for the pedal to be pressed
        Pressed = 3,          // measuring the pressed pedal
    };
    // What a tick changed.
    enum class Step { None, ReleasedSteady, Finished };

    static constexpr int kSteadyCounts = 2;
    static constexpr int kPressCounts = 500;
    static constexpr std::uint8_t kSteadyTicks = 10;
    // How far "ОК" moves each reading toward the other.
    static constexpr std::uint16_t kAcceptMargin = 10;

    // Back to Idle before a new run (the dialog being shown).
    void Reset() { state = State::Idle; }
    // "ПУСК": the released reading starts at the current reading.
    void Start(PedalReadings& readings, std::uint16_t reading);
    // One timer tick on the current reading.
    Step Tick(PedalReadings& readings, std::uint16_t reading);

    // "ОК": both readings move 10 counts toward each other, in 16-bit
    // unsigned arithmetic.
    static void MoveTogether(PedalReadings& readings);

    State CurrentState() const { return state; }
    std::uint8_t StableCount() const { return stableCount; }

private:
    State state = State::Idle;
    std::uint8_t stableCount = 0;
};

}  // namespace varnok
