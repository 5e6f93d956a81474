#include "bench/bench_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace varnok::bench {

namespace {

// Waits up to `timeout` for the child to end; true when it has been reaped.
bool Reap(pid_t pid, std::chrono::milliseconds timeout) {
    const auto end = BenchClock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            return true;
        }
        if (BenchClock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) {
            return std::strtol(line.c_str() + length, nullptr, 10);
        }
    }
    return 0;
}

}  // namespace

UnitProcess::UnitProcess(std::vector<std::string> unitOptions) : options(std::move(unitOptions)) {}

UnitProcess::~UnitProcess() {
    Stop();
}

bool UnitProcess::Start(std::string& error) {
    int toUnit[2] = {-1, -1};
    int fromUnit[2] = {-1, -1};
    if (pipe2(toUnit, O_CLOEXEC) != 0 || pipe2(fromUnit, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toUnit[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromUnit[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<std::string> args{VARNOK_UNIT_PROGRAM};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toUnit[0]);
    close(fromUnit[1]);
    if (spawned != 0) {
        pid = -1;
        close(toUnit[1]);
        close(fromUnit[0]);
        error = std::string("cannot start " VARNOK_UNIT_PROGRAM ": ") + std::strerror(spawned);
        return false;
    }
    commands = toUnit[1];

    // The first line of its output is the port name.
    std::string line;
    const auto end = BenchClock::now() + std::chrono::seconds(5);
    while (line.find('\n') == std::string::npos && BenchClock::now() < end) {
        pollfd fd{fromUnit[0], POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0) continue;
        char chunk[128];
        const ssize_t n = read(fromUnit[0], chunk, sizeof chunk);
        if (n <= 0) break;
        line.append(chunk, static_cast<std::size_t>(n));
    }
    close(fromUnit[0]);
    const std::size_t newline = line.find('\n');
    if (newline == std::string::npos) {
        error = "varnok-unit printed no port name";
        Stop();
        return false;
    }
    portName = line.substr(0, newline);
    return true;
}

void UnitProcess::Stop() {
    if (pid <= 0) {
        return;
    }
    if (commands >= 0) {
        const char quit[] = "quit\n";
        (void)!write(commands, quit, sizeof quit - 1);
        close(commands);
        commands = -1;
    }
    if (!Reap(pid, std::chrono::seconds(2))) {
        kill(pid, SIGTERM);
        if (!Reap(pid, std::chrono::seconds(2))) {
            kill(pid, SIGKILL);
            Reap(pid, std::chrono::seconds(2));
        }
    }
    pid = -1;
}

double UnitProcess::CpuSeconds() const {
    if (pid <= 0) {
        return 0;
    }
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which ends with the last ')': state is
    // field 3, utime 14 and stime 15.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && (fields >> field); ++i) {
        if (i >= 14) ticks += std::strtod(field.c_str(), nullptr);
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void LinkWatch::Attach(PosixSerialChannel& channel, Link& link) {
    channel.SetStepObserver([this, &link](PosixSerialChannel::Step step) { OnStep(step, link); });
}

void LinkWatch::Record(bool on) {
    recording.store(on);
    Clear();
}

void LinkWatch::OnStep(PosixSerialChannel::Step step, const Link& link) {
    if (linkThread.load(std::memory_order_relaxed) == 0) {
        linkThread.store(gettid());
    }
    if (!recording.load(std::memory_order_relaxed)) {
        return;
    }
    if (step == PosixSerialChannel::Step::Receive) {
        // The byte about to be stored completes the frame when the bytes so
        // far are all of it but the checksum; at four bytes the header,
        // length byte included, is in.
        const LinkBuffer& rx = link.ReceiveBuffer();
        if (rx.state != 0 || rx.count < 4 || rx.count + 1 != FrameLength(rx.frame) ||
            FrameTarget(rx.frame) != 0xF0) {
            return;
        }
        AnswerEnd end{BenchClock::now()};
        const auto data = static_cast<std::size_t>(FrameData(rx.frame));
        if (FrameService(rx.frame) == 0xE0 && FrameDataLength(rx.frame) >= 5) {
            end.read = true;
            end.object = static_cast<std::uint16_t>(rx.frame[data + 1] | rx.frame[data + 2] << 8);
            end.offset = static_cast<std::uint16_t>(rx.frame[data + 3] | rx.frame[data + 4] << 8);
        }
        std::lock_guard guard(lock);
        answers.push_back(end);
    } else if (step == PosixSerialChannel::Step::Transmit) {
        const LinkBuffer& tx = link.TransmitBuffer();
        if (tx.state == 0 && tx.count == 0) {
            const auto now = BenchClock::now();
            std::lock_guard guard(lock);
            requestStarts.push_back(now);
        }
    }
}

void LinkWatch::Clear() {
    std::lock_guard guard(lock);
    answers.clear();
    requestStarts.clear();
}

std::vector<LinkWatch::AnswerEnd> LinkWatch::Answers() {
    std::lock_guard guard(lock);
    return {answers.begin(), answers.end()};
}

std::vector<BenchClock::time_point> LinkWatch::RequestStarts() {
    std::lock_guard guard(lock);
    return requestStarts;
}

bool LinkWatch::TakeAnswer(std::uint16_t object, std::uint16_t offset, BenchClock::time_point& at) {
    std::lock_guard guard(lock);
    while (!answers.empty()) {
        const AnswerEnd front = answers.front();
        answers.pop_front();
        if (front.read && front.object == object && front.offset == offset) {
            at = front.at;
            return true;
        }
    }
    return false;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ThreadCpuSeconds(pid_t thread) {
    std::ifstream schedstat("/proc/self/task/" + std::to_string(thread) + "/schedstat");
    double nanoseconds = 0;
    schedstat >> nanoseconds;
    return nanoseconds * 1e-9;
}

double AllThreadsCpuSeconds() {
    double seconds = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        seconds += ThreadCpuSeconds(std::stoi(task.path().filename().string()));
    }
    return seconds;
}

long ResidentKiB() {
    return StatusKiB("VmRSS:");
}

long PeakResidentKiB() {
    return StatusKiB("VmHWM:");
}

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(samples.size()));
    const auto index = static_cast<std::size_t>(std::clamp(rank, 1.0, double(samples.size()))) - 1;
    return samples[index];
}

double Median(std::vector<double> samples) {
    return Percentile(std::move(samples), 50);
}

}  // namespace varnok::bench
