// Captions of the rows of the four live value lists, in row order. The main
// window creates the rows with these captions when it is created; the values
// arrive later into the second column.
//
// The switch list shows bits 0-2, 4-6 and 8-15 of object 800 offset 6 (bits 3
// and 7 have no row); the output list shows bits 0-7 of object 800 offset 8.
#pragma once

#include <array>
#include <string_view>

namespace varnok {

// ListView5, the sensor list.
inline constexpr std::array<std::string_view, 10> kSensorRowCaptions{
    "Частота вращения двигателя n1, об/мин",
    "Частота вращения двигателя n2, об/мин",
    "Скорость автомобиля Vа, км/ч",
    "Положение рейки h, %",
    "Положение педали акселератора, %",
    "Давление наддувочного воздуха Pк, кг/см2",
    "Температура наддувочного воздуха Tк, oC",
    "Температура топлива Тт, oC",
    "Температура охлаждающей жидкости Тож, oC",
    "Напряжение питания Uпит, В",
};

// ListView2, page "Двигатель": the engine totals.
inline constexpr std::array<std::string_view, 2> kEngineRowCaptions{
    "Общее время работы двигателя, мин",
    "Общее число оборотов двигателя, об*1000",
};

// ListView3, page "Переключатели": switch and pedal positions.
inline constexpr std::array<std::string_view, 14> kSwitchRowCaptions{
    "Положение переключателя зажигание",
    "Положение переключателя тестирование/сброс ошибок",
    "Положение переключателя реле стартера",
    "Положение переключателя круиз-контроля",
    "Положение переключателя установка круиз-контроля",
    "Положение переключателя восстановление круиз-контроля",
    "Положение переключателя изменения оборотов ХХ",
    "Положение переключателя сброса оборотов ХХ",
    "Положение переключателя открытых дверей",
    "Положение переключателя ручного тормоза",
    "Положение педали тормоза",
    "Положение переключателя горного тормоза",
    "Положение педали сцепления",
    "Положение переключателя датчика нейтрали",
};

// ListView4, page "Выходы": output states.
inline constexpr std::array<std::string_view, 8> kOutputRowCaptions{
    "Состояние главного реле",
    "Состояние лампы диагностики",
    "Состояние реле стартера",
    "Состояние топливного клапана",
    "Состояние клапана перепуска отработавших газов 1",
    "Состояние клапана перепуска отработавших газов 2",
    "Состояние лампы индикации круиз-контроля",
    "Состояние дополнительной лампы",
};

}  // namespace varnok
