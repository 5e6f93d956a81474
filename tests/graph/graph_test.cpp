#include "graph/graph.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <vector>

#include "graph/plot_layout.h"
#include "tests/graph/test_application.h"

namespace varnok {
namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGreen = qRgb(0, 160, 0);
const QRgb kRed = qRgb(220, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);

int CountColour(const QImage& image, const QRect& region, QRgb colour) {
    int count = 0;
    const QRect r = region.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) count += image.pixel(x, y) == colour;
    }
    return count;
}

// Pixels where the two pictures differ, outside the given rectangle.
int DifferencesOutside(const QImage& a, const QImage& b, const QRect& inside) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!inside.contains(x, y) && a.pixel(x, y) != b.pixel(x, y)) ++count;
        }
    }
    return count;
}

// Rows of the lowest and highest non-white pixel in columns [x0, x1).
std::pair<int, int> InkRows(const QImage& image, int x0, int x1) {
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = x0; x < x1; ++x) {
            if (image.pixel(x, y) != kWhite) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return {top, bottom};
}

// A 400 x 300 graph with a time axis from 0 to 24 in 12 divisions and two
// channels: A (green, 0 to 100) and B (red, 0 to 3000) on separate axes.
// Text is drawn without antialiasing, so text pixels have exactly their colour.
class GraphRender : public testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    void SetUp() override {
        graph = std::make_unique<CGraph>(2, 400, 300, 0, 0, 12, 10);
        graph->font.setStyleStrategy(QFont::NoAntialias);
        graph->margin = 20;
        CGraphParam& time = graph->timeAxis;
        time.enabled = time.onAxis = true;
        time.SetLabel(u"t, s");
        time.SetPrecision(0);
        time.maxValue = 24.0;
        SetChannel(0, u"A", kGreen, 100.0);
        SetChannel(1, u"B", kRed, 3000.0);
        graph->channels[1].axisGroup = 1;
    }

    void SetChannel(int index, std::u16string_view label, QRgb colour, double maxValue) {
        CGraphParam& channel = graph->channels[static_cast<std::size_t>(index)];
        channel.enabled = channel.onAxis = true;
        channel.SetLabel(label);
        channel.SetColour(QColor::fromRgb(colour));
        channel.SetPrecision(0);
        channel.maxValue = maxValue;
        channel.style = kStyleLines | kStyleMarkers;
    }

    void SetPoints(int index, std::vector<GraphPoint>& points) {
        CGraphParam& channel = graph->channels[static_cast<std::size_t>(index)];
        channel.points = points.data();
        channel.count = static_cast<int>(points.size());
    }

    QRect Plot() const {
        return QRect(graph->plotLeft, graph->plotTop, graph->plotRight - graph->plotLeft,
                     graph->plotBottom - graph->plotTop);
    }
    PlotRect PlotRectangle() const {
        return {graph->plotLeft, graph->plotTop, graph->plotRight, graph->plotBottom};
    }
    int Y(int channel, double value) const {
        const CGraphParam& c = graph->channels[static_cast<std::size_t>(channel)];
        return PointY(PlotRectangle(), value, c.minValue, c.maxValue);
    }
    int X(double seconds) const { return PointX(PlotRectangle(), seconds, 0.0, 24.0); }

    // The picture with every channel's points left out.
    QImage BackgroundOnly() {
        std::vector<int> counts;
        for (CGraphParam& c : graph->channels) {
            counts.push_back(c.count);
            c.count = 0;
        }
        QImage picture = graph->Compose(true).copy();
        for (std::size_t i = 0; i < counts.size(); ++i) graph->channels[i].count = counts[i];
        return picture;
    }

    std::unique_ptr<CGraph> graph;
};

TEST_F(GraphRender, NewestMarkerStandsOnThePlotsRightEdgeInItsColour) {
    std::vector<GraphPoint> a = {{24.0, 50.0}, {20.0, 40.0}};
    std::vector<GraphPoint> b = {{24.0, 750.0}};
    SetPoints(0, a);
    SetPoints(1, b);
    const QImage& picture = graph->Compose(true);
    ASSERT_TRUE(graph->backgroundValid);

    const int right = graph->plotRight;
    for (auto [channel, y, colour] : {std::tuple{0, Y(0, 50.0), kGreen}, {1, Y(1, 750.0), kRed}}) {
        SCOPED_TRACE(channel);
        // The marker's left half shows: outline in the channel's colour up
        // to the last pixel inside the plot; nothing of it right of the plot.
        EXPECT_EQ(picture.pixel(right - 3, y - 3), colour);
        EXPECT_EQ(picture.pixel(right - 1, y - 3), colour);
        EXPECT_EQ(picture.pixel(right - 1, y + 2), colour);
        for (int x = right; x < right + 4; ++x) {
            EXPECT_NE(picture.pixel(x, y - 3), colour) << x;
            EXPECT_NE(picture.pixel(x, y + 2), colour) << x;
        }
    }
    // B's single marker keeps its black fill; A's is crossed by the line to its older point.
    EXPECT_EQ(picture.pixel(right - 1, Y(1, 750.0)), kBlack);
    EXPECT_EQ(picture.pixel(right - 1, Y(0, 50.0)), kGreen);
}

TEST_F(GraphRender, CurvesDrawNothingOutsideThePlot) {
    // Points left and right of the time range and above and below both value
    // ranges, joined by lines crossing every edge.
    std::vector<GraphPoint> a, b;
    for (int i = 0; i < 40; ++i) {
        const double x = 30.0 - i;
        a.push_back({x, (i % 2 == 0) ? 150.0 : -50.0});
        b.push_back({x, (i % 3 == 0) ? 3500.0 : (i % 3 == 1 ? -500.0 : 1500.0)});
    }
    SetPoints(0, a);
    SetPoints(1, b);
    const QImage background = BackgroundOnly();
    const QImage picture = graph->Compose(true).copy();
    ASSERT_TRUE(graph->backgroundValid);

    EXPECT_EQ(DifferencesOutside(picture, background, Plot()), 0);
    EXPECT_GT(CountColour(picture, Plot(), kGreen), 100);
    EXPECT_GT(CountColour(picture, Plot(), kRed), 100);
}

TEST_F(GraphRender, PointLeftOfTheTimeAxisIsClippedAndItsLineCutAtTheEdge) {
    std::vector<GraphPoint> a = {{-1.0, 50.0}};
    SetPoints(0, a);
    const QImage background = BackgroundOnly();
    EXPECT_EQ(graph->Compose(true), background);

    a = {{2.0, 50.0}, {-2.0, 50.0}};
    SetPoints(0, a);
    graph->channels[0].style = kStyleLines;
    const QImage& picture = graph->Compose(true);
    const int y = Y(0, 50.0);
    EXPECT_EQ(picture.pixel(graph->plotLeft, y), kGreen);
    EXPECT_EQ(picture.pixel(X(1.0), y), kGreen);
    EXPECT_EQ(picture.pixel(graph->plotLeft - 1, y), background.pixel(graph->plotLeft - 1, y));
    EXPECT_EQ(DifferencesOutside(picture, background, Plot()), 0);
}

TEST_F(GraphRender, PictureWithoutRoomIsPlainBackground) {
    std::vector<GraphPoint> a = {{24.0, 50.0}, {12.0, 0.0}, {0.0, 100.0}};
    SetPoints(0, a);
    const QSize sizes[] = {{40, 300}, {30, 300}, {1, 1}, {400, 60}};
    for (QSize size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        graph->width = size.width();
        graph->height = size.height();
        const QImage& picture = graph->Compose(true);
        EXPECT_FALSE(graph->backgroundValid);
        ASSERT_EQ(picture.size(), size);
        EXPECT_EQ(CountColour(picture, picture.rect(), kWhite), size.width() * size.height());
    }
    // No area at all: nothing to compose, nothing put on a target.
    for (QSize size : {QSize(0, 300), QSize(-10, 300), QSize(400, -1)}) {
        graph->width = size.width();
        graph->height = size.height();
        EXPECT_TRUE(graph->Compose(false).isNull());
        QImage target(50, 50, QImage::Format_RGB32);
        target.fill(kRed);
        QPainter painter(&target);
        graph->Draw(painter, true);
        painter.end();
        EXPECT_EQ(CountColour(target, target.rect(), kRed), 50 * 50);
    }
}

TEST_F(GraphRender, ChannelsOfOneGroupShareTheLowerChannelsAxis) {
    graph->Compose(true);
    const int separateLeft = graph->plotLeft;
    graph->channels[1].axisGroup = 0;
    const QImage& picture = graph->Compose(true);

    // One axis, as wide as A's widest tick label ("100"; B's "3000" would be wider).
    const QFontMetrics metrics(graph->font);
    EXPECT_EQ(graph->plotLeft,
              graph->margin + metrics.horizontalAdvance(QStringLiteral("100")) + 4);
    EXPECT_LT(graph->plotLeft, separateLeft);

    // The labels stand one above the other, each in its own colour...
    const QRect labels(0, 0, graph->plotLeft, graph->plotTop - 15);
    int lowestGreen = -1, highestRed = picture.height();
    for (int y = labels.top(); y <= labels.bottom(); ++y) {
        for (int x = labels.left(); x <= labels.right(); ++x) {
            if (picture.pixel(x, y) == kGreen) lowestGreen = std::max(lowestGreen, y);
            if (picture.pixel(x, y) == kRed) highestRed = std::min(highestRed, y);
        }
    }
    EXPECT_GE(lowestGreen, graph->margin);
    EXPECT_LT(lowestGreen, highestRed);
    // ...and the tick labels are A's, in A's colour.
    const QRect ticks(0, graph->plotTop - 15, graph->plotLeft - 4,
                      graph->plotBottom - graph->plotTop + 15);
    EXPECT_GT(CountColour(picture, ticks, kGreen), 20);
    EXPECT_EQ(CountColour(picture, ticks, kRed), 0);
}

TEST_F(GraphRender, RedrawWithoutRebuildKeepsTheCachedBackground) {
    std::vector<GraphPoint> a = {{24.0, 50.0}};
    SetPoints(0, a);
    const QImage first = graph->Compose(true).copy();
    const int plotLeft = graph->plotLeft;

    // Configuration changes that would change labels, colours and layout.
    graph->channels[0].SetLabel(u"WWWWWWWW");
    graph->channels[1].SetColour(Qt::blue);
    graph->channels[1].maxValue = 300000.0;
    graph->timeAxis.SetLabel(u"time");
    a[0].y = 80.0;  // and new data
    const QImage second = graph->Compose(false).copy();
    EXPECT_EQ(graph->plotLeft, plotLeft);
    EXPECT_EQ(DifferencesOutside(second, first, Plot()), 0);
    EXPECT_NE(second, first);  // the curve moved

    const QImage rebuilt = graph->Compose(true).copy();
    EXPECT_GT(graph->plotLeft, plotLeft);
    EXPECT_GT(CountColour(rebuilt, rebuilt.rect(), qRgb(0, 0, 255)), 0);

    // A new size cannot reuse the old background, asked or not.
    const int plotRight = graph->plotRight;
    graph->width += 100;
    EXPECT_EQ(graph->Compose(false).width(), rebuilt.width() + 100);
    EXPECT_EQ(graph->plotRight, plotRight + 100);
}

TEST_F(GraphRender, BreaksStartNewLinePieces) {
    // Three points from right to left; a break at the middle one leaves the
    // first two unjoined.
    std::vector<GraphPoint> a = {{20.0, 50.0}, {12.0, 50.0}, {4.0, 50.0}};
    const std::int32_t breaks[] = {0, 1, 0};
    SetPoints(0, a);
    graph->channels[0].breaks = breaks;
    QImage picture = graph->Compose(true).copy();
    const int y = Y(0, 50.0);
    EXPECT_NE(picture.pixel(X(16.0), y), kGreen);
    EXPECT_EQ(picture.pixel(X(8.0), y), kGreen);
    EXPECT_EQ(picture.pixel(X(12.0) - 3, y - 3), kGreen);  // the piece's first point has its marker

    // Pieces of a single point get no marker, the last point's included.
    const std::int32_t single[] = {0, 1, 1};
    graph->channels[0].breaks = single;
    picture = graph->Compose(false).copy();
    EXPECT_EQ(picture.pixel(X(20.0) - 3, y - 3), kGreen);
    EXPECT_NE(picture.pixel(X(12.0) - 3, y - 3), kGreen);
    EXPECT_NE(picture.pixel(X(4.0) - 3, y - 3), kGreen);
}

TEST_F(GraphRender, DrawPutsThePictureAtLeftAndTop) {
    graph->width = 100;
    graph->height = 80;
    graph->left = 30;
    graph->top = 40;
    QImage target(200, 200, QImage::Format_RGB32);
    target.fill(kRed);
    QPainter painter(&target);
    graph->Draw(painter, true);
    painter.end();
    EXPECT_EQ(target.copy(30, 40, 100, 80), graph->Picture());
    EXPECT_EQ(CountColour(target, target.rect(), kRed), 200 * 200 - 100 * 80);
}

// Every line and marker of the channels drawn through the painter one by
// one, nothing left out: what the curves looked like before markers went
// straight into the picture and before lines and markers outside the plot
// were skipped.
void DrawEveryLineAndMarker(const CGraph& g, QPainter& dc) {
    const PlotRect plot{g.plotLeft, g.plotTop, g.plotRight, g.plotBottom};
    dc.setClipRect(
        QRect(g.plotLeft, g.plotTop, g.plotRight - g.plotLeft, g.plotBottom - g.plotTop));
    const int half = g.markerSize / 2;
    for (const CGraphParam& c : g.channels) {
        dc.setPen(c.pen);
        const int line = std::max(1, c.pen.width());
        const int outer = half + line / 2;
        const int inner = outer - line;
        QPoint at;
        for (int j = 0; j < c.count; ++j) {
            const QPoint p(PointX(plot, c.points[j].x, 0.0, 24.0),
                           PointY(plot, c.points[j].y, c.minValue, c.maxValue));
            if (j > 0 && p != at) dc.drawLine(at, p);
            at = p;
            dc.fillRect(QRect(p.x() - outer, p.y() - outer, 2 * outer, 2 * outer), c.colour);
            dc.fillRect(QRect(p.x() - inner, p.y() - inner, 2 * inner, 2 * inner), Qt::black);
        }
    }
}

TEST_F(GraphRender, CurvesMatchEveryLineAndMarkerDrawnByThePainter) {
    // Crowded, crossing curves, with points on and around every edge of the
    // plot and far outside it.
    std::vector<GraphPoint> a, b;
    for (int i = 0; i < 150; ++i) {
        const double x = 24.0 - i * 0.2;
        a.push_back({x, 50.0 + 55.0 * std::sin(i * 0.37)});
        b.push_back({x + (i % 5 == 0 ? 0.05 : 0.0), 1500.0 + 1700.0 * std::cos(i * 0.21)});
    }
    a.push_back({-500.0, 1e9});
    SetPoints(0, a);
    SetPoints(1, b);
    const QImage background = BackgroundOnly();
    const QImage picture = graph->Compose(true).copy();
    ASSERT_TRUE(graph->backgroundValid);

    QImage expected = background.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&expected);
    DrawEveryLineAndMarker(*graph, painter);
    painter.end();
    EXPECT_EQ(picture, expected.convertToFormat(QImage::Format_RGB32));
    EXPECT_GT(CountColour(picture, Plot(), kBlack), 50);  // marker fills survived
}

TEST_F(GraphRender, RedrawAfterNewPointsEqualsAFreshPicture) {
    std::vector<GraphPoint> a = {{24.0, 50.0}, {20.0, 90.0}, {16.0, 10.0}, {12.0, 60.0}};
    SetPoints(0, a);
    graph->Compose(true);
    EXPECT_EQ(graph->ChangedRect(), graph->Picture().rect());

    // The old curve must be gone everywhere, also where the new one does not pass.
    a = {{24.0, 20.0}, {23.8, 30.0}, {-3.0, 100.0}};
    SetPoints(0, a);
    const QImage redrawn = graph->Compose(false).copy();
    EXPECT_EQ(graph->ChangedRect(), Plot());
    EXPECT_EQ(redrawn, graph->Compose(true));
    EXPECT_EQ(graph->ChangedRect(), graph->Picture().rect());

    // A background changed behind the graph's back is copied whole again.
    graph->backgroundBitmap.fill(kRed);
    EXPECT_EQ(CountColour(graph->Compose(false), QRect(0, 0, 5, 5), kRed), 25);
}

class RichText : public GraphRender {
protected:
    // Draws label in black at (10, 5) on a white strip; returns the width.
    int Draw(std::u16string_view label) {
        image = QImage(200, 40, QImage::Format_RGB32);
        image.fill(kWhite);
        QPainter painter(&image);
        painter.setPen(Qt::black);
        return graph->DrawRichText(painter, 10, 5, label, graph->font, true);
    }
    int Advance(const QString& text) const {
        return QFontMetrics(graph->font).horizontalAdvance(text);
    }
    QImage image;
};

TEST_F(RichText, SubscriptIsLoweredSuperscriptKeepsTheTopCodeThreeReturns) {
    const int x = Advance(QStringLiteral("x"));

    const int sub = Draw(std::u16string{u'x', kLabelSubscript, u'x'});
    const int normalBottom = InkRows(image, 10, 10 + x).second;
    const auto [subTop, subBottom] = InkRows(image, 10 + x, 10 + sub);
    EXPECT_GT(subBottom, normalBottom);
    EXPECT_LT(sub, 2 * x);  // the small font is narrower

    Draw(std::u16string{u'x', kLabelSuperscript, u'x'});
    const auto [supTop, supBottom] = InkRows(image, 10 + x, 10 + sub);
    EXPECT_LT(supBottom, normalBottom);
    EXPECT_LT(supTop, subTop);

    const int back = Draw(std::u16string{u'x', kLabelSubscript, u'x', kLabelNormal, u'x'});
    EXPECT_EQ(back, sub + x);
    EXPECT_EQ(InkRows(image, 10 + sub, 10 + back).second, normalBottom);
}

TEST_F(RichText, MeasuringDrawsNothingAndMatchesTheDrawnWidth) {
    const std::u16string label{u'P', kLabelSubscript, u'\u043a', kLabelSuperscript, u'2'};
    const int drawn = Draw(label);
    QImage blank(200, 40, QImage::Format_RGB32);
    blank.fill(kWhite);
    QPainter painter(&blank);
    EXPECT_EQ(graph->DrawRichText(painter, 10, 5, label, graph->font, false), drawn);
    painter.end();
    EXPECT_EQ(CountColour(blank, blank.rect(), kWhite), 200 * 40);
    // The ink ends within the measured width.
    EXPECT_LE(InkRows(image, 10 + drawn + 1, 200).second, -1);

    // Codes alone draw nothing; a zero ends the label.
    EXPECT_EQ(Draw(std::u16string{kLabelSubscript, kLabelNormal}), 0);
    EXPECT_EQ(CountColour(image, image.rect(), kWhite), 200 * 40);
    EXPECT_EQ(Draw(std::u16string{u'x', u'\0', u'x'}), Advance(QStringLiteral("x")));
}

}  // namespace
}  // namespace varnok
