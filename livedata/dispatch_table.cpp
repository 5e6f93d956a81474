#include "livedata/dispatch_table.h"

#include <array>

namespace varnok {

namespace {

using namespace objects;
using T = DispatchTarget;

constexpr std::array kRows{
    DispatchRow{&kEngineSpeedN1, T::SensorRow, 0, 0},
    DispatchRow{&kEngineSpeedN2, T::SensorRow, 1, 1},
    DispatchRow{&kVehicleSpeed, T::SensorRow, 2, 5},
    DispatchRow{&kTachographConstant, T::Settings, -1, -1},
    DispatchRow{&kPedal1Enabled, T::Settings, -1, -1},
    DispatchRow{&kPedal1Reading, T::Gauge, -1, -1},
    DispatchRow{&kPedal2Enabled, T::Settings, -1, -1},
    DispatchRow{&kPedal2Reading, T::Gauge, -1, -1},
    DispatchRow{&kBoostPressure, T::SensorRow, 5, 6},
    DispatchRow{&kBoostTemperature, T::SensorRow, 6, -1},
    DispatchRow{&kFuelTemperature, T::SensorRow, 7, -1},
    DispatchRow{&kCoolantTemperature, T::SensorRow, 8, -1},
    DispatchRow{&kSupplyVoltage, T::SensorRow, 9, -1},
    DispatchRow{&kRackPosition, T::SensorRow, 3, 2},
    DispatchRow{&kRackSetpoint, T::GraphOnly, -1, 3},
    DispatchRow{&kPedalPosition, T::SensorRow, 4, 4},
    DispatchRow{&kRackGainKp, T::Settings, -1, -1},
    DispatchRow{&kTachometerRatio, T::Settings, -1, -1},
    DispatchRow{&kSwitches, T::Switches, -1, -1},
    DispatchRow{&kOutputs, T::Outputs, -1, -1},
    DispatchRow{&kEngineHours, T::EngineRow, 0, -1},
    DispatchRow{&kEngineRevolutions, T::EngineRow, 1, -1},
    DispatchRow{&kDoorPedalLock, T::Settings, -1, -1},
    DispatchRow{&kCabSpeedControl, T::Settings, -1, -1},
    DispatchRow{&kEngineBaySpeedControl, T::Settings, -1, -1},
    DispatchRow{&kSpeedGainKd, T::Settings, -1, -1},
    DispatchRow{&kWarmIdleSpeed, T::Settings, -1, -1},
    DispatchRow{&kWarmPedalCorrection, T::Settings, -1, -1},
    DispatchRow{&kPedalCorrection, T::Settings, -1, -1},
    DispatchRow{&kIdleSpeed, T::Settings, -1, -1},
    DispatchRow{&kSpeedLimiterOn, T::Settings, -1, -1},
    DispatchRow{&kSpeedLimit, T::Settings, -1, -1},
    DispatchRow{&kCanSetting, T::Settings, -1, -1},
};

constexpr DispatchRow kEngineRunningRow{&kEngineRunning, T::Nothing, -1, -1};

}  // namespace

const DispatchRow* FindDispatchRow(std::uint16_t object, std::uint16_t offset) {
    if (object == kEngineRunning.object) {
        return &kEngineRunningRow;
    }
    for (const DispatchRow& row : kRows) {
        if (row.source->object == object && row.source->offset == offset) {
            return &row;
        }
    }
    return nullptr;
}

double GraphValue(const DataObject& source) {
    return Scaled(LoadSigned16(source), source.scale);
}

}  // namespace varnok
