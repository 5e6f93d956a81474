#include "link/frame.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "tests/support/pty_pair.h"

namespace varnok {
namespace {

using test::Bytes;

// Builds a frame the way the transmitter sends it: BuildFrame, then the
// running sum in the checksum position.
std::vector<std::uint8_t> Sent(std::uint8_t target, const std::vector<std::uint8_t>& data) {
    LinkBuffer buffer;
    BuildFrame(buffer, target, 0xF0, static_cast<std::uint16_t>(data.size()), data.data());
    const int length = FrameLength(buffer.frame);
    std::vector<std::uint8_t> out(buffer.frame.begin(), buffer.frame.begin() + length - 1);
    out.push_back(static_cast<std::uint8_t>(std::accumulate(out.begin(), out.end(), 0u)));
    return out;
}

// A buffer holding received bytes, summed the way the receive step sums them.
LinkBuffer Received(const std::vector<std::uint8_t>& bytes) {
    LinkBuffer buffer;
    buffer.state = 0;
    for (std::uint8_t b : bytes) {
        buffer.frame[static_cast<std::size_t>(buffer.count)] = b;
        if (buffer.count == 0) buffer.sum = 0;
        if (buffer.count < FrameLength(buffer.frame) - 1) {
            buffer.sum = static_cast<std::uint8_t>(buffer.sum + b);
        }
        if (buffer.count < kMaxFrameLength) ++buffer.count;
    }
    return buffer;
}

struct WorkedFrame {
    const char* name;
    std::vector<std::uint8_t> data;
    std::uint8_t target;
    const char* bytes;
};

TEST(Frame, WorkedFramesAreBuiltExactly) {
    const std::vector<WorkedFrame> cases = {
        {"StartCommunication", {0x81}, 0x10, "81 10 F0 81 02"},
        {"TesterPresent", {0x3E, 0x01}, 0x10, "82 10 F0 3E 01 C1"},
        {"read 200:0, 2 bytes", Bytes("A0 C8 00 00 00 02 00"), 0x10,
         "87 10 F0 A0 C8 00 00 00 02 00 F1"},
        {"no data bytes", {}, 0x10, "80 10 F0 00 80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(test::Hex(Sent(c.target, c.data)), c.bytes) << c.name;
    }
}

TEST(Frame, ResponsePendingFromTheUnitReadsAsComplete) {
    const LinkBuffer buffer = Received(Bytes("83 F0 10 7F A0 78 1A"));
    EXPECT_EQ(FrameStatus(buffer), FrameComplete);
    EXPECT_EQ(FrameTarget(buffer.frame), 0xF0);
    EXPECT_EQ(FrameSource(buffer.frame), 0x10);
    EXPECT_EQ(FrameService(buffer.frame), 0x7F);
    EXPECT_TRUE(FrameIsResponse(buffer.frame));
    EXPECT_EQ(FrameDataLength(buffer.frame), 3);
    EXPECT_EQ(FrameChecksumByte(buffer.frame), 0x1A);
}

TEST(Frame, HeaderFormDependsOnDataLength) {
    struct Case {
        int length;
        std::uint8_t format;
        int header;
    };
    for (const Case& c : {Case{1, 0x81, 3}, Case{63, 0xBF, 3}, Case{64, 0x80, 4},
                          Case{255, 0x80, 4}, Case{0, 0x80, 4}}) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(c.length), 0x11);
        const auto frame = Sent(0x10, data);
        SCOPED_TRACE(c.length);
        EXPECT_EQ(frame[0], c.format);
        EXPECT_EQ(frame.size(), static_cast<std::size_t>(c.header + c.length + 1));
        if (c.header == 4) {
            EXPECT_EQ(frame[3], c.length);
        }
        const LinkBuffer back = Received(frame);
        EXPECT_EQ(FrameStatus(back), FrameComplete);
        EXPECT_EQ(FrameDataLength(back.frame), c.length);
        EXPECT_EQ(FrameData(back.frame), c.header);
    }
}

TEST(Frame, SixtyFourDataBytesGoAfterALengthByte) {
    std::vector<std::uint8_t> data(64);
    std::iota(data.begin(), data.end(), 0);
    const auto frame = Sent(0x10, data);
    ASSERT_EQ(frame.size(), 69u);
    EXPECT_EQ(test::Hex({frame.begin(), frame.begin() + 4}), "80 10 F0 40");
    EXPECT_TRUE(std::equal(data.begin(), data.end(), frame.begin() + 4));
}

TEST(Frame, EmptySendHasItsChecksumWhereTheServiceWouldBe) {
    LinkBuffer buffer;
    BuildFrame(buffer, 0x10, 0xF0, 0, nullptr);
    EXPECT_EQ(FrameLength(buffer.frame), 5);
    EXPECT_EQ(FrameData(buffer.frame), 4);
    buffer.frame[4] = 0x80;
    EXPECT_EQ(FrameService(buffer.frame), FrameChecksumByte(buffer.frame));
}

TEST(Frame, BitSixOfTheFormatByteIsIgnored) {
    const LinkBuffer plain = Received(Bytes("83 F0 10 E0 01 02 66"));
    LinkBuffer withBit6 = Received(Bytes("C3 F0 10 E0 01 02 A6"));
    EXPECT_EQ(FrameStatus(plain), FrameComplete);
    EXPECT_EQ(FrameStatus(withBit6), FrameComplete);
    EXPECT_EQ(FrameLength(withBit6.frame), FrameLength(plain.frame));
    EXPECT_EQ(FrameTarget(withBit6.frame), 0xF0);
    EXPECT_EQ(FrameService(withBit6.frame), 0xE0);
}

TEST(Frame, ShortFormsHaveNoAddress) {
    // Length in the format byte, and a separate length byte.
    const LinkBuffer inFormat = Received(Bytes("02 C1 EF B2"));
    const LinkBuffer withLengthByte = Received(Bytes("00 02 C1 EF B2"));
    for (const LinkBuffer* b : {&inFormat, &withLengthByte}) {
        EXPECT_EQ(FrameStatus(*b), FrameComplete);
        EXPECT_EQ(FrameTarget(b->frame), NoAddress);
        EXPECT_EQ(FrameSource(b->frame), NoAddress);
        EXPECT_EQ(FrameService(b->frame), 0xC1);
    }
    EXPECT_EQ(FrameHeaderSize(inFormat.frame), 1);
    EXPECT_EQ(FrameHeaderSize(withLengthByte.frame), 2);
}

TEST(Frame, StaleHeaderBytesDoNotCompleteAFrame) {
    LinkBuffer buffer;
    buffer.frame.fill(0);  // a stale length byte of 0 at position 3 would mean length 5
    buffer.frame[3] = 0x00;
    buffer.state = 0;
    buffer.frame[0] = 0x80;
    buffer.count = 1;
    buffer.sum = 0x80;
    EXPECT_EQ(FrameStatus(buffer), FrameIncomplete);
    for (std::uint8_t stale : {0x00, 0x01, 0xFF}) {
        buffer.frame[3] = stale;
        buffer.count = 3;
        EXPECT_EQ(FrameStatus(buffer), FrameIncomplete) << int(stale);
    }
}

TEST(Frame, BadChecksumAndEmptyAreToldApart) {
    LinkBuffer buffer = Received(Bytes("82 10 F0 3E 01 C2"));
    EXPECT_EQ(FrameStatus(buffer), FrameBadChecksum);
    buffer.state = 1;
    EXPECT_EQ(FrameStatus(buffer), FrameEmpty);
    EXPECT_EQ(FrameStatus(LinkBuffer{}), FrameEmpty);
}

TEST(Frame, BytesPastTheChecksumAreNotSummed) {
    LinkBuffer buffer = Received(Bytes("82 10 F0 3E 01 C1 55 66"));
    EXPECT_EQ(FrameStatus(buffer), FrameComplete);
    EXPECT_EQ(buffer.sum, 0xC1);
}

}  // namespace
}  // namespace varnok
