// Redraws of the Information view graph with full histories. A redraw
// without rebuild runs for every value of every channel, about 35 times a
// second while connected, so it has to stay far below a millisecond at the
// usual sizes. Run with QT_QPA_PLATFORM=offscreen or on a desktop.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>
#include <cmath>
#include <cstdint>

#include "graph/graph_view.h"
#include "graph/information_graph.h"

namespace varnok {
namespace {

// Sizes of the graph area: about what an 800 x 600 window leaves it beside
// the lists, a whole 800 x 600 picture, and a whole full-HD screen.
void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({467, 440})->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
}

// A window of the given size with the graph over all of it, every channel's
// history full of a slowly changing signal, as after half a minute connected.
class Scene {
public:
    Scene(int width, int height) : graph_([this] { return now_; }) {
        window_.resize(width, height);
        auto* view = new GraphView(&window_);
        graph_.AttachView(view);
        graph_.SetUpGraph();
        graph_.SetGraphArea(0, 0, width, height);
        const double ranges[] = {3000.0, 3000.0, 100.0, 100.0, 100.0, 100.0, 2.0};
        for (int i = 0; i < InformationGraph::kHistoryLength + 10; ++i) {
            now_ += 200;
            for (int channel = 0; channel < InformationGraph::kChannels; ++channel) {
                const double phase = i * 0.2 / (3.0 + channel);
                graph_.AppendSample(channel, ranges[channel] * (0.5 + 0.4 * std::sin(phase)));
            }
        }
        window_.show();
        QCoreApplication::processEvents();
        graph_.RedrawGraph(true);
    }

    InformationGraph& Graph() { return graph_; }

private:
    std::uint32_t now_ = 0;
    QWidget window_;
    InformationGraph graph_;
};

void BM_RedrawGraph(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) scene.Graph().RedrawGraph(false);
}
BENCHMARK(BM_RedrawGraph)->Apply(Sizes);

// The picture alone, without putting it on the screen.
void BM_ComposeCurves(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.Graph().Graph()->Compose(false).constBits());
}
BENCHMARK(BM_ComposeCurves)->Apply(Sizes);

// For comparison: a redraw that lays out and draws the background anew, as
// after a resize.
void BM_RedrawGraphRebuild(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) scene.Graph().RedrawGraph(true);
}
BENCHMARK(BM_RedrawGraphRebuild)->Apply(Sizes);

}  // namespace
}  // namespace varnok

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
