// The control unit's data objects: every object, offset and length the
// program reads or writes, with its type, scale and meaning. Views name an
// object through this table, never by bare numbers.
//
// Each object and offset the program reads has one program-wide value
// buffer, zero at start, that receives every successful read and keeps the
// last value; nothing clears it on disconnect. Objects 104 and 105 share one
// buffer at offset 14: the calibration dialog reads one channel at a time.
// The worker thread fills the buffers; read them with the Load functions,
// which copy under the value buffer lock.
#pragma once

#include <cstdint>
#include <span>

namespace varnok {

enum class ValueType {
    Signed16,
    Unsigned16,
    Unsigned32,
    Flag,             // 16 bits: 0 off, anything else on
    BitField,         // 16 bits, bit 0 the lowest bit of the first byte
    ThreeUnsigned16,  // three consecutive 16-bit values
    FaultBlock,       // 29 16-bit words of 4-bit fault states
};

struct DataObject {
    std::uint16_t object;
    std::uint16_t offset;
    std::uint16_t length;
    ValueType type;
    // A shown value is raw × scale, formed in extended precision.
    long double scale;
    // What the value is; the caption where the program shows one.
    const char* meaning;
};

namespace objects {
// Engine and vehicle, polled every 200 ms while connected.
inline constexpr DataObject kEngineSpeedN1{
    100, 0, 2, ValueType::Signed16, 1, "Частота вращения двигателя n1, об/мин"};
inline constexpr DataObject kEngineSpeedN2{
    102, 0, 2, ValueType::Signed16, 1, "Частота вращения двигателя n2, об/мин"};
inline constexpr DataObject kConnectMarker{
    103, 8, 2, ValueType::Unsigned16, 1, "written with 1 once per connect"};
inline constexpr DataObject kVehicleSpeed{
    103, 12, 2, ValueType::Signed16, 0.01L, "Скорость автомобиля Vа, км/ч"};
inline constexpr DataObject kTachographConstant{
    103, 14, 2, ValueType::Unsigned16, 1, "Константа тахографа, имп/км:"};
inline constexpr DataObject kPedal1Enabled{104, 10, 2, ValueType::Flag, 1, "Настройка педали 1:"};
inline constexpr DataObject kPedal1Reading{
    104, 14, 2, ValueType::Unsigned16, 1, "pedal sensor channel 1, converter counts"};
inline constexpr DataObject kPedal1Finish{
    104, 20, 2, ValueType::Unsigned16, 1, "written 0 last when storing a channel 1 calibration"};
inline constexpr DataObject kPedal1Reset{
    104, 22,
    6,   ValueType::ThreeUnsigned16,
    1,   "written 0, 10000, 32767 first when storing a channel 1 calibration"};
inline constexpr DataObject kPedal1Range{
    104, 54, 6, ValueType::ThreeUnsigned16, 1, "released reading, pressed reading, 32767"};
inline constexpr DataObject kPedal2Enabled{105, 10, 2, ValueType::Flag, 1, "Настройка педали 2:"};
inline constexpr DataObject kPedal2Reading{
    105, 14, 2, ValueType::Unsigned16, 1, "pedal sensor channel 2, converter counts"};
inline constexpr DataObject kPedal2Finish{
    105, 20, 2, ValueType::Unsigned16, 1, "written 0 last when storing a channel 2 calibration"};
inline constexpr DataObject kPedal2Reset{
    105, 22,
    6,   ValueType::ThreeUnsigned16,
    1,   "written 0, 10000, 32767 first when storing a channel 2 calibration"};
inline constexpr DataObject kPedal2Range{
    105, 54, 6, ValueType::ThreeUnsigned16, 1, "released reading, pressed reading, 32767"};
inline constexpr DataObject kBoostPressure{
    111, 0, 2, ValueType::Signed16, 0.001L, "Давление наддувочного воздуха Pк, кг/см2"};
inline constexpr DataObject kBoostTemperature{
    113, 0, 2, ValueType::Signed16, 0.01L, "Температура наддувочного воздуха Tк, oC"};
inline constexpr DataObject kFuelTemperature{
    114, 0, 2, ValueType::Signed16, 0.01L, "Температура топлива Тт, oC"};
inline constexpr DataObject kCoolantTemperature{
    115, 0, 2, ValueType::Signed16, 0.01L, "Температура охлаждающей жидкости Тож, oC"};
inline constexpr DataObject kSupplyVoltage{
    117, 0, 2, ValueType::Signed16, 0.01L, "Напряжение питания Uпит, В"};
inline constexpr DataObject kEngineRunning{200, 0, 2, ValueType::Flag, 1, "engine running word"};
inline constexpr DataObject kRackPosition{
    202, 0, 2, ValueType::Signed16, 0.01L, "Положение рейки h, %"};
inline constexpr DataObject kRackSetpoint{
    203, 0, 2, ValueType::Signed16, 0.01L, "rack position setpoint"};
inline constexpr DataObject kPedalPosition{
    204, 0, 2, ValueType::Signed16, 0.01L, "Положение педали акселератора, %"};
inline constexpr DataObject kRackGainKp{
    400, 8,
    2,   ValueType::Unsigned16,
    1,   "Коэффициент Kp регулятора положения рейки (3500...5500):"};
inline constexpr DataObject kTachometerRatio{
    501, 8, 2, ValueType::Unsigned16, 0.001L, "Передаточное отношение тахометра:"};
inline constexpr DataObject kFaultBlock{600, 0, 58, ValueType::FaultBlock, 1, "fault status block"};
inline constexpr DataObject kSelfTest{602, 0, 2, ValueType::Unsigned16, 1, "self-test result"};
inline constexpr DataObject kSwitches{
    800, 6, 2, ValueType::BitField, 1, "switch and pedal positions"};
inline constexpr DataObject kOutputs{800, 8, 2, ValueType::BitField, 1, "output states"};
inline constexpr DataObject kEngineHours{
    803, 0, 4, ValueType::Unsigned32, 1, "Общее время работы двигателя, мин"};
inline constexpr DataObject kEngineRevolutions{
    803, 4, 4, ValueType::Unsigned32, 1, "Общее число оборотов двигателя, об*1000"};
inline constexpr DataObject kDoorPedalLock{
    810, 0, 2, ValueType::Flag, 1, "Блокировка педали при открытых дверях"};
inline constexpr DataObject kCabSpeedControl{
    811, 0, 2, ValueType::Flag, 1, "Управление оборотами из кабины"};
inline constexpr DataObject kEngineBaySpeedControl{
    812, 0, 2, ValueType::Flag, 1, "Управление оборотами из моторного отсека"};
inline constexpr DataObject kSpeedGainKd{
    1004, 8,
    2,    ValueType::Unsigned16,
    1,    "Коэффициент Kd регулятора частоты вращения (2000...5000):"};
inline constexpr DataObject kWarmIdleSpeed{
    1009, 2,
    2,    ValueType::Signed16,
    1,    "Минимальные обороты холостого хода прогретого двигателя, об/мин (600...670):"};
inline constexpr DataObject kWarmPedalCorrection{
    1009,  6,
    2,     ValueType::Signed16,
    0.01L, "Максимальная коррекция педали прогретого двигателя, %(12...18):"};
inline constexpr DataObject kPedalCorrection{
    1009, 8, 2, ValueType::Signed16, 0.01L, "Текущее значение коррекции педали, %:"};
inline constexpr DataObject kIdleSpeed{
    1009, 16,
    2,    ValueType::Signed16,
    1,    "Текущее значение минимальных оборотов холостого хода, об/мин:"};
inline constexpr DataObject kSpeedLimiterOn{
    1101, 0, 2, ValueType::Unsigned16, 1, "Ограничение скорости, км/ч:"};
inline constexpr DataObject kSpeedLimit{
    1101, 2, 2, ValueType::Unsigned16, 0.01L, "speed limit, km/h"};
inline constexpr DataObject kStoreCommand{
    10004, 0, 2, ValueType::Unsigned16, 1, "store command and status"};
inline constexpr DataObject kEngineStopRequest{
    10006, 0, 2, ValueType::Unsigned16, 1, "engine stop request"};
inline constexpr DataObject kCanSetting{61442, 0, 2, ValueType::Flag, 1, "Настройка CAN"};
}  // namespace objects

// Every object and offset above, in object and offset order.
std::span<const DataObject> DataObjectTable();
// The table row of an object and offset; null for any other pair.
const DataObject* FindDataObject(std::uint16_t object, std::uint16_t offset);

// The program-wide value buffer of a data object (at least `length` bytes);
// the place a read of it goes to.
std::uint8_t* ValueBuffer(const DataObject& object);

// The buffer's current value, read under the value buffer lock.
std::int16_t LoadSigned16(const DataObject& object);
std::uint16_t LoadUnsigned16(const DataObject& object);
std::uint32_t LoadUnsigned32(const DataObject& object);
// Stores a 16-bit value into the buffer (a setting about to be written).
void StoreUnsigned16(const DataObject& object, std::uint16_t value);

// raw × scale in extended precision, rounded to a double.
double Scaled(long double raw, long double scale);

}  // namespace varnok
