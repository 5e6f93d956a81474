// The program as the user runs it: the real main window (TForm1, offscreen,
// the graph still composed and painted into the offscreen surface) on the
// real CSock, worker thread, link thread and serial channel, connected to
// varnok-unit, which runs as a process of its own so that its CPU time is
// not counted here. One run measures, and then prints:
//
//  2. notification latency in the Information view at 800 x 600: from the
//     last byte of an answer reaching the port (seen by the link thread's
//     step observer) to the main thread taking its 1025 event (an event
//     filter installed after the window's, so it runs first), and to the
//     end of its dispatch (the window's ObjectRead signal, after the lists
//     and the graph have been updated);
//  4. main thread responsiveness: how late a 1 ms single-shot timer fires,
//     restarted at once, over 30 s of polling in the Information view;
//  5. memory: resident size one minute after the connect and at the end,
//     and the peak; the run keeps polling in the Information view at
//     800 x 600 until --minutes have passed since the connect;
//  3. CPU time of this whole process (every thread, getrusage) per second
//     of wall time: idle before connecting (measured first), then, once the
//     memory figure is in, connected and polling in the Errors view
//     (nothing drawn), in the Information view at 1920 x 1080 and at
//     800 x 600, in turn for a few rounds; the median of the rounds, with
//     the main and link threads' shares beside it.
//
// Options: --minutes M (default 2; 10 for the full memory figure),
// --rounds R (default 3), --cpu-seconds S (default 8 a view and round),
// --latency-reads N (default 3000), --timer-seconds T (default 30),
// --no-echo (the unit echoes nothing, unlike a K-line adapter: shows what
// the echo costs the link thread).
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "graph/graph_view.h"
#include "link/csock.h"
#include "shell/application.h"
#include "shell/main_form.h"
#include "shell/object_read_event.h"

namespace varnok::bench {
namespace {

struct Options {
    double minutes = 2;
    int rounds = 3;
    double cpuSeconds = 8;
    int latencyReads = 3000;
    double timerSeconds = 30;
    bool echo = true;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-echo") {
            options.echo = false;
            continue;
        }
        if (i + 1 >= argc) return false;
        const double value = std::atof(argv[++i]);
        if (value <= 0) return false;
        if (arg == "--minutes") {
            options.minutes = value;
        } else if (arg == "--rounds") {
            options.rounds = static_cast<int>(value);
        } else if (arg == "--cpu-seconds") {
            options.cpuSeconds = value;
        } else if (arg == "--latency-reads") {
            options.latencyReads = static_cast<int>(value);
        } else if (arg == "--timer-seconds") {
            options.timerSeconds = value;
        } else {
            return false;
        }
    }
    return true;
}

double Millis(BenchClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs the event loop until `done` says so (checked every 20 ms) or
// `seconds` have passed.
void RunUntil(double seconds, const std::function<bool()>& done = {}) {
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done && done()) loop.quit();
    });
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    if (done) check.start(20);
    loop.exec();
}

// Counts the window's read notifications and the graph's paints, and
// measures the notification latency while asked to.
class Probe : public QObject {
public:
    Probe(TForm1& window, LinkWatch& linkWatch) : form(window), watch(linkWatch) {
        // Installed after the window's filter, so it sees each event first;
        // an application filter sees the graph's paints too.
        qApp->installEventFilter(this);
        QObject::connect(&form, &TForm1::ObjectRead, this, [this](std::uint16_t, std::uint16_t) {
            if (measuring && havePending) {
                dispatched.push_back(Millis(BenchClock::now() - pendingArrival));
                havePending = false;
            }
        });
    }
    ~Probe() override { qApp->removeEventFilter(this); }

    void Measure(bool on) {
        watch.Record(on);
        measuring = on;
        havePending = false;
    }

    int reads = 0;
    int paints = 0;
    std::vector<double> taken;       // ms, arrival to the event taken
    std::vector<double> dispatched;  // ms, arrival to the dispatch done

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == kObjectReadEvent && watched == &form) {
            const auto now = BenchClock::now();
            ++reads;
            const auto* read = static_cast<const ObjectReadEvent*>(event);
            if (measuring) {
                havePending = watch.TakeAnswer(read->Object(), read->Offset(), pendingArrival);
                if (havePending) taken.push_back(Millis(now - pendingArrival));
            }
        } else if (event->type() == QEvent::Paint && watched == form.GraphSurface) {
            ++paints;
        }
        return false;
    }

private:
    TForm1& form;
    LinkWatch& watch;
    bool measuring = false;
    bool havePending = false;
    BenchClock::time_point pendingArrival;
};

struct CpuFigure {
    double processShare = 0;  // CPU seconds per wall second
    // The same from the scheduler's statistics: the main thread, the link
    // thread, and the others (worker thread, Qt's threads).
    double mainShare = 0;
    double linkShare = 0;
    double otherShare = 0;
    double unitShare = 0;
    double readsPerSecond = 0;
    double paintsPerSecond = 0;
};

CpuFigure MeasureCpu(double seconds, Probe& probe, const UnitProcess& unit, LinkWatch& watch) {
    RunUntil(0.5);  // let a change of view or size settle
    probe.reads = probe.paints = 0;
    const pid_t mainThread = getpid();
    const pid_t linkThread = watch.LinkThreadId();
    const double cpu = ProcessCpuSeconds();
    const double all = AllThreadsCpuSeconds();
    const double main = ThreadCpuSeconds(mainThread);
    const double link = linkThread != 0 ? ThreadCpuSeconds(linkThread) : 0;
    const double unitCpu = unit.CpuSeconds();
    const auto start = BenchClock::now();
    RunUntil(seconds);
    const double wall = std::chrono::duration<double>(BenchClock::now() - start).count();
    CpuFigure f;
    f.processShare = (ProcessCpuSeconds() - cpu) / wall;
    f.mainShare = (ThreadCpuSeconds(mainThread) - main) / wall;
    f.linkShare = linkThread != 0 ? (ThreadCpuSeconds(linkThread) - link) / wall : 0;
    f.otherShare = (AllThreadsCpuSeconds() - all) / wall - f.mainShare - f.linkShare;
    f.unitShare = (unit.CpuSeconds() - unitCpu) / wall;
    f.readsPerSecond = probe.reads / wall;
    f.paintsPerSecond = probe.paints / wall;
    return f;
}

CpuFigure MedianFigure(std::vector<CpuFigure> rounds) {
    const auto median = [&rounds](double CpuFigure::*field) {
        std::vector<double> values;
        for (const CpuFigure& f : rounds) values.push_back(f.*field);
        return Median(values);
    };
    CpuFigure f;
    for (double CpuFigure::*field :
         {&CpuFigure::processShare, &CpuFigure::mainShare, &CpuFigure::linkShare,
          &CpuFigure::otherShare, &CpuFigure::unitShare, &CpuFigure::readsPerSecond,
          &CpuFigure::paintsPerSecond}) {
        f.*field = median(field);
    }
    return f;
}

void PrintCpu(const std::string& name, const CpuFigure& f, const char* target = "") {
    std::printf("  %-46s %5.2f %% %s\n", name.c_str(), 100 * f.processShare, target);
    if (f.readsPerSecond <= 0) return;
    std::printf(
        "  %-46s   main thread %.2f %%, link thread %.2f %% (%.0f us a read), others %.2f "
        "%%;\n  %-46s   %.0f reads/s, %.0f graph paints/s; varnok-unit %.2f %%\n",
        "", 100 * f.mainShare, 100 * f.linkShare, 1e6 * f.linkShare / f.readsPerSecond,
        100 * f.otherShare, "", f.readsPerSecond, f.paintsPerSecond, 100 * f.unitShare);
}

void Progress(const char* what) {
    std::fprintf(stderr, "window_bench: %s\n", what);
}

struct Scene {
    const char* view;
    int width = 0;
    int height = 0;
};

// Shows the scene's view at its window size; returns its name with the
// size of the graph area.
std::string Show(TForm1& form, const Scene& scene) {
    if (scene.width == 0) {
        form.N7Click();
        return scene.view;
    }
    form.N6Click();
    form.resize(scene.width, scene.height);
    RunUntil(0.2);
    char name[96];
    std::snprintf(name, sizeof name, "%s, %d x %d (graph %d x %d)", scene.view, scene.width,
                  scene.height, form.graphArea.width, form.graphArea.height);
    return name;
}

int Run(const Options& options) {
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());

    UnitProcess unit(options.echo ? std::vector<std::string>{}
                                  : std::vector<std::string>{"--no-echo"});
    std::string error;
    if (!unit.Start(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    CSock sock{link, channel, clock};
    LinkWatch watch;
    watch.Attach(channel, link);
    watch.Record(false);

    TForm1 form(sock);
    form.show();
    Probe probe(form, watch);
    form.ComboBox1->setEditText(QString::fromStdString(unit.PortName()));
    RunUntil(0.5);

    Progress("idle before connecting");
    const CpuFigure idle = MeasureCpu(options.cpuSeconds, probe, unit, watch);

    form.Button1->click();
    if (form.isConnected != 1) {
        std::fprintf(stderr, "no connection: %s\n", form.StatusText().toStdString().c_str());
        return 1;
    }
    const auto connected = BenchClock::now();
    long residentAtMinute = 0;
    QTimer::singleShot(60'000, Qt::PreciseTimer, &form,
                       [&residentAtMinute] { residentAtMinute = ResidentKiB(); });
    // The Information view at 800 x 600 until the memory figure is in: its
    // size stays, so that memory the larger window takes later is not
    // counted as growth.
    form.N6Click();
    RunUntil(0.5);

    // 2. Latency.
    Progress("notification latency");
    probe.Measure(true);
    RunUntil(options.latencyReads / 40.0 + 30,
             [&] { return static_cast<int>(probe.taken.size()) >= options.latencyReads; });
    probe.Measure(false);

    // 4. A 1 ms single-shot timer on the main thread, restarted as it fires.
    Progress("main thread timer");
    std::vector<double> late;
    {
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        BenchClock::time_point due;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            late.push_back(std::max(0.0, Millis(BenchClock::now() - due)));
            due = BenchClock::now() + std::chrono::milliseconds(1);
            timer.start(1);
        });
        due = BenchClock::now() + std::chrono::milliseconds(1);
        timer.start(1);
        RunUntil(options.timerSeconds);
    }
    const bool connectedThroughout = form.isConnected == 1;

    // 5. Memory: poll on until the run's minutes are up.
    Progress("polling on for the memory figure");
    const auto end =
        connected + std::chrono::milliseconds(static_cast<long long>(options.minutes * 60'000));
    RunUntil(std::max(0.0, std::chrono::duration<double>(end - BenchClock::now()).count()));
    const double minutes =
        std::chrono::duration<double>(BenchClock::now() - connected).count() / 60;
    const long residentAtEnd = ResidentKiB();
    const long peak = PeakResidentKiB();

    // 3. The views in turn, round after round; the median of the rounds.
    const Scene scenes[] = {{"Errors view (nothing drawn)"},
                            {"Information view", 1920, 1080},
                            {"Information view", 800, 600}};
    std::vector<std::string> names(std::size(scenes));
    std::vector<std::vector<CpuFigure>> rounds(std::size(scenes));
    for (int round = 0; round < options.rounds; ++round) {
        for (std::size_t i = 0; i < std::size(scenes); ++i) {
            names[i] = Show(form, scenes[i]);
            Progress(names[i].c_str());
            rounds[i].push_back(MeasureCpu(options.cpuSeconds, probe, unit, watch));
        }
    }
    if (form.isConnected != 1) {
        std::fprintf(stderr, "the session ended during the run\n");
        return 1;
    }
    form.close();

    std::printf(
        "2. Notification latency over %zu reads, Information view at 800 x 600, ms "
        "(median / 99th percentile / longest):\n",
        probe.taken.size());
    std::printf(
        "  answer's last byte at the port to the main thread taking its 1025 event  "
        "%.3f / %.3f / %.3f  (target: 99th below 2)\n",
        Median(probe.taken), Percentile(probe.taken, 99), Percentile(probe.taken, 100));
    std::printf(
        "  ... to the end of its dispatch (lists, graph history and redraw)         "
        "%.3f / %.3f / %.3f\n",
        Median(probe.dispatched), Percentile(probe.dispatched, 99),
        Percentile(probe.dispatched, 100));

    std::printf(
        "3. Cost of being connected: CPU time of the whole program (every thread, "
        "getrusage) per second of wall time,\n"
        "   median of %d rounds of %.0f s; varnok-unit runs as a process of its own and "
        "is not counted:\n",
        options.rounds, options.cpuSeconds);
    PrintCpu("idle before connecting", idle);
    for (std::size_t i = 0; i < std::size(scenes); ++i) {
        PrintCpu(names[i], MedianFigure(rounds[i]),
                 i + 1 == std::size(scenes) ? "(target: below 3 %)" : "");
    }

    std::printf(
        "4. Main thread: a 1 ms single-shot timer over %.0f s of polling in the "
        "Information view, %zu firings:\n"
        "  late by %.2f ms at the 99th percentile, %.2f ms at most  (target: never more "
        "than 16)%s\n",
        options.timerSeconds, late.size(), Percentile(late, 99), Percentile(late, 100),
        connectedThroughout ? "" : "; the session ended!");

    std::printf(
        "5. Memory over %.1f minutes of polling in the Information view at 800 x 600: resident "
        "%.1f MiB at minute 1,\n"
        "  %.1f MiB at the end, growth %+ld KiB (target: none); peak %.1f MiB\n",
        minutes, residentAtMinute / 1024.0, residentAtEnd / 1024.0,
        residentAtMinute > 0 ? residentAtEnd - residentAtMinute : 0, peak / 1024.0);
    return 0;
}

}  // namespace
}  // namespace varnok::bench

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    varnok::bench::Options options;
    if (!varnok::bench::ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: window_bench [--minutes M] [--rounds R] [--cpu-seconds S] "
                     "[--latency-reads N] [--timer-seconds T] [--no-echo]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes (no size hints, no runtime folder) are
    // not figures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
    });
    varnok::VarnokApplication application(argc, argv);
    return varnok::bench::Run(options);
}
