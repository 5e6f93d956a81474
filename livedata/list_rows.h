// The rows of the four live value lists, in row order. The main window
// creates the rows with these captions when it is created; values arrive
// later into the second column.
//
// The sensor and engine lists show one data object per row, captioned with
// the object's meaning. The switch and output lists show one bit per row of
// a 16-bit bit field: object 800 offset 6 (bits 3 and 7 have no row) and
// object 800 offset 8 (bits 0-7).
#pragma once

#include <array>
#include <string_view>

#include "livedata/data_objects.h"

namespace varnok {

struct BitRow {
    int bit;
    std::string_view caption;
};

// ListView5, the sensor list.
inline constexpr std::array<const DataObject*, 10> kSensorRows{
    &objects::kEngineSpeedN1,    &objects::kEngineSpeedN2,   &objects::kVehicleSpeed,
    &objects::kRackPosition,     &objects::kPedalPosition,   &objects::kBoostPressure,
    &objects::kBoostTemperature, &objects::kFuelTemperature, &objects::kCoolantTemperature,
    &objects::kSupplyVoltage,
};

// ListView2, page "Двигатель": the engine totals.
inline constexpr std::array<const DataObject*, 2> kEngineRows{
    &objects::kEngineHours,
    &objects::kEngineRevolutions,
};

// ListView3, page "Переключатели": switch and pedal positions (kSwitches).
inline constexpr std::array<BitRow, 14> kSwitchRows{{
    {0, "Положение переключателя зажигание"},
    {1, "Положение переключателя тестирование/сброс ошибок"},
    {2, "Положение переключателя реле стартера"},
    {4, "Положение переключателя круиз-контроля"},
    {5, "Положение переключателя установка круиз-контроля"},
    {6, "Положение переключателя восстановление круиз-контроля"},
    {8, "Положение переключателя изменения оборотов ХХ"},
    {9, "Положение переключателя сброса оборотов ХХ"},
    {10, "Положение переключателя открытых дверей"},
    {11, "Положение переключателя ручного тормоза"},
    {12, "Положение педали тормоза"},
    {13, "Положение переключателя горного тормоза"},
    {14, "Положение педали сцепления"},
    {15, "Положение переключателя датчика нейтрали"},
}};

// ListView4, page "Выходы": output states (kOutputs).
inline constexpr std::array<BitRow, 8> kOutputRows{{
    {0, "Состояние главного реле"},
    {1, "Состояние лампы диагностики"},
    {2, "Состояние реле стартера"},
    {3, "Состояние топливного клапана"},
    {4, "Состояние клапана перепуска отработавших газов 1"},
    {5, "Состояние клапана перепуска отработавших газов 2"},
    {6, "Состояние лампы индикации круиз-контроля"},
    {7, "Состояние дополнительной лампы"},
}};

}  // namespace varnok
