#include "shell/window_geometry.h"

#include <gtest/gtest.h>

#include "shell/browse_url.h"
#include "shell/port_list.h"

namespace varnok {
namespace {

TEST(GraphAreaGeometry, StartsOnePixelRightOfTheSplitterAndSpansTheFreeArea) {
    // Panel1 321 wide at the left, Splitter1 4 wide right of it, client 784 wide.
    EXPECT_EQ(ComputeGraphArea(321, 4, 784, 321, 64, 460), (GraphArea{326, 64, 459, 460}));
    // The splitter moved 50 to the right: the left edge follows it and the
    // width shrinks by the same amount.
    EXPECT_EQ(ComputeGraphArea(371, 4, 784, 371, 64, 460), (GraphArea{376, 64, 409, 460}));
    // Panel1 wider than the client area: no room left.
    EXPECT_EQ(ComputeGraphArea(900, 4, 784, 900, 64, 460), (GraphArea{905, 64, -120, 460}));
}

TEST(CenterSettingsGroupGeometry, HalvesTruncateAndGoNegativeInASmallPanel) {
    struct Case {
        int panelWidth, panelHeight, groupWidth, groupHeight;
        Position expected;
    };
    const Case cases[] = {
        {784, 460, 641, 446, {72, 7}},
        {785, 461, 641, 446, {72, 7}},  // each half truncates: 392 - 320, 230 - 223
        {1200, 900, 641, 446, {280, 227}},
        {600, 400, 641, 446, {-20, -23}},  // panel smaller than the group
        {0, 0, 641, 446, {-320, -223}},
        {1, 1, 3, 3, {-1, -1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CenteredPosition(c.panelWidth, c.panelHeight, c.groupWidth, c.groupHeight),
                  c.expected)
            << c.panelWidth << "x" << c.panelHeight;
    }
}

TEST(SplitterGeometry, DragSizeStaysBetweenTheLimits) {
    EXPECT_EQ(SplitterDragSize(321, 50, 30, 700), 371);
    EXPECT_EQ(SplitterDragSize(321, -400, 30, 700), 30);
    EXPECT_EQ(SplitterDragSize(321, 1000, 30, 700), 700);
    EXPECT_EQ(SplitterDragSize(321, 0, 30, 10), 30) << "no room: the minimum wins";
}

TEST(PortList, SortsAlphabeticallyIgnoringCase) {
    EXPECT_EQ(SortedPortNames({"COM2", "COM10", "COM1"}), (QStringList{"COM1", "COM10", "COM2"}));
    EXPECT_EQ(SortedPortNames({"ttyUSB0", "ttyS1", "TTYS0", "ttyACM0"}),
              (QStringList{"ttyACM0", "TTYS0", "ttyS1", "ttyUSB0"}));
}

TEST(BrowseAddress, BareHostNameGetsHttpInFront) {
    EXPECT_EQ(BrowseUrl("www.kmor.example"), QUrl("http://www.kmor.example"));
    EXPECT_EQ(BrowseUrl("www.kmor.example:8080/help"), QUrl("http://www.kmor.example:8080/help"));
    EXPECT_EQ(BrowseUrl("mailto:info@kmor.example"), QUrl("mailto:info@kmor.example"));
    EXPECT_EQ(BrowseUrl("https://www.kmor.example"), QUrl("https://www.kmor.example"));
}

}  // namespace
}  // namespace varnok
