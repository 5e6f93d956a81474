#include "tools/virtual-unit/virtual_unit.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "link/frame.h"
#include "link/services.h"

namespace varnok::unit {

namespace {

// While the program has the port closed the pseudo-terminal reports a
// hang-up at once; look again this often.
constexpr std::chrono::milliseconds kClosedPortPoll{10};
// Longest sleep when nothing is due: bounds how late a session time-out is noticed.
constexpr std::chrono::milliseconds kIdlePoll{100};

struct Speed {
    speed_t code;
    std::uint32_t baud;
};
constexpr Speed kSpeeds[] = {
    {B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
    {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200},
};

std::uint32_t BaudOf(speed_t code) {
    for (const Speed& s : kSpeeds) {
        if (s.code == code) return s.baud;
    }
    return 0;
}

bool CodeOf(std::uint32_t baud, speed_t& code) {
    for (const Speed& s : kSpeeds) {
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    }
    return false;
}

bool SetRaw(int fd, std::uint32_t baud) {
    termios tio{};
    speed_t code{};
    if (tcgetattr(fd, &tio) != 0 || !CodeOf(baud, code)) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, code);
    cfsetospeed(&tio, code);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

void Signal(int fd) {
    const std::uint64_t one = 1;
    while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

timespec Timespec(std::chrono::nanoseconds wait) {
    const auto ns = std::max<std::int64_t>(0, wait.count());
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

VirtualUnit::VirtualUnit(UnitOptions options)
    : devicePath(options.device),
      pseudoTerminal(options.device.empty()),
      line(options.line),
      model(options.model),
      silentSecondsBase(started),
      traceStream(&std::cerr),
      random(options.model.seed) {}

VirtualUnit::~VirtualUnit() {
    Stop();
}

std::int64_t VirtualUnit::ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
}

bool VirtualUnit::Start(std::string& error) {
    if (Serving()) {
        return true;
    }
    if (pseudoTerminal) {
        port = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        char name[128] = {};
        if (port < 0 || grantpt(port) != 0 || unlockpt(port) != 0 ||
            ptsname_r(port, name, sizeof name) != 0) {
            error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
            Stop();
            return false;
        }
        devicePath = name;
    } else {
        port = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (port < 0) {
            error = "cannot open " + devicePath + ": " + std::strerror(errno);
            return false;
        }
    }
    // The line starts raw at 9600 baud; on a pseudo-terminal the program
    // sets its own parameters when it opens its side.
    if (!SetRaw(port, kLineBaud)) {
        error = "cannot set the line parameters of " + devicePath;
        Stop();
        return false;
    }
    deviceBaud = kLineBaud;
    stopEvent = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stopEvent < 0) {
        error = "cannot create an event";
        Stop();
        return false;
    }
    {
        std::lock_guard lock(mutex);
        silentSecondsBase = Clock::now();
        if (line.trace && traceStream != nullptr) {
            *traceStream << "# varnok-unit on " << devicePath
                         << ": time s, line baud, rx from the program, tx from the unit\n"
                         << std::flush;
        }
    }
    thread = std::thread([this] { Loop(); });
    return true;
}

void VirtualUnit::Stop() {
    if (thread.joinable()) {
        Signal(stopEvent);
        thread.join();
    }
    for (int* fd : {&port, &stopEvent}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
}

std::string VirtualUnit::PortName() const {
    const std::string dev = "/dev/";
    return devicePath.rfind(dev, 0) == 0 ? devicePath.substr(dev.size()) : devicePath;
}

std::uint32_t VirtualUnit::LineBaud() const {
    if (pseudoTerminal && port >= 0) {
        termios tio{};
        if (tcgetattr(port, &tio) == 0) {
            return BaudOf(cfgetospeed(&tio));
        }
    }
    return deviceBaud.load();
}

void VirtualUnit::SetDeviceBaud(std::uint32_t baud) {
    if (pseudoTerminal || baud == 0 || baud == deviceBaud.load()) {
        return;
    }
    // Let the last answer leave at the old speed first.
    tcdrain(port);
    termios tio{};
    speed_t code{};
    if (tcgetattr(port, &tio) == 0 && CodeOf(baud, code)) {
        cfsetispeed(&tio, code);
        cfsetospeed(&tio, code);
        if (tcsetattr(port, TCSANOW, &tio) == 0) {
            deviceBaud = baud;
        }
    }
}

LineOptions VirtualUnit::Line() const {
    std::lock_guard lock(mutex);
    return line;
}

void VirtualUnit::SetLine(const LineOptions& options) {
    std::lock_guard lock(mutex);
    line = options;
}

void VirtualUnit::SetEcho(bool on) {
    std::lock_guard lock(mutex);
    line.echo = on;
}

void VirtualUnit::SetPacing(bool on) {
    std::lock_guard lock(mutex);
    line.pace = on;
}

void VirtualUnit::SetPending(int count) {
    std::lock_guard lock(mutex);
    line.pendingCount = std::max(0, count);
}

void VirtualUnit::SetCorruptShare(double share) {
    std::lock_guard lock(mutex);
    line.corruptShare = std::clamp(share, 0.0, 1.0);
}

void VirtualUnit::SetAnswerDelay(int milliseconds) {
    std::lock_guard lock(mutex);
    line.answerDelayMs = std::max(0, milliseconds);
}

void VirtualUnit::SetMisdirectShare(double share) {
    std::lock_guard lock(mutex);
    line.misdirectShare = std::clamp(share, 0.0, 1.0);
}

void VirtualUnit::SetAnswerStartCommunication(bool on) {
    std::lock_guard lock(mutex);
    line.answerStartCommunication = on;
}

void VirtualUnit::SetTrace(bool on) {
    std::lock_guard lock(mutex);
    line.trace = on;
}

void VirtualUnit::SetTraceStream(std::ostream* stream) {
    std::lock_guard lock(mutex);
    traceStream = stream;
}

void VirtualUnit::PressPedal(double percent) {
    WithModel([percent](UnitModel& m) { m.PedalDriver().Press(percent); });
}

bool VirtualUnit::SetValue(std::uint16_t object, std::uint16_t offset, std::uint16_t length,
                           std::int64_t value) {
    return WithModel([&](UnitModel& m) { return m.Poke(object, offset, length, value); });
}

void VirtualUnit::GoSilent() {
    std::lock_guard lock(mutex);
    silent = true;
}

void VirtualUnit::SetSilentAfterFrames(long frames) {
    std::lock_guard lock(mutex);
    line.silentAfterFrames = frames;
    silentFramesBase = framesReceived.load();
}

void VirtualUnit::SetSilentAfterSeconds(double seconds) {
    std::lock_guard lock(mutex);
    line.silentAfterSeconds = seconds;
    silentSecondsBase = Clock::now();
}

void VirtualUnit::Talk() {
    std::lock_guard lock(mutex);
    silent = false;
    line.silentAfterFrames = -1;
    line.silentAfterSeconds = -1;
}

bool VirtualUnit::Silent() const {
    std::lock_guard lock(mutex);
    return SilentLocked();
}

bool VirtualUnit::SilentLocked() const {
    if (silent) {
        return true;
    }
    if (line.silentAfterFrames >= 0 && framesReceived.load() - silentFramesBase >
                                           static_cast<std::uint32_t>(line.silentAfterFrames)) {
        return true;
    }
    return line.silentAfterSeconds >= 0 &&
           std::chrono::duration<double>(Clock::now() - silentSecondsBase).count() >=
               line.silentAfterSeconds;
}

void VirtualUnit::TraceLocked(const char* direction, const std::vector<std::uint8_t>& frame,
                              const char* remark) {
    if (!line.trace || traceStream == nullptr) {
        return;
    }
    char head[64];
    std::snprintf(head, sizeof head, "%10.3f %6u  %s ",
                  std::chrono::duration<double>(Clock::now() - started).count(),
                  static_cast<unsigned>(LineBaud()), direction);
    std::string text = head;
    for (std::uint8_t b : frame) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        text += hex;
    }
    if (remark != nullptr) {
        text += std::string("  (") + remark + ")";
    }
    *traceStream << text << '\n' << std::flush;
}

std::vector<std::uint8_t> VirtualUnit::AnswerFrame(std::uint8_t target,
                                                   const std::vector<std::uint8_t>& data) {
    LinkBuffer buffer;
    BuildFrame(buffer, target, kUnitAddress, static_cast<std::uint16_t>(data.size()), data.data());
    const auto length = static_cast<std::size_t>(FrameLength(buffer.frame));
    std::vector<std::uint8_t> frame(buffer.frame.begin(),
                                    buffer.frame.begin() + static_cast<std::ptrdiff_t>(length - 1));
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame) {
        sum = static_cast<std::uint8_t>(sum + b);
    }
    if (line.corruptShare > 0 &&
        std::uniform_real_distribution<double>(0.0, 1.0)(random) < line.corruptShare) {
        ++sum;
    }
    frame.push_back(sum);
    return frame;
}

void VirtualUnit::OnFrame(FrameAssembler::Result result, LineSchedule::Time passed) {
    const std::vector<std::uint8_t>& frame = assembler.Frame();
    if (result == FrameAssembler::Result::BadChecksum) {
        TraceLocked("rx", frame, "bad checksum, ignored");
        return;
    }
    const FrameBytes& bytes = assembler.Bytes();
    if (FrameTarget(bytes) != kUnitAddress) {
        TraceLocked("rx", frame, "not for the unit");
        return;
    }
    const std::uint8_t service = FrameService(bytes);
    ++framesReceived;
    ++requestsReceived[service];
    if (SilentLocked()) {
        TraceLocked("rx", frame, "silent");
        return;
    }
    if (service == 0x81 && !line.answerStartCommunication) {
        TraceLocked("rx", frame, "StartCommunication not answered");
        return;
    }
    const std::uint8_t* data = bytes.data() + FrameData(bytes);
    std::vector<std::uint8_t> request(data, data + FrameDataLength(bytes));
    bool misdirect = false;
    if (service == kReadDataObject) {
        // A misdirected read is answered as the read before it was.
        std::vector<std::uint8_t> asked = request;
        misdirect = !lastRead.empty() && lastRead != request && line.misdirectShare > 0 &&
                    std::uniform_real_distribution<double>(0.0, 1.0)(random) < line.misdirectShare;
        if (misdirect) {
            request = lastRead;
        }
        lastRead = std::move(asked);
    }
    TraceLocked("rx", frame, misdirect ? "answered as the read before" : nullptr);
    const std::int64_t now = ElapsedMs();
    model.AdvanceTo(now);
    const ServiceAnswer answer = services.Handle(request.data(), request.size(), now);
    if (answer.data.empty()) {
        return;
    }
    const std::uint8_t source = FrameSource(bytes);
    LineSchedule::Time at = passed + std::chrono::milliseconds(line.answerDelayMs);
    for (int i = 0; i < line.pendingCount; ++i) {
        const auto pending = AnswerFrame(source, Refusal(service, kResponsePending));
        schedule.Queue(pending, at, LineSchedule::Note{pending, 0});
        at += std::chrono::milliseconds(line.pendingGapMs);
    }
    const auto frameOut = AnswerFrame(source, answer.data);
    schedule.Queue(frameOut, at, LineSchedule::Note{frameOut, answer.baudAfter});
    ++framesAnswered;
}

void VirtualUnit::OnBytes(const std::uint8_t* bytes, std::size_t count, Clock::time_point arrival) {
    std::lock_guard lock(mutex);
    schedule.SetByteTime(line.pace ? LineSchedule::ByteTime(LineBaud())
                                   : LineSchedule::Duration{0});
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(arrival - started).count();
    for (std::size_t i = 0; i < count; ++i) {
        // The echo is the program's own byte coming back as it passes the line.
        const LineSchedule::Time passed =
            line.echo ? schedule.Queue({bytes[i]}, arrival) : schedule.Receive(arrival);
        const FrameAssembler::Result result = assembler.Feed(bytes[i], micros);
        if (result != FrameAssembler::Result::Incomplete) {
            OnFrame(result, passed);
        }
    }
}

void VirtualUnit::AfterFrames(const std::vector<LineSchedule::Note>& finished) {
    for (const LineSchedule::Note& note : finished) {
        {
            std::lock_guard lock(mutex);
            TraceLocked("tx", note.frame, nullptr);
        }
        SetDeviceBaud(note.baudAfter);
    }
}

void VirtualUnit::ServePort(std::vector<LineSchedule::Note>& finished) {
    const auto now = Clock::now();
    std::lock_guard lock(mutex);
    if (schedule.Empty() || schedule.NextDue() > now) {
        return;
    }
    const std::vector<std::uint8_t> due = schedule.DueBytes(now);
    const ssize_t written = write(port, due.data(), due.size());
    if (written > 0) {
        schedule.Consume(static_cast<std::size_t>(written), finished);
    } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
        schedule.Clear();  // the port has failed: what was on the way is lost
    }
}

void VirtualUnit::Loop() {
    // Wake-ups within microseconds, so that paced bytes leave on time.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::vector<LineSchedule::Note> finished;
    bool farEndClosed = false;
    for (;;) {
        finished.clear();
        ServePort(finished);
        AfterFrames(finished);

        auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(kIdlePoll);
        bool writeBlocked = false;
        {
            std::lock_guard lock(mutex);
            // A session that has been quiet too long ends by itself.
            SetDeviceBaud(services.Expire(ElapsedMs()));
            if (!schedule.Empty()) {
                const auto until = schedule.NextDue() - Clock::now();
                writeBlocked = until <= std::chrono::nanoseconds{0};
                wait = std::min(wait, std::max(std::chrono::nanoseconds{0}, until));
            }
        }
        if (farEndClosed) {
            wait = std::min(wait,
                            std::chrono::duration_cast<std::chrono::nanoseconds>(kClosedPortPoll));
        }
        pollfd fds[2] = {
            {farEndClosed ? -1 : port, static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0)),
             0},
            {stopEvent, POLLIN, 0},
        };
        const timespec timeout = Timespec(wait);
        if (ppoll(fds, 2, &timeout, nullptr) < 0 && errno != EINTR) {
            break;
        }
        if (fds[1].revents != 0) {
            break;
        }
        if (farEndClosed) {
            // Look whether the program has opened its side again.
            pollfd probe{port, POLLIN, 0};
            farEndClosed = poll(&probe, 1, 0) > 0 && (probe.revents & POLLHUP) != 0 &&
                           (probe.revents & POLLIN) == 0;
            continue;
        }
        const short revents = fds[0].revents;
        if ((revents & POLLIN) != 0) {
            std::uint8_t bytes[256];
            const ssize_t n = read(port, bytes, sizeof bytes);
            if (n > 0) {
                OnBytes(bytes, static_cast<std::size_t>(n), Clock::now());
                continue;
            }
        }
        if ((revents & (POLLHUP | POLLERR)) != 0) {
            // The program has closed its side: what was on the way is lost.
            std::lock_guard lock(mutex);
            schedule.Clear();
            assembler.Reset();
            farEndClosed = true;
        }
    }
}

}  // namespace varnok::unit
