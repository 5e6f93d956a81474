#include "tools/virtual-unit/frame_assembler.h"

namespace varnok::unit {

FrameAssembler::FrameAssembler(std::int64_t gapLimitMicroseconds)
    : gapLimit(gapLimitMicroseconds) {}

void FrameAssembler::Reset() {
    buffer.state = 1;
    buffer.count = 0;
    buffer.sum = 0;
}

FrameAssembler::Result FrameAssembler::Feed(std::uint8_t byte, std::int64_t time) {
    if (buffer.count > 0 && time - lastByteTime > gapLimit) {
        Reset();
    }
    lastByteTime = time;
    const auto at = static_cast<std::size_t>(buffer.count);
    buffer.frame[at] = byte;
    buffer.state = 0;
    ++buffer.count;
    // Every byte before the checksum position counts in the sum; while the
    // header is incomplete the computed length is always beyond this byte.
    if (static_cast<int>(at) < FrameLength(buffer.frame) - 1) {
        buffer.sum = static_cast<std::uint8_t>(buffer.sum + byte);
    }
    const FrameStatusValue status = FrameStatus(buffer);
    if (status == FrameIncomplete) {
        return Result::Incomplete;
    }
    frame.assign(buffer.frame.begin(), buffer.frame.begin() + buffer.count);
    completed = buffer.frame;
    Reset();
    return status == FrameComplete ? Result::Frame : Result::BadChecksum;
}

}  // namespace varnok::unit
