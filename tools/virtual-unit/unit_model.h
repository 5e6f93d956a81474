// The control unit's data objects: what it answers to reads (service 0xA0)
// and writes (0xA1) of object, offset and length, with the live values of
// the engine model, the settings with the unit's own limits, the fault
// status block, the store handshake and the engine stop request.
//
// Every multi-byte value is little-endian. A write must name one setting
// exactly (object, offset and length) and stay inside its limits, or it is
// refused with a response code and changes nothing, so the read-back that
// follows shows the unit's value. Live values cannot be written by the
// program; Poke (for tests and the unit's own commands) can set anything and
// holds a live value where it was put until Release.
//
// Time is handed in with AdvanceTo; nothing here reads a clock. Not
// thread-safe: VirtualUnit guards its model with a lock.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/virtual-unit/driver.h"
#include "tools/virtual-unit/engine_model.h"
#include "tools/virtual-unit/unit_options.h"

namespace varnok::unit {

// Response codes of the unit's negative answers (7F, service, code).
inline constexpr std::uint8_t kServiceNotSupported = 0x11;
inline constexpr std::uint8_t kInvalidFormat = 0x12;
inline constexpr std::uint8_t kConditionsNotCorrect = 0x22;
inline constexpr std::uint8_t kRequestOutOfRange = 0x31;

// Objects with a role of their own.
inline constexpr std::uint16_t kFaultBlockObject = 600;
inline constexpr std::uint16_t kSelfTestObject = 602;
inline constexpr std::uint16_t kStoreObject = 10004;
inline constexpr std::uint16_t kEngineStopObject = 10006;
inline constexpr int kFaultBlockBytes = 58;

// The firmware version at which the tachograph constant changed from units
// of 8 pulses per km to pulses per km.
inline constexpr std::uint16_t kPulseFirmware = 276;

// Where the three digits of the firmware version stand in the identification
// text that follows the answer's option byte 80: the program counts the
// characters of its buffer (80 first) from 1, and reads them at 21 to 23.
inline constexpr std::size_t kFirmwareDigitsAt = 19;

class UnitModel {
public:
    struct Fault {
        std::uint16_t number;  // 1902 for P1902
        std::uint8_t state;    // the 4-bit state field
    };

    explicit UnitModel(const ModelOptions& options);

    // Moves the unit's time to `milliseconds` after power-on (earlier times
    // than the last count as the last) and brings the live values up to date.
    void AdvanceTo(std::int64_t milliseconds);
    std::int64_t Now() const { return nowMs; }

    // Reads `length` bytes; 0 on success, else the response code.
    std::uint8_t Read(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
                      std::vector<std::uint8_t>& out);
    // Writes one setting; 0 on success, else the response code.
    std::uint8_t Write(std::uint16_t object, std::uint16_t offset, const std::uint8_t* bytes,
                       std::uint16_t length);

    // The identification text (without the option byte): the one set, or
    // the unit's own, which carries the firmware version.
    std::string Identification() const;
    // Replaces the identification text; empty: the unit's own again. The
    // firmware version the unit works by stays as it is.
    void SetIdentification(std::string text) { identification = std::move(text); }
    std::uint16_t FirmwareVersion() const { return firmware; }
    // Changes the firmware version; the tachograph constant keeps its meaning
    // and changes its unit when the version crosses 276.
    void SetFirmwareVersion(std::uint16_t version);

    // Fault status block.
    void ClearFaults();
    void SetFault(int word, int field, int state);
    int FaultState(int word, int field) const;
    // Present faults of the unit's own fault table, in block order.
    std::vector<Fault> PresentFaults() const;

    // Sets any value, bypassing the unit's limits; a live value stays where
    // it was put until Release. False for a range outside every object.
    bool Poke(std::uint16_t object, std::uint16_t offset, std::uint16_t length, std::int64_t value);
    void Release(std::uint16_t object, std::uint16_t offset);
    void ReleaseAll();
    // Reads a value without the side effects of a read by the program.
    bool Peek(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
              std::int64_t& value) const;
    // Refuses the program's reads of a range that starts at `offset` of
    // `object` (RequestOutOfRange), as a unit whose firmware lacks the value
    // would; writes are not affected. AllowReads lifts every such refusal.
    void RefuseReads(std::uint16_t object, std::uint16_t offset);
    void AllowReads();

    Driver& PedalDriver() { return driver; }
    EngineModel& Engine() { return engine; }
    const EngineModel& Engine() const { return engine; }
    bool Storing() const { return storeReadsLeft > 0; }

private:
    struct Setting;
    static const std::vector<Setting>& Settings();

    std::uint8_t* At(std::uint16_t object, std::uint16_t offset, std::uint16_t length);
    const std::uint8_t* At(std::uint16_t object, std::uint16_t offset, std::uint16_t length) const;
    bool Put(std::uint16_t object, std::uint16_t offset, std::uint16_t length, std::int64_t value);
    std::int32_t Word(std::uint16_t object, std::uint16_t offset, bool isSigned) const;
    void PutLive(std::uint16_t object, std::uint16_t offset, std::int64_t value, int bytes = 2);
    void UpdateLiveValues();
    double CalibratedPedal() const;
    bool SettingAccepts(const Setting& setting, const std::uint8_t* bytes) const;
    void AfterWrite(std::uint16_t object, std::uint16_t offset);

    ModelOptions options;
    std::uint16_t firmware;
    std::string identification;  // empty: the unit's own
    std::map<std::uint16_t, std::vector<std::uint8_t>> objects;
    std::set<std::pair<std::uint16_t, std::uint16_t>> held;  // live values put by Poke
    std::set<std::pair<std::uint16_t, std::uint16_t>> refusedReads;
    Driver driver;
    EngineModel engine;
    std::int64_t nowMs = 0;
    double secondsOfDay = 0;  // drives the slow changes of switches and lamps
    int storeReadsLeft = 0;
    std::uint16_t storeResult = 0;
};

}  // namespace varnok::unit
