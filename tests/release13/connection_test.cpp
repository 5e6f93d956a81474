// Connect, polling and disconnect of the 1.3 build on the fake line. The
// polling thread is real; while it runs it alone drives the line through
// the fake clock, and the test thread waits for it like the main thread.
#include "release13/connection.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/release13/sync_line.h"

namespace varnok::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
using release13::ConnectionState;

// A unit with an engine running word, engine totals and storable settings.
struct Unit {
    std::uint16_t engineRunning = 1;
    bool identifies = true;
    int refuseEngineReads = 0;  // the first reads of the engine running word refused

    Answers operator()(const std::vector<std::uint8_t>& request) {
        if (request[0] == 0x1A) {
            if (!identifies) return {{0x7F, 0x1A, 0x11}};
            std::vector<std::uint8_t> answer{0x5A};
            answer.insert(answer.end(), kIdent.begin(), kIdent.end());
            return {answer};
        }
        if (request[0] != 0xA0) return PositiveAnswer(request);
        const std::uint16_t object = Word(&request[1]);
        const std::uint16_t offset = Word(&request[3]);
        if (object == 200 && refuseEngineReads > 0) {
            --refuseEngineReads;
            return {{0x7F, 0xA0, 0x31}};
        }
        if (object == 200) return ReadAnswer(request, engineRunning);
        if (object == 803) return ReadAnswer(request, offset == 0 ? 123456 : 7654321);
        if (object == 10004) return ReadAnswer(request, 0);
        return ReadAnswer(request, UnitWord(object, offset));
    }
};

class ConnectionTest : public ::testing::Test {
protected:
    ConnectionTest() { line.unit = Unit{}; }

    SyncLine line;
    HandOff handOff;
    release13::Connection connection{line.sock, line.clock,
                                     [this] { handOff.Arrive(line.clock.now); }};
};

std::string CycleRead(std::size_t i) {
    const DataObject& object = *release13::PollCycle()[i % release13::kCycleReads];
    std::vector<std::uint8_t> data{0xA0, 0, 0, 0, 0, 0x02, 0x00};
    PutWord(&data[1], object.object);
    PutWord(&data[3], object.offset);
    return Hex(data);
}

TEST_F(ConnectionTest, ConnectReadsTheTotalsOnceStoresWhenTheEngineStandsThenPolls) {
    struct Case {
        const char* name;
        Unit unit;
        bool stores;
    };
    const Case cases[] = {
        {"engine running", Unit{1}, false},
        {"engine stopped", Unit{0}, true},
        // The stopped engine of the case before is still in the value buffer.
        {"engine word unreadable", Unit{0, true, 1}, false},
        {"no identification", Unit{1, false}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line.unit = c.unit;
        line.seen.clear();
        ASSERT_EQ(connection.Connect("/dev/pts/9"), 1);
        EXPECT_EQ(connection.State(), ConnectionState::Connected);
        EXPECT_EQ(connection.isConnected, 1);
        EXPECT_FALSE(connection.Polling().pollThreadEnded.load());
        connection.Disconnect();  // stops the polling thread first
        EXPECT_EQ(connection.State(), ConnectionState::Disconnected);

        EXPECT_EQ(connection.identified, c.unit.identifies);
        EXPECT_EQ(connection.identification, c.unit.identifies ? kIdent : "");
        EXPECT_EQ(connection.firmwareVersion, c.unit.identifies ? 276 : 0);
        EXPECT_EQ(connection.engineHours, 123456u);
        EXPECT_EQ(connection.engineRevolutions, 7654321u);

        Strings expected{"81",
                         "10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00",
                         "3E 01",
                         "1A 80",
                         "A1 67 00 08 00 01 00",
                         "A0 C8 00 00 00 02 00"};
        if (c.stores)
            expected.insert(expected.end(), {"A1 14 27 00 00 01 00", "A0 14 27 00 00 02 00"});
        expected.insert(expected.end(), {"A0 23 03 00 00 04 00", "A0 23 03 04 00 04 00"});
        const Strings seen = Requests(line.seen);
        ASSERT_GE(seen.size(), expected.size() + 2);
        EXPECT_EQ(Strings(seen.begin(), seen.begin() + static_cast<long>(expected.size())),
                  expected);
        // Then only the polling cycle's reads, until the session closes.
        for (std::size_t i = expected.size(); i < seen.size() - 2; ++i) {
            EXPECT_EQ(seen[i], CycleRead(i - expected.size())) << i;
        }
        EXPECT_EQ(Strings(seen.end() - 2, seen.end()), (Strings{"20", "82"}));
        EXPECT_FALSE(line.channel.open);
    }
}

TEST_F(ConnectionTest, AFailedConnectDropsTheSessionAndStartsNoPolling) {
    line.unit = [](const std::vector<std::uint8_t>&) { return Answers{{0x7F, 0x81, 0x10}}; };
    EXPECT_EQ(connection.Connect("/dev/pts/9"), 0);
    EXPECT_EQ(connection.State(), ConnectionState::ConnectFailed);
    EXPECT_EQ(connection.isConnected, 0);
    EXPECT_FALSE(line.channel.open);
    EXPECT_FALSE(connection.Polling().Running());
    EXPECT_EQ(Requests(line.seen), (Strings{"81"}));
    connection.Disconnect();
    EXPECT_EQ(Requests(line.seen), (Strings{"81"})) << "nothing to disconnect";
}

TEST_F(ConnectionTest, CyclesAreTakenOnceAndAStopLeavesTheLineFree) {
    ASSERT_EQ(connection.Connect("/dev/pts/9"), 1);
    release13::PollThread& poll = connection.Polling();
    const std::size_t connectFrames = 8;  // the engine runs: nothing is stored
    while (poll.Cycles() < 3) std::this_thread::sleep_for(1ms);
    poll.Stop();
    EXPECT_FALSE(poll.Running());

    // Stopped between two requests: nothing on the line, nothing held, and
    // the main thread's own request is answered in its usual 100 ms.
    EXPECT_TRUE(line.link.TransmitterDone());
    std::uint16_t idle = 0;
    const std::uint32_t start = line.clock.now;
    EXPECT_EQ(line.sock.ReadObject(1009, 16, &idle, 2), 1);
    EXPECT_EQ(line.clock.now - start, 100u);
    EXPECT_EQ(idle, UnitWord(1009, 16));

    const Strings seen = Requests(line.seen);
    ASSERT_GE(seen.size(), connectFrames + 3 * release13::kCycleReads + 1);
    for (std::size_t i = connectFrames; i < seen.size() - 1; ++i) {
        EXPECT_EQ(seen[i], CycleRead(i - connectFrames)) << i;
    }

    const auto cycle = poll.TakeCycle();
    ASSERT_TRUE(cycle.has_value());
    for (const DataObject* object : release13::PollCycle()) {
        const std::uint16_t held =
            object->object == 200 ? 1 : UnitWord(object->object, object->offset);
        EXPECT_EQ(cycle->Unsigned(*object), held) << object->object;
        EXPECT_EQ(LoadUnsigned16(*object), held) << "the value buffer has it too";
    }
    EXPECT_EQ(cycle->Signed(objects::kEngineSpeedN1), static_cast<std::int16_t>(0x6400));
    EXPECT_FALSE(poll.CycleDone());
    EXPECT_FALSE(poll.TakeCycle().has_value()) << "each cycle is shown once";

    const std::uint64_t before = poll.Cycles();
    ASSERT_TRUE(poll.Start());
    while (poll.Cycles() == before) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(poll.CycleDone());
    connection.Disconnect();
    const Strings all = Requests(line.seen);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(Strings(all.end() - 2, all.end()), (Strings{"20", "82"}));
}

TEST_F(ConnectionTest, AUnitThatStopsAnsweringEndsTheSessionWithoutStopRequests) {
    // The unit answers the connect and two cycles, then falls silent.
    const std::size_t answered = 8 + 2 * release13::kCycleReads + 5;
    std::optional<std::uint32_t> silentSince;
    line.unit = [&, count = std::size_t{0}](const std::vector<std::uint8_t>& request) mutable {
        if (++count <= answered) return Unit{}(request);
        if (!silentSince) silentSince = line.clock.now;
        return Answers{};
    };
    ASSERT_EQ(connection.Connect("/dev/pts/9"), 1);
    const auto lostAt = handOff.Wait();
    ASSERT_TRUE(lostAt.has_value()) << "the polling thread hands the loss on";
    EXPECT_TRUE(connection.Polling().pollThreadEnded.load());
    EXPECT_EQ(connection.isConnected, 1) << "the window runs the disconnect, not the thread";

    // The main thread's queued call.
    connection.Disconnect();
    ASSERT_TRUE(silentSince.has_value());
    // The unit sees the request one 10 ms tick after it was sent; the read
    // gives up after its 1000 ms and the poll step that ends them.
    EXPECT_GE(*lostAt - *silentSince, 990u);
    EXPECT_LE(*lostAt - *silentSince, 1050u) << "within the failed read's wait";
    EXPECT_EQ(line.clock.now, *lostAt) << "the session is dropped without a pause";
    EXPECT_EQ(connection.State(), ConnectionState::Disconnected);
    EXPECT_EQ(connection.isConnected, 0);
    EXPECT_EQ(line.sock.sessionOpen.load(), 0);
    EXPECT_FALSE(line.channel.open);
    for (const SeenFrame& frame : line.seen) {
        EXPECT_NE(frame.data[0], 0x20);
        EXPECT_NE(frame.data[0], 0x82);
    }
    EXPECT_FALSE(connection.Polling().Start()) << "a lost unit is not polled again";
}

}  // namespace
}  // namespace varnok::test
