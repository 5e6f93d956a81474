// Collects the bytes arriving at the unit into frames, by the length the
// header gives (link/frame.h). A gap longer than the inter-byte limit ends
// whatever has been collected: a frame cut short is dropped, and the next
// byte starts a new frame, so the unit finds the frame start again after
// noise on the line.
//
// Not thread-safe; used by the unit's own thread.
#pragma once

#include <cstdint>
#include <vector>

#include "link/frame.h"

namespace varnok::unit {

class FrameAssembler {
public:
    enum class Result { Incomplete, Frame, BadChecksum };

    // Gap after which collected bytes are dropped, in microseconds.
    explicit FrameAssembler(std::int64_t gapLimitMicroseconds = 50'000);

    // Takes one byte that arrived at `timeMicroseconds`. On Frame and
    // BadChecksum the frame's bytes are in Frame() until the next call.
    Result Feed(std::uint8_t byte, std::int64_t timeMicroseconds);
    const std::vector<std::uint8_t>& Frame() const { return frame; }
    // The same frame for the accessors of link/frame.h.
    const FrameBytes& Bytes() const { return completed; }
    void Reset();

private:
    std::int64_t gapLimit;
    std::int64_t lastByteTime = 0;
    LinkBuffer buffer;
    std::vector<std::uint8_t> frame;
    FrameBytes completed{};
};

}  // namespace varnok::unit
