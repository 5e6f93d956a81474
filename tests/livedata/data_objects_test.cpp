#include "livedata/data_objects.h"

#include <gtest/gtest.h>

#include <set>

#include "link/value_lock.h"

namespace varnok {
namespace {

using namespace objects;

TEST(DataObjects, EveryPairIsFoundAndNothingElse) {
    std::set<std::pair<int, int>> pairs;
    for (const DataObject& row : DataObjectTable()) {
        EXPECT_TRUE(pairs.emplace(row.object, row.offset).second)
            << row.object << ":" << row.offset;
        EXPECT_EQ(FindDataObject(row.object, row.offset), &row);
        EXPECT_GT(row.length, 0);
        EXPECT_LE(row.length, 58);
    }
    EXPECT_EQ(FindDataObject(203, 2), nullptr);
    EXPECT_EQ(FindDataObject(803, 8), nullptr);
    EXPECT_EQ(FindDataObject(0, 0), nullptr);
    EXPECT_EQ(FindDataObject(65535, 65535), nullptr);
}

TEST(DataObjects, LengthsFollowTheTypes) {
    for (const DataObject& row : DataObjectTable()) {
        switch (row.type) {
            case ValueType::Unsigned32:
                EXPECT_EQ(row.length, 4) << row.object;
                break;
            case ValueType::ThreeUnsigned16:
                EXPECT_EQ(row.length, 6) << row.object;
                break;
            case ValueType::FaultBlock:
                EXPECT_EQ(row.length, 58) << row.object;
                break;
            default:
                EXPECT_EQ(row.length, 2) << row.object;
                break;
        }
    }
}

TEST(DataObjects, ValuesAreLittleEndianWithTheirSigns) {
    std::uint8_t* rack = ValueBuffer(kRackPosition);
    rack[0] = 0x00;
    rack[1] = 0x80;
    EXPECT_EQ(Scaled(LoadSigned16(kRackPosition), kRackPosition.scale), -327.68);

    std::uint8_t* n1 = ValueBuffer(kEngineSpeedN1);
    n1[0] = n1[1] = 0xFF;
    EXPECT_EQ(LoadSigned16(kEngineSpeedN1), -1);

    StoreUnsigned16(kSpeedLimit, 0xFFFF);
    EXPECT_EQ(Scaled(LoadUnsigned16(kSpeedLimit), kSpeedLimit.scale), 655.35);

    std::uint8_t* hours = ValueBuffer(kEngineHours);
    const std::uint8_t all[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    CopyValue(hours, all, 4);
    EXPECT_EQ(LoadUnsigned32(kEngineHours), 4294967295u);
}

TEST(DataObjects, BothPedalReadingsShareOneBuffer) {
    EXPECT_EQ(ValueBuffer(kPedal1Reading), ValueBuffer(kPedal2Reading));
    EXPECT_NE(ValueBuffer(kPedal1Enabled), ValueBuffer(kPedal2Enabled));
    StoreUnsigned16(kPedal2Reading, 901);
    EXPECT_EQ(LoadUnsigned16(kPedal1Reading), 901);
}

TEST(DataObjects, BuffersAreSeparateAndHoldTheFaultBlock) {
    std::set<const std::uint8_t*> seen;
    for (const DataObject& row : DataObjectTable()) {
        if (&row == FindDataObject(kPedal2Reading.object, kPedal2Reading.offset)) continue;
        EXPECT_TRUE(seen.insert(ValueBuffer(row)).second) << row.object << ":" << row.offset;
    }
    std::uint8_t* block = ValueBuffer(kFaultBlock);
    block[57] = 0x5A;  // the whole 58 bytes are the block's own
    EXPECT_EQ(ValueBuffer(kFaultBlock)[57], 0x5A);
}

}  // namespace
}  // namespace varnok
