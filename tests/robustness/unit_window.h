// The main window against varnok-unit on a pseudo-terminal, for the fault
// scenarios: the real window (offscreen), the real link object with its
// worker thread, the real link thread and serial channel, and a unit that
// runs in the test process so that the test can make it misbehave.
//
// Besides the fixture, tools that measure what a user would notice: how long
// the main thread went without serving its events, when each polling tick
// began and what it queued, the unit's own record of the frames on the line,
// and the process's threads, descriptors and processor time.
//
// Main thread only, except where a comment says otherwise.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "shell/main_form.h"
#include "tests/shell/window_fixture.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace varnok::test {

using SteadyTime = std::chrono::steady_clock::time_point;

// The longest time the main thread went without serving its events, seen by
// a 10 ms timer. It runs only while the event loop does, which is how a test
// waits (QTRY_*, qWait); a handler that blocks shows up as a long gap.
class EventLoopWatch : public QObject {
public:
    EventLoopWatch();
    void Restart();
    // The longest gap so far, the one still open included.
    std::chrono::milliseconds LongestGap() const;

private:
    QTimer timer;
    QElapsedTimer sinceTick;
    qint64 longestMs = 0;
};

// One tick of the polling timer: when it began, and the link's queue depth
// before and after the window's handler ran.
struct PollTick {
    SteadyTime start;
    int depthBefore = 0;
    int depthAfter = -1;
};

// Notes every tick of the window's polling timer. The timer's event reaches
// this filter before the window's handler runs; the timeout connection made
// here runs after the window's own, made when the window was built.
class PollTicks : public QObject {
public:
    PollTicks(QTimer& timer, const CSock& sock);
    const std::vector<PollTick>& Ticks() const { return ticks; }
    // Ticks that began with more than `depth` reads waiting and queued none.
    int HeldBack(int depth) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const CSock& sock;
    std::vector<PollTick> ticks;
};

// One frame in the unit's trace.
struct TraceFrame {
    bool fromProgram = false;  // "rx": the program's frame; else the unit's answer
    std::vector<std::uint8_t> bytes;
    std::string remark;  // why the unit did something unusual, or empty

    std::vector<std::uint8_t> Data() const;  // service identifier first
    std::uint8_t Service() const;
};
std::vector<TraceFrame> ParseTrace(const std::string& text);

// The requests of the program that reached the unit, in order.
std::vector<TraceFrame> ProgramFrames(const std::vector<TraceFrame>& trace);

// Entries of /proc/self/task and /proc/self/fd.
int ThreadCount();
int OpenDescriptors();
// Processor time of the whole process so far.
std::chrono::nanoseconds ProcessCpuTime();

class UnitWindow : public WindowFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The unit's options for every scenario: nobody works the pedal, and
    // bytes go out at once, since line speed does not matter here.
    virtual unit::UnitOptions Options() const;

    // Clicks Button1 and checks the window is connected.
    void Connect();
    // Waits until `more` read notifications for `data` have reached the
    // window after this call.
    bool AwaitReads(const DataObject& data, int more, int timeoutMs = 3000);
    int Reads(const DataObject& data) const;
    int AllReads() const;

    // Stops the unit; its trace can be read only then.
    std::vector<TraceFrame> StoppedTrace();

    std::ostringstream trace;  // the unit writes here; read it after the unit stopped
    std::unique_ptr<unit::VirtualUnit> unit;
    std::unique_ptr<TForm1> form;
    // Read notifications that reached the window, by object and offset.
    std::map<std::pair<std::uint16_t, std::uint16_t>, int> reads;
};

}  // namespace varnok::test
