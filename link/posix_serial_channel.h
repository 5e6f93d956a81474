// The serial channel on POSIX systems: a tty device in raw mode, one link
// thread that waits with poll() on the port, an eventfd (the transmit event),
// a timerfd (the 10 ms tick) and a stop eventfd.
//
// The link thread serves, in this order of precedence: one received byte per
// receive step, one transmit step per completed write or StartTransmit, one
// tick per timer expiry. Every timer expiry counts as a tick, also several
// that passed while the thread was busy, so the link's time-outs follow wall
// time. A port that hangs up or fails is no longer polled; the thread keeps
// ticking and the link's time-outs and the connection watchdog end the
// session.
//
// Threads: SerialOpen, SerialSetBaud and SerialClose from one controlling
// thread; the SerialPort operations from the link thread inside a step,
// StartTransmit also from the worker thread. The Link must outlive the
// channel.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "link/link.h"
#include "link/serial_channel.h"
#include "link/serial_port.h"

namespace varnok {

class PosixSerialChannel final : public SerialChannel, private SerialPort {
public:
    explicit PosixSerialChannel(Link& link);
    ~PosixSerialChannel() override;
    PosixSerialChannel(const PosixSerialChannel&) = delete;
    PosixSerialChannel& operator=(const PosixSerialChannel&) = delete;

    int SerialOpen(const std::string& path, std::uint8_t ownAddress, std::uint32_t baud) override;
    int SerialSetBaud(std::uint32_t baud) override;
    void SerialClose() override;

    bool LinkThreadRunning() const { return thread.joinable(); }

    // Which step the link thread runs next: 'r' receive, 't' transmit,
    // 'k' tick. For tests that check the order of steps; set it before
    // SerialOpen. Called on the link thread with the link lock held.
    enum class Step : char { Receive = 'r', Transmit = 't', Tick = 'k' };
    void SetStepObserver(std::function<void(Step)> observer) { stepObserver = std::move(observer); }
    // CPU time the link thread has used so far; zero when it is not running.
    std::chrono::nanoseconds LinkThreadCpuTime() const;

private:
    bool ReadByte(std::uint8_t& destination) override;
    bool WriteByte(std::uint8_t value) override;
    void StartTransmit() override;

    void LinkThread();
    bool FillReceiveBuffer();
    void FlushPendingWrite();
    void CloseDescriptors();
    void Observe(Step step);

    Link& link;
    std::function<void(Step)> stepObserver;

    // Owned by the controlling thread; read by the link thread while it runs.
    int port = -1;
    int transmitEvent = -1;
    int tickTimer = -1;
    int stopEvent = -1;
    std::thread thread;

    // Link thread only.
    std::array<std::uint8_t, 64> received{};
    std::size_t receivedHead = 0;
    std::size_t receivedTail = 0;
    bool portUsable = false;
    bool writeCompleted = false;
    bool writePending = false;
    std::uint8_t pendingByte = 0;
};

}  // namespace varnok
