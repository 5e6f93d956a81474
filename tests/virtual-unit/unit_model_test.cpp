// The unit's data objects without a line: settings and their limits, the
// store handshake, the engine stop, the fault block, the firmware version and
// the live values of the engine model.
#include "tools/virtual-unit/unit_model.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/pty_pair.h"

namespace varnok::unit {
namespace {

using test::Bytes;

ModelOptions Still() {
    ModelOptions options;
    options.driver = false;
    return options;
}

std::int64_t Value(UnitModel& m, std::uint16_t object, std::uint16_t offset, int bytes = 2,
                   bool isSigned = true) {
    std::vector<std::uint8_t> out;
    EXPECT_EQ(m.Read(object, offset, static_cast<std::uint16_t>(bytes), out), 0)
        << object << ":" << offset;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < out.size(); ++i) v |= std::uint64_t{out[i]} << (8 * i);
    if (isSigned && bytes == 2) return static_cast<std::int16_t>(v);
    return static_cast<std::int64_t>(v);
}

std::uint8_t Write(UnitModel& m, std::uint16_t object, std::uint16_t offset,
                   const std::string& hex) {
    const auto bytes = Bytes(hex);
    return m.Write(object, offset, bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

TEST(UnitModel, WritesAreCheckedAgainstTheUnitsOwnLimits) {
    UnitModel m(Still());
    struct Case {
        std::uint16_t object, offset;
        const char* bytes;
        std::uint8_t code;
        std::int64_t readBack;  // first word after the write
    };
    const Case cases[] = {
        {1009, 2, "58 02", 0, 600},                   // lowest minimum idle speed
        {1009, 2, "57 02", kRequestOutOfRange, 600},  // 599: refused, 600 stays
        {1009, 2, "9E 02", 0, 670},                   // highest
        {1009, 2, "9F 02", kRequestOutOfRange, 670},
        {1009, 6, "B0 04", 0, 1200},  // 12 % pedal correction
        {1009, 6, "AF 04", kRequestOutOfRange, 1200},
        {1004, 8, "00 00", kRequestOutOfRange, 3200},  // the program has no lower limit here
        {1004, 8, "88 13", 0, 5000},
        {400, 8, "AB 0D", kRequestOutOfRange, 4200},  // Kp 3499
        {1101, 0, "02 00", kRequestOutOfRange, 1},    // switches take 0 and 1 only
        {810, 0, "00 00", 0, 0},
        {61442, 0, "01 00", 0, 1},
        {1101, 2, "98 3A", kRequestOutOfRange, 9000},  // 150 km/h
        {105, 54, "6E 00 7A 03 FF 7F", 0, 110},        // a pedal calibration, three words
        {105, 54, "6E 00 7A 03 00 80", kRequestOutOfRange, 110},
        {1009, 2, "58", kRequestOutOfRange, 670},      // half a setting
        {1009, 3, "58 02", kConditionsNotCorrect, 2},  // inside the object, but no setting
        {100, 0, "00 00", kConditionsNotCorrect, 0},   // a live value
        {1234, 0, "00 00", kRequestOutOfRange, 0},     // no such object
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.object) + ":" + std::to_string(c.offset) + " " + c.bytes);
        EXPECT_EQ(Write(m, c.object, c.offset, c.bytes), c.code);
        if (c.object == 1009 && c.offset == 3) continue;
        if (c.object == 100 || c.object == 1234) continue;
        EXPECT_EQ(Value(m, c.object, c.offset), c.readBack);
    }
    std::vector<std::uint8_t> out;
    EXPECT_EQ(m.Read(1009, 16, 4, out), kRequestOutOfRange) << "past the end of the object";
    EXPECT_EQ(m.Read(600, 0, 58, out), 0);
    EXPECT_EQ(out.size(), 58u);
}

TEST(UnitModel, ARefusedObjectIsRefusedToReadsOnlyUntilAllowed) {
    UnitModel m(Still());
    m.RefuseReads(61442, 0);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(m.Read(61442, 0, 2, out), kRequestOutOfRange);
    EXPECT_EQ(m.Read(1009, 16, 2, out), 0) << "other objects are read as before";
    EXPECT_EQ(Write(m, 61442, 0, "01 00"), 0) << "writes are not refused";
    m.AllowReads();
    EXPECT_EQ(m.Read(61442, 0, 2, out), 0);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 0}));
}

TEST(UnitModel, StoreShowsBusyForAFewReadsThenItsResult) {
    UnitModel m(Still());
    m.Engine().Stop();
    EXPECT_EQ(Value(m, kStoreObject, 0), 0);
    ASSERT_EQ(Write(m, kStoreObject, 0, "01 00"), 0);
    EXPECT_EQ(Value(m, kStoreObject, 0), 1);
    EXPECT_EQ(Value(m, kStoreObject, 0), 1);
    EXPECT_EQ(Value(m, kStoreObject, 0), 0);
    EXPECT_EQ(Value(m, kStoreObject, 0), 0);
    EXPECT_EQ(Write(m, kStoreObject, 0, "02 00"), kRequestOutOfRange) << "1 is the only command";
}

TEST(UnitModel, StoreWhileTheEngineRunsFails) {
    UnitModel m(Still());
    ASSERT_TRUE(m.Engine().Running());
    ASSERT_EQ(Write(m, kStoreObject, 0, "01 00"), 0);
    EXPECT_EQ(Value(m, kStoreObject, 0), 1);
    EXPECT_EQ(Value(m, kStoreObject, 0), 1);
    EXPECT_EQ(Value(m, kStoreObject, 0), 2);
}

TEST(UnitModel, EngineStopsAboutASecondAfterTheRequestAndRestartsLater) {
    ModelOptions options = Still();
    options.restartAfterMs = 3000;
    UnitModel m(options);
    m.AdvanceTo(2000);
    EXPECT_EQ(Value(m, 200, 0), 1);
    ASSERT_EQ(Write(m, kEngineStopObject, 0, "01 00"), 0);
    m.AdvanceTo(2500);
    EXPECT_EQ(Value(m, 200, 0), 1) << "still running down";
    EXPECT_LT(Value(m, 100, 0), 500);
    m.AdvanceTo(3050);
    EXPECT_EQ(Value(m, 200, 0), 0);
    EXPECT_EQ(Value(m, 100, 0), 0);
    EXPECT_LT(Value(m, 117, 0), 2600) << "no alternator";

    ASSERT_EQ(Write(m, kEngineStopObject, 0, "00 00"), 0);  // request withdrawn at 3.05 s
    m.AdvanceTo(5900);
    EXPECT_EQ(Value(m, 200, 0), 0);
    m.AdvanceTo(8000);
    EXPECT_EQ(Value(m, 200, 0), 1) << "started again by the driver";
    m.AdvanceTo(10000);
    EXPECT_NEAR(static_cast<double>(Value(m, 100, 0)), 670, 40);
}

TEST(UnitModel, ClearingEmptiesTheFaultBlock) {
    UnitModel m(Still());
    EXPECT_EQ(m.FaultState(16, 2), 1) << "P1902 is present";
    EXPECT_EQ(Value(m, kSelfTestObject, 0), 1);
    std::set<int> numbers;
    for (const auto& fault : m.PresentFaults()) numbers.insert(fault.number);
    EXPECT_EQ(numbers, (std::set<int>{107, 1902, 1660}));
    EXPECT_EQ(Value(m, 800, 8) & 0x2, 0x2) << "the diagnostic lamp is lit";

    m.ClearFaults();
    std::vector<std::uint8_t> block;
    ASSERT_EQ(m.Read(kFaultBlockObject, 0, kFaultBlockBytes, block), 0);
    EXPECT_EQ(block, std::vector<std::uint8_t>(kFaultBlockBytes, 0));
    EXPECT_TRUE(m.PresentFaults().empty());
    m.AdvanceTo(100);
    EXPECT_EQ(Value(m, 800, 8) & 0x2, 0);

    m.SetFault(16, 3, 4);  // P1904, recurring: byte 33 = 0x40
    ASSERT_EQ(m.Read(kFaultBlockObject, 0, kFaultBlockBytes, block), 0);
    EXPECT_EQ(block[33], 0x40);
}

TEST(UnitModel, FirmwareVersionSitsInTheIdentificationAndSetsTheTachographUnit) {
    UnitModel m(Still());
    // The program's buffer holds 80 and then the text; its characters 21 to
    // 23 (counted from 1) are the text's bytes 19 to 21 (from 0).
    EXPECT_EQ(m.Identification().substr(kFirmwareDigitsAt, 3), "276");
    EXPECT_EQ(Value(m, 103, 14, 2, false), 8000);

    m.SetFirmwareVersion(275);
    EXPECT_EQ(m.Identification().substr(kFirmwareDigitsAt, 3), "275");
    EXPECT_EQ(Value(m, 103, 14, 2, false), 1000) << "in units of 8 pulses per km";
    EXPECT_EQ(Write(m, 103, 14, "36 0C"), kRequestOutOfRange);  // 3126 x 8 is over 25000
    EXPECT_EQ(Write(m, 103, 14, "35 0C"), 0);

    m.SetFirmwareVersion(276);
    EXPECT_EQ(Value(m, 103, 14, 2, false), 25000);

    ModelOptions old = Still();
    old.firmwareVersion = 42;
    UnitModel older(old);
    EXPECT_EQ(older.Identification().substr(kFirmwareDigitsAt, 4), "042 ");
    EXPECT_EQ(Value(older, 103, 14, 2, false), 1000);
}

TEST(UnitModel, TheEngineIdlesWarmsUpAndCounts) {
    UnitModel m(Still());
    m.AdvanceTo(3000);
    EXPECT_NEAR(static_cast<double>(Value(m, 100, 0)), 670, 30)
        << "idle, a little raised while cold";
    EXPECT_NEAR(static_cast<double>(Value(m, 102, 0)), static_cast<double>(Value(m, 100, 0)), 15);
    EXPECT_NEAR(static_cast<double>(Value(m, 117, 0)), 2750, 20);
    EXPECT_EQ(Value(m, 103, 12), 0);
    EXPECT_EQ(Value(m, 800, 6) & 0x8801, 0x8801) << "ignition on, hand brake, neutral";
    const std::int64_t coolant = Value(m, 115, 0);
    const std::int64_t minutes = Value(m, 803, 0, 4, false);
    const std::int64_t revolutions = Value(m, 803, 4, 4, false);

    m.AdvanceTo(3000 + 5 * 60 * 1000);
    EXPECT_GT(Value(m, 115, 0), coolant + 1000) << "more than 10 degrees warmer";
    EXPECT_NEAR(static_cast<double>(Value(m, 803, 0, 4, false) - minutes), 5, 1);
    EXPECT_NEAR(static_cast<double>(Value(m, 803, 4, 4, false) - revolutions), 3, 1);
    EXPECT_NEAR(static_cast<double>(Value(m, 100, 0)), 650, 15) << "warm idle";
    EXPECT_EQ(Value(m, 1009, 16), 650);
}

TEST(UnitModel, ThePedalDrivesRackSpeedAndBoost) {
    UnitModel m(Still());
    m.AdvanceTo(1000);
    const std::int64_t released1 = Value(m, 104, 14);
    const std::int64_t released2 = Value(m, 105, 14);
    EXPECT_NEAR(static_cast<double>(released1), Driver::kSensor1Released, 1);
    EXPECT_NEAR(static_cast<double>(released2), Driver::kSensor2Released, 1);
    const std::int64_t idleRack = Value(m, 202, 0);

    m.PedalDriver().Press(100);
    m.AdvanceTo(1600);
    EXPECT_NEAR(static_cast<double>(Value(m, 104, 14)), Driver::kSensor1Pressed, 1);
    EXPECT_NEAR(static_cast<double>(Value(m, 105, 14)), Driver::kSensor2Pressed, 1);
    EXPECT_EQ(Value(m, 204, 0), 10000) << "100 % through the calibration";
    EXPECT_GT(Value(m, 202, 0), idleRack + 3000);

    m.AdvanceTo(16000);
    EXPECT_GT(Value(m, 100, 0), 1500);
    EXPECT_GT(Value(m, 103, 12), 5000) << "over 50 km/h";
    EXPECT_LE(Value(m, 103, 12), 9000) << "the limiter holds 90 km/h";
    EXPECT_GT(Value(m, 111, 0), 800) << "boost follows the load";

    m.PedalDriver().Press(0);
    m.AdvanceTo(16500);
    EXPECT_NEAR(static_cast<double>(Value(m, 104, 14)), released1, 2);
    EXPECT_EQ(Value(m, 204, 0), 0);
}

TEST(UnitModel, APokedLiveValueStaysUntilReleased) {
    UnitModel m(Still());
    ASSERT_TRUE(m.Poke(100, 0, 2, 0xFFFF));
    m.AdvanceTo(1000);
    EXPECT_EQ(Value(m, 100, 0), -1);
    m.Release(100, 0);
    m.AdvanceTo(1100);
    EXPECT_GT(Value(m, 100, 0), 500);
    EXPECT_FALSE(m.Poke(100, 1, 2, 0)) << "past the end of the object";
}

TEST(UnitModel, TheAutomaticDriverChangesSwitchesAndOutputsNowAndThen) {
    UnitModel m(ModelOptions{});
    std::set<std::int64_t> switches, outputs, speeds;
    for (int t = 0; t <= 120; ++t) {
        m.AdvanceTo(t * 1000);
        switches.insert(Value(m, 800, 6));
        outputs.insert(Value(m, 800, 8));
        speeds.insert(Value(m, 103, 12) / 1000);
    }
    EXPECT_GE(switches.size(), 3u);
    EXPECT_GE(outputs.size(), 3u);
    EXPECT_GE(speeds.size(), 3u) << "the truck drives at several speeds";
}

}  // namespace
}  // namespace varnok::unit
