#include "faults/errors_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "faults/fault_list.h"
#include "livedata/data_objects.h"
#include "tests/link/fake_line.h"

namespace varnok {
namespace {

using test::FakeLine;
using test::Hex;
using test::PositiveAnswer;
using Answers = std::vector<std::vector<std::uint8_t>>;

const std::string kReadBlock = "A0 58 02 00 00 3A 00";
const std::string kReadSelfTest = "A0 5A 02 00 00 02 00";
const std::string kP1902 = "P1902 Ошибка начального тестирования системы - Останов двигателя";

std::vector<std::string> RowTexts(const QTreeWidget& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list.topLevelItem(i);
        rows.push_back(
            (item->text(0) + " | " + item->text(1) + " | " + item->text(2)).toStdString());
    }
    return rows;
}

std::uint16_t ObjectOf(const std::vector<std::uint8_t>& request) {
    return static_cast<std::uint16_t>(request.at(1) | (request.at(2) << 8));
}

// Errors view on a link object whose line is played by a scripted unit.
class ErrorsViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "errors_view_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }

    void SetUp() override {
        SetUpFaultList(list);
        line.unit = [this](const std::vector<std::uint8_t>& request) { return Answer(request); };
        ASSERT_EQ(line.Open(), 1);
        line.seen.clear();
    }

    Answers Answer(const std::vector<std::uint8_t>& request) {
        line.answerDelay = 0;
        if (request.at(0) == kReadDataObject && ObjectOf(request) == 600) {
            if (refuseBlock) return {{0x7F, 0xA0, 0x22}};
            std::vector<std::uint8_t> answer{0xE0, 0x58, 0x02, 0x00, 0x00};
            answer.insert(answer.end(), block.begin(), block.end());
            return {answer};
        }
        if (request.at(0) == kReadDataObject && ObjectOf(request) == 602) {
            if (refuseSelfTest) return {{0x7F, 0xA0, 0x22}};
            line.answerDelay = selfTestDelay;
            return {{0xE0, 0x5A, 0x02, 0x00, 0x00, static_cast<std::uint8_t>(selfTest & 0xFF),
                     static_cast<std::uint8_t>(selfTest >> 8)}};
        }
        if (request.at(0) == kClearDiagnosticInformation && refuseClear) {
            return {{0x7F, 0x14, 0x22}};
        }
        return PositiveAnswer(request);
    }

    std::vector<std::string> Seen() const {
        std::vector<std::string> seen;
        for (const auto& frame : line.seen) seen.push_back(Hex(frame.data));
        return seen;
    }

    void ShowOldRows() {
        new QTreeWidgetItem(&list, QStringList{"1", "old", "row"});
        new QTreeWidgetItem(&list, QStringList{"2", "older", "row"});
    }

    FaultStatusBlock block{};
    std::uint16_t selfTest = 0;
    int selfTestDelay = 0;
    bool refuseBlock = false;
    bool refuseSelfTest = false;
    bool refuseClear = false;
    int disconnects = 0;

    QTreeWidget list;
    FakeLine line;
    ErrorsView view{list, *line.sock, [this] { ++disconnects; }};
};

TEST_F(ErrorsViewTest, RefreshListsThePresentFaults) {
    ShowOldRows();
    block[33] = 0x40;  // P1904 repeating
    EXPECT_TRUE(view.RefreshFaultList());
    EXPECT_EQ(Seen(), std::vector<std::string>{kReadBlock});
    EXPECT_EQ(RowTexts(list),
              std::vector<std::string>{"1 | " + std::string(FaultCatalogue()[45].text) +
                                       " | Повторяющаяся "});
    EXPECT_EQ(ErrorsView::LastFaultBlock(), block);
    EXPECT_EQ(disconnects, 0);
}

TEST_F(ErrorsViewTest, NoFaultGivesAnEmptyList) {
    ShowOldRows();
    view.Button2Click();
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_EQ(disconnects, 0);
}

TEST_F(ErrorsViewTest, Fault1902ReadsTheSelfTestResultOnce) {
    block[33] = 0x01;  // P1902
    block[0] = 0x02;   // P0725
    selfTest = 21;
    EXPECT_TRUE(view.RefreshFaultList());
    EXPECT_EQ(Seen(), (std::vector<std::string>{kReadBlock, kReadSelfTest}));
    EXPECT_EQ(RowTexts(list), (std::vector<std::string>{
                                  "1 | " + std::string(FaultCatalogue()[0].text) + " | Текущая ",
                                  "2 | " + kP1902 + " (21 - Ошибка позиционирования 5%) | Ошибка ",
                              }));
}

TEST_F(ErrorsViewTest, RefusedSelfTestReadShowsTheTextAlone) {
    block[33] = 0x05;
    refuseSelfTest = true;
    EXPECT_TRUE(view.RefreshFaultList());
    EXPECT_EQ(Seen(), (std::vector<std::string>{kReadBlock, kReadSelfTest}));
    EXPECT_EQ(RowTexts(list),
              std::vector<std::string>{"1 | " + kP1902 + " | Ошибка Повторяющаяся "});
    EXPECT_EQ(disconnects, 0);
}

// The unit is slower than the wait: the row shows the text alone and the
// refresh still succeeds; once the late answer has come and gone, the next
// refresh reads the code again.
TEST_F(ErrorsViewTest, SelfTestReadThatGivesUpShowsTheTextAlone) {
    block[33] = 0x01;
    selfTest = 4;
    selfTestDelay = 300;  // ticks, longer than the 1872 ms wait
    EXPECT_TRUE(view.RefreshFaultList());
    EXPECT_EQ(RowTexts(list), std::vector<std::string>{"1 | " + kP1902 + " | Ошибка "});
    EXPECT_EQ(disconnects, 0);

    line.clock.Sleep(5000);
    ASSERT_EQ(line.sock->QueueDepth(), 0);
    selfTestDelay = 0;
    selfTest = 1;
    EXPECT_TRUE(view.RefreshFaultList());
    EXPECT_EQ(RowTexts(list),
              std::vector<std::string>{"1 | " + kP1902 +
                                       " (1 - Не откалиброван датчик рейки) | Ошибка "});
}

TEST_F(ErrorsViewTest, FailedBlockReadKeepsTheRowsAndDisconnects) {
    ShowOldRows();
    const std::vector<std::string> old = RowTexts(list);
    block[0] = 0x01;
    refuseBlock = true;
    EXPECT_FALSE(view.RefreshFaultList());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(RowTexts(list), old);
    EXPECT_EQ(Seen(), std::vector<std::string>{kReadBlock});

    line.sock->CloseSession();
    line.seen.clear();
    view.Button2Click();
    EXPECT_EQ(disconnects, 2);
    EXPECT_EQ(RowTexts(list), old);
    EXPECT_TRUE(line.seen.empty());
}

TEST_F(ErrorsViewTest, ClearEmptiesTheListAndQueuesTheRequestWithoutWaiting) {
    block[4] = 0x01;
    ASSERT_TRUE(view.RefreshFaultList());
    ASSERT_EQ(list.topLevelItemCount(), 1);
    line.seen.clear();
    refuseClear = true;
    view.Button3Click();
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_EQ(line.sock->QueueDepth(), 1);  // queued, not yet sent
    line.Settle();
    EXPECT_EQ(Seen(), std::vector<std::string>{"14 FF"});
    EXPECT_EQ(list.topLevelItemCount(), 0);  // a refusal is not reported
    EXPECT_EQ(disconnects, 0);

    // What the unit still reports shows after the next refresh.
    EXPECT_TRUE(view.RefreshFaultList());
    EXPECT_EQ(RowTexts(list), std::vector<std::string>{
                                  "1 | " + std::string(FaultCatalogue()[2].text) + " | Ошибка "});
}

TEST_F(ErrorsViewTest, ClearWithoutSessionOnlyEmptiesTheList) {
    ShowOldRows();
    line.sock->CloseSession();
    line.seen.clear();
    view.Button3Click();
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_EQ(line.sock->QueueDepth(), 0);
    line.Settle();
    EXPECT_TRUE(line.seen.empty());
}

}  // namespace
}  // namespace varnok
