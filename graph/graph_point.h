// One point of a graph series.
#pragma once

namespace varnok {

struct GraphPoint {
    double x = 0.0;  // in the units of the horizontal axis (seconds on the Information view graph)
    double y = 0.0;  // in the units of the channel's axis
};

}  // namespace varnok
