// varnok-unit: the simulated control unit on a serial line.
//
// A VirtualUnit creates a pseudo-terminal (or opens a serial device) and
// serves it on its own thread: it collects the program's bytes into frames,
// answers every frame addressed to node 0x10 as the unit would (UnitServices
// over UnitModel), echoes the program's bytes as a K-line adapter does, and
// paces its output at the line speed of the baud rate in force. On a
// pseudo-terminal that is the baud rate the program has set on its side
// (the master reads the slave's settings); on a device the unit switches its
// own baud rate as the session protocol says.
//
// Steering: every setter and WithModel may be called from any thread while
// the unit runs; they take the unit's lock, and the unit's thread takes it
// around every frame it handles. The trace stream, when set, must outlive
// the unit (or be replaced first).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "link/services.h"
#include "tools/virtual-unit/frame_assembler.h"
#include "tools/virtual-unit/line_schedule.h"
#include "tools/virtual-unit/unit_model.h"
#include "tools/virtual-unit/unit_options.h"
#include "tools/virtual-unit/unit_services.h"

namespace varnok::unit {

// The node address the unit answers to and sends from is the program's
// kUnitAddress (link/services.h).
using varnok::kUnitAddress;

class VirtualUnit {
public:
    explicit VirtualUnit(UnitOptions options = {});
    // Stops the unit's thread and closes the port.
    ~VirtualUnit();
    VirtualUnit(const VirtualUnit&) = delete;
    VirtualUnit& operator=(const VirtualUnit&) = delete;

    // Creates the pseudo-terminal (or opens the device) and starts serving.
    // False with a message in `error` when the port cannot be had.
    bool Start(std::string& error);
    void Stop();
    bool Serving() const { return thread.joinable(); }

    // The port name to type in the program: the path without "/dev/"
    // ("pts/3", "ttyUSB0").
    std::string PortName() const;
    // The full path of the port the program opens: "/dev/pts/3".
    const std::string& DevicePath() const { return devicePath; }
    // The baud rate the unit hears on the line: on a pseudo-terminal the one
    // the program has set, on a device the unit's own.
    std::uint32_t LineBaud() const;

    // Line behaviour; takes effect with the next byte.
    LineOptions Line() const;
    void SetLine(const LineOptions& line);
    void SetEcho(bool on);
    void SetPacing(bool on);
    void SetPending(int count);
    void SetCorruptShare(double share);
    void SetAnswerDelay(int milliseconds);
    void SetMisdirectShare(double share);
    void SetAnswerStartCommunication(bool on);
    void SetTrace(bool on);
    // Where the trace goes; standard error unless set.
    void SetTraceStream(std::ostream* stream);

    // Silence: at once, or after this many more request frames or seconds
    // from now. Talk() ends the silence and forgets both limits.
    void GoSilent();
    void SetSilentAfterFrames(long frames);
    void SetSilentAfterSeconds(double seconds);
    void Talk();
    bool Silent() const;

    // Runs `action` on the unit's model under the unit's lock, with the
    // model's time brought up to now; the live values show its effect at once.
    template <typename Action>
    auto WithModel(Action&& action) {
        std::lock_guard lock(mutex);
        const std::int64_t now = ElapsedMs();
        model.AdvanceTo(now);
        if constexpr (std::is_void_v<decltype(action(model))>) {
            action(model);
            model.AdvanceTo(now);
        } else {
            auto result = action(model);
            model.AdvanceTo(now);
            return result;
        }
    }

    // Puts a value into an object, bypassing the unit's limits; a live value
    // stays there until released (UnitModel::Poke).
    bool SetValue(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
                  std::int64_t value);
    // Moves the accelerator pedal (0 released, 100 pressed to the stop) and
    // takes over from the automatic driver.
    void PressPedal(double percent);

    // Request frames addressed to the unit, and answers it has queued.
    std::uint32_t FramesReceived() const { return framesReceived.load(); }
    std::uint32_t FramesAnswered() const { return framesAnswered.load(); }
    // Request frames of one service, answered or not.
    std::uint32_t RequestsReceived(std::uint8_t service) const {
        return requestsReceived[service].load();
    }

private:
    using Clock = std::chrono::steady_clock;

    void Loop();
    void ServePort(std::vector<LineSchedule::Note>& finished);
    void OnBytes(const std::uint8_t* bytes, std::size_t count, Clock::time_point arrival);
    void OnFrame(FrameAssembler::Result result, LineSchedule::Time passed);
    void AfterFrames(const std::vector<LineSchedule::Note>& finished);
    std::vector<std::uint8_t> AnswerFrame(std::uint8_t target,
                                          const std::vector<std::uint8_t>& data);
    bool SilentLocked() const;
    void TraceLocked(const char* direction, const std::vector<std::uint8_t>& frame,
                     const char* remark);
    void SetDeviceBaud(std::uint32_t baud);
    std::int64_t ElapsedMs() const;

    const Clock::time_point started = Clock::now();
    std::string devicePath;
    bool pseudoTerminal = true;
    int port = -1;
    int stopEvent = -1;
    std::thread thread;
    std::atomic<std::uint32_t> deviceBaud{kLineBaud};
    std::atomic<std::uint32_t> framesReceived{0};
    std::atomic<std::uint32_t> framesAnswered{0};
    std::array<std::atomic<std::uint32_t>, 256> requestsReceived{};

    // Guarded by mutex.
    mutable std::mutex mutex;
    LineOptions line;
    UnitModel model;
    UnitServices services{model};
    bool silent = false;
    std::uint32_t silentFramesBase = 0;
    Clock::time_point silentSecondsBase;
    std::ostream* traceStream;
    std::mt19937 random;
    // The data of the last read request, which a misdirected answer answers.
    std::vector<std::uint8_t> lastRead;

    // Unit thread only.
    FrameAssembler assembler;
    LineSchedule schedule;
};

}  // namespace varnok::unit
