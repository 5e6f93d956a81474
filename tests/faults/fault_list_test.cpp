#include "faults/fault_list.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QPushButton>
#include <QTreeWidget>
#include <optional>
#include <string>
#include <vector>

#include "faults/errors_panel.h"

namespace varnok {
namespace {

struct Row {
    std::string number;
    std::string name;
    std::string description;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << "{" << row.number << " | " << row.name << " | " << row.description << "}";
}

std::vector<Row> Rows(const QTreeWidget& list) {
    std::vector<Row> rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list.topLevelItem(i);
        rows.push_back({item->text(0).toStdString(), item->text(1).toStdString(),
                        item->text(2).toStdString()});
    }
    return rows;
}

std::string CatalogueText(std::size_t row) {
    return std::string(FaultCatalogue()[row - 1].text);
}

const std::string kP1902 = "P1902 Ошибка начального тестирования системы - Останов двигателя";

class FaultList : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "fault_list_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }

    void SetUp() override { SetUpFaultList(list); }

    // A self-test reader that records its calls and what the list held then.
    SelfTestReader Reader(std::optional<std::uint16_t> code) {
        return [this, code]() {
            ++reads;
            const int count = list.topLevelItemCount();
            rowsAtRead = count;
            nameAtRead = count > 0 ? list.topLevelItem(count - 1)->text(1).toStdString() : "?";
            return code;
        };
    }

    QTreeWidget list;
    int reads = 0;
    int rowsAtRead = -1;
    std::string nameAtRead;
};

TEST_F(FaultList, ColumnsOfTheView) {
    ASSERT_EQ(list.columnCount(), 3);
    const QTreeWidgetItem* header = list.headerItem();
    EXPECT_EQ(header->text(0), QStringLiteral("№"));
    EXPECT_EQ(header->text(1), QStringLiteral("Название"));
    EXPECT_EQ(header->text(2), QStringLiteral("Описание"));
    EXPECT_EQ(list.columnWidth(0), 40);
    EXPECT_EQ(list.columnWidth(1), 550);
    EXPECT_EQ(list.columnWidth(2), 250);
    EXPECT_FALSE(list.rootIsDecorated());
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(list.font().pixelSize(), 13);
}

TEST_F(FaultList, NoFaultGivesAnEmptyListAndNoSelfTestRead) {
    new QTreeWidgetItem(&list, QStringList{"1", "old", "row"});
    EXPECT_EQ(FillFaultList(list, FaultStatusBlock{}, Reader(0)), 0);
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_EQ(reads, 0);
}

TEST_F(FaultList, RowsAreNumberedWithoutGapsInCatalogueOrder) {
    FaultStatusBlock block{};
    block[42] = 0x70;  // row 60, P1661: all three flags
    block[4] = 0x02;   // row 3, P0500: current
    EXPECT_EQ(FillFaultList(list, block, Reader(0)), 2);
    EXPECT_EQ(Rows(list), (std::vector<Row>{
                              {"1", CatalogueText(3), "Текущая "},
                              {"2", CatalogueText(60), "Ошибка Текущая Повторяющаяся "},
                          }));
    EXPECT_EQ(reads, 0);
}

TEST_F(FaultList, OnlyP1904) {
    FaultStatusBlock block{};
    block[33] = 0x40;
    FillFaultList(list, block, Reader(0));
    EXPECT_EQ(Rows(list), (std::vector<Row>{{"1", CatalogueText(46), "Повторяющаяся "}}));
}

TEST_F(FaultList, StateEightShowsARowWithEmptyDescription) {
    FaultStatusBlock block{};
    block[0] = 0x08;
    FillFaultList(list, block, Reader(0));
    EXPECT_EQ(Rows(list), (std::vector<Row>{{"1", CatalogueText(1), ""}}));
}

TEST_F(FaultList, SelfTestIsReadWhileItsRowIsFilled) {
    FaultStatusBlock block{};
    block[32] = 0x31;  // P0219 error, P0603 current and repeating
    block[33] = 0x01;  // P1902 error
    EXPECT_EQ(FillFaultList(list, block, Reader(21)), 3);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(rowsAtRead, 3);   // the row is added before the read ...
    EXPECT_EQ(nameAtRead, "");  // ... and its text written after it
    const std::vector<Row> rows = Rows(list);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], (Row{"3", kP1902 + " (21 - Ошибка позиционирования 5%)", "Ошибка "}));
    EXPECT_TRUE(rows[2].name.ends_with("5%)"));
}

TEST_F(FaultList, SelfTestCodesWithoutSuffixAndFailedRead) {
    FaultStatusBlock block{};
    block[33] = 0x03;  // P1902 error and current
    for (const std::optional<std::uint16_t> code :
         {std::optional<std::uint16_t>{5}, std::optional<std::uint16_t>{65535},
          std::optional<std::uint16_t>{}}) {
        SCOPED_TRACE(code ? std::to_string(*code) : "read failed");
        FillFaultList(list, block, Reader(code));
        EXPECT_EQ(Rows(list), (std::vector<Row>{{"1", kP1902, "Ошибка Текущая "}}));
    }
    FillFaultList(list, block, Reader(0));
    EXPECT_EQ(Rows(list),
              (std::vector<Row>{{"1", kP1902 + " (0 - Нет ошибок)", "Ошибка Текущая "}}));
}

TEST_F(FaultList, FullBlockListsTheWholeCatalogueOnce) {
    FaultStatusBlock block;
    block.fill(0xFF);
    EXPECT_EQ(FillFaultList(list, block, Reader(1)), 82);
    EXPECT_EQ(reads, 1);
    const std::vector<Row> rows = Rows(list);
    ASSERT_EQ(rows.size(), 82u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].number, std::to_string(i + 1));
        if (FaultCatalogue()[i].number == 1902) {
            EXPECT_EQ(rows[i].name, kP1902 + " (1 - Не откалиброван датчик рейки)");
        } else {
            EXPECT_EQ(rows[i].name, CatalogueText(i + 1));
        }
        EXPECT_EQ(rows[i].description, "Ошибка Текущая Повторяющаяся ");
    }
    // A second fill replaces the rows rather than adding to them.
    FaultStatusBlock one{};
    one[0] = 0x01;
    EXPECT_EQ(FillFaultList(list, one, Reader(1)), 1);
    EXPECT_EQ(Rows(list), (std::vector<Row>{{"1", CatalogueText(1), "Ошибка "}}));
}

TEST_F(FaultList, PanelCarriesTheViewsControls) {
    QWidget window;
    const ErrorsPanel panel = CreateErrorsPanel(&window);
    EXPECT_EQ(window.findChild<QFrame*>("Panel5"), panel.Panel5);
    EXPECT_EQ(panel.Panel5->findChild<QFrame*>("Panel3"), panel.Panel3);
    EXPECT_EQ(panel.Panel3->findChild<QPushButton*>("Button2"), panel.Button2);
    EXPECT_EQ(panel.Panel3->findChild<QPushButton*>("Button3"), panel.Button3);
    EXPECT_EQ(panel.Panel5->findChild<QTreeWidget*>("ListView1"), panel.ListView1);
    EXPECT_EQ(panel.Button2->text(), QStringLiteral("Обновить"));
    EXPECT_EQ(panel.Button3->text(), QStringLiteral("Сброс ошибок"));
    EXPECT_EQ(panel.Button2->geometry(), QRect(0, 3, 100, 32));
    EXPECT_EQ(panel.Button3->geometry(), QRect(106, 3, 100, 32));
    EXPECT_FALSE(panel.Button2->isEnabled());
    EXPECT_FALSE(panel.Button3->isEnabled());
    EXPECT_EQ(panel.ListView1->columnCount(), 3);
    EXPECT_TRUE(panel.Panel5->isHidden());
}

}  // namespace
}  // namespace varnok
