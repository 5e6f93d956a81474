#include "graph/information_graph.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cassert>
#include <utility>

namespace varnok {

namespace {

// Labels. The "з" of hз, the "к" of Pк and the "с" of the time axis are
// Cyrillic; the "a" of Va is Latin.
constexpr char16_t kLabelN1[] = {u'n', kLabelSubscript, u'1', 0};
constexpr char16_t kLabelN2[] = {u'n', kLabelSubscript, u'2', 0};
constexpr char16_t kLabelRack[] = {u'h', 0};
constexpr char16_t kLabelRackSetpoint[] = {u'h', kLabelSubscript, u'\u0437', 0};
constexpr char16_t kLabelPedal[] = {u'\u03a8', 0};  // Greek capital psi
constexpr char16_t kLabelSpeed[] = {u'V', kLabelSubscript, u'a', 0};
constexpr char16_t kLabelBoost[] = {u'P', kLabelSubscript, u'\u043a', 0};
constexpr char16_t kLabelTime[] = {u't', u',', u' ', u'\u0441', 0};

struct ChannelSetting {
    const char16_t* label;
    QRgb colour;
    int axisGroup;
    double maxValue;
    int precision;
};

// Indexed by GraphChannel. Every axis starts at 0.
constexpr std::array<ChannelSetting, InformationGraph::kChannels> kChannelSettings = {{
    {kLabelN1, qRgb(0, 255, 0), 0, 3000.0, 0},
    {kLabelN2, qRgb(0, 128, 0), 0, 3000.0, 0},
    {kLabelRack, qRgb(0, 0, 255), 1, 100.0, 0},
    {kLabelRackSetpoint, qRgb(128, 128, 255), 1, 100.0, 0},
    {kLabelPedal, qRgb(255, 0, 0), 2, 100.0, 0},
    {kLabelSpeed, qRgb(128, 128, 0), 4, 100.0, 0},
    {kLabelBoost, qRgb(255, 0, 255), 3, 2.0, 1},
}};

bool ValidChannel(int channel) {
    return channel >= 0 && channel < InformationGraph::kChannels;
}

}  // namespace

InformationGraph::InformationGraph(TickSource tickCount, int historyLength)
    : tickCount_(std::move(tickCount)),
      historyLength_(std::clamp(historyLength, 1, kHistoryLength)) {
    assert(tickCount_);
    // Seconds between history points before any value has arrived. Only
    // point 0's x is ever drawn from these: every other point is overwritten
    // before it becomes part of a series.
    const double initialSpacing = kNewestX / historyLength_;
    for (auto& history : histories_) {
        for (int i = 0; i < historyLength_; ++i) {
            history[static_cast<std::size_t>(i)].x = kNewestX - initialSpacing * i;
        }
    }
    lastUpdate_.fill(tickCount_());
}

InformationGraph::~InformationGraph() {
    if (view_) view_->SetPicture(nullptr);
}

void InformationGraph::AttachView(GraphView* view) {
    if (view_ && view_ != view) view_->SetPicture(nullptr);
    view_ = view;
    if (!view_) return;
    view_->SetPicture(graph_ ? &graph_->Picture() : nullptr);
    PlaceView();
}

void InformationGraph::PlaceView() {
    if (view_) {
        view_->setGeometry(area_.x(), area_.y(), std::max(0, area_.width()),
                           std::max(0, area_.height()));
    }
}

void InformationGraph::SetUpGraph() {
    graph_ = std::make_unique<CGraph>(kChannels, 0, 0, 0, 0, 10, 10);
    CGraph& graph = *graph_;
    graph.font = GraphFont();
    graph.axisPen = SolidPen(Qt::black, 2);
    graph.gridPen = SolidPen(Qt::black, 1);
    // The system's colour for the background of a window's content.
    graph.background = QBrush(QGuiApplication::palette().color(QPalette::Base));
    graph.markerSize = 4;
    graph.margin = 20;
    graph.xDivisions = 12;  // 2 seconds each
    graph.yDivisions = 10;

    CGraphParam& time = graph.timeAxis;
    time.SetLabel(kLabelTime);
    time.SetPrecision(0);
    time.SetColour(Qt::black);
    time.minValue = 0.0;
    time.maxValue = kNewestX;
    time.enabled = true;
    time.onAxis = true;

    for (std::size_t i = 0; i < kChannelSettings.size(); ++i) {
        const ChannelSetting& setting = kChannelSettings[i];
        CGraphParam& channel = graph.channels[i];
        channel.SetLabel(setting.label);
        channel.SetColour(QColor::fromRgb(setting.colour));
        channel.SetPrecision(setting.precision);
        channel.style = kStyleLines | kStyleMarkers;
        channel.axisGroup = setting.axisGroup;
        channel.minValue = 0.0;
        channel.maxValue = setting.maxValue;
        channel.enabled = true;
        channel.onAxis = true;
        channel.count = 0;
        channel.points = histories_[i].data();
        channel.breaks = nullptr;
        // The brush stays black: markers are outlined in the channel's colour and filled black.
        histories_[i][0].x = kNewestX;
    }
    if (view_) view_->SetPicture(&graph.Picture());
    SetGraphArea(0, 0, 400, 300);
}

void InformationGraph::SetGraphArea(int left, int top, int width, int height) {
    area_ = QRect(left, top, width, height);
    if (graph_) {
        graph_->left = left;
        graph_->top = top;
        graph_->width = width;
        graph_->height = height;
    }
    PlaceView();
}

void InformationGraph::AppendSample(int channel, double value) {
    if (!graph_ || !ValidChannel(channel)) return;
    const auto index = static_cast<std::size_t>(channel);
    // Unsigned difference: a wrap of the 32-bit count still gives the right age.
    const std::uint32_t now = tickCount_();
    Shift(index, value, static_cast<std::uint32_t>(now - lastUpdate_[index]) * 0.001);
    lastUpdate_[index] = now;
}

void InformationGraph::AppendCycle(const std::array<double, kChannels>& values,
                                   double elapsedSeconds) {
    if (!graph_) return;
    for (std::size_t index = 0; index < values.size(); ++index) {
        Shift(index, values[index], elapsedSeconds);
    }
}

void InformationGraph::Shift(std::size_t index, double value, double elapsedSeconds) {
    CGraphParam& param = graph_->channels[index];
    auto& history = histories_[index];
    if (param.count < historyLength_) ++param.count;
    for (auto i = static_cast<std::size_t>(param.count) - 1; i > 0; --i) {
        history[i].y = history[i - 1].y;
        history[i].x = history[i - 1].x - elapsedSeconds;
    }
    history[0].y = value;
}

void InformationGraph::ResetChannelTimes() {
    lastUpdate_.fill(tickCount_());
}

void InformationGraph::RedrawGraph(bool rebuild) {
    if (!graph_) return;
    graph_->Compose(rebuild);
    if (view_) {
        view_->SetPicture(&graph_->Picture());
        // Only what the picture changed: without a rebuild the plot
        // rectangle, since the view shows the rest already.
        const QRect changed = graph_->ChangedRect();
        view_->repaint(changed.isEmpty() ? view_->rect() : changed);
    }
}

const GraphPoint* InformationGraph::History(int channel) const {
    return ValidChannel(channel) ? histories_[static_cast<std::size_t>(channel)].data() : nullptr;
}

int InformationGraph::Count(int channel) const {
    if (!graph_ || !ValidChannel(channel)) return 0;
    return graph_->channels[static_cast<std::size_t>(channel)].count;
}

}  // namespace varnok
