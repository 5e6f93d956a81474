#include "livedata/dispatch_table.h"

#include <gtest/gtest.h>

#include <map>

#include "livedata/session_text.h"

namespace varnok {
namespace {

using namespace objects;

TEST(DispatchTable, UnknownPairsAreIgnored) {
    const std::pair<int, int> ignored[] = {{203, 2},   {803, 8}, {600, 0}, {602, 0},
                                           {10004, 0}, {100, 2}, {0, 0},   {65535, 0}};
    for (const auto& [object, offset] : ignored) {
        EXPECT_EQ(
            FindDispatchRow(static_cast<std::uint16_t>(object), static_cast<std::uint16_t>(offset)),
            nullptr)
            << object << ":" << offset;
    }
    for (std::uint16_t offset : {0, 2, 77}) {
        const DispatchRow* row = FindDispatchRow(200, offset);
        ASSERT_NE(row, nullptr) << offset;
        EXPECT_EQ(row->target, DispatchTarget::Nothing);
    }
}

TEST(DispatchTable, ListRowsAndGraphChannelsAreEachServedOnce) {
    std::map<int, const DataObject*> sensorRows, channels;
    const DataObject* sensors[] = {&kEngineSpeedN1,    &kEngineSpeedN2,   &kVehicleSpeed,
                                   &kRackPosition,     &kPedalPosition,   &kBoostPressure,
                                   &kBoostTemperature, &kFuelTemperature, &kCoolantTemperature,
                                   &kSupplyVoltage};
    for (int row = 0; row < 10; ++row) {
        const DispatchRow* found = FindDispatchRow(sensors[row]->object, sensors[row]->offset);
        ASSERT_NE(found, nullptr) << row;
        EXPECT_EQ(found->target, DispatchTarget::SensorRow);
        EXPECT_EQ(found->row, row);
    }
    const DataObject* graph[] = {&kEngineSpeedN1, &kEngineSpeedN2, &kRackPosition, &kRackSetpoint,
                                 &kPedalPosition, &kVehicleSpeed,  &kBoostPressure};
    for (int channel = 0; channel < 7; ++channel) {
        const DispatchRow* found = FindDispatchRow(graph[channel]->object, graph[channel]->offset);
        ASSERT_NE(found, nullptr) << channel;
        EXPECT_EQ(found->graphChannel, channel);
    }
    EXPECT_EQ(FindDispatchRow(203, 0)->target, DispatchTarget::GraphOnly);
    EXPECT_EQ(FindDispatchRow(803, 4)->row, 1);
    EXPECT_EQ(FindDispatchRow(800, 6)->target, DispatchTarget::Switches);
    EXPECT_EQ(FindDispatchRow(800, 8)->target, DispatchTarget::Outputs);
    EXPECT_EQ(FindDispatchRow(104, 14)->target, DispatchTarget::Gauge);
    EXPECT_EQ(FindDispatchRow(105, 14)->target, DispatchTarget::Gauge);
    for (auto [object, offset] : {std::pair{103, 14},
                                  {104, 10},
                                  {105, 10},
                                  {400, 8},
                                  {501, 8},
                                  {810, 0},
                                  {811, 0},
                                  {812, 0},
                                  {1004, 8},
                                  {1009, 2},
                                  {1009, 6},
                                  {1009, 8},
                                  {1009, 16},
                                  {1101, 0},
                                  {1101, 2},
                                  {61442, 0}}) {
        const DispatchRow* found =
            FindDispatchRow(static_cast<std::uint16_t>(object), static_cast<std::uint16_t>(offset));
        ASSERT_NE(found, nullptr) << object << ":" << offset;
        EXPECT_EQ(found->target, DispatchTarget::Settings) << object << ":" << offset;
    }
}

TEST(DispatchTable, GraphValuesAreRawForSpeedsAndScaledOtherwise) {
    StoreUnsigned16(kEngineSpeedN1, 850);
    StoreUnsigned16(kBoostPressure, 1500);
    StoreUnsigned16(kRackPosition, static_cast<std::uint16_t>(-250));
    EXPECT_EQ(GraphValue(kEngineSpeedN1), 850.0);
    EXPECT_EQ(GraphValue(kBoostPressure), 1.5);
    EXPECT_EQ(GraphValue(kRackPosition), -2.5);
}

TEST(UnitText, Windows1251BothWays) {
    EXPECT_EQ(Cp1251ToUtf8("\xC1\xEB\xEE\xEA \xDD\xD1\xD3 276"), "Блок ЭСУ 276");
    EXPECT_EQ(Cp1251ToUtf8("\x80\xA8\xB8\xB9"), "ЂЁё№");
    EXPECT_EQ(Cp1251ToUtf8(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(
        Utf8ToCp1251("Неизвестное устройство!"),
        "\xCD\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xEE\xE5 \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\xEE!");
    EXPECT_EQ(Utf8ToCp1251("日"), "?");
    EXPECT_EQ(FirmwareVersion(Utf8ToCp1251(kUnknownDevice)), 0)
        << "its characters 21 to 23 are \"во!\"";
    EXPECT_EQ(Utf8ToCp1251(kUnknownDevice).substr(20), "\xE2\xEE!");
}

}  // namespace
}  // namespace varnok
