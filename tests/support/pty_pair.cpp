#include "tests/support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace varnok::test {

PtyPair::PtyPair() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    char name[128] = {};
    if (ptsname_r(master, name, sizeof name) != 0) {
        throw std::runtime_error("cannot name the pseudo-terminal");
    }
    slavePath = name;
    slaveHold = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    // The master side passes bytes through unchanged.
    termios tio{};
    if (tcgetattr(master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
    }
}

PtyPair::~PtyPair() {
    HangUp();
}

void PtyPair::HangUp() {
    if (master >= 0) {
        close(master);
        master = -1;
    }
    if (slaveHold >= 0) {
        close(slaveHold);
        slaveHold = -1;
    }
}

void PtyPair::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else {
            pollfd pfd{master, POLLOUT, 0};
            poll(&pfd, 1, 100);
        }
    }
}

std::vector<std::uint8_t> PtyPair::Read(std::size_t count, std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        std::uint8_t buffer[512];
        const ssize_t n = read(master, buffer, std::min(sizeof buffer, count - out.size()));
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            // EIO while nobody has the slave open: keep waiting for the opener.
            pollfd none{-1, 0, 0};
            poll(&none, 0, 5);
        }
    }
    return out;
}

std::vector<std::uint8_t> PtyPair::ReadUntilQuiet(std::chrono::milliseconds quiet,
                                                  std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + limit;
    auto lastByte = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end || now - lastByte >= quiet) {
            break;
        }
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 5) > 0) {
            std::uint8_t buffer[512];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) {
                out.insert(out.end(), buffer, buffer + n);
                lastByte = std::chrono::steady_clock::now();
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> Bytes(const std::string& hex) {
    std::vector<std::uint8_t> out;
    std::istringstream in(hex);
    std::string word;
    while (in >> word) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buffer[8];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, i == 0 ? "%02X" : " %02X", bytes[i]);
        out += buffer;
    }
    return out;
}

}  // namespace varnok::test
