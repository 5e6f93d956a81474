#include "graph/plot_layout.h"

#include <algorithm>
#include <cmath>

namespace varnok {

namespace {

// How far outside the plot a point may land, in pixels. Far enough that no
// sensible value is ever moved, near enough that integer conversion and the
// rasterizer's fixed-point coordinates cannot overflow.
constexpr double kFarOutside = 30000.0;

int TruncOffset(double offset) {
    if (std::isnan(offset)) offset = kFarOutside;
    return static_cast<int>(std::clamp(offset, -kFarOutside, kFarOutside));
}

bool OnAxis(const LayoutChannel& channel) {
    return channel.enabled && channel.onAxis;
}

// Whether channel i is the first enabled, on-axis channel of its group.
bool FirstOfGroup(const std::vector<LayoutChannel>& channels, std::size_t i) {
    for (std::size_t j = 0; j < i; ++j) {
        if (OnAxis(channels[j]) && channels[j].axisGroup == channels[i].axisGroup) return false;
    }
    return true;
}

}  // namespace

int TickLabelStep(int divisions, double room) {
    if (divisions <= 0) return 1;
    constexpr int kLargest = 1 << 30;
    int step = 1;
    if (!(room > 0.0)) {
        // Not even one label fits: a step past the last division leaves only that one.
        while (step <= divisions && step < kLargest) step *= 2;
        return step;
    }
    const double ratio = divisions / std::min(static_cast<double>(divisions), room);
    while (step < ratio && step < kLargest) step *= 2;
    return step;
}

std::vector<int> LabelledDivisions(int divisions, int step) {
    std::vector<int> labelled;
    if (divisions <= 0 || step <= 0) return labelled;
    int counter = step;
    for (int k = 0; k <= divisions; ++k) {
        if (counter >= step && (static_cast<long long>(k) + step <= divisions || k >= divisions)) {
            counter = 0;
            labelled.push_back(k);
        }
        ++counter;
    }
    return labelled;
}

PlotLayout LayOutPlot(const LayoutInput& in) {
    PlotLayout out;
    const std::vector<LayoutChannel>& channels = in.channels;
    out.axisX.assign(channels.size(), 0);
    const bool anyEnabled = std::any_of(channels.begin(), channels.end(),
                                        [](const LayoutChannel& c) { return c.enabled; });
    if (!in.timeEnabled || !anyEnabled) return out;
    out.charted = true;

    const int h = in.textHeight;
    PlotRect& plot = out.plot;
    plot.left = in.margin;
    plot.top = in.margin;
    plot.right = in.width - in.margin;
    plot.bottom = in.height - in.margin - (in.timeOnAxis ? h + 4 : 0);

    // One axis per group, left to right in the order of the groups' first
    // channels. Each axis stands right of its stacked labels and of its
    // widest tick label, and its foot is joined to the previous axis' foot.
    int axes = 0;
    int lowest = plot.top;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (!OnAxis(channels[i]) || !FirstOfGroup(channels, i)) continue;
        if (axes > 0) plot.left += 4;
        int axis = channels[i].maxTextWidth;
        int labelTop = plot.top;
        for (std::size_t j = i; j < channels.size(); ++j) {
            if (!OnAxis(channels[j]) || channels[j].axisGroup != channels[i].axisGroup) continue;
            out.labels.push_back({static_cast<int>(j), plot.left, labelTop});
            axis = std::max(axis, channels[j].labelWidth);
            labelTop += h;
        }
        axis += plot.left + 4;
        lowest = std::max(lowest, labelTop);
        out.axisX[i] = axis;
        out.axisLines.push_back({axis, plot.top, axis, plot.bottom});
        if (axes > 0) out.axisLines.push_back({axis, plot.bottom, plot.left - 4, plot.bottom});
        plot.left = axis;
        ++axes;
    }

    if (axes == 0) {
        if (in.timeOnAxis) plot.left += in.timeMinTextWidth;
        out.axisLines.push_back({plot.left, plot.top, plot.left, plot.bottom});
    } else {
        // The plot starts below the tallest stack of labels, leaving room for
        // the tick labels of the axes' top divisions.
        plot.top = lowest + h + 4;
    }
    // The time axis keeps its full length, under its label too.
    out.axisLines.push_back({plot.left, plot.bottom, plot.right, plot.bottom});
    if (in.timeOnAxis) {
        out.timeLabelX = plot.right - in.timeLabelWidth;
        out.timeLabelY = plot.bottom + 4;
        plot.right -= in.timeLabelWidth + 4;
    }
    out.valid = plot.right > plot.left && plot.bottom > plot.top;
    return out;
}

int GridLineX(const PlotRect& plot, int divisions, int k) {
    return plot.left +
           static_cast<int>(static_cast<double>(plot.right - plot.left) / divisions * k - 1);
}

int GridLineY(const PlotRect& plot, int divisions, int k) {
    return plot.top + static_cast<int>(static_cast<double>(plot.bottom - plot.top) / divisions * k);
}

int TickLabelX(const PlotRect& plot, int divisions, int k) {
    return plot.left +
           static_cast<int>(static_cast<double>(plot.right - plot.left) / divisions * k);
}

int TickLabelTop(const PlotRect& plot, int divisions, int k, int textHeight) {
    return plot.bottom -
           static_cast<int>(static_cast<double>(plot.bottom - plot.top) / divisions * k) -
           textHeight - 4;
}

int PointX(const PlotRect& plot, double x, double minValue, double maxValue) {
    return plot.left +
           TruncOffset((plot.right - plot.left) * (x - minValue) / (maxValue - minValue));
}

int PointY(const PlotRect& plot, double y, double minValue, double maxValue) {
    return plot.bottom -
           TruncOffset((plot.bottom - plot.top) * (y - minValue) / (maxValue - minValue));
}

}  // namespace varnok
