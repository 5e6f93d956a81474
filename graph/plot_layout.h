// Geometry of a CGraph picture, as pure functions of plain numbers: where the
// plot rectangle, the vertical axes and the labels go, where grid lines and
// tick labels stand, and where a point lands. Text enters only as measured
// widths and the text height, so every rule can be checked without a font.
//
// Every conversion of a real number to a pixel coordinate truncates toward
// zero.
#pragma once

#include <vector>

namespace varnok {

// The smallest power of two (1, 2, 4, ...) not below divisions / n, where n
// is the smaller of divisions and room (how many labels fit, as a real
// number). A step above divisions leaves only the last division labelled.
int TickLabelStep(int divisions, double room);

// The divisions 0 to divisions that get a tick label at the given step:
// every step divisions from 0, none closer than step to the last division,
// and the last division always.
std::vector<int> LabelledDivisions(int divisions, int step);

struct PlotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What the layout needs to know of one channel, or of the time axis.
struct LayoutChannel {
    bool enabled = false;
    bool onAxis = false;
    int axisGroup = 0;
    int labelWidth = 0;    // width of the label as drawn
    int maxTextWidth = 0;  // width of the maximum value written with the channel's format
};

struct LayoutInput {
    int width = 0;  // the picture
    int height = 0;
    int margin = 0;
    int textHeight = 0;  // cell height less internal and external leading
    bool timeEnabled = false;
    bool timeOnAxis = false;
    int timeLabelWidth = 0;
    int timeMinTextWidth = 0;  // the time axis' minimum value written with its format
    std::vector<LayoutChannel> channels;
};

struct LayoutLine {
    int x1, y1, x2, y2;
};

struct LabelPlace {
    int channel;  // whose label
    int x;        // left end
    int y;        // top of the text
};

struct PlotLayout {
    bool charted = false;  // the time axis and at least one channel are enabled
    bool valid = false;    // charted, and the plot rectangle is not empty
    PlotRect plot;
    // x of each channel's vertical axis; 0 for a channel that has none
    // (disabled, off axis, or sharing the axis of a lower channel of its group).
    std::vector<int> axisX;
    std::vector<LabelPlace> labels;  // channel labels, stacked per axis group
    std::vector<LayoutLine>
        axisLines;       // vertical axes and the joins of their feet, then the time axis
    int timeLabelX = 0;  // where the time axis' label goes when it is on axis
    int timeLabelY = 0;
};

// Lays out the picture: the channels' labels stacked at the top of their
// group's axis, one vertical axis per group from left to right with the feet
// joined, the time axis along the bottom with its label at the right end, and
// the plot rectangle in what is left.
PlotLayout LayOutPlot(const LayoutInput& in);

// x of vertical grid line k (1 to divisions); the last one lies on the plot's
// right edge.
int GridLineX(const PlotRect& plot, int divisions, int k);
// y of horizontal grid line k (0 to divisions - 1); the first lies on the top edge.
int GridLineY(const PlotRect& plot, int divisions, int k);
// Right end of the horizontal tick label of division k.
int TickLabelX(const PlotRect& plot, int divisions, int k);
// Top of the vertical tick label of division k: just above its grid line.
int TickLabelTop(const PlotRect& plot, int divisions, int k, int textHeight);

// Pixel coordinates of a point. Points outside the range land outside the
// plot rectangle; how far is bounded, so that a wild value still gives a
// usable coordinate whose line leaves the plot in the right direction.
int PointX(const PlotRect& plot, double x, double minValue, double maxValue);
int PointY(const PlotRect& plot, double y, double minValue, double maxValue);

}  // namespace varnok
