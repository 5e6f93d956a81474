#include "livedata/live_lists.h"

#include "livedata/value_text.h"

namespace varnok {

QString ValueText(const DataObject& object) {
    switch (object.type) {
        case ValueType::Unsigned32:
            return QString::fromStdString(IntegerText(LoadUnsigned32(object)));
        case ValueType::Unsigned16:
        case ValueType::Flag:
        case ValueType::BitField:
            if (object.scale == 1) {
                return QString::fromStdString(IntegerText(LoadUnsigned16(object)));
            }
            return QString::fromStdString(RealText(Scaled(LoadUnsigned16(object), object.scale)));
        default:
            if (object.scale == 1) {
                return QString::fromStdString(IntegerText(LoadSigned16(object)));
            }
            return QString::fromStdString(RealText(Scaled(LoadSigned16(object), object.scale)));
    }
}

void ShowRowValue(QTreeWidget* list, int row, const QString& text) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (item != nullptr) {
        item->setText(1, text);
    }
}

void ShowBitRows(QTreeWidget* list, std::span<const BitRow> rows, std::uint16_t bits) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ShowRowValue(list, static_cast<int>(i), QString::fromStdString(BitText(bits, rows[i].bit)));
    }
}

}  // namespace varnok
