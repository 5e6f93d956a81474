// What the benchmark programs share: the K-line's own limit, varnok-unit
// started as a process of its own, a watch on the link thread's steps that
// times answers and requests, and the figures of this process (CPU time,
// resident size) and of a set of samples (median, percentiles).
//
// The benchmarks print figures; they assert nothing.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/posix_serial_channel.h"

namespace varnok::bench {

using BenchClock = std::chrono::steady_clock;

// The line: 57600 baud, 10 bits a byte (start, 8 data, stop). A two-byte
// read is an 11-byte request (87 10 F0 A0, object, offset, count, checksum)
// and an 11-byte answer (87 F0 10 E0, object, offset, two data bytes,
// checksum). The adapter's echo is the request itself coming back from the
// one wire, so it takes no line time of its own.
inline constexpr double kLineBaud = 57600;
inline constexpr int kBitsPerByte = 10;
inline constexpr int kBytesPerRead = 11 + 11;
inline constexpr double kByteSeconds = kBitsPerByte / kLineBaud;
inline constexpr double kReadSeconds = kBytesPerRead * kByteSeconds;
// The most two-byte reads a second the line can carry: 261.8.
inline constexpr double kLineReadsPerSecond = 1.0 / kReadSeconds;

// varnok-unit as a child process on a pseudo-terminal, so that its CPU time
// is not this process's. Start() runs it with `options` and reads the port
// name it prints; the destructor tells it to quit and waits for it.
class UnitProcess {
public:
    explicit UnitProcess(std::vector<std::string> options = {});
    ~UnitProcess();
    UnitProcess(const UnitProcess&) = delete;
    UnitProcess& operator=(const UnitProcess&) = delete;

    bool Start(std::string& error);
    void Stop();
    // "pts/N", as typed in the program's port box.
    const std::string& PortName() const { return portName; }
    // "/dev/pts/N".
    std::string DevicePath() const { return "/dev/" + portName; }
    // CPU seconds the unit has used so far (user and system), from /proc.
    double CpuSeconds() const;

private:
    std::vector<std::string> options;
    pid_t pid = -1;
    int commands = -1;  // the unit's standard input
    std::string portName;
};

// Times on the link thread, taken by the serial channel's step observer
// (called before each step, with the link lock held):
// - an answer's end: the receive step of the byte that completes a frame
//   addressed to the program, with the object and offset of a read answer
//   (E0, object, offset, data); the byte was at the port by then;
// - a request's start: the transmit step that writes the first byte of a
//   frame.
// Costs the program nothing when no observer is set.
class LinkWatch {
public:
    struct AnswerEnd {
        BenchClock::time_point at;
        std::uint16_t object = 0;
        std::uint16_t offset = 0;
        bool read = false;  // a positive read answer
    };

    // Observes `channel`'s steps on `link` from its next SerialOpen on.
    void Attach(PosixSerialChannel& channel, Link& link);
    // Records only while on (it starts on); off, nothing is kept, so a long
    // run does not pile up times nobody takes.
    void Record(bool on);
    void Clear();

    // Everything recorded so far, oldest first.
    std::vector<AnswerEnd> Answers();
    std::vector<BenchClock::time_point> RequestStarts();
    // The link thread's id, known once it has run a step.
    pid_t LinkThreadId() const { return linkThread.load(); }
    // Takes the oldest recorded read answer for (object, offset), dropping
    // older ones for other reads; false when there is none.
    bool TakeAnswer(std::uint16_t object, std::uint16_t offset, BenchClock::time_point& at);

private:
    void OnStep(PosixSerialChannel::Step step, const Link& link);

    std::atomic<bool> recording{true};
    std::atomic<pid_t> linkThread{0};
    std::mutex lock;
    std::deque<AnswerEnd> answers;                      // Guarded by lock.
    std::vector<BenchClock::time_point> requestStarts;  // Guarded by lock.
};

// User and system CPU seconds of this whole process, all threads.
double ProcessCpuSeconds();
// CPU seconds of one thread of this process (from the scheduler's
// statistics, in nanoseconds), and of all of them.
double ThreadCpuSeconds(pid_t thread);
double AllThreadsCpuSeconds();
// Resident size now and its peak so far, in KiB (VmRSS and VmHWM).
long ResidentKiB();
long PeakResidentKiB();

// The p-th percentile (0 to 100) by the nearest rank; 0 for no samples.
double Percentile(std::vector<double> samples, double p);
double Median(std::vector<double> samples);

}  // namespace varnok::bench
