// The Information view's trend graph: seven engine values over the last 24
// seconds, each with a history of its last values and their ages (150 in
// the 1.4 window, 50 in the 1.3 window).
//
// The owner (the main window) calls, on the GUI thread only:
// - SetUpGraph once when the window is first shown, before the first
//   SetGraphArea of the real layout;
// - SetGraphArea whenever the layout changes (the graph area in the
//   coordinates of the view's parent widget), then RedrawGraph(true);
// - AppendSample for every fresh value of a channel, then RedrawGraph(false)
//   when the Information view is current; or, where the values come in
//   complete cycles of all seven channels, AppendCycle once per cycle;
// - ResetChannelTimes at every successful connect, so that the first value
//   after a connect shifts the old points by the time since the connect and
//   the time spent disconnected does not appear on the graph;
// - RedrawGraph(true) when the window paints while the Information view is current.
// The view is a child widget of the window and stands over whatever lies in
// the graph area, so the window hides it while another view is current (with
// Panel1 and Splitter1) and shows it again for the Information view.
// Before SetUpGraph there is no graph: SetGraphArea only places the view, and
// AppendSample and RedrawGraph do nothing (values arrive only while connected,
// which is after the window has been shown).
//
// The graph knows nothing of the control unit: the caller passes each value
// already scaled as the channel shows it.
#pragma once

#include <QPointer>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "graph/graph.h"
#include "graph/graph_point.h"
#include "graph/graph_view.h"

namespace varnok {

// The channels, in the order of the graph's axes.
enum GraphChannel : int {
    kGraphEngineSpeed1 = 0,   // n1, rpm
    kGraphEngineSpeed2 = 1,   // n2, rpm
    kGraphRack = 2,           // h, rack position, %
    kGraphRackSetpoint = 3,   // hз, rack position setpoint, %
    kGraphPedal = 4,          // Ψ, accelerator pedal position, %
    kGraphVehicleSpeed = 5,   // Va, vehicle speed, km/h
    kGraphBoostPressure = 6,  // Pк, boost pressure
};

class InformationGraph {
public:
    static constexpr int kChannels = 7;
    // The 1.4 window's history length, and the longest a history can be.
    static constexpr int kHistoryLength = 150;
    static constexpr double kNewestX =
        24.0;  // x of the newest point: the right end of the time axis

    // Milliseconds of a steady clock as an unsigned 32-bit count that may wrap.
    using TickSource = std::function<std::uint32_t()>;

    // `historyLength` points per channel, 1 to kHistoryLength. Before any
    // value has arrived, point i of every history lies at
    // 24 - i * 24 / historyLength seconds.
    explicit InformationGraph(TickSource tickCount, int historyLength = kHistoryLength);
    ~InformationGraph();
    InformationGraph(const InformationGraph&) = delete;
    InformationGraph& operator=(const InformationGraph&) = delete;

    // Shows the graph in view and keeps view exactly over the graph area. The
    // view belongs to its Qt parent; it may be destroyed first.
    void AttachView(GraphView* view);

    // Creates and configures the graph: the seven channels, the time axis
    // "t, с" from 0 to 24 s in 12 divisions, a margin of 20 and the area
    // (0, 0, 400, 300) until SetGraphArea. Channel counts start at 0.
    void SetUpGraph();

    // The graph area: where the picture goes and how big it is. Takes effect
    // in the picture at the next RedrawGraph(true).
    void SetGraphArea(int left, int top, int width, int height);
    QRect GraphArea() const { return area_; }

    // Adds the newest value of a channel (0 to 6; others are ignored): the
    // older points move one place back and left by the time since the
    // channel's previous value, the oldest of a full history falls off.
    // Draws nothing.
    void AppendSample(int channel, double value);
    // Every channel takes its newest value together (`values` in channel
    // order), the older points moving back and left by `elapsedSeconds`,
    // the time since the previous cycle as the caller counts it. Draws
    // nothing, and leaves the channels' last-update times alone.
    void AppendCycle(const std::array<double, kChannels>& values, double elapsedSeconds);
    int HistoryLength() const { return historyLength_; }

    // Every channel's last-update time becomes now.
    void ResetChannelTimes();

    // Composes the picture (the background laid out anew when rebuild is set,
    // otherwise only the curves over the cached background) and repaints the
    // view at once.
    void RedrawGraph(bool rebuild);

    // The graph after SetUpGraph, else null.
    CGraph* Graph() { return graph_.get(); }
    const CGraph* Graph() const { return graph_.get(); }
    // Points of a channel's history, newest first; Count of them are valid.
    const GraphPoint* History(int channel) const;
    int Count(int channel) const;

private:
    // Puts the view exactly over the graph area.
    void PlaceView();
    // One new point for channel `index` (valid, graph set up).
    void Shift(std::size_t index, double value, double elapsedSeconds);

    TickSource tickCount_;
    int historyLength_;
    std::array<std::array<GraphPoint, kHistoryLength>, kChannels> histories_{};
    std::array<std::uint32_t, kChannels>
        lastUpdate_{};  // tick count of each channel's latest value
    std::unique_ptr<CGraph> graph_;
    QPointer<GraphView> view_;
    QRect area_;
};

}  // namespace varnok
