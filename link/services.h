// The diagnostic services as the control unit expects them: their
// identifiers, the request data of each, the session's parameters and the
// conversions of its timing table.
//
// Both link objects encode their requests here: the queued CSock and the
// synchronous one of the 1.3 build. Everything here is a pure function of
// its arguments and may be called from any thread.
//
// Multi-byte numbers in service data are little-endian.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "link/link.h"

namespace varnok {

// Service identifiers.
enum : std::uint8_t {
    kStartCommunication = 0x81,
    kStopCommunication = 0x82,
    kStartDiagnosticSession = 0x10,
    kStopDiagnosticSession = 0x20,
    kTesterPresent = 0x3E,
    kReadEcuIdentification = 0x1A,
    kReadDtcByStatus = 0x18,
    kClearDiagnosticInformation = 0x14,
    kReadDataByLocalIdentifier = 0x21,
    kReadDataObject = 0xA0,
    kWriteDataObject = 0xA1,
};

// A positive response carries the request's identifier with this bit added
// (0x81 is answered by 0xC1, 0xA0 by 0xE0).
inline constexpr std::uint8_t kPositiveResponse = 0x40;

// The session's parameters, as the link objects are built.
inline constexpr std::uint8_t kTesterAddress = 0xF0;
inline constexpr std::uint8_t kUnitAddress = 0x10;
inline constexpr std::uint16_t kSessionBaud = 57600;
// The line speed before the diagnostic session has started and after it ended.
inline constexpr std::uint32_t kLineBaud = 9600;

// Data-object calls go out in requests of at most this many bytes.
inline constexpr std::int32_t kObjectChunk = 250;

// The link timing table in seconds. Index 0 is only announced to the unit;
// 1 to 5 become the link's byteTimeout, responseTimeout, pendingInterval,
// requestGap and responseGap (see link.h) once the session has started.
using TimingTable = std::array<double, 6>;
inline constexpr TimingTable kDefaultTimingTable{5.0, 0.2, 0.8, 0.6, 0.0, 0.0};

// The fields of a diagnostic session that every link object has, as it is
// built. The session control writes them on the main thread.
struct SessionFields {
    std::uint16_t baud = kSessionBaud;
    TimingTable timing = kDefaultTimingTable;
    std::uint8_t testerAddress = kTesterAddress;
    std::uint8_t unitAddress = kUnitAddress;
    // Nonzero while a session is open; each link object says when it is
    // set and who reads it.
    std::atomic<std::int32_t> sessionOpen{0};
};

// Whole milliseconds of a timing value, as announced to the unit. Formed in
// extended precision and cut toward zero: 0.6 s is 599 ms, not 600.
std::uint16_t TimingMilliseconds(double seconds);
// Link ticks of a timing value, cut the same way: 0.6 s is 59 ticks.
std::int16_t TimingTicks(double seconds);
// The six link timing values of the session.
LinkTiming SessionLinkTiming(const TimingTable& timing);

// True for every service in the table below.
bool KnownService(std::uint8_t service);

// One request to encode.
struct ServiceRequest {
    std::uint8_t service = 0;
    std::int32_t param = 0;               // 0x21: the local identifier (its low byte is sent)
    std::uint16_t object = 0;             // 0xA0, 0xA1
    std::uint16_t offset = 0;             // 0xA0, 0xA1: the offset this request starts at
    std::int32_t count = 0;               // 0xA0, 0xA1: the bytes it reads or writes, 0 to 250
    const std::uint8_t* bytes = nullptr;  // 0xA1: `count` bytes to write; null writes zeros
};

// The request data as it goes into a frame's data field, service first.
using RequestData = std::array<std::uint8_t, 256>;

// Encodes a request into `data` (cleared first) and returns the number of
// bytes used, or 0 for a service not in the table or a count outside 0..250:
//
//   81 | 82 | 20                    the identifier alone
//   10 80 baud t0 t1 t2 t3 t4 t5    StartDiagnosticSession: `baud` and the
//                                   six `timing` values in whole ms
//   3E 01 | 1A 80 | 18 FF FF | 14 FF
//   21 id                           the low byte of param
//   A0 object offset count          read a data object
//   A1 object offset bytes...       write a data object
std::uint16_t EncodeRequest(const ServiceRequest& request, std::uint16_t baud,
                            const TimingTable& timing, RequestData& data);

// Little-endian 16-bit numbers in service data.
void PutWord(std::uint8_t* at, std::uint32_t value);
std::uint16_t Word(const std::uint8_t* at);

}  // namespace varnok
