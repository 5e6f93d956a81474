// A small model of the engine and the truck around it, good enough to make
// the unit's live values move the way a technician expects: the engine idles
// near its minimum idle speed (higher while cold), the pedal drives the rack
// and through it the engine speed, the vehicle speed and the boost; the
// coolant warms up while the engine runs, the supply sits near 27.5 V with
// the alternator turning, and the engine totals count.
//
// Time moves only through Step, in short steps; nothing here reads a clock.
// Not thread-safe; the unit model owns it.
#pragma once

#include <cstdint>
#include <random>

namespace varnok::unit {

class EngineModel {
public:
    enum class Phase { Running, Stopping, Stopped, Cranking };

    struct Inputs {
        double pedalPercent = 0;  // as the unit reads it through its calibration
        double minIdleRpm = 650;  // setting of the warm engine
        bool limiterOn = false;
        double speedLimitKmh = 90;
    };

    EngineModel(std::uint32_t seed, int stopTimeMs, int restartAfterMs);

    // Moves time on by `seconds` (at most a few tens of milliseconds).
    void Step(double seconds, const Inputs& inputs);

    // The stop request of the store flow: on, the engine runs down and stops;
    // off again, it is restarted after the restart delay (if any).
    void RequestStop(bool on);
    // Turns the key: cranks a standing engine.
    void Start();
    // Stops the engine at once, as the key switched off would.
    void Stop();

    Phase CurrentPhase() const { return phase; }
    // The engine running word: on from cranking until it has stopped.
    bool Running() const { return phase != Phase::Stopped; }

    double Rpm() const { return rpm; }
    double SecondRpm() const { return rpm2; }
    double Rack() const { return rack; }                  // %
    double RackSetpoint() const { return rackSetpoint; }  // %
    double SpeedKmh() const { return speed; }
    double Boost() const { return boost; }  // kg/cm2 above the air outside
    double BoostTemperature() const { return airTemperature; }
    double FuelTemperature() const { return fuelTemperature; }
    double Coolant() const { return coolant; }
    double Voltage() const { return voltage; }
    // Minimum idle speed in force: the setting, raised while the engine is cold.
    double CurrentMinIdle(double minIdleRpm) const;
    // Pedal correction in force, as a share of the warm engine's maximum.
    double PedalCorrectionShare() const;
    std::uint32_t TotalMinutes() const { return totalMinutes; }
    std::uint32_t TotalKiloRevolutions() const { return totalKiloRevs; }

private:
    void StepRunning(double h, const Inputs& inputs);
    void Approach(double& value, double target, double h, double timeConstant) const;

    std::mt19937 random;
    std::normal_distribution<double> noise{0.0, 1.0};
    double stopSeconds;
    double restartSeconds;

    Phase phase = Phase::Running;
    double phaseTime = 0;
    bool stopRequested = false;
    double restartIn = -1;  // seconds until the automatic restart; negative: none

    double rpm = 650;
    double rpm2 = 650;
    double rack = 18;
    double rackSetpoint = 18;
    double speed = 0;
    double boost = 0.02;
    double airTemperature = 18;
    double fuelTemperature = 20;
    double coolant = 35;  // started a little while ago
    double voltage = 27.5;

    // Engine totals, with the fractions not yet counted.
    std::uint32_t totalMinutes = 48213;
    std::uint32_t totalKiloRevs = 31337;
    double runSeconds = 0;
    double revolutions = 0;
};

}  // namespace varnok::unit
