// The man at the pedal: the accelerator's travel and its two sensor
// channels, and, unless a test or the user has taken over, an automatic
// driver who pulls away, drives and stops now and then.
//
// Not thread-safe; the unit model owns it and is guarded by its owner.
#pragma once

#include <cstdint>
#include <random>

namespace varnok::unit {

class Driver {
public:
    // Physical ends of the two sensor channels, in converter counts.
    // Channel 1 rises with the pedal travel, channel 2 falls.
    static constexpr int kSensor1Released = 102;
    static constexpr int kSensor1Pressed = 921;
    static constexpr int kSensor2Released = 870;
    static constexpr int kSensor2Pressed = 150;

    Driver(std::uint32_t seed, bool automatic);

    // Moves time on by `seconds` (a short step); `speedKmh` is the vehicle's
    // speed, which decides when the doors may open.
    void Step(double seconds, double speedKmh);

    // Moves the pedal to `percent` of its travel (0 releases it, 100 presses
    // it to the stop) and takes over from the automatic driver.
    void Press(double percent);
    void SetAutomatic(bool on);
    bool Automatic() const { return automatic; }

    double Travel() const { return travel; }  // 0 to 100 %
    std::uint16_t Sensor1() const;
    std::uint16_t Sensor2() const;
    bool Clutch() const { return clutchLeft > 0; }
    bool DoorOpen() const { return doorOpen; }

private:
    void NextManoeuvre();

    std::mt19937 random;
    bool automatic;
    double travel = 0;      // where the pedal is
    double target = 0;      // where the foot takes it
    double phaseLeft = 3;   // seconds until the automatic driver's next move
    double stoppedFor = 0;  // seconds standing with the pedal released
    double clutchLeft = 0;
    bool doorOpen = false;
    int jitter = 0;  // converter noise of this step, -1 to 1
};

}  // namespace varnok::unit
