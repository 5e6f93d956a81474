// The serial channel as the session control sees it: open a port, change its
// baud rate, close it.
//
// SerialOpen readies the link state machine, opens and configures the port
// and starts the link thread, which runs one link step per received byte,
// per completed write and per 10 ms tick. SerialClose stops that thread and
// releases everything SerialOpen created; it is safe after a failed open and
// when nothing is open.
//
// Threads: all three are called from one thread (the main thread in the
// program). The link's worker-side operations may run meanwhile; SerialClose
// waits until the link thread has left its step and released the link lock.
#pragma once

#include <cstdint>
#include <string>

namespace varnok {

class SerialChannel {
public:
    virtual ~SerialChannel() = default;
    // 1 on success, 0 when any step failed; call SerialClose either way.
    virtual int SerialOpen(const std::string& path, std::uint8_t ownAddress,
                           std::uint32_t baud) = 0;
    // Changes only the baud rate. 1 on success, 0 on failure.
    virtual int SerialSetBaud(std::uint32_t baud) = 0;
    virtual void SerialClose() = 0;
};

}  // namespace varnok
