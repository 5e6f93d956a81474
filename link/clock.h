// Time as the link object sees it: a millisecond count and a way to pause.
// The program uses SteadyClock; tests hand in a clock whose Sleep moves time
// and drives the fake line, so waits run in microseconds.
#pragma once

#include <cstdint>

namespace varnok {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of a steady clock, as an unsigned 32-bit count that wraps.
    virtual std::uint32_t TickCount() = 0;
    // Pauses the calling thread; dispatches nothing meanwhile.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

class SteadyClock final : public Clock {
public:
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace varnok
