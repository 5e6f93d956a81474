// A link object on a fake line, run with no sleeping.
//
// The clock's Sleep moves time in 10 ms ticks; every tick runs the link's
// tick, the owed transmit steps, the scripted unit's answers (one receive
// step per byte) and the link object's worker step, if it has one. A
// blocking request therefore sees its answer as soon as the unit would have
// given it, and a five-second wait is 500 ticks that run in microseconds.
//
// FakeUnitLine is the line and the unit alone, for any link object built on
// its link, channel and clock; FakeLine adds the queued CSock. Whichever
// thread sleeps on the clock drives the line: one thread at a time.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <numeric>

#include "link/csock.h"
#include "tests/link/fake_port.h"

namespace varnok::test {

class FakeLine;

class FakeChannel : public SerialChannel {
public:
    FakeChannel(Link& l, FakePort& p) : link(l), port(p) {}
    int SerialOpen(const std::string& path, std::uint8_t ownAddress,
                   std::uint32_t lineBaud) override {
        openedPath = path;
        baud = lineBaud;
        link.Prepare(port, ownAddress);
        open = !failOpen;
        return open ? 1 : 0;
    }
    int SerialSetBaud(std::uint32_t value) override {
        baud = value;
        return 1;
    }
    void SerialClose() override { open = false; }

    Link& link;
    FakePort& port;
    std::string openedPath;
    std::uint32_t baud = 0;
    bool open = false;
    bool failOpen = false;
};

class FakeClock : public Clock {
public:
    explicit FakeClock(std::function<void()> tick) : onTick(std::move(tick)) {}
    std::uint32_t TickCount() override { return now; }
    void Sleep(std::uint32_t milliseconds) override {
        for (std::uint32_t i = 0; i < milliseconds / 10; ++i) {
            now += 10;
            onTick();
        }
        now += milliseconds % 10;
    }
    std::uint32_t now = 1000;
    std::function<void()> onTick;
};

// A frame the unit saw: its data bytes, the line's baud rate and the
// clock's time then.
struct SeenFrame {
    std::vector<std::uint8_t> data;
    std::uint32_t baud;
    std::uint32_t time;
};

class FakeUnitLine {
public:
    // The unit's answers (data bytes, service first) to a request's data
    // bytes; several answers go out one after the other; none is silence.
    using Unit = std::function<std::vector<std::vector<std::uint8_t>>(
        const std::vector<std::uint8_t>& request)>;

    FakeUnitLine() = default;
    FakeUnitLine(const FakeUnitLine&) = delete;
    FakeUnitLine& operator=(const FakeUnitLine&) = delete;

    // Runs everything that is owed without moving time.
    void Settle() {
        for (int round = 0; round < 8; ++round) {
            Pump();
            ServeUnit();
            while (!port.incoming.empty()) {
                {
                    std::lock_guard lock(link.linkLock);
                    link.LinkRxStep();
                }
                Pump();
            }
            if (workerStep) workerStep();
            Pump();
        }
    }

    void Tick() {
        {
            std::lock_guard lock(link.linkLock);
            link.LinkTick();
        }
        ++ticks;
        while (!delayed.empty() && delayed.front().first <= ticks) {
            for (std::uint8_t b : delayed.front().second) port.incoming.push_back(b);
            delayed.pop_front();
        }
        Settle();
    }

    static std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& data) {
        LinkBuffer buffer;
        BuildFrame(buffer, 0xF0, 0x10, static_cast<std::uint16_t>(data.size()), data.data());
        const int length = FrameLength(buffer.frame);
        std::vector<std::uint8_t> out(buffer.frame.begin(), buffer.frame.begin() + length - 1);
        out.push_back(static_cast<std::uint8_t>(std::accumulate(out.begin(), out.end(), 0u)));
        return out;
    }

    Link link;
    FakePort port;
    FakeChannel channel{link, port};
    FakeClock clock{[this] { Tick(); }};
    Unit unit;
    // Ticks the unit takes before it answers.
    int answerDelay = 0;
    std::vector<SeenFrame> seen;

protected:
    // The link object's worker step, run after the unit's bytes were received.
    std::function<void()> workerStep;

private:
    int ticks = 0;
    std::deque<std::pair<int, std::vector<std::uint8_t>>> delayed;

    void Pump() {
        while (port.transmitOwed > 0) {
            --port.transmitOwed;
            std::lock_guard lock(link.linkLock);
            link.LinkTxStep();
        }
    }

    // Takes complete frames off the written bytes and queues the answers.
    void ServeUnit() {
        auto& written = port.written;
        while (!written.empty()) {
            FrameBytes frame{};
            std::copy_n(written.begin(), std::min<std::size_t>(written.size(), 4), frame.begin());
            const auto length = static_cast<std::size_t>(FrameLength(frame));
            if (written.size() < length) return;
            std::copy_n(written.begin(), length, frame.begin());
            const auto dataStart = written.begin() + FrameData(frame);
            std::vector<std::uint8_t> data(dataStart, dataStart + FrameDataLength(frame));
            written.erase(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(length));
            seen.push_back({data, channel.baud, clock.now});
            if (!unit) continue;
            for (const auto& answer : unit(data)) {
                if (answerDelay > 0) {
                    delayed.emplace_back(ticks + answerDelay, Frame(answer));
                } else {
                    for (std::uint8_t b : Frame(answer)) port.incoming.push_back(b);
                }
            }
        }
    }
};

class FakeLine : public FakeUnitLine {
public:
    FakeLine() {
        sock = std::make_unique<CSock>(link, channel, clock, false);
        sock->SetNotifier([this](std::uint16_t object, std::uint16_t offset) {
            notifications.emplace_back(object, offset);
        });
        workerStep = [this] { sock->WorkerStep(); };
    }

    ~FakeLine() {
        // Close while the line and its records still exist.
        if (sock->sessionOpen.load() != 0) sock->CloseSession();
    }

    // Opens the session the way the connect does, against the scripted unit.
    int Open(const std::string& path = "/dev/pts/9") { return sock->OpenSession(path, 57600); }

    std::unique_ptr<CSock> sock;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> notifications;
};

// A unit that answers every service positively; reads of data objects are
// answered with `fill` bytes, and the session services as the program expects.
inline std::vector<std::vector<std::uint8_t>> PositiveAnswer(
    const std::vector<std::uint8_t>& request, std::uint8_t fill = 0x11) {
    const std::uint8_t service = request.at(0);
    std::vector<std::uint8_t> answer{static_cast<std::uint8_t>(service + 0x40)};
    if (service == 0xA0) {
        answer.insert(answer.end(), request.begin() + 1, request.begin() + 5);
        const int count = request[5] | (request[6] << 8);
        answer.insert(answer.end(), static_cast<std::size_t>(count), fill);
    } else if (service == 0x81) {
        answer.insert(answer.end(), {0xEF, 0x8F});
    }
    return {answer};
}

}  // namespace varnok::test
