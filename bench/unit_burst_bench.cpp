// A burst of 99 two-byte reads through CSock against varnok-unit on a
// pseudo-terminal at 57600 baud, with the unit pacing its output at the line
// speed, compared with the time the frames need on a real K-line.
//
// Line time counted: each read is an 11-byte request (87 10 F0 A0, object,
// offset, count, checksum) and an 11-byte answer (87 F0 10 E0, object,
// offset, two data bytes, checksum), 10 bits per byte (start, 8 data, stop).
// The adapter's echo is the request itself coming back from the one wire,
// so it adds no line time; with the echo on or off the line time is the same.
// The burst's time runs from queuing the first read to the notification of
// the 99th answer. The ratio measured / line time should stay within 1.10.
#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "link/csock.h"
#include "link/device_path.h"
#include "link/posix_serial_channel.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReads = 99;
constexpr int kBursts = 7;
constexpr double kBaud = 57600;
constexpr int kBytesPerRead = 11 + 11;

struct ProgramLink {
    varnok::Link link;
    varnok::PosixSerialChannel channel{link};
    varnok::SteadyClock clock;
    varnok::CSock sock{link, channel, clock};
};

// What the notifier records; shared with it, since a notification may still
// be running on the worker thread when a burst gives up.
struct BurstState {
    std::mutex lock;
    std::condition_variable done;
    int answered = 0;
    Clock::time_point last{};
};

// Seconds for one burst, or a negative number when a read failed.
double Burst(varnok::CSock& sock, std::vector<std::array<std::uint8_t, 2>>& buffers) {
    // The queue takes 99 entries only when it is empty.
    for (int i = 0; i < 200 && sock.QueueDepth() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    auto state = std::make_shared<BurstState>();
    sock.SetNotifier([state](std::uint16_t, std::uint16_t) {
        const auto now = Clock::now();
        std::lock_guard guard(state->lock);
        state->last = now;
        if (++state->answered == kReads) state->done.notify_one();
    });
    bool queued = true;
    const auto start = Clock::now();
    for (int i = 0; i < kReads && queued; ++i) {
        // The polled values, round and round: engine speeds, rack, pedal, boost...
        static constexpr std::uint16_t kObjects[] = {100, 102, 202, 203, 204, 111, 200};
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
    return complete ? std::chrono::duration<double>(state->last - start).count() : -1;
}

int Run(bool echo) {
    varnok::unit::UnitOptions options;
    options.line.echo = echo;
    options.line.pace = true;
    options.model.driver = false;
    varnok::unit::VirtualUnit unit(options);
    std::string error;
    if (!unit.Start(error)) {
        std::fprintf(stderr, "cannot start the unit: %s\n", error.c_str());
        return 1;
    }
    ProgramLink program;
    if (program.sock.OpenSession(varnok::DevicePathForPort(unit.PortName()), 57600) == 0) {
        std::fprintf(stderr, "no session with the unit\n");
        return 1;
    }
    const double lineTime = kReads * kBytesPerRead * 10.0 / kBaud;
    std::vector<std::array<std::uint8_t, 2>> buffers(kReads);
    std::vector<double> ratios;
    Burst(program.sock, buffers);  // warm-up
    for (int i = 0; i < kBursts; ++i) {
        const double seconds = Burst(program.sock, buffers);
        if (seconds < 0) {
            std::fprintf(stderr, "a read failed\n");
            return 1;
        }
        ratios.push_back(seconds / lineTime);
    }
    program.sock.CloseSession();
    std::sort(ratios.begin(), ratios.end());
    std::printf("echo %-3s  line time %.1f ms (%d reads x %d bytes x 10 bits at %.0f baud)\n",
                echo ? "on" : "off", lineTime * 1000, kReads, kBytesPerRead, kBaud);
    std::printf("          burst %.1f ms median, ratio min %.3f  median %.3f  max %.3f\n",
                ratios[ratios.size() / 2] * lineTime * 1000, ratios.front(),
                ratios[ratios.size() / 2], ratios.back());
    return 0;
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("99 two-byte reads through CSock against varnok-unit, paced at 57600 baud\n");
    return Run(true) != 0 || Run(false) != 0 ? 1 : 0;
}
