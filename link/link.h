// The byte-level link state machine.
//
// Sends one frame at a time byte by byte, supervises the gaps between bytes,
// waits for the answer and repeats an unanswered request up to three times;
// receives frames byte by byte, checks length, checksum and address, swallows
// response-pending answers and holds each accepted frame for the worker
// thread. A request addressed to this node is answered with response-pending
// frames (7F, service, 78) until the worker supplies the answer.
//
// All times are counted in ticks of the link thread's 10 ms timer. The link
// reads no clock and opens no port: the channel drives it through the three
// steps, and a test can do the same, one call at a time.
//
// Threads and locks:
// - LinkRxStep, LinkTxStep, LinkTick and LinkSendFrame run with linkLock held
//   (the link thread takes it around every step).
// - LinkSend and LinkReceive take linkLock themselves (the worker thread).
// - SetTiming and Prepare take it too; FramesForMe is read without a lock.
// - The SignalWorker hook is called with linkLock held; it must only wake
//   a thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "link/frame.h"
#include "link/serial_port.h"

namespace varnok {

// Indices of the six timing values.
enum TimingIndex : std::size_t {
    kTimingUnused = 0,     // only announced to the unit
    kByteTimeout = 1,      // gap after a received byte; time one written byte may take
    kResponseTimeout = 2,  // answer time after a request's last byte
    kPendingInterval = 3,  // delay before and between response-pending frames
    kRequestGap = 4,       // a request starts only after more idle ticks than this
    kResponseGap = 5,      // any frame starts only after more idle ticks than this
};

using LinkTiming = std::array<std::int16_t, 6>;

// Timing used from SerialOpen until the diagnostic session has started.
inline constexpr LinkTiming kDefaultLinkTiming{500, 5, 6, 3, 8, 3};

class Link {
public:
    Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Sets the hook that wakes the worker thread. Call before the link runs.
    void SetSignalWorker(std::function<void()> signalWorker);

    // Readies the link for a new port: both buffers empty, the deferred
    // answer slot free, the default timing, `ownAddress` stored. The port
    // must outlive every step run after this.
    void Prepare(SerialPort& port, std::uint8_t ownAddress);

    void SetTiming(const LinkTiming& timing);
    LinkTiming Timing() const;

    // Link thread steps; linkLock must be held.
    void LinkRxStep();
    void LinkTxStep();
    void LinkTick();
    // Takes a frame for sending; 0 when the transmitter is busy. linkLock held.
    int LinkSendFrame(std::uint8_t target, std::uint16_t length, const std::uint8_t* data);

    // Worker thread operations; they take linkLock.
    //
    // Sends a frame, or parks it as the deferred answer while a
    // response-pending frame of ours is on the line (it then goes out when
    // the pending timer next runs out). 1 when taken or parked.
    int LinkSend(std::uint8_t target, std::uint16_t length, const std::uint8_t* data);
    // Hands over a held frame: its source and up to `capacity` data bytes
    // (service identifier first). `capacity` returns the number copied.
    int LinkReceive(std::uint8_t& source, std::uint16_t& capacity, std::uint8_t* destination);

    // True when the transmitter holds no frame still to be written: it is
    // idle, or its frame has gone out completely. Takes linkLock.
    bool TransmitterDone() const;

    // Complete, correct frames addressed to this node, of any kind. Never reset.
    std::uint32_t FramesForMe() const { return framesForMe.load(std::memory_order_relaxed); }

    mutable std::mutex linkLock;

    // Read-only views for tests and diagnostics; hold linkLock while looking.
    const LinkBuffer& TransmitBuffer() const { return tx; }
    const LinkBuffer& ReceiveBuffer() const { return rx; }
    std::int16_t IdleTicks() const { return idleTicks; }

private:
    void RetryStep();
    void SetTransmitterIdle();
    void DropReceived();
    void Signal();

    // Guarded by linkLock.
    SerialPort* port = nullptr;
    LinkBuffer tx;
    LinkBuffer rx;
    std::uint8_t ownAddress = 0xF0;
    LinkTiming timing = kDefaultLinkTiming;
    std::int16_t rxByteTimer = 0;
    std::int16_t txByteTimer = 0;
    std::int16_t responseTimer = 0;
    std::int16_t pendingTimer = 0;
    std::int16_t idleTicks = 0;
    std::uint16_t retriesLeft = 0;
    std::uint8_t deferredTarget = 0;
    std::uint16_t deferredLength = 0;
    std::array<std::uint8_t, kMaxFrameLength> deferredData{};
    std::uint8_t requestSource = 0;
    std::uint8_t requestService = 0;
    std::array<std::uint8_t, 3> pendingAnswer{kNegativeResponse, 0, kResponsePending};

    // 1 while the deferred answer slot is free. Written under linkLock, read
    // by LinkSend before it takes the lock.
    std::atomic<std::int32_t> deferredFree{1};
    // Written by the link thread, read by the connection watchdog.
    std::atomic<std::uint32_t> framesForMe{0};

    std::function<void()> signalWorker;
};

}  // namespace varnok
