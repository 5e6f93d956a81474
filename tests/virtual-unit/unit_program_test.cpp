// The varnok-unit program as a user or a script runs it: the port name on
// the first line, commands on standard input, options on the command line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/pty_pair.h"
#include "tests/virtual-unit/program_port.h"

namespace varnok::test {
namespace {

using namespace std::chrono_literals;

// varnok-unit started with pipes on its standard input and output.
class UnitProgram {
public:
    explicit UnitProgram(const std::vector<std::string>& args) {
        int in[2];
        int out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(VARNOK_UNIT_PROGRAM)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(VARNOK_UNIT_PROGRAM, argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input = in[1];
        output = out[0];
    }

    ~UnitProgram() {
        if (input >= 0) close(input);
        if (output >= 0) close(output);
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    void Send(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(write(input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    std::string ReadLine(std::chrono::milliseconds limit = 2000ms) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (pending.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd pfd{output, POLLIN, 0};
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
            char chunk[256];
            const ssize_t n = read(output, chunk, sizeof chunk);
            if (n <= 0) break;
            pending.append(chunk, static_cast<std::size_t>(n));
        }
        const std::size_t newline = pending.find('\n');
        if (newline == std::string::npos) return "(nothing)";
        const std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        return line;
    }

    // The exit code, waiting up to `limit`; -1 if it is still running.
    int Wait(std::chrono::milliseconds limit = 2000ms) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            poll(nullptr, 0, 5);
        }
        return -1;
    }

    void CloseInput() {
        close(input);
        input = -1;
    }

    pid_t Pid() const { return pid; }

private:
    pid_t pid = -1;
    int input = -1;
    int output = -1;
    bool exited = false;
    std::string pending;
};

TEST(UnitProgram, PrintsItsPortAndTakesCommands) {
    UnitProgram program({"--no-echo", "--no-driver"});
    const std::string name = program.ReadLine();
    ASSERT_EQ(name.rfind("pts/", 0), 0u) << name;

    ProgramPort port("/dev/" + name);
    ASSERT_TRUE(port.IsOpen());
    port.Write(Request({0x81}));
    EXPECT_EQ(Hex(port.Read(7, 2000ms)), "83 F0 10 C1 EF 8F C2");

    program.Send("get 1009 2");
    EXPECT_EQ(program.ReadLine(), "650");
    program.Send("silent");
    EXPECT_EQ(program.ReadLine(), "ok");
    port.Write(Request({0x81}));
    EXPECT_EQ(Hex(port.ReadUntilQuiet(100ms, 500ms)), "");
    program.Send("talk");
    EXPECT_EQ(program.ReadLine(), "ok");
    port.Write(Request({0x81}));
    EXPECT_EQ(Hex(port.Read(7, 2000ms)), "83 F0 10 C1 EF 8F C2");
    program.Send("no such thing");
    EXPECT_EQ(program.ReadLine().rfind("error: ", 0), 0u);

    program.Send("quit");
    EXPECT_EQ(program.Wait(), 0);
}

TEST(UnitProgram, KeepsServingAfterItsInputEndsUntilASignal) {
    UnitProgram program({"--no-echo"});
    const std::string name = program.ReadLine();
    ASSERT_EQ(name.rfind("pts/", 0), 0u) << name;
    program.CloseInput();  // as when started in the background

    ProgramPort port("/dev/" + name);
    port.Write(Request({0x81}));
    EXPECT_EQ(Hex(port.Read(7, 2000ms)), "83 F0 10 C1 EF 8F C2");
    EXPECT_EQ(program.Wait(100ms), -1) << "still serving";
    kill(program.Pid(), SIGTERM);
    EXPECT_EQ(program.Wait(), 0) << "a clean stop";
}

TEST(UnitProgram, RefusesBadOptions) {
    UnitProgram bad({"--pending", "lots"});
    EXPECT_EQ(bad.Wait(), 2);
    UnitProgram help({"--help"});
    EXPECT_EQ(help.ReadLine().rfind("Usage: varnok-unit", 0), 0u);
    EXPECT_EQ(help.Wait(), 0);
}

}  // namespace
}  // namespace varnok::test
