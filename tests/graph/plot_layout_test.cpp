#include "graph/plot_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace varnok {
namespace {

struct StepCase {
    int divisions;
    double room;
    int step;
    std::vector<int> labelled;
};

TEST(TickLabelStep, PowerOfTwoFromTheRoomForLabels) {
    const StepCase cases[] = {
        {12, 20.0, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {12, 12.0, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {12, 11.9, 2, {0, 2, 4, 6, 8, 10, 12}},
        {12, 5.0, 4, {0, 4, 8, 12}},
        {12, 2.0, 8, {0, 12}},  // 8 would stand closer than a step to 12
        {12, 1.0, 16, {12}},    // a step past the last division: only the last
        {12, 0.5, 32, {12}},
        {10, 3.5, 4, {0, 4, 10}},
        {10, 0.0, 16, {10}},  // no room at all still labels the last division
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.divisions << " divisions, room " << c.room);
        const int step = TickLabelStep(c.divisions, c.room);
        EXPECT_EQ(step, c.step);
        EXPECT_EQ(LabelledDivisions(c.divisions, step), c.labelled);
    }
}

TEST(TickLabelStep, NoDivisionsGiveNoLabels) {
    EXPECT_EQ(TickLabelStep(0, 5.0), 1);
    EXPECT_TRUE(LabelledDivisions(0, 1).empty());
    EXPECT_TRUE(LabelledDivisions(-3, 1).empty());
    EXPECT_EQ(TickLabelStep(12, std::numeric_limits<double>::quiet_NaN()), 16);
}

LayoutChannel Channel(int group, int labelWidth, int maxTextWidth) {
    return {true, true, group, labelWidth, maxTextWidth};
}

// A picture like the Information view's: 400 x 300, margin 20, text 11 high,
// the time axis' label 20 wide, seven channels in five groups.
LayoutInput InformationLikeInput() {
    LayoutInput in;
    in.width = 400;
    in.height = 300;
    in.margin = 20;
    in.textHeight = 11;
    in.timeEnabled = true;
    in.timeOnAxis = true;
    in.timeLabelWidth = 20;
    in.timeMinTextWidth = 6;
    in.channels = {Channel(0, 12, 24), Channel(0, 30, 24), Channel(1, 6, 18), Channel(1, 12, 18),
                   Channel(2, 8, 18),  Channel(4, 14, 18), Channel(3, 13, 15)};
    return in;
}

TEST(LayOutPlot, OneAxisPerGroupWithLabelsStackedAndFeetJoined) {
    const PlotLayout layout = LayOutPlot(InformationLikeInput());
    ASSERT_TRUE(layout.valid);

    // Group 0's axis stands right of its widest text: channel 1's label (30).
    // Each following axis starts 4 pixels right of the previous one.
    EXPECT_EQ(layout.axisX, (std::vector<int>{20 + 30 + 4, 0, 58 + 18 + 4, 0, 84 + 18 + 4,
                                              110 + 18 + 4, 136 + 15 + 4}));
    ASSERT_EQ(layout.labels.size(), 7u);
    const LabelPlace expectedLabels[] = {{0, 20, 20}, {1, 20, 31},  {2, 58, 20}, {3, 58, 31},
                                         {4, 84, 20}, {5, 110, 20}, {6, 136, 20}};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(layout.labels[i].channel, expectedLabels[i].channel);
        EXPECT_EQ(layout.labels[i].x, expectedLabels[i].x);
        EXPECT_EQ(layout.labels[i].y, expectedLabels[i].y);
    }

    // The plot: right of the last axis, below the two-label stacks with room
    // for a tick label, above the time axis' tick labels, and left of the
    // time axis' label.
    EXPECT_EQ(layout.plot.left, 155);
    EXPECT_EQ(layout.plot.top, 20 + 2 * 11 + 11 + 4);
    EXPECT_EQ(layout.plot.bottom, 300 - 20 - 11 - 4);
    EXPECT_EQ(layout.plot.right, 380 - 20 - 4);
    EXPECT_EQ(layout.timeLabelX, 360);
    EXPECT_EQ(layout.timeLabelY, 265 + 4);

    // Axes run from the top margin to the time axis; every axis after the
    // first is joined at its foot to the previous one; the time axis runs to
    // the right margin, under its label.
    ASSERT_EQ(layout.axisLines.size(), 5u + 4u + 1u);
    const LayoutLine& second = layout.axisLines[1];
    EXPECT_EQ((std::vector<int>{second.x1, second.y1, second.x2, second.y2}),
              (std::vector<int>{80, 20, 80, 265}));
    const LayoutLine& join = layout.axisLines[2];
    EXPECT_EQ((std::vector<int>{join.x1, join.y1, join.x2, join.y2}),
              (std::vector<int>{80, 265, 54, 265}));
    const LayoutLine& time = layout.axisLines.back();
    EXPECT_EQ((std::vector<int>{time.x1, time.y1, time.x2, time.y2}),
              (std::vector<int>{155, 265, 380, 265}));
}

TEST(LayOutPlot, GroupTakesItsLowestEnabledOnAxisChannel) {
    LayoutInput in = InformationLikeInput();
    // Groups 5, 7, 5: channels 0 and 2 share the first axis, channel 1 gets the second.
    in.channels = {Channel(5, 10, 24), Channel(7, 10, 18), Channel(5, 10, 15)};
    PlotLayout layout = LayOutPlot(in);
    EXPECT_NE(layout.axisX[0], 0);
    EXPECT_NE(layout.axisX[1], 0);
    EXPECT_EQ(layout.axisX[2], 0);
    ASSERT_EQ(layout.labels.size(), 3u);
    EXPECT_EQ(layout.labels[1].channel, 2);
    EXPECT_EQ(layout.labels[1].y, 20 + 11);

    // A disabled first channel hands the axis to the next one of its group.
    in.channels[0].enabled = false;
    layout = LayOutPlot(in);
    EXPECT_EQ(layout.axisX[0], 0);
    EXPECT_NE(layout.axisX[2], 0);
    EXPECT_EQ(layout.labels.size(), 2u);
}

TEST(LayOutPlot, WithoutAxesTheTimeAxisMinimumMakesRoomOnTheLeft) {
    LayoutInput in = InformationLikeInput();
    for (LayoutChannel& channel : in.channels) channel.onAxis = false;
    const PlotLayout layout = LayOutPlot(in);
    ASSERT_TRUE(layout.valid);
    EXPECT_TRUE(layout.labels.empty());
    EXPECT_EQ(layout.plot.left, 20 + 6);
    EXPECT_EQ(layout.plot.top, 20);
    ASSERT_EQ(layout.axisLines.size(), 2u);
    EXPECT_EQ(layout.axisLines[0].x1, 26);
}

TEST(LayOutPlot, NothingToChartOrNoRoom) {
    struct Case {
        const char* what;
        void (*change)(LayoutInput&);
        bool charted;
    };
    const Case cases[] = {
        {"time axis disabled", [](LayoutInput& in) { in.timeEnabled = false; }, false},
        {"no channel enabled",
         [](LayoutInput& in) {
             for (LayoutChannel& c : in.channels) c.enabled = false;
         },
         false},
        {"width twice the margin", [](LayoutInput& in) { in.width = 40; }, true},
        {"width below the margins", [](LayoutInput& in) { in.width = 10; }, true},
        {"width zero", [](LayoutInput& in) { in.width = 0; }, true},
        {"too low for the labels", [](LayoutInput& in) { in.height = 90; }, true},
        {"no axes, width twice the margin",
         [](LayoutInput& in) {
             in.width = 40;
             for (LayoutChannel& c : in.channels) c.onAxis = false;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutInput in = InformationLikeInput();
        c.change(in);
        const PlotLayout layout = LayOutPlot(in);
        EXPECT_EQ(layout.charted, c.charted);
        EXPECT_FALSE(layout.valid);
    }
}

TEST(GridGeometry, LinesAndTickLabelsReachTheEdges) {
    const PlotRect plot{100, 50, 400, 250};
    EXPECT_EQ(GridLineX(plot, 12, 1), 100 + 24);
    EXPECT_EQ(GridLineX(plot, 12, 12), 399);  // on the plot's right edge
    EXPECT_EQ(GridLineY(plot, 10, 0), 50);    // on the top edge
    EXPECT_EQ(GridLineY(plot, 10, 3), 110);
    EXPECT_EQ(TickLabelX(plot, 12, 0), 100);
    EXPECT_EQ(TickLabelX(plot, 12, 12), 400);
    EXPECT_EQ(TickLabelTop(plot, 10, 0, 11), 250 - 15);
    EXPECT_EQ(TickLabelTop(plot, 10, 10, 11), 50 - 15);
    // (300 / 7) * 3 = 128.57: cut toward zero.
    EXPECT_EQ(GridLineY(PlotRect{0, 0, 300, 300}, 7, 3), 128);
}

TEST(PointGeometry, RangeMapsOntoThePlotAndOutsideStaysOutside) {
    const PlotRect plot{100, 50, 400, 250};
    EXPECT_EQ(PointX(plot, 24.0, 0.0, 24.0), 400);  // the newest point: the right edge
    EXPECT_EQ(PointX(plot, 0.0, 0.0, 24.0), 100);
    EXPECT_EQ(PointX(plot, 23.8, 0.0, 24.0), 100 + 297);  // 297.5 cut toward zero
    EXPECT_LT(PointX(plot, -0.1, 0.0, 24.0), 100);
    EXPECT_EQ(PointY(plot, 0.0, 0.0, 3000.0), 250);
    EXPECT_EQ(PointY(plot, 3000.0, 0.0, 3000.0), 50);
    EXPECT_EQ(PointY(plot, -5.0, 0.0, 3000.0), 250);  // on the bottom edge, outside the clip
    EXPECT_GT(PointY(plot, -50.0, 0.0, 3000.0), 250);
    EXPECT_LT(PointY(plot, 3500.0, 0.0, 3000.0), 50);
}

TEST(PointGeometry, WildValuesStayFiniteAndOutside) {
    const PlotRect plot{100, 50, 400, 250};
    const double wild[] = {1e300, -1e300, std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
    for (double value : wild) {
        SCOPED_TRACE(value);
        const int x = PointX(plot, value, 0.0, 24.0);
        const int y = PointY(plot, value, 0.0, 100.0);
        EXPECT_TRUE(x < 100 || x > 400);
        EXPECT_TRUE(y < 50 || y > 250);
        EXPECT_LT(std::abs(x), 40000);
        EXPECT_LT(std::abs(y), 40000);
    }
    EXPECT_GT(PointY(plot, 1e300, 0.0, 100.0) * -1, 0);  // far above the plot
    EXPECT_LT(PointX(plot, -1e300, 0.0, 24.0), 0);       // far left of it
}

}  // namespace
}  // namespace varnok
