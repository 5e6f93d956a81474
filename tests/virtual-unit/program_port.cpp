#include "tests/virtual-unit/program_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "link/frame.h"

namespace varnok::test {

namespace {

speed_t Code(std::uint32_t baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

}  // namespace

ProgramPort::ProgramPort(const std::string& path, std::uint32_t baud) {
    fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    ioctl(fd, TIOCEXCL);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &tio);
    SetBaud(baud);
    tcflush(fd, TCIOFLUSH);
}

ProgramPort::~ProgramPort() {
    Close();
}

void ProgramPort::Close() {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

bool ProgramPort::SetBaud(std::uint32_t baud) {
    termios tio{};
    return fd >= 0 && tcgetattr(fd, &tio) == 0 && cfsetispeed(&tio, Code(baud)) == 0 &&
           cfsetospeed(&tio, Code(baud)) == 0 && tcsetattr(fd, TCSANOW, &tio) == 0;
}

void ProgramPort::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else {
            pollfd pfd{fd, POLLOUT, 0};
            poll(&pfd, 1, 100);
        }
    }
}

std::vector<std::uint8_t> ProgramPort::Read(std::size_t count, std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (fd >= 0 && out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        std::uint8_t buffer[512];
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, count - out.size()));
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
        }
    }
    return out;
}

std::vector<std::uint8_t> ProgramPort::ReadUntilQuiet(std::chrono::milliseconds quiet,
                                                      std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + limit;
    auto last = std::chrono::steady_clock::now();
    while (fd >= 0) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end || now - last >= quiet) {
            break;
        }
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 2) > 0) {
            std::uint8_t buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                out.insert(out.end(), buffer, buffer + n);
                last = std::chrono::steady_clock::now();
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> Request(const std::vector<std::uint8_t>& data) {
    LinkBuffer buffer;
    BuildFrame(buffer, 0x10, 0xF0, static_cast<std::uint16_t>(data.size()), data.data());
    const int length = FrameLength(buffer.frame);
    std::vector<std::uint8_t> frame(buffer.frame.begin(), buffer.frame.begin() + length - 1);
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame) sum = static_cast<std::uint8_t>(sum + b);
    frame.push_back(sum);
    return frame;
}

}  // namespace varnok::test
