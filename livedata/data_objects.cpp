#include "livedata/data_objects.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/value_lock.h"

namespace varnok {

namespace {

using namespace objects;

constexpr std::array kTable{
    kEngineSpeedN1,
    kEngineSpeedN2,
    kConnectMarker,
    kVehicleSpeed,
    kTachographConstant,
    kPedal1Enabled,
    kPedal1Reading,
    kPedal1Finish,
    kPedal1Reset,
    kPedal1Range,
    kPedal2Enabled,
    kPedal2Reading,
    kPedal2Finish,
    kPedal2Reset,
    kPedal2Range,
    kBoostPressure,
    kBoostTemperature,
    kFuelTemperature,
    kCoolantTemperature,
    kSupplyVoltage,
    kEngineRunning,
    kRackPosition,
    kRackSetpoint,
    kPedalPosition,
    kRackGainKp,
    kTachometerRatio,
    kFaultBlock,
    kSelfTest,
    kSwitches,
    kOutputs,
    kEngineHours,
    kEngineRevolutions,
    kDoorPedalLock,
    kCabSpeedControl,
    kEngineBaySpeedControl,
    kSpeedGainKd,
    kWarmIdleSpeed,
    kWarmPedalCorrection,
    kPedalCorrection,
    kIdleSpeed,
    kSpeedLimiterOn,
    kSpeedLimit,
    kStoreCommand,
    kEngineStopRequest,
    kCanSetting,
};

constexpr bool Ordered() {
    for (std::size_t i = 1; i < kTable.size(); ++i) {
        const auto& a = kTable[i - 1];
        const auto& b = kTable[i];
        if (a.object > b.object || (a.object == b.object && a.offset >= b.offset)) return false;
    }
    return true;
}
static_assert(Ordered(), "the table is kept in object and offset order, each pair once");

constexpr std::size_t kLargest = 58;

struct Slot {
    alignas(8) std::uint8_t bytes[64];
};

std::array<Slot, kTable.size()>& Slots() {
    static std::array<Slot, kTable.size()> slots{};
    return slots;
}

std::size_t SlotIndex(const DataObject& object) {
    // Both pedal channels' readings share one buffer.
    const DataObject& key =
        (object.object == kPedal2Reading.object && object.offset == kPedal2Reading.offset)
            ? kPedal1Reading
            : object;
    const auto* row = FindDataObject(key.object, key.offset);
    return row != nullptr ? static_cast<std::size_t>(row - kTable.data()) : 0;
}

}  // namespace

static_assert(kFaultBlock.length <= kLargest);

std::span<const DataObject> DataObjectTable() {
    return kTable;
}

const DataObject* FindDataObject(std::uint16_t object, std::uint16_t offset) {
    const auto* it = std::lower_bound(
        kTable.begin(), kTable.end(), std::pair{object, offset},
        [](const DataObject& row, const std::pair<std::uint16_t, std::uint16_t>& key) {
            return row.object < key.first || (row.object == key.first && row.offset < key.second);
        });
    if (it != kTable.end() && it->object == object && it->offset == offset) {
        return &*it;
    }
    return nullptr;
}

std::uint8_t* ValueBuffer(const DataObject& object) {
    return Slots()[SlotIndex(object)].bytes;
}

std::int16_t LoadSigned16(const DataObject& object) {
    return static_cast<std::int16_t>(LoadUnsigned16(object));
}

std::uint16_t LoadUnsigned16(const DataObject& object) {
    std::uint8_t b[2];
    CopyValue(b, ValueBuffer(object), sizeof b);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t LoadUnsigned32(const DataObject& object) {
    std::uint8_t b[4];
    CopyValue(b, ValueBuffer(object), sizeof b);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

void StoreUnsigned16(const DataObject& object, std::uint16_t value) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(value & 0xFF),
                               static_cast<std::uint8_t>(value >> 8)};
    CopyValue(ValueBuffer(object), b, sizeof b);
}

double Scaled(long double raw, long double scale) {
    return static_cast<double>(raw * scale);
}

}  // namespace varnok
