// Filling the four live value lists: the value column of a row is replaced
// as its value arrives; captions stay as the window created them.
//
// Main thread only.
#pragma once

#include <QString>
#include <QTreeWidget>
#include <cstdint>
#include <span>

#include "livedata/data_objects.h"
#include "livedata/list_rows.h"

namespace varnok {

// The text a data object's current value is shown as: integers plain,
// scaled values as reals with ".", the engine totals unsigned.
QString ValueText(const DataObject& object);
// The same for a value given as its raw bits (the low 16 of them for the
// 16-bit types), such as one kept from a complete polling cycle.
QString ValueText(const DataObject& object, std::uint32_t raw);

// Replaces the value column of one row (removes its sub-item, adds the new one).
void ShowRowValue(QTreeWidget* list, int row, const QString& text);

// The switch or output list: every row's bit of `bits`, "1" or "0".
void ShowBitRows(QTreeWidget* list, std::span<const BitRow> rows, std::uint16_t bits);

}  // namespace varnok
