#include "tools/virtual-unit/engine_model.h"

#include <algorithm>
#include <cmath>

namespace varnok::unit {

namespace {

constexpr double kAmbient = 15.0;
constexpr double kWarmCoolant = 86.0;
constexpr double kRatedRpm = 2100.0;
constexpr double kCrankSeconds = 0.8;
constexpr double kCrankRpm = 180.0;
// A cold engine idles up to this much faster; the lift is gone at 60 degC.
constexpr double kColdIdleLift = 40.0;

}  // namespace

EngineModel::EngineModel(std::uint32_t seed, int stopTimeMs, int restartAfterMs)
    : random(seed), stopSeconds(stopTimeMs / 1000.0), restartSeconds(restartAfterMs / 1000.0) {}

void EngineModel::Approach(double& value, double target, double h, double timeConstant) const {
    value += (target - value) * std::min(1.0, h / timeConstant);
}

double EngineModel::CurrentMinIdle(double minIdleRpm) const {
    const double cold = std::clamp((60.0 - coolant) / 40.0, 0.0, 1.0);
    return minIdleRpm + kColdIdleLift * cold;
}

double EngineModel::PedalCorrectionShare() const {
    // A cold engine gets up to half as much correction again.
    return 1.0 + 0.5 * std::clamp((60.0 - coolant) / 40.0, 0.0, 1.0);
}

void EngineModel::RequestStop(bool on) {
    if (on && !stopRequested && phase != Phase::Stopped) {
        phase = Phase::Stopping;
        phaseTime = 0;
    }
    if (!on && stopRequested) {
        restartIn = restartSeconds > 0 ? restartSeconds : -1;
    }
    stopRequested = on;
}

void EngineModel::Start() {
    if (phase == Phase::Stopped) {
        phase = Phase::Cranking;
        phaseTime = 0;
    }
    restartIn = -1;
}

void EngineModel::Stop() {
    phase = Phase::Stopped;
    phaseTime = 0;
    rpm = rpm2 = 0;
    restartIn = -1;
}

void EngineModel::Step(double h, const Inputs& inputs) {
    phaseTime += h;
    switch (phase) {
        case Phase::Running:
            StepRunning(h, inputs);
            break;
        case Phase::Stopping: {
            // The rack closes at once; the engine runs down to a standstill.
            rack = rackSetpoint = 0;
            const double left = std::max(0.0, 1.0 - phaseTime / std::max(stopSeconds, 1e-3));
            rpm = std::min(rpm, CurrentMinIdle(inputs.minIdleRpm)) * left;
            if (phaseTime >= stopSeconds) {
                Stop();
            }
            break;
        }
        case Phase::Stopped:
            if (restartIn >= 0 && !stopRequested) {
                restartIn -= h;
                if (restartIn < 0) {
                    Start();
                }
            }
            break;
        case Phase::Cranking:
            rpm = kCrankRpm * std::min(1.0, phaseTime / 0.2);
            rackSetpoint = rack = 60;
            if (phaseTime >= kCrankSeconds) {
                phase = Phase::Running;
                phaseTime = 0;
            }
            break;
    }
    if (phase != Phase::Running) {
        Approach(speed, 0, h, 12.0);
        Approach(boost, 0.0, h, 1.0);
    }
    rpm2 = rpm > 0 ? rpm + noise(random) * 1.5 : 0;

    const bool turning = phase != Phase::Stopped;
    Approach(coolant, turning ? kWarmCoolant : kAmbient, h, turning ? 300.0 : 1800.0);
    Approach(fuelTemperature, kAmbient + (coolant - kAmbient) * 0.4, h, 120.0);
    Approach(airTemperature, kAmbient + 3.0 + boost * 30.0, h, 4.0);
    const double supply = phase == Phase::Cranking ? 21.5 : (turning ? 27.5 : 25.1);
    voltage = supply + noise(random) * 0.03;

    if (turning) {
        runSeconds += h;
        revolutions += rpm / 60.0 * h;
        while (runSeconds >= 60.0) {
            runSeconds -= 60.0;
            ++totalMinutes;
        }
        while (revolutions >= 1000.0) {
            revolutions -= 1000.0;
            ++totalKiloRevs;
        }
    }
}

void EngineModel::StepRunning(double h, const Inputs& in) {
    const double idle = CurrentMinIdle(in.minIdleRpm);
    const double pedal = std::clamp(in.pedalPercent, 0.0, 100.0);

    // The truck: the pedal asks for a speed; the limiter caps it.
    double wanted = pedal * 0.95;
    if (in.limiterOn) {
        wanted = std::min(wanted, in.speedLimitKmh);
    }
    const bool limited = in.limiterOn && pedal * 0.95 > in.speedLimitKmh;
    Approach(speed, wanted, h, pedal > 0 ? 8.0 : 15.0);

    // The speed governor sets the rack; the rack's positioner follows fast.
    const double load = std::clamp(0.1 + 0.9 * pedal / 100.0 - (limited ? 0.3 : 0.0), 0.0, 1.0);
    const double targetRpm = idle + (kRatedRpm - idle) * pedal / 100.0 * (limited ? 0.7 : 1.0);
    rackSetpoint = std::clamp(12.0 + 70.0 * load + (targetRpm - rpm) * 0.02, 0.0, 100.0);
    Approach(rack, rackSetpoint, h, 0.05);
    Approach(rpm, targetRpm, h, 0.6);
    rpm += noise(random) * 1.2;

    Approach(boost, 0.02 + 1.6 * load * rpm / kRatedRpm, h, 1.2);
}

}  // namespace varnok::unit
