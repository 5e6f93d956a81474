#include "livedata/value_text.h"

#include <gtest/gtest.h>

#include "livedata/data_objects.h"
#include "livedata/poll_schedule.h"
#include "livedata/session_text.h"

namespace varnok {
namespace {

TEST(ValueText, RealsInGeneralFormatWithAPoint) {
    struct Case {
        long double raw;
        long double scale;
        const char* text;
    };
    const Case cases[] = {
        {1234, 0.01L, "12.34"},   {1200, 0.01L, "12"},       {-5, 0.01L, "-0.05"},
        {0, 0.01L, "0"},          {1500, 0.001L, "1.5"},     {-4000, 0.01L, "-40"},
        {2750, 0.01L, "27.5"},    {7, 0.001L, "0.007"},      {-32768, 0.01L, "-327.68"},
        {65535, 0.01L, "655.35"}, {2080, 0.001L, "2.08"},    {4000, 0.001L, "4"},
        {1250, 0.01L, "12.5"},    {32767, 0.001L, "32.767"}, {-1, 0.001L, "-0.001"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RealText(Scaled(c.raw, c.scale)), c.text) << static_cast<double>(c.raw);
    }
}

TEST(ValueText, Integers) {
    const std::pair<long long, const char*> cases[] = {
        {850, "850"},
        {-1, "-1"},
        {0, "0"},
        {4294967295LL, "4294967295"},
        {2147483648LL, "2147483648"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(IntegerText(value), text);
}

TEST(ValueText, Bits) {
    struct Case {
        std::uint16_t bits;
        int bit;
        const char* text;
    };
    for (const Case& c : {Case{0x0009, 0, "1"}, Case{0x0009, 3, "1"}, Case{0x0009, 4, "0"},
                          Case{0x8000, 15, "1"}, Case{0x8000, 14, "0"}, Case{0xFF00, 7, "0"}}) {
        EXPECT_EQ(BitText(c.bits, c.bit), c.text) << c.bits << " bit " << c.bit;
    }
}

TEST(FirmwareVersion, FromCharacters21To23) {
    const std::string head = "ABCDEFGHIJKLMNOPQRST";  // 20 characters
    const std::pair<std::string, int> cases[] = {
        {head + "276 rest", 276},
        {head + "27 ", 27},
        {head + "xyz", 0},
        {"short", 0},
        {head + " 12", 12},
        {head + "-1x", 65535},
        {head + "2", 2},
        {head, 0},
        {std::string(kUnknownDevice), 0},
    };
    for (const auto& [text, version] : cases) EXPECT_EQ(FirmwareVersion(text), version) << text;
}

TEST(PollSchedule, ReadsPerViewAndPage) {
    struct Case {
        View view;
        int page;
        std::size_t reads;
    };
    for (const Case& c : {Case{View::Information, 0, 16}, Case{View::Information, 1, 14},
                          Case{View::Information, 2, 13}, Case{View::Information, 7, 12},
                          Case{View::Settings, 0, 10}, Case{View::Errors, 0, 8}}) {
        const auto reads = PollReads(c.view, c.page);
        EXPECT_EQ(reads.size(), c.reads) << static_cast<int>(c.view) << "/" << c.page;
        ASSERT_GE(reads.size(), 8u);
        EXPECT_EQ(reads.front(), &objects::kEngineSpeedN1);
        EXPECT_EQ(reads[7], &objects::kEngineRunning);
    }
    const auto engine = PollReads(View::Information, 0);
    EXPECT_EQ(engine[12], &objects::kEngineHours);
    EXPECT_EQ(engine[15], &objects::kOutputs);
    const auto settings = PollReads(View::Settings, 0);
    EXPECT_EQ(settings[8], &objects::kPedalCorrection);
    EXPECT_EQ(settings[9], &objects::kIdleSpeed);
}

TEST(PollSchedule, ConnectReadsTheSettingsInOrder) {
    const auto& reads = ConnectReads();
    ASSERT_EQ(reads.size(), 14u);
    EXPECT_EQ(reads.front(), &objects::kTachographConstant);
    EXPECT_EQ(reads.back(), &objects::kWarmPedalCorrection);
    for (const DataObject* read : reads) EXPECT_EQ(read->length, 2);
}

}  // namespace
}  // namespace varnok
