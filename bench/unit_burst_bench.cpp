// Link throughput: bursts of 99 two-byte reads through the real CSock, its
// worker thread, the link thread and the POSIX serial channel against
// varnok-unit on a pseudo-terminal, the unit pacing its bytes at 57600 baud
// and answering without think time; then the 1.3 build's synchronous
// Request on the same unit, 99 reads one after the other.
//
// A 1.4 burst runs from queuing the first read to the notification of the
// 99th answer: 99 is all the queue holds. Its reads a second are compared
// with the line limit (bench_support.h): 99 reads x 22 bytes x 10 bits at
// 57600 baud, 378.1 ms. The median of the bursts is printed with the
// slowest and fastest, and where the time of a read goes: from the first
// byte of a request leaving the program to the last byte of its answer
// arriving (the line's 3.819 ms and the unit's and the pseudo-terminal's
// delays), and from that last byte to the first byte of the next request
// (the program's own turnaround: link thread, worker thread, link thread).
//
// Options: --bursts N (default 15).
#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "link/csock.h"
#include "link/posix_serial_channel.h"
#include "release13/sync_sock.h"

namespace varnok::bench {
namespace {

constexpr int kReads = 99;
// The polled values, round and round: engine speeds, rack, pedal, boost...
constexpr std::uint16_t kObjects[] = {100, 102, 202, 203, 204, 111, 200};

struct ProgramLink {
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    CSock sock{link, channel, clock};
};

struct Link13 {
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    release13::CSock sock{link, channel, clock};
};

// What the notifier records; shared with it, since a notification may still
// be running on the worker thread when a burst gives up.
struct BurstState {
    std::mutex lock;
    std::condition_variable done;
    int answered = 0;
    BenchClock::time_point last{};
    std::vector<BenchClock::time_point> notified;
};

// Seconds for one burst of 99 reads, or a negative number when one failed.
// `notified` receives the times of the notifications, on the worker thread.
double Burst(CSock& sock, std::vector<std::array<std::uint8_t, 2>>& buffers,
             std::vector<BenchClock::time_point>& notified) {
    // The queue takes 99 entries only when it is empty.
    for (int i = 0; i < 200 && sock.QueueDepth() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    auto state = std::make_shared<BurstState>();
    sock.SetNotifier([state](std::uint16_t, std::uint16_t) {
        const auto now = BenchClock::now();
        std::lock_guard guard(state->lock);
        state->last = now;
        state->notified.push_back(now);
        if (++state->answered == kReads) state->done.notify_one();
    });
    bool queued = true;
    const auto start = BenchClock::now();
    for (int i = 0; i < kReads && queued; ++i) {
        queued = sock.ReadObject(kObjects[i % 7], 0, buffers[static_cast<std::size_t>(i)].data(), 2,
                                 0) != 0;
    }
    bool complete = false;
    {
        std::unique_lock guard(state->lock);
        complete = queued && state->done.wait_for(guard, std::chrono::seconds(5),
                                                  [&] { return state->answered == kReads; });
    }
    sock.SetNotifier(nullptr);
    std::lock_guard guard(state->lock);
    notified = state->notified;
    return complete ? std::chrono::duration<double>(state->last - start).count() : -1;
}

struct QueueFigures {
    std::vector<double> seconds;    // per burst
    std::vector<double> roundTrip;  // request start to answer end, ms
    // Answer end to the notification (link thread, worker thread), and the
    // notification to the next request's first byte (worker thread, link
    // thread), us.
    std::vector<double> toWorker;
    std::vector<double> toLine;
};

double Micros(BenchClock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Follows each read of a burst: its request's start, its answer's end, the
// notification after that, and the next request's start.
void SplitReads(LinkWatch& watch, const std::vector<BenchClock::time_point>& notified,
                QueueFigures& figures) {
    const auto starts = watch.RequestStarts();
    const auto answers = watch.Answers();
    std::size_t a = 0;
    std::size_t n = 0;
    for (std::size_t s = 0; s < starts.size(); ++s) {
        while (a < answers.size() && answers[a].at < starts[s]) ++a;
        if (a == answers.size()) break;
        figures.roundTrip.push_back(Micros(answers[a].at - starts[s]) / 1000);
        while (n < notified.size() && notified[n] < answers[a].at) ++n;
        if (n == notified.size()) continue;
        figures.toWorker.push_back(Micros(notified[n] - answers[a].at));
        if (s + 1 < starts.size() && starts[s + 1] > notified[n]) {
            figures.toLine.push_back(Micros(starts[s + 1] - notified[n]));
        }
    }
}

bool RunQueue(const std::string& device, int bursts, QueueFigures& figures) {
    ProgramLink program;
    LinkWatch watch;
    watch.Attach(program.channel, program.link);
    if (program.sock.OpenSession(device, 57600) == 0) {
        std::fprintf(stderr, "no session with the unit\n");
        return false;
    }
    std::vector<std::array<std::uint8_t, 2>> buffers(kReads);
    std::vector<BenchClock::time_point> notified;
    bool ok = Burst(program.sock, buffers, notified) > 0;  // warm-up
    for (int i = 0; ok && i < bursts; ++i) {
        watch.Clear();
        const double seconds = Burst(program.sock, buffers, notified);
        ok = seconds > 0;
        figures.seconds.push_back(seconds);
        SplitReads(watch, notified, figures);
    }
    program.sock.CloseSession();
    if (!ok) std::fprintf(stderr, "a read failed\n");
    return ok;
}

// Seconds for 99 synchronous reads of the 1.3 build, or negative on a failure.
double RunSynchronous(const std::string& device) {
    Link13 program;
    if (program.sock.OpenSession(device, 57600) == 0) {
        std::fprintf(stderr, "no 1.3 session with the unit\n");
        return -1;
    }
    std::array<std::uint8_t, 2> buffer{};
    const auto start = BenchClock::now();
    bool ok = true;
    for (int i = 0; i < kReads && ok; ++i) {
        ok = program.sock.ReadObject(kObjects[i % 7], 0, buffer.data(), 2) != 0;
    }
    const double seconds = std::chrono::duration<double>(BenchClock::now() - start).count();
    program.sock.CloseSession();
    return ok ? seconds : -1;
}

void PrintRow(const char* name, double seconds, const char* note) {
    const double rate = kReads / seconds;
    std::printf("  %-34s %8.1f %9.1f %%  %9.2f   %s\n", name, rate,
                100.0 * rate / kLineReadsPerSecond, seconds / kReads * 1000, note);
}

void PrintQueue(const char* name, const QueueFigures& figures) {
    std::vector<double> s = figures.seconds;
    std::sort(s.begin(), s.end());
    char note[96];
    std::snprintf(note, sizeof note, "median of %zu bursts; %.1f to %.1f %%", s.size(),
                  100.0 * kReads / s.back() / kLineReadsPerSecond,
                  100.0 * kReads / s.front() / kLineReadsPerSecond);
    PrintRow(name, Median(s), note);
}

}  // namespace
}  // namespace varnok::bench

int main(int argc, char** argv) {
    using namespace varnok::bench;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int bursts = 15;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--bursts" && i + 1 < argc) {
            bursts = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: unit_burst_bench [--bursts N]\n");
            return 2;
        }
    }

    std::printf(
        "1. Link throughput: %d two-byte reads against varnok-unit, paced at %.0f baud, "
        "no think time\n",
        kReads, kLineBaud);
    std::printf("   line limit %.1f reads/s (%d bytes x %d bits at %.0f baud = %.3f ms a read)\n",
                kLineReadsPerSecond, kBytesPerRead, kBitsPerByte, kLineBaud, kReadSeconds * 1000);
    std::printf("  %-34s %8s %11s  %9s\n", "", "reads/s", "of limit", "ms a read");

    std::string error;
    QueueFigures echoOn;
    double synchronous = -1;
    {
        UnitProcess unit;
        if (!unit.Start(error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (!RunQueue(unit.DevicePath(), bursts, echoOn)) return 1;
        PrintQueue("1.4 beta queue, CSock (echo on)", echoOn);
        synchronous = RunSynchronous(unit.DevicePath());
        if (synchronous < 0) {
            std::fprintf(stderr, "a 1.3 read failed\n");
            return 1;
        }
    }
    QueueFigures echoOff;
    {
        UnitProcess unit({"--no-echo"});
        if (!unit.Start(error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (!RunQueue(unit.DevicePath(), bursts, echoOff)) return 1;
        PrintQueue("1.4 beta queue, CSock (echo off)", echoOff);
    }
    PrintRow("1.3 synchronous Request (echo on)", synchronous, "99 reads one after the other");
    std::printf("   1.4 beta / 1.3: %.1f times the reads a second\n",
                synchronous / Median(echoOn.seconds));
    std::printf("   where a 1.4 read's time goes (echo on), median / 90th / 99th percentile:\n");
    std::printf(
        "     request's first byte out to answer's last byte in %7.3f / %.3f / %.3f ms "
        "(line %.3f ms)\n",
        Median(echoOn.roundTrip), Percentile(echoOn.roundTrip, 90),
        Percentile(echoOn.roundTrip, 99), kReadSeconds * 1000);
    std::printf("     answer's last byte in to its notification        %5.0f / %.0f / %.0f us\n",
                Median(echoOn.toWorker), Percentile(echoOn.toWorker, 90),
                Percentile(echoOn.toWorker, 99));
    std::printf("     notification to next request's first byte out    %5.0f / %.0f / %.0f us\n",
                Median(echoOn.toLine), Percentile(echoOn.toLine, 90),
                Percentile(echoOn.toLine, 99));
    return 0;
}
