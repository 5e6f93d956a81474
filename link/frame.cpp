#include "link/frame.h"

#include <algorithm>

namespace varnok {

namespace {
constexpr std::uint8_t kAddressBit = 0x80;
constexpr std::uint8_t kLengthBits = 0x3F;
constexpr std::uint8_t kResponseBit = 0x40;
}  // namespace

bool FrameHasAddress(const FrameBytes& frame) {
    return (frame[0] & kAddressBit) != 0;
}

bool FrameHasLengthByte(const FrameBytes& frame) {
    return (frame[0] & kLengthBits) == 0;
}

std::uint8_t FrameTarget(const FrameBytes& frame) {
    return FrameHasAddress(frame) ? frame[1] : NoAddress;
}

std::uint8_t FrameSource(const FrameBytes& frame) {
    return FrameHasAddress(frame) ? frame[2] : NoAddress;
}

int FrameHeaderSize(const FrameBytes& frame) {
    return 1 + (FrameHasAddress(frame) ? 2 : 0) + (FrameHasLengthByte(frame) ? 1 : 0);
}

int FrameDataLength(const FrameBytes& frame) {
    if (FrameHasLengthByte(frame)) {
        return frame[FrameHasAddress(frame) ? 3 : 1];
    }
    return frame[0] & kLengthBits;
}

int FrameLength(const FrameBytes& frame) {
    return FrameHeaderSize(frame) + FrameDataLength(frame) + 1;
}

int FrameData(const FrameBytes& frame) {
    return FrameHeaderSize(frame);
}

std::uint8_t FrameChecksumByte(const FrameBytes& frame) {
    return frame[static_cast<std::size_t>(FrameHeaderSize(frame) + FrameDataLength(frame))];
}

std::uint8_t FrameService(const FrameBytes& frame) {
    return frame[static_cast<std::size_t>(FrameData(frame))];
}

bool FrameIsResponse(const FrameBytes& frame) {
    return (FrameService(frame) & kResponseBit) != 0;
}

FrameStatusValue FrameStatus(const LinkBuffer& buffer) {
    if (buffer.state != 0) {
        return FrameEmpty;
    }
    if (FrameLength(buffer.frame) > buffer.count) {
        return FrameIncomplete;
    }
    if (FrameChecksumByte(buffer.frame) != buffer.sum) {
        return FrameBadChecksum;
    }
    return FrameComplete;
}

void BuildFrame(LinkBuffer& buffer, std::uint8_t target, std::uint8_t source, std::uint16_t length,
                const std::uint8_t* data) {
    const auto n = static_cast<std::uint8_t>(length & 0xFF);
    FrameBytes& frame = buffer.frame;
    std::size_t header = 3;
    frame[0] = kAddressBit;
    if (length >= 1 && length <= 63) {
        frame[0] = static_cast<std::uint8_t>(frame[0] | length);
    } else {
        frame[3] = n;
        header = 4;
    }
    frame[1] = target;
    frame[2] = source;
    if (n != 0 && data != nullptr) {
        std::copy_n(data, n, frame.begin() + static_cast<std::ptrdiff_t>(header));
    }
}

}  // namespace varnok
