#include "graph/information_graph.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <cstdint>
#include <string>

#include "graph/plot_layout.h"
#include "tests/graph/test_application.h"

namespace varnok {
namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

class InformationGraphTest : public testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    std::uint32_t now = 5000;
    InformationGraph graph{[this] { return now; }};
};

TEST_F(InformationGraphTest, SetUpGraphConfiguresTheSevenChannels) {
    graph.SetUpGraph();
    const CGraph* g = graph.Graph();
    ASSERT_NE(g, nullptr);

    struct Expected {
        std::u16string label;
        QColor colour;
        int group;
        double maxValue;
        int precision;
    };
    const Expected expected[] = {
        {{u'n', kLabelSubscript, u'1'}, QColor(0, 255, 0), 0, 3000.0, 0},
        {{u'n', kLabelSubscript, u'2'}, QColor(0, 128, 0), 0, 3000.0, 0},
        {u"h", QColor(0, 0, 255), 1, 100.0, 0},
        {{u'h', kLabelSubscript, u'\u0437'}, QColor(128, 128, 255), 1, 100.0, 0},
        {u"\u03a8", QColor(255, 0, 0), 2, 100.0, 0},
        {{u'V', kLabelSubscript, u'a'}, QColor(128, 128, 0), 4, 100.0, 0},
        {{u'P', kLabelSubscript, u'\u043a'}, QColor(255, 0, 255), 3, 2.0, 1},
    };
    ASSERT_EQ(g->channels.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const CGraphParam& c = g->channels[static_cast<std::size_t>(i)];
        EXPECT_EQ(std::u16string(c.Label()), expected[i].label);
        EXPECT_EQ(c.colour, expected[i].colour);
        EXPECT_EQ(c.pen.color(), expected[i].colour);
        EXPECT_EQ(c.brush.color(), QColor(Qt::black));
        EXPECT_EQ(c.axisGroup, expected[i].group);
        EXPECT_EQ(c.minValue, 0.0);
        EXPECT_EQ(c.maxValue, expected[i].maxValue);
        EXPECT_EQ(c.precision, expected[i].precision);
        EXPECT_TRUE(c.enabled && c.onAxis);
        EXPECT_EQ(c.style, kStyleLines | kStyleMarkers);
        EXPECT_EQ(c.count, 0);
        EXPECT_EQ(c.points, graph.History(i));
        EXPECT_EQ(c.breaks, nullptr);
        EXPECT_EQ(graph.History(i)[0].x, 24.0);
    }
    EXPECT_EQ(std::u16string(g->timeAxis.Label()), u"t, \u0441");
    EXPECT_TRUE(g->timeAxis.enabled && g->timeAxis.onAxis);
    EXPECT_EQ(g->timeAxis.maxValue, 24.0);
    EXPECT_EQ(g->timeAxis.precision, 0);
    EXPECT_EQ(g->xDivisions, 12);
    EXPECT_EQ(g->yDivisions, 10);
    EXPECT_EQ(g->margin, 20);
    EXPECT_EQ(g->markerSize, 4);
    EXPECT_EQ(graph.GraphArea(), QRect(0, 0, 400, 300));
}

TEST_F(InformationGraphTest, ValuesShiftLeftByTheirAgeAndTheNewestStaysAt24) {
    graph.SetUpGraph();
    graph.ResetChannelTimes();
    graph.AppendSample(kGraphEngineSpeed1, 800.0);
    EXPECT_EQ(graph.Count(kGraphEngineSpeed1), 1);
    now += 200;
    graph.AppendSample(kGraphEngineSpeed1, 820.0);
    const GraphPoint* points = graph.History(kGraphEngineSpeed1);
    EXPECT_EQ(graph.Count(kGraphEngineSpeed1), 2);
    EXPECT_DOUBLE_EQ(points[0].x, 24.0);
    EXPECT_DOUBLE_EQ(points[0].y, 820.0);
    EXPECT_DOUBLE_EQ(points[1].x, 23.8);
    EXPECT_DOUBLE_EQ(points[1].y, 800.0);

    // Another channel's value moves nothing of this one.
    now += 1000;
    graph.AppendSample(kGraphBoostPressure, 1.2);
    EXPECT_DOUBLE_EQ(points[1].x, 23.8);
    EXPECT_EQ(graph.Count(kGraphBoostPressure), 1);

    // Nor does a channel outside the graph.
    graph.AppendSample(-1, 5.0);
    graph.AppendSample(InformationGraph::kChannels, 5.0);
    EXPECT_EQ(graph.Count(kGraphEngineSpeed1), 2);

    // The next value of this channel ages its points by the 1.3 s since its last one.
    now += 300;
    graph.AppendSample(kGraphEngineSpeed1, 830.0);
    EXPECT_DOUBLE_EQ(points[1].x, 24.0 - 1.3);
    EXPECT_DOUBLE_EQ(points[2].x, 23.8 - 1.3);
}

TEST_F(InformationGraphTest, FullHistoryKeeps150ValuesAndDropsTheOldest) {
    graph.SetUpGraph();
    for (int i = 0; i < 151; ++i) {
        now += 200;
        graph.AppendSample(kGraphRack, i);
    }
    EXPECT_EQ(graph.Count(kGraphRack), 150);
    const GraphPoint* points = graph.History(kGraphRack);
    EXPECT_DOUBLE_EQ(points[0].y, 150.0);
    EXPECT_DOUBLE_EQ(points[149].y, 1.0);  // value 0 is gone
    EXPECT_NEAR(points[149].x, 24.0 - 149 * 0.2, 1e-9);
}

TEST_F(InformationGraphTest, AgesSurviveAWrapOfTheTickCount) {
    now = 0xFFFFFF9Cu;  // 100 ms before the count wraps
    graph.SetUpGraph();
    graph.ResetChannelTimes();
    graph.AppendSample(kGraphPedal, 10.0);
    now = 100;
    graph.AppendSample(kGraphPedal, 20.0);
    EXPECT_DOUBLE_EQ(graph.History(kGraphPedal)[1].x, 23.8);
}

TEST_F(InformationGraphTest, TimeDisconnectedDoesNotAppearAfterTheNextConnect) {
    graph.SetUpGraph();
    graph.ResetChannelTimes();
    graph.AppendSample(kGraphVehicleSpeed, 40.0);
    now += 60000;  // a minute disconnected, then a connect
    graph.ResetChannelTimes();
    now += 200;
    graph.AppendSample(kGraphVehicleSpeed, 42.0);
    EXPECT_DOUBLE_EQ(graph.History(kGraphVehicleSpeed)[1].x, 23.8);
    EXPECT_DOUBLE_EQ(graph.History(kGraphVehicleSpeed)[1].y, 40.0);
}

TEST_F(InformationGraphTest, NothingHappensBeforeSetUp) {
    GraphView view;
    graph.AttachView(&view);
    graph.SetGraphArea(10, 20, 300, 200);
    graph.AppendSample(kGraphEngineSpeed1, 800.0);
    graph.RedrawGraph(true);
    EXPECT_EQ(graph.Graph(), nullptr);
    EXPECT_EQ(graph.Count(kGraphEngineSpeed1), 0);
    EXPECT_EQ(view.geometry(), QRect(10, 20, 300, 200));
}

TEST_F(InformationGraphTest, FirstValueOfEveryChannelMarksThePlotsRightEdge) {
    graph.SetUpGraph();
    graph.SetGraphArea(0, 0, 470, 500);
    // Values at 10% to 70% of each range, so that the markers stand apart.
    const double values[] = {300.0, 600.0, 30.0, 40.0, 50.0, 60.0, 1.4};
    for (int channel = 0; channel < InformationGraph::kChannels; ++channel) {
        graph.AppendSample(channel, values[channel]);
    }
    graph.RedrawGraph(true);
    const CGraph& g = *graph.Graph();
    const QImage& picture = g.Picture();
    ASSERT_EQ(picture.size(), QSize(470, 500));
    const PlotRect plot{g.plotLeft, g.plotTop, g.plotRight, g.plotBottom};
    for (int channel = 0; channel < InformationGraph::kChannels; ++channel) {
        SCOPED_TRACE(channel);
        const CGraphParam& c = g.channels[static_cast<std::size_t>(channel)];
        const int y = PointY(plot, values[channel], c.minValue, c.maxValue);
        EXPECT_EQ(QColor(picture.pixel(g.plotRight - 2, y - 3)), c.colour);
        EXPECT_EQ(QColor(picture.pixel(g.plotRight - 1, y)), QColor(Qt::black));  // the fill
        EXPECT_NE(QColor(picture.pixel(g.plotRight, y - 3)), c.colour);
    }
}

TEST_F(InformationGraphTest, ViewCoversTheAreaAndRedrawRepaintsItAtOnce) {
    QWidget window;
    window.resize(800, 600);
    auto* view = new GraphView(&window);
    PaintCounter counter;
    view->installEventFilter(&counter);
    graph.AttachView(view);
    graph.SetUpGraph();
    graph.SetGraphArea(335, 50, 465, 520);
    EXPECT_EQ(view->geometry(), QRect(335, 50, 465, 520));
    window.show();
    QCoreApplication::processEvents();

    graph.RedrawGraph(true);
    const int paints = counter.paints;
    graph.AppendSample(kGraphEngineSpeed1, 1500.0);
    graph.RedrawGraph(false);
    EXPECT_EQ(counter.paints, paints + 1);  // without going back to the event loop
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, graph.Graph()->Picture());
    // A redraw without rebuild repaints only the plot rectangle; what the
    // window shows is the whole new picture all the same.
    for (double value : {300.0, 2900.0, 1200.0}) {
        now += 200;
        graph.AppendSample(kGraphEngineSpeed1, value);
        graph.RedrawGraph(false);
    }
    const auto* surface = dynamic_cast<QImage*>(window.backingStore()->paintDevice());
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->copy(view->geometry()).convertToFormat(QImage::Format_RGB32),
              graph.Graph()->Picture());

    // A new area moves the view; the next rebuild lays the picture out for it.
    const int plotRight = graph.Graph()->plotRight;
    graph.SetGraphArea(435, 50, 365, 520);
    graph.RedrawGraph(true);
    EXPECT_EQ(view->geometry(), QRect(435, 50, 365, 520));
    EXPECT_EQ(graph.Graph()->Picture().size(), QSize(365, 520));
    EXPECT_EQ(graph.Graph()->plotRight, plotRight - 100);
}

// A window that redraws the graph from its own paint event, as the main
// window does while the Information view is current.
class PaintingWindow : public QWidget {
public:
    explicit PaintingWindow(InformationGraph& graph) : graph_(graph) {}

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        graph_.RedrawGraph(true);
    }

public:
    int paints = 0;

private:
    InformationGraph& graph_;
};

// Qt reports a recursive or unsafe repaint as a warning.
void FailOnWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) ADD_FAILURE() << text.toStdString();
}

TEST_F(InformationGraphTest, RedrawFromTheWindowsPaintEventIsSafe) {
    PaintingWindow window(graph);
    window.resize(600, 400);
    auto* view = new GraphView(&window);
    graph.AttachView(view);
    graph.SetUpGraph();
    graph.SetGraphArea(200, 0, 400, 400);
    graph.AppendSample(kGraphRack, 50.0);

    const QtMessageHandler previous = qInstallMessageHandler(FailOnWarning);
    window.show();
    QCoreApplication::processEvents();
    window.repaint();
    qInstallMessageHandler(previous);

    EXPECT_GE(window.paints, 1);
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, graph.Graph()->Picture());
}

TEST_F(InformationGraphTest, ViewOutlivingTheGraphShowsNothingStale) {
    GraphView view;
    view.resize(100, 100);
    {
        InformationGraph other([] { return 0u; });
        other.AttachView(&view);
        other.SetUpGraph();
        other.SetGraphArea(0, 0, 100, 100);
        other.RedrawGraph(true);
    }
    // Painting after the graph is gone must not touch its picture.
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.size(), QSize(100, 100));
}

}  // namespace
}  // namespace varnok
