// KWP2000 (ISO 14230-2) frames as they travel on the K-line.
//
// A frame is a header of one to four bytes, up to 255 data bytes and a
// checksum byte (the sum of every byte before it, modulo 256):
//
//   format  [target source]  [length]  data...  checksum
//
// Bit 7 of the format byte says that the two address bytes are present;
// bits 0-5 hold the number of data bytes (1..63), or 0 when a separate length
// byte follows. Bit 6 is not examined. The longest frame is 4 + 255 + 1 = 260
// bytes.
//
// The accessors read only the header and the byte asked for. None of them
// checks that the bytes have arrived: on a partly received frame they read
// whatever stands in the buffer, and every position they can reach lies
// inside FrameBytes.
#pragma once

#include <array>
#include <cstdint>

namespace varnok {

// Longest frame on the line.
inline constexpr int kMaxFrameLength = 260;
// A frame buffer holds the longest frame plus one spare byte into which
// surplus received bytes fall.
inline constexpr int kFrameCapacity = kMaxFrameLength + 1;
// Target and source of a frame sent without address bytes.
inline constexpr std::uint8_t NoAddress = 0xFE;

// Service identifier of a negative response: 7F, refused service, code.
inline constexpr std::uint8_t kNegativeResponse = 0x7F;
// Response code "request received, answer follows later".
inline constexpr std::uint8_t kResponsePending = 0x78;

using FrameBytes = std::array<std::uint8_t, kFrameCapacity>;

// One frame per direction, as the link keeps it.
struct LinkBuffer {
    // Nonzero: holds no frame (receive: nothing received yet; send: the
    // transmitter is idle). 0: a frame is being received or is held, or is
    // being sent or awaits its answer.
    std::int32_t state = 1;
    // Receive: bytes stored so far. Send: bytes already written to the line.
    std::int16_t count = 0;
    // Sum modulo 256 of the bytes before the checksum position seen so far.
    std::uint8_t sum = 0;
    FrameBytes frame{};
};

bool FrameHasAddress(const FrameBytes& frame);
bool FrameHasLengthByte(const FrameBytes& frame);
std::uint8_t FrameTarget(const FrameBytes& frame);  // NoAddress without address bytes
std::uint8_t FrameSource(const FrameBytes& frame);  // NoAddress without address bytes
int FrameHeaderSize(const FrameBytes& frame);       // 1 to 4
int FrameDataLength(const FrameBytes& frame);       // 0 to 255
int FrameLength(const FrameBytes& frame);           // header + data + checksum, 2 to 260
int FrameData(const FrameBytes& frame);             // position of the first data byte
std::uint8_t FrameChecksumByte(const FrameBytes& frame);
std::uint8_t FrameService(const FrameBytes& frame);  // the first data byte
// A response carries bit 0x40 in its service identifier (0x7F counts as one).
bool FrameIsResponse(const FrameBytes& frame);

enum FrameStatusValue : int {
    FrameComplete = 0,
    FrameEmpty = 1,
    FrameIncomplete = 2,
    FrameBadChecksum = 3,
};

// Judges a buffer, testing in this order: empty (state nonzero), incomplete
// (FrameLength greater than count), bad checksum (checksum byte differs from
// the running sum), complete.
FrameStatusValue FrameStatus(const LinkBuffer& buffer);

// Fills buffer.frame for a send of `length` data bytes (only the low 8 bits
// of length count) from `source` to `target`. Format 0x80 plus the length
// for 1..63 data bytes, else format 0x80 and a length byte. The checksum is
// not written: the transmitter sums the bytes as it sends them.
void BuildFrame(LinkBuffer& buffer, std::uint8_t target, std::uint8_t source, std::uint16_t length,
                const std::uint8_t* data);

}  // namespace varnok
