// CSock, the link object: the only way to the control unit.
//
// It holds the session's parameters, encodes the diagnostic services, keeps
// a ring of 100 request entries and runs the worker thread that offers the
// oldest entry to the link state machine and routes each answer into its
// caller's buffer. Callers queue and forget, or wait for the answer.
//
// Threads:
// - Request and every operation built on it (ReadObject, WriteObject,
//   ClearFaults, StoreSettings, OpenSession, CloseSession, DropSession) are
//   called from one thread only, the main thread in the program. The ring
//   has that one producer and the worker thread as its one consumer.
// - The notifier is called on the worker thread, once per answered read
//   call, after its data has been copied; it must only hand the (object,
//   offset) pair on, e.g. post an event.
// - Answer data is copied into callers' buffers under ValueBufferLock (see
//   value_lock.h); read buffers that a queued read may fill with CopyValue.
// - The Link, the SerialChannel and the Clock must outlive the CSock.
//
// Results are 1 (success) and 0 (failure); nothing here throws, and a unit
// that does not answer is routine.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "link/clock.h"
#include "link/link.h"
#include "link/serial_channel.h"
#include "link/services.h"

namespace varnok {

enum RequestState : std::int32_t { Queued = 0, Sent = 1, Answered = 2, Failed = 3 };

// One queue entry.
struct SockRequest {
    std::uint8_t service = 0;
    std::int32_t param = 0;  // local identifier for 0x21, else 0
    // Where answer data goes; may be null. Once the entry is published, read
    // and written only under ValueBufferLock: a waiting caller that gives up
    // detaches its buffer, so a late answer cannot land in memory that is
    // no longer the caller's.
    std::uint8_t* buffer = nullptr;
    std::uint16_t object = 0;
    std::uint16_t offset = 0;  // the call's first offset, the same in every entry of a call
    std::int32_t total = 0;    // the call's byte count
    std::array<std::uint8_t, 256> data{};  // the encoded request
    std::uint16_t dataLength = 0;
    std::atomic<std::int32_t> state{Queued};
    std::int32_t last = 0;  // 1 in the final entry of a call
};

// (object, offset) of an answered read call; called on the worker thread.
using ReadNotifier = std::function<void(std::uint16_t object, std::uint16_t offset)>;

// The session's fields (baud, timing, addresses, sessionOpen) come from
// SessionFields. sessionOpen is set at the start of OpenSession, so that
// Request takes the session's own requests, and Request refuses all calls
// while it is 0; written by the main thread, read by the worker.
class CSock : public SessionFields {
public:
    static constexpr int kRingSize = 100;
    static constexpr int kChunk = kObjectChunk;
    static constexpr std::uint32_t kWaitStepMs = 50;

    // With startWorker false no thread is started; a test then runs the
    // worker's steps itself with WorkerStep.
    CSock(Link& link, SerialChannel& channel, Clock& clock, bool startWorker = true);
    // Closes an open session, then stops and joins the worker thread.
    ~CSock();
    CSock(const CSock&) = delete;
    CSock& operator=(const CSock&) = delete;

    // Queues one call; with wait nonzero blocks until its last entry is
    // answered (1), refused (0) or the wait limit passes without progress (0).
    // Without wait the buffer must stay valid until the answer has come (the
    // program passes its value buffers). Answers to 0x18, 0x1A and 0x21 are
    // copied into at most `total` bytes, or 256 when total is 0.
    int Request(std::uint8_t service, std::int32_t param = 0, int wait = 0, void* buffer = nullptr,
                std::uint16_t object = 0, std::uint16_t offset = 0, std::int32_t total = 0);
    int ReadObject(std::uint16_t object, std::uint16_t offset, void* buffer, std::int32_t length,
                   int wait);
    // The bytes are copied from `buffer` when the call is queued.
    int WriteObject(std::uint16_t object, std::uint16_t offset, const void* buffer,
                    std::int32_t length, int wait);
    int ClearFaults();
    // Writes 1 to object 10004 and reads it every 100 ms until it is not 1:
    // 1 when the unit reports 0 (stored), else 0.
    int StoreSettings();
    // Entries waiting, 0 to 99.
    int QueueDepth() const;

    // Session control.
    int OpenSession(const std::string& path, std::uint16_t sessionBaud);
    int CloseSession();
    int DropSession();

    // The receiver of read notifications (the design's notify window).
    void SetNotifier(ReadNotifier notifier);

    // One pass of the worker loop: take a held answer, offer the head entry.
    void WorkerStep();

    // Whole milliseconds of a timing value, as sent to the unit.
    static std::uint16_t TimingMilliseconds(double seconds) {
        return varnok::TimingMilliseconds(seconds);
    }
    // Link ticks of a timing value, as set on the link in the session.
    static std::int16_t TimingTicks(double seconds) { return varnok::TimingTicks(seconds); }
    // The wait limit of a blocking request, in milliseconds.
    std::uint32_t WaitLimitMs() const;

    std::uint32_t FramesForMe() const { return link.FramesForMe(); }
    const std::string& PortName() const { return portName; }

private:
    // Encodes one call into ring slots from tail on; false for an unknown service.
    int Queue(std::uint8_t service, std::int32_t param, std::uint8_t* buffer, std::uint16_t object,
              std::uint16_t offset, std::int32_t total, int& firstSlot, int& lastSlot);
    int Wait(int firstSlot, int lastSlot);
    bool HandleAnswer(SockRequest& entry, const std::uint8_t* answer, std::uint16_t length);
    // Drops every queued entry before a new session starts, so that nothing
    // of the last session reaches the next unit.
    void DiscardQueued();
    void WaitUntilWritten(int slot);
    void WorkerLoop();
    void Wake();

    Link& link;
    SerialChannel& channel;
    Clock& clock;

    // The device path of the current session.
    std::string portName;

    // Producer (main thread) writes slots at or beyond tail and publishes
    // them by storing tail; the consumer (worker) writes an entry's state and
    // then advances head.
    std::array<SockRequest, kRingSize> ring;
    std::atomic<std::int32_t> head{0};
    std::atomic<std::int32_t> tail{0};

    // Guarded by notifierLock.
    std::mutex notifierLock;
    ReadNotifier notifier;

    // The worker event (auto-reset) and the thread's stop flag.
    std::mutex eventLock;
    std::condition_variable eventSignal;
    std::condition_variable discardDone;
    bool eventSet = false;          // Guarded by eventLock.
    bool stopWorker = false;        // Guarded by eventLock.
    bool discardRequested = false;  // Guarded by eventLock.
    std::thread worker;
};

}  // namespace varnok
