// The steps of opening and closing a diagnostic session and of storing the
// settings in the unit, shared by both link objects.
//
// A session starts at 9600 baud with StartCommunication and
// StartDiagnosticSession, which announces the session's baud rate and the
// six timing values; the link then takes its session timing, the port its
// session baud rate after a pause, and TesterPresent confirms the new speed.
// Closing sends StopDiagnosticSession, returns the port to 9600 baud and
// sends StopCommunication.
//
// Each link object says how one of its requests is made (queued and waited
// for, queued and left, or sent synchronously) through the callables it
// passes; the steps themselves run on the calling thread and block it for
// their pauses.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/clock.h"
#include "link/link.h"
#include "link/serial_channel.h"
#include "link/services.h"

namespace varnok {

// Makes one session request (one of 0x81, 0x10, 0x3E, 0x20, 0x82) and
// returns the link object's result for it.
using SessionRequest = std::function<int(std::uint8_t service)>;

// The pause before the port changes its baud rate, at either end of a session.
inline constexpr std::uint32_t kSessionPauseMs = 500;

// Opens the port at 9600 baud, then StartCommunication, StartDiagnosticSession,
// the session timing on the link, a 500 ms pause, `baud` on the port and
// TesterPresent. 1 when every step succeeded; stops at the first that failed
// and returns 0. The port stays open either way until the caller closes it.
int OpenSessionSteps(Link& link, SerialChannel& channel, Clock& clock, const std::string& path,
                     std::uint8_t testerAddress, std::uint16_t baud, const TimingTable& timing,
                     const SessionRequest& request);

// StopDiagnosticSession, a 500 ms pause, the port back to 9600 baud and
// StopCommunication. The caller then ends the session and closes the port.
void CloseSessionSteps(SerialChannel& channel, Clock& clock, const SessionRequest& request);

// Object 10004, offset 0: written with 1 to store the settings; reads 1
// while the unit is storing, 0 when it has stored them.
inline constexpr std::uint16_t kStoreObject = 10004;
inline constexpr std::uint32_t kStorePollMs = 100;

// Writes and reads one 16-bit value of a data object, waiting for the answer.
using WordWrite =
    std::function<int(std::uint16_t object, std::uint16_t offset, std::uint16_t value)>;
using WordRead =
    std::function<int(std::uint16_t object, std::uint16_t offset, std::uint16_t& value)>;

// Writes 1 to the store object, then, as long as its value is 1 (it is 1
// before the first read), pauses 100 ms and reads it. 1 when it reads 0;
// 0 when it reads anything else or a write or read fails. The number of
// reads is not limited: a unit that keeps reading 1 keeps the caller here.
int StoreSettingsSteps(Clock& clock, const WordWrite& write, const WordRead& read);

}  // namespace varnok
