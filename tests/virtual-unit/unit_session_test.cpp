// A whole session of the real link object against varnok-unit on a
// pseudo-terminal: the program's Link, PosixSerialChannel and CSock with
// their threads, the unit with its echo (on and off) and its line pacing.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>

#include "link/csock.h"
#include "link/device_path.h"
#include "link/posix_serial_channel.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace varnok {
namespace {

using unit::UnitModel;
using unit::VirtualUnit;

// The program's side of the line, as the program builds it.
struct ProgramLink {
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    CSock sock{link, channel, clock};
};

struct ObjectRef {
    std::uint16_t object;
    std::uint16_t offset;
    std::int32_t length;
    bool setting;  // holds still, so the unit's own value can be compared
};

// Every object and offset the program reads or writes, with its length.
constexpr ObjectRef kObjects[] = {
    {100, 0, 2, false},  {102, 0, 2, false}, {103, 8, 2, true},   {103, 12, 2, false},
    {103, 14, 2, true},  {104, 10, 2, true}, {104, 14, 2, false}, {104, 20, 2, true},
    {104, 22, 6, true},  {104, 54, 6, true}, {105, 10, 2, true},  {105, 14, 2, false},
    {105, 20, 2, true},  {105, 22, 6, true}, {105, 54, 6, true},  {111, 0, 2, false},
    {113, 0, 2, false},  {114, 0, 2, false}, {115, 0, 2, false},  {117, 0, 2, false},
    {200, 0, 2, true},   {202, 0, 2, false}, {203, 0, 2, false},  {204, 0, 2, false},
    {400, 8, 2, true},   {501, 8, 2, true},  {600, 0, 58, true},  {602, 0, 2, true},
    {800, 6, 2, false},  {800, 8, 2, false}, {803, 0, 4, false},  {803, 4, 4, false},
    {810, 0, 2, true},   {811, 0, 2, true},  {812, 0, 2, true},   {1004, 8, 2, true},
    {1009, 2, 2, true},  {1009, 6, 2, true}, {1009, 8, 2, false}, {1009, 16, 2, false},
    {1101, 0, 2, true},  {1101, 2, 2, true}, {10004, 0, 2, true}, {10006, 0, 2, true},
    {61442, 0, 2, true},
};

std::int16_t Signed(const std::uint8_t* at) {
    return static_cast<std::int16_t>(at[0] | (at[1] << 8));
}

class SessionAgainstUnit : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        unit::UnitOptions options;
        options.line.echo = GetParam();
        options.model.driver = false;
        options.model.stopTimeMs = 300;
        unit = std::make_unique<VirtualUnit>(options);
        std::string error;
        ASSERT_TRUE(unit->Start(error)) << error;
    }

    std::unique_ptr<VirtualUnit> unit;
    ProgramLink program;
};

TEST_P(SessionAgainstUnit, ReadsWritesStoresAndClearsFaults) {
    CSock& sock = program.sock;
    ASSERT_EQ(sock.OpenSession(DevicePathForPort(unit->PortName()), 57600), 1);
    EXPECT_EQ(unit->LineBaud(), 57600u);

    // Identification: 80, the text, a zero; the firmware version at
    // characters 21 to 23 of the buffer.
    std::array<char, 256> ident{};
    ASSERT_EQ(sock.Request(kReadEcuIdentification, 0, 1, ident.data()), 1);
    EXPECT_EQ(static_cast<std::uint8_t>(ident[0]), 0x80);
    EXPECT_EQ(std::string(ident.data() + 20, 3), "276");
    EXPECT_EQ(std::strlen(ident.data()),
              1 + unit->WithModel([](UnitModel& m) { return m.Identification().size(); }));

    // Every object with its length, queued as the polling queues them; a
    // read that is answered is notified, and nothing is written past it.
    std::atomic<int> notified{0};
    sock.SetNotifier([&](std::uint16_t, std::uint16_t) { ++notified; });
    std::vector<std::array<std::uint8_t, 64>> buffers(std::size(kObjects));
    for (std::size_t i = 0; i < std::size(kObjects); ++i) {
        buffers[i].fill(0xA5);
        ASSERT_EQ(sock.ReadObject(kObjects[i].object, kObjects[i].offset, buffers[i].data(),
                                  kObjects[i].length, 0),
                  1);
    }
    std::array<std::uint8_t, 2> word{};
    ASSERT_EQ(sock.ReadObject(100, 0, word.data(), 2, 1), 1);
    EXPECT_EQ(notified.load(), static_cast<int>(std::size(kObjects)) + 1);
    for (std::size_t i = 0; i < std::size(kObjects); ++i) {
        const ObjectRef& ref = kObjects[i];
        SCOPED_TRACE(std::to_string(ref.object) + ":" + std::to_string(ref.offset));
        const auto& buffer = buffers[i];
        EXPECT_EQ(buffer[static_cast<std::size_t>(ref.length)], 0xA5);
        for (std::int32_t at = 0; ref.setting && at < ref.length; at += 2) {
            std::int64_t expected = 0;
            unit->WithModel([&](UnitModel& m) {
                return m.Peek(ref.object, static_cast<std::uint16_t>(ref.offset + at), 2, expected);
            });
            EXPECT_EQ(buffer[static_cast<std::size_t>(at)] |
                          (buffer[static_cast<std::size_t>(at) + 1] << 8),
                      expected);
        }
    }
    EXPECT_NEAR(Signed(word.data()), 670, 50) << "idle speed";
    ASSERT_EQ(sock.ReadObject(117, 0, word.data(), 2, 1), 1);
    EXPECT_NEAR(Signed(word.data()), 2750, 20) << "supply voltage";

    // A setting: written and read back; an out-of-range value is refused
    // and the read-back shows the unit's value.
    const std::uint16_t idle = 640;
    EXPECT_EQ(sock.WriteObject(1009, 2, &idle, 2, 1), 1);
    ASSERT_EQ(sock.ReadObject(1009, 2, word.data(), 2, 1), 1);
    EXPECT_EQ(Signed(word.data()), 640);
    const std::uint16_t tooHigh = 700;
    EXPECT_EQ(sock.WriteObject(1009, 2, &tooHigh, 2, 1), 0);
    ASSERT_EQ(sock.ReadObject(1009, 2, word.data(), 2, 1), 1);
    EXPECT_EQ(Signed(word.data()), 640);

    // Storing: the engine is stopped first, as the save does it.
    const std::uint16_t one = 1;
    const std::uint16_t zero = 0;
    ASSERT_EQ(sock.WriteObject(10006, 0, &one, 2, 1), 1);
    int pauses = 0;
    do {
        program.clock.Sleep(100);
        ASSERT_EQ(sock.ReadObject(200, 0, word.data(), 2, 1), 1);
    } while (Signed(word.data()) != 0 && ++pauses < 40);
    EXPECT_LT(pauses, 10) << "the engine stops within a second";
    ASSERT_EQ(sock.WriteObject(10006, 0, &zero, 2, 1), 1);
    EXPECT_EQ(sock.StoreSettings(), 1);

    // Faults: present, then cleared (queued without waiting; the read that
    // follows is answered after it).
    std::array<std::uint8_t, 58> block{};
    ASSERT_EQ(sock.ReadObject(600, 0, block.data(), 58, 1), 1);
    EXPECT_EQ(block[33] & 0x0F, 0x01) << "P1902 present";
    EXPECT_EQ(sock.ClearFaults(), 1);
    ASSERT_EQ(sock.ReadObject(600, 0, block.data(), 58, 1), 1);
    EXPECT_EQ(block, (std::array<std::uint8_t, 58>{}));

    EXPECT_EQ(unit->FramesReceived(), unit->FramesAnswered()) << "every request answered";
    EXPECT_EQ(sock.CloseSession(), 1);
}

INSTANTIATE_TEST_SUITE_P(Echo, SessionAgainstUnit, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "On" : "Off"; });

}  // namespace
}  // namespace varnok
