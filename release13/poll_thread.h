// The polling thread of the 1.3 build.
//
// While connected it reads the live values in endless cycles, one
// synchronous 2-byte read after the other, into the program-wide value
// buffers (livedata/data_objects.h):
//
//   200:0  100:0  102:0  103:12  202:0  203:0  204:0
//   111:0  113:0  114:0  115:0   117:0  800:6  800:8      (object:offset)
//
// After each complete cycle it keeps a copy of that cycle's 14 values, sets
// cycleDone and counts the cycle; the window's 10 ms display timer (Timer1)
// takes the copy with TakeCycle, shows it in the lists (ShowCycle) and steps
// the graph histories by the time since the last cycle, which it counts
// itself (sinceLastCycle).
//
// When a read fails, the unit is taken as lost: the thread sets
// pollThreadEnded, calls the link-lost handler as its last act and ends. The
// handler runs on the polling thread: it must only hand the disconnect on to
// the main thread (a queued call), which then drops the session without stop
// requests (connection.h).
//
// Threads: Start, Stop and Join from the main thread; the other members
// from any thread. Stop lets the thread finish the request it has on the
// line and ends it before the next one, so the main thread may talk to the
// unit as soon as Stop has returned. The CSock and the Clock must outlive
// the PollThread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "link/clock.h"
#include "livedata/data_objects.h"
#include "release13/sync_sock.h"

namespace varnok::release13 {

// The reads of one cycle, in order.
inline constexpr std::size_t kCycleReads = 14;
std::span<const DataObject* const, kCycleReads> PollCycle();

// The values of one complete cycle, as read.
struct CycleValues {
    std::array<std::uint16_t, kCycleReads> words{};

    // The value of one of the cycle's objects; 0 for any other object.
    std::uint16_t Unsigned(const DataObject& object) const;
    std::int16_t Signed(const DataObject& object) const {
        return static_cast<std::int16_t>(Unsigned(object));
    }
};

class PollThread {
public:
    // Called on the polling thread when a read has failed, after
    // pollThreadEnded has been set; the thread touches nothing afterwards.
    using LinkLostHandler = std::function<void()>;

    // The wait after the thread has been stopped, for a late answer to
    // arrive before the main thread makes its own requests.
    static constexpr std::uint32_t kStopPauseMs = 100;

    PollThread(CSock& sock, Clock& clock);
    // Stops and joins a running thread.
    ~PollThread();
    PollThread(const PollThread&) = delete;
    PollThread& operator=(const PollThread&) = delete;

    // Set before the first Start.
    void SetLinkLostHandler(LinkLostHandler handler);

    // Starts a new polling thread (StartPolling). Refused while one runs and
    // while pollThreadEnded is set: a lost unit is not polled again before
    // the next connect clears the flag.
    bool Start();
    // Ends the thread between two requests and joins it, then waits 100 ms
    // (StopPolling). Does nothing when no thread has been started.
    void Stop();
    // Joins a thread that has ended by itself after a failed read; no pause.
    void Join();
    // True from Start until the thread has ended (stopped or lost the unit).
    bool Running() const { return running.load(); }

    // Set at program start, cleared by a successful connect, set when a read
    // of the polling thread fails; the main thread also sets it when one of
    // its own reads finds the unit gone. While set, the disconnect leaves the
    // thread alone and drops the session without telling the unit.
    std::atomic<bool> pollThreadEnded{true};

    // Set after each complete cycle; cleared by TakeCycle.
    bool CycleDone() const { return cycleDone.load(); }
    // The last complete cycle's values, once: empty when no cycle has been
    // completed since the last call. Clears cycleDone.
    std::optional<CycleValues> TakeCycle();
    // Complete cycles since the program started.
    std::uint64_t Cycles() const { return cycles.load(); }

private:
    void Run();

    CSock& sock;
    Clock& clock;
    LinkLostHandler linkLost;

    std::thread thread;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> running{false};

    std::atomic<bool> cycleDone{false};
    std::atomic<std::uint64_t> cycles{0};
    std::mutex cycleLock;
    CycleValues lastCycle;  // Guarded by cycleLock.
};

}  // namespace varnok::release13
