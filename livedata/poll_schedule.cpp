#include "livedata/poll_schedule.h"

namespace varnok {

using namespace objects;

std::vector<const DataObject*> PollReads(View view, int page) {
    std::vector<const DataObject*> reads{&kEngineSpeedN1, &kEngineSpeedN2, &kRackPosition,
                                         &kRackSetpoint,  &kPedalPosition, &kVehicleSpeed,
                                         &kBoostPressure, &kEngineRunning};
    if (view == View::Information) {
        reads.insert(reads.end(), {&kBoostTemperature, &kFuelTemperature, &kCoolantTemperature,
                                   &kSupplyVoltage});
        switch (page) {
            case kEnginePage:
                reads.insert(reads.end(),
                             {&kEngineHours, &kEngineRevolutions, &kSwitches, &kOutputs});
                break;
            case kSwitchesPage:
                reads.insert(reads.end(), {&kSwitches, &kOutputs});
                break;
            case kOutputsPage:
                reads.push_back(&kOutputs);
                break;
            default:
                break;
        }
    } else if (view == View::Settings) {
        reads.insert(reads.end(), {&kPedalCorrection, &kIdleSpeed});
    }
    return reads;
}

const std::vector<const DataObject*>& ConnectReads() {
    static const std::vector<const DataObject*> reads{
        &kTachographConstant, &kSpeedLimit,          &kSpeedLimiterOn,        &kTachometerRatio,
        &kDoorPedalLock,      &kCabSpeedControl,     &kEngineBaySpeedControl, &kCanSetting,
        &kPedal1Enabled,      &kPedal2Enabled,       &kSpeedGainKd,           &kRackGainKp,
        &kWarmIdleSpeed,      &kWarmPedalCorrection,
    };
    return reads;
}

}  // namespace varnok
