// Where the answer to a read goes: the dispatch table of the read
// notifications, by object number and then by offset.
#pragma once

#include <cstdint>

#include "livedata/data_objects.h"

namespace varnok {

enum class DispatchTarget {
    Nothing,    // a known object the display does not use (the engine running word)
    SensorRow,  // ListView5 row `row`; graph channel `graphChannel` if not -1
    EngineRow,  // ListView2 row `row`
    Switches,   // all rows of ListView3
    Outputs,    // all rows of ListView4
    GraphOnly,  // graph channel `graphChannel`, no list row
    Settings,   // a control of the Settings view
    Gauge,      // the pedal calibration dialog's gauge
};

struct DispatchRow {
    const DataObject* source;
    DispatchTarget target;
    int row;           // list row, or -1
    int graphChannel;  // channel of the Information view graph, or -1
};

// The row for a notification; null for an object or offset not in the
// table (such notifications are ignored: the answers to the waiting reads
// of the fault block, the self-test and the store status among them).
// Object 200 is in the table at any offset, with nothing to do.
const DispatchRow* FindDispatchRow(std::uint16_t object, std::uint16_t offset);

// The value a graph channel gets from its source: the raw integer for the
// engine speeds, raw × scale for the others.
double GraphValue(const DataObject& source);

}  // namespace varnok
