#include "faults/fault_list.h"

#include <QAbstractItemView>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace varnok {

namespace {

enum Column { kNumberColumn = 0, kNameColumn = 1, kDescriptionColumn = 2 };

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void SetUpFaultList(QTreeWidget& list) {
    list.setColumnCount(3);
    list.setHeaderLabels(
        {QStringLiteral("№"), QStringLiteral("Название"), QStringLiteral("Описание")});
    list.setColumnWidth(kNumberColumn, 40);
    list.setColumnWidth(kNameColumn, 550);
    list.setColumnWidth(kDescriptionColumn, 250);
    list.setRootIsDecorated(false);
    list.setItemsExpandable(false);
    list.setUniformRowHeights(true);
    list.setAllColumnsShowFocus(true);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont font = list.font();
    font.setPixelSize(13);
    list.setFont(font);
}

int FillFaultList(QTreeWidget& list, std::span<const std::uint8_t, kFaultBlockSize> block,
                  const SelfTestReader& readSelfTest) {
    list.clear();
    int rows = 0;
    for (const FaultEntry& entry : FaultCatalogue()) {
        const std::uint8_t state = FaultState(block, entry);
        if (state == 0) {
            continue;
        }
        auto* item = new QTreeWidgetItem(&list);
        item->setText(kNumberColumn, QString::number(rows + 1));
        std::string name{entry.text};
        if (entry.number == kSelfTestFaultNumber && readSelfTest) {
            // The self-test result is read only now, while its row is filled.
            if (const std::optional<std::uint16_t> code = readSelfTest()) {
                name = FaultRowText(entry, *code);
            }
        }
        item->setText(kNameColumn, FromUtf8(name));
        item->setText(kDescriptionColumn, FromUtf8(FaultStateText(state)));
        ++rows;
    }
    return rows;
}

}  // namespace varnok
