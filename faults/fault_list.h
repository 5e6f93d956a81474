// The fault list of the Errors view (ListView1): its columns, and filling it
// from a fault status block.
//
// Main thread only, like every widget.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "faults/fault_catalogue.h"

class QTreeWidget;

namespace varnok {

// Gives the unit's self-test result code (data object 602), or nothing when
// it could not be read. FillFaultList calls it only while filling the row of
// a present fault 1902, so the read happens only then.
using SelfTestReader = std::function<std::optional<std::uint16_t>()>;

// Report-style, read-only list with whole-row selection, no root decoration,
// a 13-pixel font and the columns "№" (40), "Название" (550), "Описание" (250).
void SetUpFaultList(QTreeWidget& list);

// Replaces every row of `list` by the faults present in `block`, one row per
// catalogue entry whose state is not 0, in catalogue order and numbered 1, 2,
// 3 ... in column "№". Column "Название" holds FaultRowText (the entry's text
// alone when the self-test code cannot be read), column "Описание" the state
// text. Returns the number of rows.
int FillFaultList(QTreeWidget& list, std::span<const std::uint8_t, kFaultBlockSize> block,
                  const SelfTestReader& readSelfTest);

}  // namespace varnok
