// Geometry of the main window as plain numbers, so that it can be checked
// without a window. All values are pixels in the coordinates the callers give.
#pragma once

namespace varnok {

struct GraphArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const GraphArea&, const GraphArea&) = default;
};

// The free area right of Splitter1 where the trend graph is drawn: it starts
// one pixel right of the splitter's right edge, yet is as wide as the whole
// free area (client width less Panel1 and the splitter), so it reaches one
// pixel past the client area's right edge. Top and height are Panel1's.
GraphArea ComputeGraphArea(int splitterLeft, int splitterWidth, int clientWidth, int panelWidth,
                           int panelTop, int panelHeight);

struct Position {
    int left = 0;
    int top = 0;
    friend bool operator==(const Position&, const Position&) = default;
};

// Where a group of the given size sits centred in a panel: each half is an
// integer division that truncates toward zero, and the result is negative
// when the panel is smaller than the group.
Position CenteredPosition(int panelWidth, int panelHeight, int groupWidth, int groupHeight);

// The new size of the control a splitter resizes, after the mouse has moved
// `delta` pixels away from where the drag began (positive grows it): kept
// between `minSize` and `maxSize`, and at `minSize` when even that does not fit.
int SplitterDragSize(int startSize, int delta, int minSize, int maxSize);

}  // namespace varnok
