// The unit's line logic with explicit times: frames collected from bytes,
// and the moments its bytes are due on a paced line.
#include <gtest/gtest.h>

#include "tests/support/pty_pair.h"
#include "tools/virtual-unit/frame_assembler.h"
#include "tools/virtual-unit/line_schedule.h"

namespace varnok::unit {
namespace {

using test::Bytes;
using test::Hex;
using Result = FrameAssembler::Result;

std::vector<Result> FeedAll(FrameAssembler& assembler, const std::vector<std::uint8_t>& bytes,
                            std::int64_t at) {
    std::vector<Result> results;
    for (std::uint8_t b : bytes) results.push_back(assembler.Feed(b, at));
    return results;
}

TEST(FrameAssembler, CollectsFramesByTheLengthInTheirHeader) {
    FrameAssembler assembler;
    auto results = FeedAll(assembler, Bytes("87 10 F0 A0 C8 00 00 00 02 00 F1 81 10 F0"), 0);
    EXPECT_EQ(results[10], Result::Frame);
    EXPECT_EQ(std::count(results.begin(), results.end(), Result::Frame), 1);
    results = FeedAll(assembler, Bytes("81 02"), 10);
    EXPECT_EQ(results.back(), Result::Frame);
    EXPECT_EQ(Hex(assembler.Frame()), "81 10 F0 81 02");

    std::vector<std::uint8_t> longFrame = Bytes("80 10 F0 40");
    for (int i = 0; i < 64; ++i) longFrame.push_back(static_cast<std::uint8_t>(i));
    std::uint8_t sum = 0;
    for (std::uint8_t b : longFrame) sum = static_cast<std::uint8_t>(sum + b);
    longFrame.push_back(sum);
    EXPECT_EQ(FeedAll(assembler, longFrame, 20).back(), Result::Frame);
    EXPECT_EQ(assembler.Frame().size(), 69u);
}

TEST(FrameAssembler, DropsBadChecksumsAndWhatAPauseCutShort) {
    FrameAssembler assembler(50'000);
    EXPECT_EQ(FeedAll(assembler, Bytes("82 10 F0 3E 01 C2"), 0).back(), Result::BadChecksum);
    FeedAll(assembler, Bytes("82 10 F0"), 100'000);
    // 60 ms later a new frame begins; the three bytes before it are gone.
    EXPECT_EQ(FeedAll(assembler, Bytes("81 10 F0 81 02"), 160'000).back(), Result::Frame);
    EXPECT_EQ(Hex(assembler.Frame()), "81 10 F0 81 02");
}

TEST(LineSchedule, PacedBytesAreDueWhenTheyHavePassedTheLine) {
    using namespace std::chrono;
    EXPECT_EQ(LineSchedule::ByteTime(9600), nanoseconds(1'041'666));
    EXPECT_EQ(LineSchedule::ByteTime(57600), nanoseconds(173'611));

    LineSchedule line;
    const auto bt = LineSchedule::ByteTime(57600);
    line.SetByteTime(bt);
    const LineSchedule::Time t0{seconds(100)};
    // An 11-byte request arrives at once; its last bit passes 11 byte times later.
    LineSchedule::Time passed{};
    for (int i = 0; i < 11; ++i) passed = line.Receive(t0);
    EXPECT_EQ(passed, t0 + 11 * bt);
    // The answer follows it byte by byte.
    const auto answer = Bytes("87 F0 10 E0 C8 00 00 00 01 00 F1");
    EXPECT_EQ(line.Queue(answer, passed, LineSchedule::Note{answer, 0}), t0 + 22 * bt);
    EXPECT_EQ(line.NextDue(), t0 + 12 * bt);
    EXPECT_EQ(line.DueBytes(t0 + 12 * bt).size(), 1u);
    EXPECT_EQ(line.DueBytes(t0 + 21 * bt).size(), 10u);

    std::vector<LineSchedule::Note> finished;
    line.Consume(10, finished);
    EXPECT_TRUE(finished.empty());
    line.Consume(1, finished);
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(Hex(finished[0].frame), Hex(answer));
    EXPECT_TRUE(line.Empty());

    // An echo goes out as each byte passes; a byte arriving late starts then.
    const LineSchedule::Time t1 = t0 + seconds(1);
    EXPECT_EQ(line.Queue({0x81}, t1), t1 + bt);
    EXPECT_EQ(line.Queue({0x10}, t1), t1 + 2 * bt);
    EXPECT_EQ(line.Queue({0xF0}, t1 + 5 * bt), t1 + 6 * bt);
}

TEST(LineSchedule, WithoutPacingEverythingIsDueAtOnce) {
    using namespace std::chrono;
    LineSchedule line;
    const LineSchedule::Time t0{seconds(5)};
    line.Queue(Bytes("81 10 F0 81 02"), t0);
    line.Queue(Bytes("83 F0 10 C1 EF 8F C2"), t0, LineSchedule::Note{});
    EXPECT_EQ(line.DueBytes(t0).size(), 12u);
    // A frame queued for later (after a response-pending pause) waits.
    line.Queue(Bytes("81 F0 10 7E FF"), t0 + milliseconds(20), LineSchedule::Note{});
    EXPECT_EQ(line.DueBytes(t0 + milliseconds(19)).size(), 12u);
    EXPECT_EQ(line.DueBytes(t0 + milliseconds(20)).size(), 17u);
    line.Clear();
    EXPECT_TRUE(line.Empty());
}

}  // namespace
}  // namespace varnok::unit
