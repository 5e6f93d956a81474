// The diagnostic services of the unit: turns the data of one request frame
// into the data of its answer.
//
// The unit keeps the state of the line protocol: StartCommunication opens
// communication, StartDiagnosticSession (10 80, baud, six timing values)
// starts the diagnostic session at the announced baud rate, StopDiagnostic-
// Session returns to 9600 baud and StopCommunication ends it all. Without
// communication every service but StartCommunication is refused; writes and
// the clearing of faults need the diagnostic session. A session that sees no
// request for the first announced timing value (5 s unless told otherwise)
// ends by itself, as a real unit's does.
//
// Refusals are 7F, service, response code. Not thread-safe; VirtualUnit
// guards it together with the model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/virtual-unit/unit_model.h"

namespace varnok::unit {

inline constexpr std::uint32_t kLineBaud = 9600;

struct ServiceAnswer {
    // Answer data, service identifier first; empty: the unit does not answer.
    std::vector<std::uint8_t> data;
    // The baud rate the unit takes once this answer is out; 0: unchanged.
    std::uint32_t baudAfter = 0;
};

class UnitServices {
public:
    explicit UnitServices(UnitModel& model);

    // Handles one request at `nowMs` (the model's time).
    ServiceAnswer Handle(const std::uint8_t* data, std::size_t length, std::int64_t nowMs);

    // Ends a session that has been quiet longer than its time-out. Returns
    // the baud rate the unit falls back to, or 0 when nothing changed.
    std::uint32_t Expire(std::int64_t nowMs);

    bool Communicating() const { return communicating; }
    bool InDiagnosticSession() const { return session; }
    // The unit's own line speed: 9600 outside the diagnostic session.
    std::uint32_t Baud() const { return session ? sessionBaud : kLineBaud; }

private:
    ServiceAnswer Dispatch(std::uint8_t service, const std::uint8_t* data, std::size_t length);
    ServiceAnswer StartSession(const std::uint8_t* data, std::size_t length);
    ServiceAnswer ReadObject(const std::uint8_t* data, std::size_t length);
    ServiceAnswer WriteObject(const std::uint8_t* data, std::size_t length);
    ServiceAnswer TroubleCodes() const;
    ServiceAnswer LocalIdentifier(std::uint8_t identifier) const;
    void EndSession();

    UnitModel& model;
    bool communicating = false;
    bool session = false;
    std::uint32_t sessionBaud = kLineBaud;
    std::int64_t quietLimitMs;
    std::int64_t lastRequestMs = 0;
};

// 7F, service, code.
std::vector<std::uint8_t> Refusal(std::uint8_t service, std::uint8_t code);

}  // namespace varnok::unit
