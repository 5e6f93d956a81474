// The link state machine's view of the serial port: one byte at a time in
// both directions, with completions reported by the channel.
//
// Threads: called only from the link thread, inside a link step, with the
// link lock held.
#pragma once

#include <cstdint>

namespace varnok {

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Hands over one received byte, if one has arrived. Never blocks.
    virtual bool ReadByte(std::uint8_t& destination) = 0;
    // Starts writing one byte. True when the write was accepted; its
    // completion later runs a transmit step.
    virtual bool WriteByte(std::uint8_t value) = 0;
    // Runs a transmit step although no write has completed: sends the first
    // byte of a frame.
    virtual void StartTransmit() = 0;
};

}  // namespace varnok
