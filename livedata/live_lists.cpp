#include "livedata/live_lists.h"

#include "livedata/value_text.h"

namespace varnok {

QString ValueText(const DataObject& object) {
    return ValueText(object, object.type == ValueType::Unsigned32 ? LoadUnsigned32(object)
                                                                  : LoadUnsigned16(object));
}

QString ValueText(const DataObject& object, std::uint32_t raw) {
    long long value = 0;
    switch (object.type) {
        case ValueType::Unsigned32:
            value = raw;
            break;
        case ValueType::Unsigned16:
        case ValueType::Flag:
        case ValueType::BitField:
            value = static_cast<std::uint16_t>(raw);
            break;
        default:
            value = static_cast<std::int16_t>(raw);
            break;
    }
    if (object.scale == 1) {
        return QString::fromStdString(IntegerText(value));
    }
    return QString::fromStdString(RealText(Scaled(value, object.scale)));
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
