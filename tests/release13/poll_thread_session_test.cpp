// The 1.3 build's link with the real link thread, the POSIX channel and the
// polling thread, against a scripted unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>

#include "link/posix_serial_channel.h"
#include "release13/connection.h"
#include "tests/release13/sync_line.h"
#include "tests/support/scripted_peer.h"

namespace varnok::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
using SteadyTime = std::chrono::steady_clock;

// The connect's requests when the engine runs (nothing is stored).
constexpr std::size_t kConnectFrames = 8;

class Line13 {
public:
    Line13() : peer([this](const std::vector<std::uint8_t>& request) { return Answer(request); }) {}
    ~Line13() { connection.Close(); }

    Strings Seen(std::size_t atLeast = 0) {
        Strings out;
        for (const PeerFrame& frame : peer.WaitForFrames(atLeast, 2s)) {
            out.push_back(Hex(frame.data));
        }
        return out;
    }
    void WaitForCycles(std::uint64_t count) {
        const auto limit = SteadyTime::now() + 20s;
        while (connection.Polling().Cycles() < count && SteadyTime::now() < limit) {
            std::this_thread::sleep_for(5ms);
        }
        ASSERT_GE(connection.Polling().Cycles(), count);
    }

    std::atomic<bool> silent{false};
    ScriptedPeer peer;
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    release13::CSock sock{link, channel, clock};
    HandOff handOff;
    release13::Connection connection{sock, clock, [this] { handOff.Arrive(clock.TickCount()); }};

private:
    // Runs on the peer's thread.
    Answers Answer(const std::vector<std::uint8_t>& request) {
        if (silent.load()) return {};
        if (request[0] == 0x1A) {
            std::vector<std::uint8_t> answer{0x5A};
            answer.insert(answer.end(), kIdent.begin(), kIdent.end());
            return {answer};
        }
        if (request[0] != 0xA0) return PositiveAnswer(request);
        const std::uint16_t object = Word(&request[1]);
        return ReadAnswer(request, object == 200 ? 1 : UnitWord(object, Word(&request[3])));
    }
};

TEST(PollThreadOverPty, CyclesRunAndAStopComesBetweenTwoRequests) {
    Line13 line;
    ASSERT_EQ(line.connection.Connect(line.peer.SlavePath()), 1);
    EXPECT_EQ(line.connection.firmwareVersion, 276);
    line.WaitForCycles(1);
    release13::PollThread& poll = line.connection.Polling();
    poll.Stop();

    // Every request the thread made was answered before it stopped: the
    // line stays quiet, and the main thread's own request goes through.
    const Strings stopped = line.Seen();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(line.Seen().size(), stopped.size());
    std::uint16_t idle = 0;
    EXPECT_EQ(line.sock.ReadObject(1009, 16, &idle, 2), 1);
    EXPECT_EQ(idle, UnitWord(1009, 16));

    ASSERT_GE(stopped.size(), kConnectFrames + release13::kCycleReads);
    for (std::size_t i = kConnectFrames; i < stopped.size(); ++i) {
        const auto& object = *release13::PollCycle()[(i - kConnectFrames) % release13::kCycleReads];
        const auto request = Bytes(stopped[i]);
        EXPECT_EQ(Word(&request[1]), object.object) << i;
        EXPECT_EQ(Word(&request[3]), object.offset) << i;
    }
    const auto cycle = poll.TakeCycle();
    ASSERT_TRUE(cycle.has_value());
    EXPECT_EQ(cycle->Unsigned(objects::kSupplyVoltage), UnitWord(117, 0));
    EXPECT_EQ(cycle->Unsigned(objects::kOutputs), UnitWord(800, 8));

    const std::uint64_t before = poll.Cycles();
    ASSERT_TRUE(poll.Start());
    line.WaitForCycles(before + 1);
    line.connection.Disconnect();
    EXPECT_FALSE(line.channel.LinkThreadRunning());
    const auto frames =
        line.peer.WaitForFrames(stopped.size() + 1 + release13::kCycleReads + 2, 2s);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(Hex(frames[frames.size() - 2].data), "20");
    EXPECT_EQ(frames[frames.size() - 2].baud, 57600u);
    EXPECT_EQ(Hex(frames.back().data), "82");
    EXPECT_EQ(frames.back().baud, 9600u);
}

TEST(PollThreadOverPty, AUnitThatStopsAnsweringEndsTheSessionWithoutStopRequests) {
    Line13 line;
    ASSERT_EQ(line.connection.Connect(line.peer.SlavePath()), 1);
    line.WaitForCycles(1);
    const std::uint32_t silentFrom = line.clock.TickCount();
    line.silent = true;

    const auto lostAt = line.handOff.Wait();
    ASSERT_TRUE(lostAt.has_value());
    // The request on the line when the unit fell silent may or may not be
    // answered; the first unanswered one waits its 1000 ms and fails.
    EXPECT_GE(*lostAt - silentFrom, 900u);
    EXPECT_LT(*lostAt - silentFrom, 1600u);
    EXPECT_TRUE(line.connection.Polling().pollThreadEnded.load());

    const std::size_t before = line.Seen().size();
    line.connection.Disconnect();
    EXPECT_LT(line.clock.TickCount() - *lostAt, 500u);
    EXPECT_EQ(line.connection.State(), release13::ConnectionState::Disconnected);
    EXPECT_EQ(line.sock.sessionOpen.load(), 0);
    EXPECT_FALSE(line.channel.LinkThreadRunning());
    std::this_thread::sleep_for(100ms);
    const Strings seen = line.Seen();
    EXPECT_EQ(seen.size(), before) << "no stop requests";
    for (const std::string& request : seen) {
        EXPECT_NE(request, "20");
        EXPECT_NE(request, "82");
    }
}

}  // namespace
}  // namespace varnok::test
