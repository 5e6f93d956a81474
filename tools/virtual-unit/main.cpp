// varnok-unit: a simulated engine control unit for Varnok.
//
// Prints the port name to type in the program ("pts/N") on the first line
// of standard output, then serves that port until it is told "quit", or
// until SIGINT or SIGTERM. Commands come on standard input, one per line,
// and each gets one reply (or several lines for "help"). When standard
// input ends the unit goes on serving until a signal stops it, so it can be
// started in the background.
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "tools/virtual-unit/unit_commands.h"
#include "tools/virtual-unit/unit_options.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace {

int stopSignal = -1;

void OnSignal(int) {
    const std::uint64_t one = 1;
    const int saved = errno;
    (void)!write(stopSignal, &one, sizeof one);
    errno = saved;
}

bool Serve(varnok::unit::VirtualUnit& unit) {
    varnok::unit::UnitCommands commands(unit);
    std::string pending;
    bool inputOpen = true;
    for (;;) {
        pollfd fds[2] = {{inputOpen ? STDIN_FILENO : -1, POLLIN, 0}, {stopSignal, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents != 0) {
            return true;
        }
        if (fds[0].revents == 0) {
            continue;
        }
        char chunk[512];
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            inputOpen = false;  // go on serving until a signal comes
            continue;
        }
        pending.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line == "quit" || line == "exit") {
                return true;
            }
            const std::string reply = commands.Run(line);
            if (!reply.empty()) {
                std::cout << reply << (reply.back() == '\n' ? "" : "\n") << std::flush;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    varnok::unit::UnitOptions options;
    bool help = false;
    std::string error;
    if (!varnok::unit::ParseUnitOptions({argv + 1, argv + argc}, options, help, error)) {
        std::cerr << "varnok-unit: " << error << "\n\n" << varnok::unit::UnitUsage();
        return 2;
    }
    if (help) {
        std::cout << varnok::unit::UnitUsage() << '\n' << varnok::unit::UnitCommands::Help();
        return 0;
    }

    stopSignal = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    varnok::unit::VirtualUnit unit(options);
    if (stopSignal < 0 || !unit.Start(error)) {
        std::cerr << "varnok-unit: " << (error.empty() ? "cannot start" : error) << '\n';
        return 1;
    }
    std::cout << unit.PortName() << '\n' << std::flush;
    std::cerr << "varnok-unit: serving " << unit.DevicePath() << "; type \"help\" for commands\n";
    const bool ok = Serve(unit);
    unit.Stop();
    return ok ? 0 : 1;
}
