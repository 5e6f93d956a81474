#include "link/link.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/link/fake_port.h"

namespace varnok::test {
namespace {

// Appends the checksum to a frame given without it.
std::string WithSum(const std::string& hex) {
    const auto bytes = Bytes(hex);
    const auto sum = static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
    return hex + " " + Hex({sum});
}

const std::string kRead200 = "A0 C8 00 00 00 02 00";
const std::string kRead200Frame = "87 10 F0 A0 C8 00 00 00 02 00 F1";
const std::string kPending = "83 F0 10 7F A0 78 1A";
const std::string kAnswer = WithSum("87 F0 10 E0 C8 00 00 00 34 12");

TEST(LinkStart, DefaultGapsWaitForNineQuietTicks) {
    LinkHarness h;
    ASSERT_EQ(h.Send("81"), 1);
    h.Tick(8);
    EXPECT_EQ(h.TakeWritten(), "");
    h.Tick();
    EXPECT_EQ(h.TakeWritten(), "81 10 F0 81 02");
}

TEST(LinkStart, ZeroGapsStartInTheSameCall) {
    LinkHarness h;
    h.UseSessionTiming();
    ASSERT_EQ(h.Send("3E 01"), 1);
    EXPECT_EQ(h.TakeWritten(), "82 10 F0 3E 01 C1");
    EXPECT_EQ(h.Send("81"), 0) << "the transmitter is busy until the answer";
}

TEST(LinkRepeat, UnansweredRequestGoesOutThreeTimesThenSignalsOnce) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Send(kRead200);
    EXPECT_EQ(h.TakeWritten(), kRead200Frame);
    for (int transmission = 2; transmission <= 3; ++transmission) {
        h.Tick(79);
        EXPECT_EQ(h.TakeWritten(), "") << transmission;
        h.Tick();
        EXPECT_EQ(h.TakeWritten(), kRead200Frame) << transmission;
    }
    EXPECT_EQ(h.workerWakes, 0);
    h.Tick(80);
    EXPECT_EQ(h.TakeWritten(), "");
    EXPECT_TRUE(h.TransmitterIdle());
    EXPECT_EQ(h.workerWakes, 1);
    h.Tick(500);
    EXPECT_EQ(h.TakeWritten(), "");
    EXPECT_EQ(h.workerWakes, 1);
}

TEST(LinkRepeat, ResponsePendingKeepsTheRequestWaiting) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Send(kRead200);
    h.TakeWritten();
    const auto before = h.link.FramesForMe();
    for (int i = 0; i < 3; ++i) {
        h.Tick(70);  // each pending answer restarts the 80-tick response time
        h.Feed(kPending);
        EXPECT_FALSE(h.Holds());
    }
    h.Tick(70);
    h.Feed(kAnswer);
    EXPECT_TRUE(h.Holds());
    EXPECT_EQ(h.TakeWritten(), "") << "the request was written once";
    EXPECT_EQ(h.link.FramesForMe(), before + 4);
    EXPECT_EQ(h.workerWakes, 1);
    EXPECT_TRUE(h.TransmitterIdle());
}

TEST(LinkReceive, BadChecksumIsDroppedAfterByteTimeoutAndTheRequestRepeated) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Send(kRead200);
    h.TakeWritten();
    h.Feed("87 F0 10 E0 C8 00 00 00 34 12 00");
    EXPECT_FALSE(h.Holds());
    {
        std::lock_guard lock(h.link.linkLock);
        EXPECT_EQ(FrameStatus(h.link.ReceiveBuffer()), FrameBadChecksum);
    }
    h.Tick(20);
    {
        std::lock_guard lock(h.link.linkLock);
        EXPECT_EQ(FrameStatus(h.link.ReceiveBuffer()), FrameEmpty);
    }
    h.Tick(59);
    EXPECT_EQ(h.TakeWritten(), "");
    h.Tick();  // 80 ticks after the last received byte
    EXPECT_EQ(h.TakeWritten(), kRead200Frame);
    EXPECT_EQ(h.workerWakes, 0);
}

TEST(LinkReceive, AnswerWithNoRequestWaitingIsDroppedButCounted) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Feed(kAnswer);
    EXPECT_FALSE(h.Holds());
    EXPECT_EQ(h.link.FramesForMe(), 1u);
    EXPECT_EQ(h.workerWakes, 0);
}

TEST(LinkReceive, AnswerBeforeTheRequestIsFullyWrittenIsDropped) {
    LinkHarness h;
    h.UseSessionTiming();
    h.port.refuseWrites = true;  // the request stalls after nothing was written
    h.Send(kRead200);
    h.Feed(kAnswer);
    EXPECT_FALSE(h.Holds());
}

TEST(LinkReceive, GarbageStopsAtTheSpareByteAndIsDropped) {
    LinkHarness h;
    std::string garbage;
    for (int i = 0; i < 300; ++i) garbage += "FF ";
    h.Feed(garbage);
    {
        std::lock_guard lock(h.link.linkLock);
        EXPECT_EQ(h.link.ReceiveBuffer().count, 260);
        EXPECT_EQ(FrameStatus(h.link.ReceiveBuffer()), FrameBadChecksum);
    }
    h.Tick(4);
    EXPECT_EQ(h.link.ReceiveBuffer().state, 0);
    h.Tick();  // byteTimeout is 5 ticks before the session
    EXPECT_NE(h.link.ReceiveBuffer().state, 0);
    EXPECT_EQ(h.link.FramesForMe(), 0u);
}

TEST(LinkReceive, EchoOfOurOwnFrameIsDropped) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Send(kRead200);
    h.Feed(h.TakeWritten());
    EXPECT_FALSE(h.Holds());
    EXPECT_EQ(h.link.FramesForMe(), 0u);
    h.Feed(kAnswer);
    EXPECT_TRUE(h.Holds());
}

TEST(LinkReceive, ShortFormFramesAreNeverForUs) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Send(kRead200);
    h.Feed("02 C1 EF B2");
    EXPECT_FALSE(h.Holds());
    EXPECT_EQ(h.link.FramesForMe(), 0u);
}

TEST(LinkReceive, HandsOverNoMoreThanTheFrameHolds) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Send("81");
    h.Feed(WithSum("83 F0 10 C1 EF 8F"));
    ASSERT_TRUE(h.Holds());
    std::uint8_t source = 0;
    std::uint16_t capacity = 260;
    std::array<std::uint8_t, 260> data{};
    ASSERT_EQ(h.link.LinkReceive(source, capacity, data.data()), 1);
    EXPECT_EQ(capacity, 3);
    EXPECT_EQ(source, 0x10);
    EXPECT_EQ(Hex({data.begin(), data.begin() + 3}), "C1 EF 8F");
    EXPECT_FALSE(h.Holds());
    capacity = 260;
    EXPECT_EQ(h.link.LinkReceive(source, capacity, data.data()), 0);

    // A smaller destination gets only what fits.
    h.Send("81");
    h.Feed(WithSum("83 F0 10 C1 EF 8F"));
    capacity = 2;
    ASSERT_EQ(h.link.LinkReceive(source, capacity, data.data()), 1);
    EXPECT_EQ(capacity, 2);
}

TEST(LinkServer, RequestForUsIsAnsweredWithResponsePendingUntilAnswered) {
    LinkHarness h;
    h.UseSessionTiming();
    h.Feed(WithSum("82 F0 10 3E 01"));
    EXPECT_TRUE(h.Holds());
    EXPECT_EQ(h.workerWakes, 1);
    const std::string pending = WithSum("83 10 F0 7F 3E 78");
    for (int repeat = 0; repeat < 3; ++repeat) {
        h.Tick(58);
        EXPECT_EQ(h.TakeWritten(), "") << repeat;
        h.Tick();
        EXPECT_EQ(h.TakeWritten(), pending) << repeat;
        EXPECT_TRUE(h.TransmitterIdle()) << "a response frees the transmitter at its last byte";
    }
    EXPECT_EQ(h.workerWakes, 4);  // the held request, then one per response sent

    // The answer goes out at once on an idle line and ends the repeats.
    EXPECT_EQ(h.Send("7E", 0x10), 1);
    EXPECT_EQ(h.TakeWritten(), WithSum("81 10 F0 7E"));
    h.Tick(200);
    EXPECT_EQ(h.TakeWritten(), "");
}

TEST(LinkServer, SendWhileResponsePendingIsOnTheLineIsParked) {
    LinkHarness h;  // default gaps: the pending frame waits for quiet before it starts
    h.Feed(WithSum("82 F0 10 3E 01"));
    h.Tick(3);  // pendingInterval: the 7F 3E 78 frame is taken but not yet started
    EXPECT_FALSE(h.TransmitterIdle());
    EXPECT_EQ(h.TakeWritten(), "");
    EXPECT_EQ(h.Send("7E"), 1) << "parked as the deferred answer";
    EXPECT_EQ(h.Send("7E"), 0) << "the slot is taken";
    h.Tick();
    EXPECT_EQ(h.TakeWritten(), WithSum("83 10 F0 7F 3E 78"));
    h.Tick(3);  // the pending timer runs out again: the parked answer is taken
    h.Tick(4);  // and starts once the line has been quiet for more than 3 ticks
    EXPECT_EQ(h.TakeWritten(), WithSum("81 10 F0 7E"));
    EXPECT_EQ(h.Send("81"), 1) << "the slot is free again";
}

TEST(LinkTransmit, RefusedWriteLeavesThePositionForTheByteTimeout) {
    LinkHarness h;
    h.UseSessionTiming();
    h.port.refuseWrites = true;
    h.Send(kRead200);
    EXPECT_EQ(h.TakeWritten(), "");
    h.port.refuseWrites = false;
    h.Tick();  // the start rule tries again at the next tick
    EXPECT_EQ(h.TakeWritten(), kRead200Frame);
}

}  // namespace
}  // namespace varnok::test
