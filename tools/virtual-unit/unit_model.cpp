#include "tools/virtual-unit/unit_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace varnok::unit {

// One setting the program may write: an object, an offset and a length of
// one or three 16-bit words, each of which must lie in [low, high].
struct UnitModel::Setting {
    std::uint16_t object;
    std::uint16_t offset;
    std::uint16_t length;
    std::int32_t low;
    std::int32_t high;
    bool isSigned;
    std::int32_t initial[3];
};

namespace {

constexpr std::uint16_t kTachoObject = 103;
constexpr std::uint16_t kTachoOffset = 14;
// The unit's limits of the tachograph constant, in pulses per km.
constexpr std::int32_t kTachoLow = 2000;
constexpr std::int32_t kTachoHigh = 25000;
constexpr std::int32_t kTachoInitial = 8000;

// The pedal calibration the unit comes with: both readings 10 counts inside
// the sensor's ends, as the calibration dialog stores them.
constexpr std::int32_t kCalibrated1Released = Driver::kSensor1Released + 10;
constexpr std::int32_t kCalibrated1Pressed = Driver::kSensor1Pressed - 10;
constexpr std::int32_t kCalibrated2Released = Driver::kSensor2Released - 10;
constexpr std::int32_t kCalibrated2Pressed = Driver::kSensor2Pressed + 10;

// Storing failed: the engine was running when the store was asked for.
constexpr std::uint16_t kStoreRefused = 2;

struct ObjectSize {
    std::uint16_t object;
    std::uint16_t bytes;
};

// Every object the unit holds and how many bytes it has.
constexpr ObjectSize kObjects[] = {
    {100, 2},   {102, 2},  {103, 16},  {104, 60},  {105, 60},  {111, 2}, {113, 2},  {114, 2},
    {115, 2},   {117, 2},  {200, 2},   {202, 2},   {203, 2},   {204, 2}, {400, 10}, {501, 10},
    {600, 58},  {602, 2},  {800, 10},  {803, 8},   {810, 2},   {811, 2}, {812, 2},  {1004, 10},
    {1009, 18}, {1101, 4}, {10004, 2}, {10006, 2}, {61442, 2},
};

// Faults this unit can raise: word and field of the fault status block, and
// the fault number that ReadDiagnosticTroubleCodesByStatus reports.
struct OwnFault {
    int word;
    int field;
    std::uint16_t number;
};
constexpr OwnFault kOwnFaults[] = {
    {1, 0, 720},   {7, 0, 107},   {11, 1, 118},  {13, 0, 562},
    {16, 2, 1902}, {17, 1, 1601}, {21, 0, 1660}, {27, 2, 1686},
};

constexpr std::uint16_t kSelfTestCode = 1;  // the rack sensor is not calibrated

std::int32_t Clamp16(double value, bool isSigned) {
    const long v = std::lround(value);
    return static_cast<std::int32_t>(isSigned ? std::clamp(v, -32768L, 32767L)
                                              : std::clamp(v, 0L, 65535L));
}

}  // namespace

const std::vector<UnitModel::Setting>& UnitModel::Settings() {
    static const std::vector<Setting> settings = {
        {103, 8, 2, 0, 65535, false, {0}},  // marker the program writes at connect
        {kTachoObject, kTachoOffset, 2, kTachoLow, kTachoHigh, false, {kTachoInitial}},
        {104, 20, 2, 0, 65535, false, {0}},
        {104, 22, 6, 0, 32767, false, {0, 10000, 32767}},
        {104, 54, 6, 0, 32767, false, {kCalibrated1Released, kCalibrated1Pressed, 32767}},
        {105, 10, 2, 0, 1, false, {1}},
        {105, 20, 2, 0, 65535, false, {0}},
        {105, 22, 6, 0, 32767, false, {0, 10000, 32767}},
        {105, 54, 6, 0, 32767, false, {kCalibrated2Released, kCalibrated2Pressed, 32767}},
        {400, 8, 2, 3500, 5500, false, {4200}},
        {501, 8, 2, 500, 9999, false, {3320}},
        {810, 0, 2, 0, 1, false, {1}},
        {811, 0, 2, 0, 1, false, {0}},
        {812, 0, 2, 0, 1, false, {1}},
        {1004, 8, 2, 2000, 5000, false, {3200}},
        {1009, 2, 2, 600, 670, true, {650}},
        {1009, 6, 2, 1200, 1800, true, {1500}},
        {1101, 0, 2, 0, 1, false, {1}},
        {1101, 2, 2, 2000, 12000, false, {9000}},
        {61442, 0, 2, 0, 1, false, {0}},
        {kStoreObject, 0, 2, 1, 1, false, {0}},  // only 1, the store command
        {kEngineStopObject, 0, 2, 0, 1, false, {0}},
    };
    return settings;
}

UnitModel::UnitModel(const ModelOptions& o)
    : options(o),
      firmware(kPulseFirmware),
      identification(o.identification),
      driver(o.seed, o.driver),
      engine(o.seed + 1, o.stopTimeMs, o.restartAfterMs) {
    for (const ObjectSize& size : kObjects) {
        objects[size.object].assign(size.bytes, 0);
    }
    for (const Setting& s : Settings()) {
        for (int w = 0; w < s.length / 2; ++w) {
            Put(s.object, static_cast<std::uint16_t>(s.offset + 2 * w), 2, s.initial[w]);
        }
    }
    Put(104, 10, 2, 1);  // pedal channel 1 in use; the program never writes it
    SetFirmwareVersion(o.firmwareVersion);
    SetFault(7, 0, 0x5);   // P0107: fault, recurring
    SetFault(16, 2, 0x1);  // P1902: fault, with the self-test code below
    SetFault(21, 0, 0x3);  // P1660: fault, current
    Put(kSelfTestObject, 0, 2, kSelfTestCode);
    UpdateLiveValues();
}

std::uint8_t* UnitModel::At(std::uint16_t object, std::uint16_t offset, std::uint16_t length) {
    return const_cast<std::uint8_t*>(std::as_const(*this).At(object, offset, length));
}

const std::uint8_t* UnitModel::At(std::uint16_t object, std::uint16_t offset,
                                  std::uint16_t length) const {
    const auto found = objects.find(object);
    if (found == objects.end() || offset + length > found->second.size()) {
        return nullptr;
    }
    return found->second.data() + offset;
}

std::int32_t UnitModel::Word(std::uint16_t object, std::uint16_t offset, bool isSigned) const {
    const std::uint8_t* at = At(object, offset, 2);
    if (at == nullptr) {
        return 0;
    }
    const auto raw = static_cast<std::uint16_t>(at[0] | (at[1] << 8));
    return isSigned ? static_cast<std::int16_t>(raw) : raw;
}

bool UnitModel::Put(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
                    std::int64_t value) {
    std::uint8_t* at = length <= 8 ? At(object, offset, length) : nullptr;
    if (at == nullptr) {
        return false;
    }
    for (std::uint16_t i = 0; i < length; ++i) {
        at[i] = static_cast<std::uint8_t>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
    }
    return true;
}

bool UnitModel::Poke(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
                     std::int64_t value) {
    if (!Put(object, offset, length, value)) {
        return false;
    }
    held.insert({object, offset});
    if (object == kStoreObject) {
        storeReadsLeft = 0;  // a value put there ends a store in progress
    }
    return true;
}

void UnitModel::Release(std::uint16_t object, std::uint16_t offset) {
    held.erase({object, offset});
}

void UnitModel::ReleaseAll() {
    held.clear();
}

bool UnitModel::Peek(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
                     std::int64_t& value) const {
    const std::uint8_t* at = length <= 8 ? At(object, offset, length) : nullptr;
    if (at == nullptr) {
        return false;
    }
    std::uint64_t v = 0;
    for (std::uint16_t i = 0; i < length; ++i) {
        v |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    }
    value = static_cast<std::int64_t>(v);
    return true;
}

void UnitModel::PutLive(std::uint16_t object, std::uint16_t offset, std::int64_t value, int bytes) {
    if (held.count({object, offset}) == 0) {
        Put(object, offset, static_cast<std::uint16_t>(bytes), value);
    }
}

std::string UnitModel::Identification() const {
    if (!identification.empty()) {
        return identification;
    }
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03u", static_cast<unsigned>(firmware % 1000));
    std::string text = "RK-24 ESU SN004217 ";
    text.resize(kFirmwareDigitsAt, ' ');
    return text + digits + " 2005-03-14";
}

void UnitModel::SetFirmwareVersion(std::uint16_t version) {
    const bool wasPulses = firmware >= kPulseFirmware;
    const bool pulses = version >= kPulseFirmware;
    firmware = version;
    if (wasPulses != pulses) {
        const std::int32_t value = Word(kTachoObject, kTachoOffset, false);
        const std::int32_t converted = pulses ? value * 8 : value / 8;
        Put(kTachoObject, kTachoOffset, 2, std::min(converted, 65535));
    }
}

void UnitModel::ClearFaults() {
    std::fill_n(At(kFaultBlockObject, 0, kFaultBlockBytes), kFaultBlockBytes, 0);
    Put(kSelfTestObject, 0, 2, 0);
}

void UnitModel::SetFault(int word, int field, int state) {
    if (word < 0 || word >= kFaultBlockBytes / 2 || field < 0 || field > 3) {
        return;
    }
    const auto at = static_cast<std::uint16_t>(2 * word);
    auto value = static_cast<std::uint32_t>(Word(kFaultBlockObject, at, false));
    const int shift = 4 * field;
    value = (value & ~(0xFu << shift)) | ((static_cast<std::uint32_t>(state) & 0xF) << shift);
    Put(kFaultBlockObject, at, 2, value);
}

int UnitModel::FaultState(int word, int field) const {
    if (word < 0 || word >= kFaultBlockBytes / 2 || field < 0 || field > 3) {
        return 0;
    }
    const auto at = static_cast<std::uint16_t>(2 * word);
    return (Word(kFaultBlockObject, at, false) >> (4 * field)) & 0xF;
}

std::vector<UnitModel::Fault> UnitModel::PresentFaults() const {
    std::vector<Fault> present;
    for (const OwnFault& f : kOwnFaults) {
        if (const int state = FaultState(f.word, f.field); state != 0) {
            present.push_back({f.number, static_cast<std::uint8_t>(state)});
        }
    }
    return present;
}

std::uint8_t UnitModel::Read(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
                             std::vector<std::uint8_t>& out) {
    const std::uint8_t* at = At(object, offset, length);
    if (at == nullptr || refusedReads.contains({object, offset})) {
        return kRequestOutOfRange;
    }
    out.assign(at, at + length);
    if (object == kStoreObject && offset == 0 && length >= 2 && storeReadsLeft > 0) {
        // Busy: this read still shows 1; the result stands once the reads run out.
        if (--storeReadsLeft == 0) {
            PutLive(kStoreObject, 0, storeResult);
        }
    }
    return 0;
}

void UnitModel::RefuseReads(std::uint16_t object, std::uint16_t offset) {
    refusedReads.insert({object, offset});
}

void UnitModel::AllowReads() {
    refusedReads.clear();
}

bool UnitModel::SettingAccepts(const Setting& s, const std::uint8_t* bytes) const {
    for (int w = 0; w < s.length / 2; ++w) {
        const auto raw = static_cast<std::uint16_t>(bytes[2 * w] | (bytes[2 * w + 1] << 8));
        const std::int32_t value = s.isSigned ? static_cast<std::int16_t>(raw) : raw;
        std::int32_t low = s.low;
        std::int32_t high = s.high;
        if (s.object == kTachoObject && s.offset == kTachoOffset && firmware < kPulseFirmware) {
            low /= 8;  // the older firmware counts in units of 8 pulses
            high /= 8;
        }
        if (value < low || value > high) {
            return false;
        }
    }
    return true;
}

std::uint8_t UnitModel::Write(std::uint16_t object, std::uint16_t offset, const std::uint8_t* bytes,
                              std::uint16_t length) {
    const auto& settings = Settings();
    const auto setting = std::find_if(settings.begin(), settings.end(), [&](const Setting& s) {
        return s.object == object && s.offset == offset;
    });
    if (setting == settings.end()) {
        // A live value or a part of an object that is no setting.
        return At(object, offset, length) != nullptr ? kConditionsNotCorrect : kRequestOutOfRange;
    }
    if (setting->length != length || !SettingAccepts(*setting, bytes)) {
        return kRequestOutOfRange;
    }
    std::copy_n(bytes, length, At(object, offset, length));
    Release(object, offset);
    AfterWrite(object, offset);
    return 0;
}

void UnitModel::AfterWrite(std::uint16_t object, std::uint16_t offset) {
    if (object == kStoreObject && offset == 0) {
        // Settings are not stored while the engine runs.
        storeResult = engine.Running() ? kStoreRefused : 0;
        storeReadsLeft = options.storeBusyReads;
        if (storeReadsLeft == 0) {
            PutLive(kStoreObject, 0, storeResult);
        }
    } else if (object == kEngineStopObject && offset == 0) {
        engine.RequestStop(Word(kEngineStopObject, 0, false) != 0);
    }
}

double UnitModel::CalibratedPedal() const {
    // The unit reads the pedal through the calibration of channel 1.
    const std::int32_t released = Word(104, 54, false);
    const std::int32_t pressed = Word(104, 56, false);
    if (released == pressed) {
        return 0;
    }
    const double share = (driver.Sensor1() - released) / static_cast<double>(pressed - released);
    return std::clamp(share * 100.0, 0.0, 100.0);
}

void UnitModel::AdvanceTo(std::int64_t milliseconds) {
    if (milliseconds < nowMs) {
        milliseconds = nowMs;
    }
    double left = static_cast<double>(milliseconds - nowMs) / 1000.0;
    nowMs = milliseconds;
    // Short steps keep the model steady; after a long quiet spell coarser ones do.
    const double step = left > 10.0 ? 0.1 : 0.02;
    while (left > 1e-9) {
        const double h = std::min(step, left);
        left -= h;
        secondsOfDay += h;
        driver.Step(h, engine.SpeedKmh());
        EngineModel::Inputs in;
        in.pedalPercent = CalibratedPedal();
        in.minIdleRpm = Word(1009, 2, true);
        in.limiterOn = Word(1101, 0, false) == 1;
        in.speedLimitKmh = Word(1101, 2, false) / 100.0;
        engine.Step(h, in);
    }
    UpdateLiveValues();
}

void UnitModel::UpdateLiveValues() {
    const EngineModel& e = engine;
    const bool cranking = e.CurrentPhase() == EngineModel::Phase::Cranking;
    const bool fuelling = e.CurrentPhase() == EngineModel::Phase::Running || cranking;
    const double speed = e.SpeedKmh();
    const bool pedalReleased = driver.Travel() == 0;

    PutLive(100, 0, Clamp16(e.Rpm(), true));
    PutLive(102, 0, Clamp16(e.SecondRpm(), true));
    PutLive(103, 12, Clamp16(speed * 100, true));
    PutLive(104, 14, driver.Sensor1());
    PutLive(105, 14, driver.Sensor2());
    PutLive(111, 0, Clamp16(e.Boost() * 1000, true));
    PutLive(113, 0, Clamp16(e.BoostTemperature() * 100, true));
    PutLive(114, 0, Clamp16(e.FuelTemperature() * 100, true));
    PutLive(115, 0, Clamp16(e.Coolant() * 100, true));
    PutLive(117, 0, Clamp16(e.Voltage() * 100, true));
    PutLive(200, 0, e.Running() ? 1 : 0);
    PutLive(202, 0, Clamp16(e.Rack() * 100, true));
    PutLive(203, 0, Clamp16(e.RackSetpoint() * 100, true));
    PutLive(204, 0, Clamp16(CalibratedPedal() * 100, true));

    std::uint32_t switches = 1u << 0;  // ignition on
    switches |= cranking ? 1u << 2 : 0;
    switches |= speed > 50 ? 1u << 4 : 0;  // cruise control switched on on the open road
    switches |= driver.DoorOpen() ? 1u << 10 : 0;
    switches |= speed < 0.5 && pedalReleased ? 1u << 11 : 0;  // hand brake
    switches |= speed > 2 && pedalReleased ? 1u << 12 : 0;    // brake pedal
    switches |= speed > 40 && pedalReleased ? 1u << 13 : 0;   // exhaust brake downhill
    switches |= driver.Clutch() ? 1u << 14 : 0;
    switches |= speed < 0.5 ? 1u << 15 : 0;  // neutral
    PutLive(800, 6, switches);

    std::uint32_t outputs = 1u << 0;  // main relay
    outputs |= PresentFaults().empty() ? 0 : 1u << 1;
    outputs |= cranking ? 1u << 2 : 0;
    outputs |= fuelling ? 1u << 3 : 0;
    outputs |= e.Boost() > 1.0 ? 1u << 4 : 0;
    outputs |= e.Boost() > 1.3 ? 1u << 5 : 0;
    outputs |= speed > 50 ? 1u << 6 : 0;
    outputs |=
        std::fmod(secondsOfDay, 10.0) < 2.0 ? 1u << 7 : 0;  // a lamp that blinks now and then
    PutLive(800, 8, outputs);

    PutLive(803, 0, e.TotalMinutes(), 4);
    PutLive(803, 4, e.TotalKiloRevolutions(), 4);
    PutLive(1009, 8, Clamp16(Word(1009, 6, true) * e.PedalCorrectionShare(), true));
    PutLive(1009, 16, Clamp16(e.CurrentMinIdle(Word(1009, 2, true)), true));
}

}  // namespace varnok::unit
