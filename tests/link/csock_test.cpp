#include "link/csock.h"

#include <gtest/gtest.h>

#include "tests/link/fake_line.h"

namespace varnok::test {
namespace {

std::string Data(const SeenFrame& frame) {
    return Hex(frame.data);
}

class CSockTest : public ::testing::Test {
protected:
    void SetUp() override {
        line.unit = [](const std::vector<std::uint8_t>& request) {
            return PositiveAnswer(request);
        };
        ASSERT_EQ(line.Open(), 1);
        line.seen.clear();
    }
    // Outlives the line: reads still queued when a test ends are answered
    // while the session closes.
    std::uint16_t value = 0;
    FakeLine line;
    CSock& sock = *line.sock;
};

TEST(CSockTiming, ConversionsCutTowardZeroInExtendedPrecision) {
    EXPECT_EQ(CSock::TimingMilliseconds(0.6), 599);
    EXPECT_EQ(CSock::TimingTicks(0.6), 59);
    EXPECT_EQ(CSock::TimingMilliseconds(0.2), 200);
    EXPECT_EQ(CSock::TimingTicks(0.2), 20);
    EXPECT_EQ(CSock::TimingTicks(0.8), 80);
    EXPECT_EQ(CSock::TimingTicks(5.0), 500);
    FakeLine line;
    EXPECT_EQ(line.sock->WaitLimitMs(), 1872u);
}

TEST(CSockSession, OpenSendsTheSessionSequenceAndSwitchesTimingAndBaud) {
    FakeLine line;
    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    ASSERT_EQ(line.Open("/dev/pts/9"), 1);
    ASSERT_EQ(line.seen.size(), 3u);
    EXPECT_EQ(Data(line.seen[0]), "81");
    EXPECT_EQ(line.seen[0].baud, 9600u);
    EXPECT_EQ(Data(line.seen[1]), "10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00");
    EXPECT_EQ(line.seen[1].baud, 9600u);
    EXPECT_EQ(Data(line.seen[2]), "3E 01");
    EXPECT_EQ(line.seen[2].baud, 57600u);
    EXPECT_EQ((line.link.Timing()), (LinkTiming{500, 20, 80, 59, 0, 0}));
    EXPECT_EQ(line.sock->sessionOpen.load(), 1);
    EXPECT_EQ(line.channel.openedPath, "/dev/pts/9");
}

TEST(CSockSession, StartDiagnosticSessionFrameIsExact) {
    FakeLine line;
    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    std::vector<std::uint8_t> written;
    line.unit = [&](const std::vector<std::uint8_t>& request) {
        if (request[0] == 0x10) written = FakeLine::Frame(request);
        return PositiveAnswer(request);
    };
    ASSERT_EQ(line.Open(), 1);
    // The tester's frame is addressed the other way round from FakeLine::Frame.
    std::swap(written[1], written[2]);
    written.back() =
        static_cast<std::uint8_t>(std::accumulate(written.begin(), written.end() - 1, 0u));
    EXPECT_EQ(Hex(written), "90 10 F0 10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00 E0");
}

TEST(CSockSession, FailureAtEachStepLeavesTheSessionClosed) {
    for (std::uint8_t refused : {0x81, 0x10, 0x3E}) {
        FakeLine line;
        line.unit = [refused](const std::vector<std::uint8_t>& request) {
            if (request[0] == refused) {
                return std::vector<std::vector<std::uint8_t>>{{0x7F, refused, 0x10}};
            }
            return PositiveAnswer(request);
        };
        EXPECT_EQ(line.Open(), 0) << int(refused);
        EXPECT_EQ(line.sock->sessionOpen.load(), 0);
        EXPECT_EQ(line.sock->ReadObject(100, 0, nullptr, 2, 0), 0)
            << "no requests without a session";
    }
}

TEST(CSockSession, SilentUnitFailsTheOpenAfterTheWaitLimit) {
    FakeLine line;
    const auto start = line.clock.now;
    EXPECT_EQ(line.Open(), 0);
    EXPECT_GE(line.clock.now - start, 1872u);
    EXPECT_LT(line.clock.now - start, 2000u);
    // Each give-up is offered again: StartCommunication and nothing else.
    ASSERT_GE(line.seen.size(), 3u);
    for (const auto& frame : line.seen) EXPECT_EQ(Data(frame), "81");
}

TEST(CSockSession, ALongDevicePathIsKeptWhole) {
    FakeLine line;
    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    const std::string path = "/dev/serial/by-id/usb-adapter-if00-port0";
    ASSERT_EQ(line.Open(path), 1);
    EXPECT_EQ(line.channel.openedPath, path);
    EXPECT_EQ(line.sock->PortName(), path);
}

TEST(CSockSession, CloseStopsTheSessionThenCommunicationAtLineSpeed) {
    FakeLine line;
    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    ASSERT_EQ(line.Open(), 1);
    line.seen.clear();
    EXPECT_EQ(line.sock->CloseSession(), 1);
    ASSERT_EQ(line.seen.size(), 2u);
    EXPECT_EQ(Data(line.seen[0]), "20");
    EXPECT_EQ(line.seen[0].baud, 57600u);
    EXPECT_EQ(Data(line.seen[1]), "82");
    EXPECT_EQ(line.seen[1].baud, 9600u);
    EXPECT_EQ(line.sock->sessionOpen.load(), 0);
    EXPECT_FALSE(line.channel.open);
}

TEST(CSockSession, EntriesLeftFromALostSessionAreNotSentInTheNext) {
    FakeLine line;
    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    ASSERT_EQ(line.Open(), 1);
    line.unit = nullptr;  // the unit is gone
    std::uint16_t value = 0;
    const std::uint16_t limit = 9000;
    line.sock->WriteObject(1101, 2, &limit, 2, 0);
    line.sock->ReadObject(100, 0, &value, 2, 0);
    line.Settle();
    EXPECT_EQ(line.sock->QueueDepth(), 2);
    line.sock->DropSession();

    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    line.seen.clear();
    ASSERT_EQ(line.Open(), 1);
    ASSERT_FALSE(line.seen.empty());
    EXPECT_EQ(Data(line.seen[0]), "81") << "the stale write must not reach the next unit";
    for (const auto& frame : line.seen) EXPECT_NE(frame.data[0], 0xA1);
    EXPECT_EQ(line.sock->QueueDepth(), 0);
}

TEST_F(CSockTest, ServicesAreEncodedAsTheUnitExpects) {
    struct Case {
        std::uint8_t service;
        std::int32_t param;
        const char* data;
    };
    const Case cases[] = {
        {0x81, 0, "81"},    {0x82, 0, "82"},       {0x20, 0, "20"},    {0x3E, 0, "3E 01"},
        {0x1A, 0, "1A 80"}, {0x18, 0, "18 FF FF"}, {0x14, 0, "14 FF"}, {0x21, 0x1234, "21 34"},
    };
    std::array<std::uint8_t, 256> buffer{};
    for (const Case& c : cases) {
        line.seen.clear();
        EXPECT_EQ(sock.Request(c.service, c.param, 1, buffer.data()), 1) << int(c.service);
        ASSERT_EQ(line.seen.size(), 1u);
        EXPECT_EQ(Data(line.seen[0]), c.data);
    }
    line.seen.clear();
    const std::uint8_t bytes[] = {0x34, 0x12, 0x78};
    EXPECT_EQ(sock.WriteObject(1009, 6, bytes, 3, 1), 1);
    EXPECT_EQ(sock.ReadObject(600, 0, buffer.data(), 58, 1), 1);
    ASSERT_EQ(line.seen.size(), 2u);
    EXPECT_EQ(Data(line.seen[0]), "A1 F1 03 06 00 34 12 78");
    EXPECT_EQ(Data(line.seen[1]), "A0 58 02 00 00 3A 00") << "58 bytes are one entry";
    EXPECT_EQ(sock.Request(0x55, 0, 1), 0);
    EXPECT_EQ(sock.QueueDepth(), 0);
}

TEST_F(CSockTest, LongCallsAreSplitIntoChunksOf250) {
    struct Case {
        std::int32_t length;
        std::vector<std::string> requests;
    };
    const Case cases[] = {
        {250, {"A0 64 00 00 00 FA 00"}},
        {251, {"A0 64 00 00 00 FA 00", "A0 64 00 FA 00 01 00"}},
        {500, {"A0 64 00 00 00 FA 00", "A0 64 00 FA 00 FA 00"}},
        {0, {"A0 64 00 00 00 00 00"}},
    };
    for (const Case& c : cases) {
        line.seen.clear();
        line.notifications.clear();
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(c.length) + 1, 0);
        EXPECT_EQ(sock.ReadObject(100, 0, buffer.data(), c.length, 1), 1) << c.length;
        ASSERT_EQ(line.seen.size(), c.requests.size()) << c.length;
        for (std::size_t i = 0; i < c.requests.size(); ++i) {
            EXPECT_EQ(Data(line.seen[i]), c.requests[i]) << c.length;
        }
        EXPECT_EQ(line.notifications.size(), 1u) << "one notification per call";
    }
}

TEST_F(CSockTest, SecondChunkLandsAfterTheFirstAndTheCallIsNotifiedOnceWithItsOffset) {
    line.unit = [](const std::vector<std::uint8_t>& request) {
        const bool second =
            request[0] == 0xA0 && request[3] != 0x08;  // the call starts at offset 8
        return PositiveAnswer(request, second ? 0x22 : 0x11);
    };
    std::vector<std::uint8_t> buffer(252, 0);
    ASSERT_EQ(sock.ReadObject(100, 8, buffer.data(), 251, 0), 1);
    for (int i = 0; i < 5; ++i) line.clock.Sleep(50);
    EXPECT_EQ(buffer[249], 0x11);
    EXPECT_EQ(buffer[250], 0x22) << "the answer at offset 258 lands at buffer + 250";
    EXPECT_EQ(buffer[251], 0x00);
    ASSERT_EQ(line.notifications.size(), 1u);
    EXPECT_EQ(line.notifications[0].first, 100);
    EXPECT_EQ(line.notifications[0].second, 8);
}

TEST_F(CSockTest, NotificationsComeOncePerReadInOrderAndNeverForWrites) {
    std::uint16_t a = 0, b = 0, c = 0;
    const std::uint16_t one = 1;
    sock.ReadObject(100, 0, &a, 2, 0);
    sock.WriteObject(103, 8, &one, 2, 0);
    sock.ReadObject(803, 4, &b, 2, 0);
    sock.ReadObject(1009, 16, &c, 2, 1);
    using N = std::pair<std::uint16_t, std::uint16_t>;
    EXPECT_EQ(line.notifications, (std::vector<N>{{100, 0}, {803, 4}, {1009, 16}}));
    EXPECT_EQ(a, 0x1111);
}

TEST_F(CSockTest, QueueHoldsNinetyNineAndRefusesAWholeCallThatDoesNotFit) {
    for (int i = 0; i < 98; ++i) ASSERT_EQ(sock.ReadObject(100, 0, &value, 2, 0), 1) << i;
    EXPECT_EQ(sock.QueueDepth(), 98);
    std::vector<std::uint8_t> big(251);
    EXPECT_EQ(sock.ReadObject(100, 0, big.data(), 251, 0), 0) << "two entries do not fit";
    EXPECT_EQ(sock.QueueDepth(), 98);
    EXPECT_EQ(sock.ReadObject(100, 0, &value, 2, 0), 1);
    EXPECT_EQ(sock.QueueDepth(), 99);
    EXPECT_EQ(sock.ReadObject(100, 0, &value, 2, 0), 0);
}

TEST_F(CSockTest, RefusedBlockingReadReturnsAtOnceWithTheBufferUnchanged) {
    line.unit = [](const std::vector<std::uint8_t>& request) {
        return std::vector<std::vector<std::uint8_t>>{{0x7F, request[0], 0x31}};
    };
    value = 0xBEEF;
    const auto start = line.clock.now;
    EXPECT_EQ(sock.ReadObject(100, 0, &value, 2, 1), 0);
    EXPECT_EQ(value, 0xBEEF);
    EXPECT_LE(line.clock.now - start, 50u);
    EXPECT_TRUE(line.notifications.empty());
}

TEST_F(CSockTest, IdentificationIsCopiedWithATerminatingZero) {
    line.unit = [](const std::vector<std::uint8_t>&) {
        std::vector<std::uint8_t> answer{0x5A, 0x80};
        for (int i = 0; i < 20; ++i) answer.push_back(static_cast<std::uint8_t>('A' + i));
        return std::vector<std::vector<std::uint8_t>>{answer};
    };
    std::array<std::uint8_t, 256> text;
    text.fill(0xCC);
    ASSERT_EQ(sock.Request(0x1A, 0, 1, text.data()), 1);
    EXPECT_EQ(text[0], 0x80);
    EXPECT_EQ(std::string(text.begin() + 1, text.begin() + 21), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(text[21], 0);
    EXPECT_EQ(text[22], 0xCC);
}

TEST_F(CSockTest, StoreSettingsPollsUntilTheUnitReportsTheResult) {
    struct Case {
        std::vector<std::uint16_t> statuses;
        int result;
    };
    std::size_t reads = 0;
    for (const Case& c : {Case{{1, 1, 0}, 1}, Case{{2}, 0}, Case{{0}, 1}}) {
        reads = 0;
        line.seen.clear();
        line.unit = [&reads, statuses = c.statuses](const std::vector<std::uint8_t>& request) {
            if (request[0] == 0xA0) {
                const std::uint16_t status = statuses.at(std::min(reads++, statuses.size() - 1));
                return std::vector<std::vector<std::uint8_t>>{
                    {0xE0, 0x14, 0x27, 0x00, 0x00, static_cast<std::uint8_t>(status),
                     static_cast<std::uint8_t>(status >> 8)}};
            }
            return PositiveAnswer(request);
        };
        EXPECT_EQ(sock.StoreSettings(), c.result);
        EXPECT_EQ(reads, c.statuses.size());
        ASSERT_FALSE(line.seen.empty());
        EXPECT_EQ(Data(line.seen[0]), "A1 14 27 00 00 01 00");
    }
}

TEST_F(CSockTest, AnswerOutsideTheRequestedRangeIsNeverCopied) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> answer;
    };
    const Case cases[] = {
        {"offset past the call", {0xE0, 0x64, 0x00, 0x02, 0x00, 0x11, 0x22}},
        {"offset before the call", {0xE0, 0x64, 0x00, 0x00, 0x00, 0x11, 0x22}},
        {"more data than asked", {0xE0, 0x64, 0x00, 0x01, 0x00, 0x11, 0x22, 0x33}},
        {"too short", {0xE0, 0x64}},
    };
    for (const Case& c : cases) {
        line.unit = [answer = c.answer](const std::vector<std::uint8_t>&) {
            return std::vector<std::vector<std::uint8_t>>{answer};
        };
        line.notifications.clear();
        std::array<std::uint8_t, 4> guard{0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(sock.ReadObject(100, 1, &guard[1], 2, 1), 0) << c.name;
        EXPECT_EQ(guard, (std::array<std::uint8_t, 4>{0xAA, 0xAA, 0xAA, 0xAA})) << c.name;
        EXPECT_TRUE(line.notifications.empty()) << c.name;
    }
}

// Regression: an answer naming another object than the read asked for (the
// unit answering the read before again) was copied into the buffer of the
// object asked for, and the window showed one engine speed as the other.
TEST_F(CSockTest, AnswerForAnotherObjectIsRefused) {
    line.unit = [](const std::vector<std::uint8_t>& request) {
        // Every read is answered as a read of object 100, offset 0.
        if (request[0] == 0xA0) {
            return std::vector<std::vector<std::uint8_t>>{
                {0xE0, 0x64, 0x00, 0x00, 0x00, 0x52, 0x03}};
        }
        return PositiveAnswer(request);
    };
    line.notifications.clear();
    std::array<std::uint8_t, 4> guard{0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(sock.ReadObject(102, 0, &guard[1], 2, 1), 0);
    EXPECT_EQ(guard, (std::array<std::uint8_t, 4>{0xAA, 0xAA, 0xAA, 0xAA}));
    EXPECT_TRUE(line.notifications.empty());
    EXPECT_EQ(sock.ReadObject(100, 0, &guard[1], 2, 1), 1) << "the object it names is taken";
    EXPECT_EQ(guard, (std::array<std::uint8_t, 4>{0xAA, 0x52, 0x03, 0xAA}));
}

TEST_F(CSockTest, WaitGivesUpWithoutProgressAndALateAnswerDoesNotReachTheBuffer) {
    std::vector<std::uint8_t> lastRequest;
    line.unit = [&](const std::vector<std::uint8_t>& request) {
        lastRequest = request;
        return std::vector<std::vector<std::uint8_t>>{};
    };
    value = 0x5555;
    const auto start = line.clock.now;
    EXPECT_EQ(sock.ReadObject(100, 0, &value, 2, 1), 0);
    EXPECT_GE(line.clock.now - start, 1872u);
    EXPECT_LT(line.clock.now - start, 1950u);
    EXPECT_EQ(sock.QueueDepth(), 1) << "the entry stays queued";

    // The unit comes back and answers the old entry.
    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    line.clock.Sleep(3000);
    EXPECT_EQ(sock.QueueDepth(), 0);
    EXPECT_EQ(value, 0x5555);
}

TEST_F(CSockTest, WaitIsRenewedWhileTheQueueMoves) {
    // Twenty reads ahead, each answered after 150 ms: the queue moves all the
    // time, so the waiting call outlasts one wait limit and still succeeds.
    static std::uint16_t values[20];
    for (auto& v : values) sock.ReadObject(100, 0, &v, 2, 0);
    line.answerDelay = 15;
    const auto start = line.clock.now;
    EXPECT_EQ(sock.ReadObject(102, 0, &value, 2, 1), 1);
    EXPECT_GT(line.clock.now - start, 1872u);
    EXPECT_EQ(value, 0x1111);
}

}  // namespace
}  // namespace varnok::test
