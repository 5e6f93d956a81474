#include "tests/robustness/unit_window.h"

#include <time.h>

#include <QEvent>
#include <QTest>
#include <filesystem>

#include "link/frame.h"
#include "tests/support/pty_pair.h"

namespace varnok::test {

EventLoopWatch::EventLoopWatch() {
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this,
            [this] { longestMs = std::max(longestMs, sinceTick.restart()); });
    Restart();
}

void EventLoopWatch::Restart() {
    longestMs = 0;
    sinceTick.start();
    timer.start();
}

std::chrono::milliseconds EventLoopWatch::LongestGap() const {
    return std::chrono::milliseconds(std::max(longestMs, sinceTick.elapsed()));
}

PollTicks::PollTicks(QTimer& timer, const CSock& link) : sock(link) {
    timer.installEventFilter(this);
    connect(&timer, &QTimer::timeout, this, [this] {
        if (!ticks.empty()) {
            ticks.back().depthAfter = sock.QueueDepth();
        }
    });
}

bool PollTicks::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Timer) {
        ticks.push_back(PollTick{std::chrono::steady_clock::now(), sock.QueueDepth()});
    }
    return false;
}

int PollTicks::HeldBack(int depth) const {
    int held = 0;
    for (const PollTick& tick : ticks) {
        if (tick.depthBefore > depth && tick.depthAfter >= 0 &&
            tick.depthAfter <= tick.depthBefore) {
            ++held;
        }
    }
    return held;
}

std::vector<std::uint8_t> TraceFrame::Data() const {
    FrameBytes frame{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), frame.size()), frame.begin());
    const auto from = static_cast<std::size_t>(FrameData(frame));
    const auto length = static_cast<std::size_t>(FrameDataLength(frame));
    if (from + length > bytes.size()) {
        return {};
    }
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + length)};
}

std::uint8_t TraceFrame::Service() const {
    const auto data = Data();
    return data.empty() ? 0 : data[0];
}

std::vector<TraceFrame> ParseTrace(const std::string& text) {
    // "      1.234  57600  rx  81 10 F0 20 A1  (remark)"
    std::vector<TraceFrame> frames;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        double seconds = 0;
        unsigned baud = 0;
        std::string direction;
        if (line.starts_with('#') || !(words >> seconds >> baud >> direction)) {
            continue;
        }
        TraceFrame frame;
        frame.fromProgram = direction == "rx";
        std::string rest;
        std::getline(words, rest);
        const std::size_t remark = rest.find('(');
        if (remark != std::string::npos) {
            frame.remark = rest.substr(remark + 1, rest.rfind(')') - remark - 1);
            rest.erase(remark);
        }
        frame.bytes = Bytes(rest);
        frames.push_back(std::move(frame));
    }
    return frames;
}

std::vector<TraceFrame> ProgramFrames(const std::vector<TraceFrame>& trace) {
    std::vector<TraceFrame> requests;
    for (const TraceFrame& frame : trace) {
        if (frame.fromProgram && frame.bytes.size() > 2 && frame.bytes[1] == unit::kUnitAddress) {
            requests.push_back(frame);
        }
    }
    return requests;
}

namespace {

int Entries(const char* folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

}  // namespace

int ThreadCount() {
    return Entries("/proc/self/task");
}

int OpenDescriptors() {
    return Entries("/proc/self/fd");
}

std::chrono::nanoseconds ProcessCpuTime() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

unit::UnitOptions UnitWindow::Options() const {
    unit::UnitOptions options;
    options.model.driver = false;
    options.line.pace = false;
    options.line.trace = true;
    return options;
}

void UnitWindow::SetUp() {
    WindowFixture::SetUp();
    unit = std::make_unique<unit::VirtualUnit>(Options());
    unit->SetTraceStream(&trace);
    std::string error;
    ASSERT_TRUE(unit->Start(error)) << error;

    form = std::make_unique<TForm1>(sock);
    QObject::connect(form.get(), &TForm1::ObjectRead,
                     [this](std::uint16_t object, std::uint16_t offset) {
                         ++reads[{object, offset}];
                     });
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->ComboBox1->setEditText(QString::fromStdString(unit->PortName()));
}

void UnitWindow::TearDown() {
    if (form) {
        form->close();
        form.reset();
    }
    if (unit) {
        unit->Stop();
    }
}

void UnitWindow::Connect() {
    form->Button1->click();
    ASSERT_EQ(form->isConnected, 1) << form->StatusText().toStdString();
}

int UnitWindow::Reads(const DataObject& data) const {
    const auto found = reads.find({data.object, data.offset});
    return found == reads.end() ? 0 : found->second;
}

int UnitWindow::AllReads() const {
    int all = 0;
    for (const auto& [key, count] : reads) {
        all += count;
    }
    return all;
}

bool UnitWindow::AwaitReads(const DataObject& data, int more, int timeoutMs) {
    const int target = Reads(data) + more;
    return QTest::qWaitFor([&] { return Reads(data) >= target; }, timeoutMs);
}

std::vector<TraceFrame> UnitWindow::StoppedTrace() {
    unit->Stop();
    return ParseTrace(trace.str());
}

}  // namespace varnok::test
