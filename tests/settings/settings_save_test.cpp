#include "settings/settings_save.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <string>
#include <vector>

#include "tests/settings/recorded_boxes.h"
#include "tests/settings/unit_memory.h"

namespace varnok {
namespace {

using test::FakeLine;
using test::UnitMemory;
using Seen = std::vector<std::string>;

const std::string kStopRequest = "A1 16 27 00 00 01 00";
const std::string kNoStopRequest = "A1 16 27 00 00 00 00";
const std::string kReadEngine = "A0 C8 00 00 00 02 00";
const std::string kStore = "A1 14 27 00 00 01 00";
const std::string kReadStore = "A0 14 27 00 00 02 00";

Seen Repeated(const std::string& frame, int times) {
    return Seen(static_cast<std::size_t>(times), frame);
}

Seen operator+(Seen a, const Seen& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The save on a link object whose line is played by a unit that holds what
// it is sent; message boxes are answered by the test.
class SaveSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        memory.Attach(line);
        SetEngineRunning(0);
    }

    // The engine running word as last received by the polling.
    void SetEngineRunning(std::uint16_t value) {
        StoreUnsigned16(objects::kEngineRunning, value);
        memory.words[UnitMemory::KeyOf(objects::kEngineRunning)] = value;
    }
    void EngineReads(std::initializer_list<std::uint16_t> values) {
        memory.script[UnitMemory::KeyOf(objects::kEngineRunning)] = values;
    }
    void StoreReads(std::initializer_list<std::uint16_t> values) {
        memory.script[UnitMemory::KeyOf(objects::kStoreCommand)] = values;
    }

    void Save() { SaveSettings(*line.sock, line.clock, &owner); }

    static void ExpectQuestion(const MessageBoxRequest& box) {
        EXPECT_EQ(box.text, kStopEngineQuestion);
        EXPECT_EQ(box.title, "Предупреждение!");
        EXPECT_EQ(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.icon, QMessageBox::Question);
        EXPECT_TRUE(box.stayOnTop);
    }
    static void ExpectSaved(const MessageBoxRequest& box) {
        EXPECT_EQ(box.text, "Настройки успешно сохранены!");
        EXPECT_EQ(box.title, "Сохранение в блоке");
        EXPECT_EQ(box.buttons, QMessageBox::Ok);
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_TRUE(box.stayOnTop);
    }

    QWidget owner;
    // The unit outlives the line, whose end closes the session.
    UnitMemory memory;
    FakeLine line;
    test::RecordedBoxes boxes;
};

TEST_F(SaveSettingsTest, EngineStoppedStoresWithoutAsking) {
    StoreReads({1, 1, 0});
    const std::uint32_t start = line.clock.now;
    Save();
    EXPECT_EQ(test::SeenHex(line), (Seen{kNoStopRequest, kStore} + Repeated(kReadStore, 3)));
    EXPECT_GE(line.clock.now - start, 300U);  // a pause before each status read
    ASSERT_EQ(boxes.shown.size(), 1U);
    ExpectSaved(boxes.shown[0]);
}

TEST_F(SaveSettingsTest, EngineRunningOkStopsTheEngineThenStores) {
    SetEngineRunning(1);
    EngineReads({1, 1, 0});
    Save();
    EXPECT_EQ(test::SeenHex(line), (Seen{kStopRequest} + Repeated(kReadEngine, 3) +
                                    Seen{kNoStopRequest, kStore} + Seen{kReadStore}));
    ASSERT_EQ(boxes.shown.size(), 2U);
    ExpectQuestion(boxes.shown[0]);
    ExpectSaved(boxes.shown[1]);
}

TEST_F(SaveSettingsTest, EngineThatNeverStopsTimesOutWithoutStoring) {
    SetEngineRunning(1);
    Save();
    EXPECT_EQ(test::SeenHex(line),
              (Seen{kStopRequest} + Repeated(kReadEngine, kStopChecks) + Seen{kNoStopRequest}));
    ASSERT_EQ(boxes.shown.size(), 2U);
    ExpectQuestion(boxes.shown[0]);
    EXPECT_EQ(boxes.shown[1].text, "Таймаут остановки двигателя");
    EXPECT_EQ(boxes.shown[1].title, "");  // the platform's own caption
    EXPECT_EQ(boxes.shown[1].buttons, QMessageBox::Ok);
    EXPECT_EQ(boxes.shown[1].icon, QMessageBox::NoIcon);
    EXPECT_FALSE(boxes.shown[1].stayOnTop);
}

// The stop seen at the 40th fresh read used to be reported as a time-out:
// the engine had stopped, and the settings were not stored.
TEST_F(SaveSettingsTest, EngineStoppingAtTheLastReadIsStored) {
    SetEngineRunning(1);
    std::deque<std::uint16_t> reads(kStopChecks - 1, 1);
    reads.push_back(0);
    memory.script[UnitMemory::KeyOf(objects::kEngineRunning)] = reads;
    Save();
    EXPECT_EQ(test::SeenHex(line), (Seen{kStopRequest} + Repeated(kReadEngine, kStopChecks) +
                                    Seen{kNoStopRequest, kStore, kReadStore}));
    ASSERT_EQ(boxes.shown.size(), 2U);
    ExpectSaved(boxes.shown[1]);
}

TEST_F(SaveSettingsTest, CancelSendsNothing) {
    SetEngineRunning(1);
    boxes.answer = QMessageBox::Cancel;
    Save();
    EXPECT_TRUE(line.seen.empty());
    ASSERT_EQ(boxes.shown.size(), 1U);
    ExpectQuestion(boxes.shown[0]);
}

TEST_F(SaveSettingsTest, AQuestionThatCouldNotBeShownStoresWithoutStopping) {
    SetEngineRunning(1);
    boxes.answer = QMessageBox::NoButton;
    Save();
    EXPECT_EQ(test::SeenHex(line), (Seen{kNoStopRequest, kStore, kReadStore}));
}

TEST_F(SaveSettingsTest, FailedStoresEndWithoutAMessage) {
    StoreReads({1, 2});
    Save();
    EXPECT_EQ(test::SeenHex(line), (Seen{kNoStopRequest, kStore} + Repeated(kReadStore, 2)));
    EXPECT_TRUE(boxes.shown.empty());

    line.seen.clear();
    memory.refuseWrite = [](std::uint16_t object, std::uint16_t, std::uint16_t) {
        return object == objects::kStoreCommand.object;
    };
    Save();
    EXPECT_EQ(test::SeenHex(line), (Seen{kNoStopRequest, kStore}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SaveSettingsTest, NothingWithoutASession) {
    line.sock->CloseSession();
    line.seen.clear();
    SetEngineRunning(1);
    Save();
    EXPECT_TRUE(line.seen.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace varnok
