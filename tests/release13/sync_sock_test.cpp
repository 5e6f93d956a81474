// The 1.3 build's synchronous link object on the fake line: requests,
// answers, chunks and the session, with time moved by the fake clock.
#include "release13/sync_sock.h"

#include <gtest/gtest.h>

#include "tests/release13/sync_line.h"

namespace varnok::test {
namespace {

using Strings = std::vector<std::string>;

class SyncSockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(line.Open(), 1);
        line.seen.clear();
    }
    // Time the clock moved during `call`.
    template <typename Call>
    std::uint32_t Took(Call call) {
        const std::uint32_t start = line.clock.now;
        call();
        return line.clock.now - start;
    }

    SyncLine line;
    release13::CSock& sock = line.sock;
};

TEST(SyncSockSession, OpenSendsTheSessionSequenceAndMarksTheSessionOpenOnlyAtItsEnd) {
    SyncLine line;
    std::vector<int> openWhenSeen;
    line.unit = [&](const std::vector<std::uint8_t>& request) {
        openWhenSeen.push_back(line.sock.sessionOpen.load());
        return PositiveAnswer(request);
    };
    ASSERT_EQ(line.Open(), 1);
    EXPECT_EQ(Requests(line.seen),
              (Strings{"81", "10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00", "3E 01"}));
    ASSERT_EQ(line.seen.size(), 3u);
    EXPECT_EQ(line.seen[1].baud, 9600u);
    EXPECT_EQ(line.seen[2].baud, 57600u);
    EXPECT_EQ((line.link.Timing()), (LinkTiming{500, 20, 80, 59, 0, 0}));
    EXPECT_EQ(openWhenSeen, (std::vector<int>{0, 0, 0})) << "not open while TesterPresent is out";
    EXPECT_EQ(line.sock.sessionOpen.load(), 1);
}

TEST(SyncSockSession, AFailedOpenLeavesThePortOpenUntilTheSessionIsDropped) {
    for (std::uint8_t refused : {0x81, 0x10, 0x3E}) {
        SyncLine line;
        line.unit = [refused](const std::vector<std::uint8_t>& request) {
            return request[0] == refused ? Answers{{0x7F, refused, 0x22}} : PositiveAnswer(request);
        };
        EXPECT_EQ(line.Open(), 0) << int(refused);
        EXPECT_EQ(line.sock.sessionOpen.load(), 0);
        EXPECT_TRUE(line.channel.open);
        const std::size_t sent = line.seen.size();
        EXPECT_EQ(line.sock.DropSession(), 1);
        EXPECT_FALSE(line.channel.open);
        EXPECT_EQ(line.sock.ReadObject(100, 0, nullptr, 2), 0) << "no port, no request";
        EXPECT_EQ(line.seen.size(), sent) << "nothing reaches the line after the drop";
    }
}

TEST(SyncSockSession, CloseSendsBothStopRequestsAndWaitsForEach) {
    for (bool silent : {false, true}) {
        SyncLine line;
        ASSERT_EQ(line.Open(), 1);
        line.seen.clear();
        if (silent) line.unit = nullptr;
        const std::uint32_t start = line.clock.now;
        EXPECT_EQ(line.sock.CloseSession(), 1);
        // A silent unit makes StopDiagnosticSession wait 1000 ms; its
        // repetition is still on the line when StopCommunication is due.
        const Strings expected = silent ? Strings{"20", "20"} : Strings{"20", "82"};
        EXPECT_EQ(Requests(line.seen), expected) << silent;
        EXPECT_EQ(line.seen.front().baud, 57600u);
        EXPECT_EQ(line.seen.back().baud, silent ? 57600u : 9600u);
        EXPECT_GE(line.clock.now - start, silent ? 1500u : 700u);
        EXPECT_EQ(line.sock.sessionOpen.load(), 0);
        EXPECT_FALSE(line.channel.open);
    }
}

TEST(SyncSockSession, DropSessionSaysNothingToTheUnit) {
    SyncLine line;
    ASSERT_EQ(line.Open(), 1);
    line.seen.clear();
    EXPECT_EQ(line.sock.DropSession(), 1);
    EXPECT_TRUE(line.seen.empty());
    EXPECT_EQ(line.sock.sessionOpen.load(), 0);
    EXPECT_FALSE(line.channel.open);
}

TEST_F(SyncSockTest, ServicesAreEncodedAsTheUnitExpectsAndTheLocalIdentifierReadIsNotAvailable) {
    struct Case {
        std::uint8_t service;
        const char* data;  // null: refused without sending
    };
    const Case cases[] = {
        {0x81, "81"},       {0x82, "82"},    {0x20, "20"},    {0x3E, "3E 01"}, {0x1A, "1A 80"},
        {0x18, "18 FF FF"}, {0x14, "14 FF"}, {0x21, nullptr}, {0x55, nullptr},
    };
    std::array<std::uint8_t, 256> buffer{};
    for (const Case& c : cases) {
        line.seen.clear();
        EXPECT_EQ(sock.Request(0x10, c.service, 0, 0, 0, buffer.data()), c.data ? 1 : 0)
            << int(c.service);
        EXPECT_EQ(Requests(line.seen), c.data ? Strings{c.data} : Strings{}) << int(c.service);
    }
    line.seen.clear();
    const std::uint8_t bytes[] = {0x34, 0x12, 0x78};
    EXPECT_EQ(sock.WriteObject(1009, 6, bytes, 3), 1);
    EXPECT_EQ(sock.ReadObject(600, 0, buffer.data(), 58), 1);
    EXPECT_EQ(sock.ClearFaults(), 1);
    EXPECT_EQ(Requests(line.seen),
              (Strings{"A1 F1 03 06 00 34 12 78", "A0 58 02 00 00 3A 00", "14 FF"}));
}

TEST_F(SyncSockTest, ObjectCallsGoOutInChunksOf250AndStopAtTheFirstFailure) {
    struct Case {
        std::int32_t length;
        int refuseChunk;  // the request the unit refuses, -1 for none
        int result;
        Strings requests;
    };
    const Case cases[] = {
        {0, -1, 1, {}},
        {250, -1, 1, {"A0 64 00 08 00 FA 00"}},
        {251, -1, 1, {"A0 64 00 08 00 FA 00", "A0 64 00 02 01 01 00"}},
        {500, -1, 1, {"A0 64 00 08 00 FA 00", "A0 64 00 02 01 FA 00"}},
        {251, 0, 0, {"A0 64 00 08 00 FA 00"}},
        {251, 1, 0, {"A0 64 00 08 00 FA 00", "A0 64 00 02 01 01 00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes, refused " << c.refuseChunk);
        int index = 0;
        line.unit = [&](const std::vector<std::uint8_t>& request) {
            // Each chunk's bytes tell which chunk they came from.
            const int chunk = index++;
            if (chunk == c.refuseChunk) return Answers{{0x7F, 0xA0, 0x31}};
            return PositiveAnswer(request, static_cast<std::uint8_t>(0x11 * (chunk + 1)));
        };
        line.seen.clear();
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(c.length) + 1, 0);
        EXPECT_EQ(sock.ReadObject(100, 8, buffer.data(), c.length), c.result);
        EXPECT_EQ(Requests(line.seen), c.requests);
        if (c.result == 1 && c.length > 250) {
            EXPECT_EQ(buffer[249], 0x11);
            EXPECT_EQ(buffer[250], 0x22) << "the second chunk lands after the first";
        }
        EXPECT_EQ(buffer.back(), 0) << "nothing past the call's length";
    }
    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    line.seen.clear();
    std::vector<std::uint8_t> bytes(251, 0x5A);
    EXPECT_EQ(sock.WriteObject(1101, 0, bytes.data(), 251), 1);
    ASSERT_EQ(line.seen.size(), 2u);
    EXPECT_EQ(line.seen[0].data.size(), 255u);
    EXPECT_EQ(Hex(line.seen[1].data), "A1 4D 04 FA 00 5A");
}

TEST_F(SyncSockTest, ObjectRequestsAbove250BytesAreRefusedWithoutSending) {
    std::vector<std::uint8_t> buffer(300);
    for (std::uint8_t service : {0xA0, 0xA1}) {
        EXPECT_EQ(sock.Request(0x10, service, 100, 0, 251, buffer.data()), 0);
        EXPECT_EQ(sock.Request(0x10, service, 100, 0, -1, buffer.data()), 0);
    }
    EXPECT_EQ(sock.ReadObject(100, 0, buffer.data(), -2), 0);
    EXPECT_TRUE(line.seen.empty());
}

TEST_F(SyncSockTest, AnAnswerComingAtOnceStillTakesTwoPollSteps) {
    std::uint16_t value = 0;
    EXPECT_EQ(Took([&] { EXPECT_EQ(sock.ReadObject(100, 0, &value, 2), 1); }), 100u);
    EXPECT_EQ(value, 0x1111);
}

TEST_F(SyncSockTest, ARefusalEndsTheRequestAtOnceWhateverItRefersTo) {
    for (std::uint8_t refused : {0xA0, 0x1A}) {
        line.unit = [refused](const std::vector<std::uint8_t>&) {
            return Answers{{0x7F, refused, 0x31}};
        };
        std::uint16_t value = 0xBEEF;
        EXPECT_LT(Took([&] { EXPECT_EQ(sock.ReadObject(100, 0, &value, 2), 0); }), 100u);
        EXPECT_EQ(value, 0xBEEF);
    }
}

TEST_F(SyncSockTest, ALateAnswerForAnotherReadIsDiscardedAndTheWaitGoesOn) {
    // An earlier read that gave up waiting: its answer is held when the
    // next request goes out.
    struct Case {
        const char* name;
        std::vector<std::uint8_t> stale;
    };
    const Case cases[] = {
        {"another object", {0xA0, 0x66, 0x00, 0x00, 0x00, 0x02, 0x00}},
        {"another offset", {0xA0, 0x64, 0x00, 0x02, 0x00, 0x02, 0x00}},
    };
    for (const Case& c : cases) {
        line.unit = [stale = c.stale](const std::vector<std::uint8_t>& request) {
            return PositiveAnswer(request, request == stale ? 0x99 : 0x11);
        };
        ASSERT_EQ(
            line.link.LinkSend(0x10, static_cast<std::uint16_t>(c.stale.size()), c.stale.data()),
            1);
        line.Settle();
        std::uint16_t value = 0;
        EXPECT_EQ(sock.ReadObject(100, 0, &value, 2), 1) << c.name;
        EXPECT_EQ(value, 0x1111) << c.name;
    }
}

TEST_F(SyncSockTest, AnswersThatDoNotFitTheReadNeverReachTheBuffer) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> answer;
        std::uint32_t atMost;  // ms
    };
    const Case cases[] = {
        {"more data than asked, refused at once",
         {0xE0, 0x64, 0x00, 0x00, 0x00, 0x11, 0x22, 0x33},
         100},
        {"too short to name its object, waited out", {0xE0, 0x64}, 1050},
    };
    for (const Case& c : cases) {
        line.unit = [answer = c.answer](const std::vector<std::uint8_t>&) {
            return Answers{answer};
        };
        std::array<std::uint8_t, 4> guard{0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_LE(Took([&] { EXPECT_EQ(sock.ReadObject(100, 0, &guard[1], 2), 0) << c.name; }),
                  c.atMost)
            << c.name;
        EXPECT_EQ(guard, (std::array<std::uint8_t, 4>{0xAA, 0xAA, 0xAA, 0xAA})) << c.name;
    }
}

TEST_F(SyncSockTest, ARequestWhileTheLinkStillRepeatsAnOldOneReturnsAtOnce) {
    line.unit = nullptr;
    std::uint16_t value = 0;
    const std::uint32_t waited = Took([&] { EXPECT_EQ(sock.ReadObject(100, 0, &value, 2), 0); });
    EXPECT_GE(waited, 1000u);
    EXPECT_LE(waited, 1050u);
    EXPECT_EQ(Requests(line.seen), (Strings(2, "A0 64 00 00 00 02 00")))
        << "sent, and repeated after the 800 ms response time-out";

    line.unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    EXPECT_EQ(Took([&] { EXPECT_EQ(sock.ReadObject(102, 0, &value, 2), 0); }), 0u);
    EXPECT_EQ(line.seen.size(), 2u) << "nothing more on the line";

    line.clock.Sleep(2000);  // the link gives the old request up after its third try
    EXPECT_EQ(sock.ReadObject(102, 0, &value, 2), 1);
}

TEST_F(SyncSockTest, IdentificationIsCopiedWithoutAZeroAndWithinTheGivenLength) {
    line.unit = [](const std::vector<std::uint8_t>&) {
        std::vector<std::uint8_t> answer{0x5A, 0x80};
        for (int i = 0; i < 20; ++i) answer.push_back(static_cast<std::uint8_t>('A' + i));
        return Answers{answer};
    };
    for (std::int32_t length : {0, 10}) {
        std::array<std::uint8_t, 256> text;
        text.fill(0xCC);
        ASSERT_EQ(sock.Request(0x10, 0x1A, 0, 0, length, text.data()), 1);
        const std::size_t copied = length == 0 ? 21 : 10;
        EXPECT_EQ(text[0], 0x80);
        EXPECT_EQ(std::string(text.begin() + 1, text.begin() + static_cast<long>(copied)),
                  std::string("ABCDEFGHIJKLMNOPQRST").substr(0, copied - 1));
        EXPECT_EQ(text[copied], 0xCC) << length;
    }
}

TEST_F(SyncSockTest, StoreSettingsPollsUntilTheUnitReportsTheResult) {
    struct Case {
        std::vector<std::uint16_t> statuses;
        int result;
    };
    for (const Case& c : {Case{{1, 1, 0}, 1}, Case{{2}, 0}, Case{{0}, 1}}) {
        std::size_t reads = 0;
        line.seen.clear();
        line.unit = [&reads, &c](const std::vector<std::uint8_t>& request) {
            if (request[0] != 0xA0) return PositiveAnswer(request);
            const std::uint16_t status = c.statuses.at(std::min(reads++, c.statuses.size() - 1));
            return Answers{{0xE0, 0x14, 0x27, 0x00, 0x00, static_cast<std::uint8_t>(status),
                            static_cast<std::uint8_t>(status >> 8)}};
        };
        EXPECT_EQ(sock.StoreSettings(), c.result);
        EXPECT_EQ(reads, c.statuses.size());
        Strings expected{"A1 14 27 00 00 01 00"};
        expected.insert(expected.end(), reads, "A0 14 27 00 00 02 00");
        EXPECT_EQ(Requests(line.seen), expected);
    }
}

}  // namespace
}  // namespace varnok::test
