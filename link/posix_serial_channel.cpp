#include "link/posix_serial_channel.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace varnok {

namespace {

constexpr long kTickNanoseconds = 10'000'000;

bool BaudToSpeed(std::uint32_t baud, speed_t& speed) {
    switch (baud) {
        case 1200:
            speed = B1200;
            return true;
        case 2400:
            speed = B2400;
            return true;
        case 4800:
            speed = B4800;
            return true;
        case 9600:
            speed = B9600;
            return true;
        case 19200:
            speed = B19200;
            return true;
        case 38400:
            speed = B38400;
            return true;
        case 57600:
            speed = B57600;
            return true;
        case 115200:
            speed = B115200;
            return true;
        default:
            return false;
    }
}

bool SetLineParameters(int fd, std::uint32_t baud) {
    speed_t speed{};
    termios tio{};
    if (!BaudToSpeed(baud, speed) || tcgetattr(fd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);  // 8 data bits, no parity, binary, no echo, no XON/XOFF
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) {
        return false;
    }
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

void RaiseModemLines(int fd) {
    // A device without modem lines (a pseudo-terminal) refuses this; the
    // adapter then simply has no use for them.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIS, &lines);
}

void AskForLowLatency(int fd) {
    // USB serial adapters hold received bytes back for their latency timer
    // (16 ms by default on common chips), which would delay every answer.
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags = static_cast<int>(static_cast<unsigned>(serial.flags) | ASYNC_LOW_LATENCY);
        (void)ioctl(fd, TIOCSSERIAL, &serial);
    }
}

void Signal(int eventFd) {
    const std::uint64_t one = 1;
    ssize_t written = 0;
    do {
        written = write(eventFd, &one, sizeof one);
    } while (written < 0 && errno == EINTR);
}

std::uint64_t Drain(int fd) {
    std::uint64_t value = 0;
    return read(fd, &value, sizeof value) == sizeof value ? value : 0;
}

}  // namespace

PosixSerialChannel::PosixSerialChannel(Link& l) : link(l) {}

PosixSerialChannel::~PosixSerialChannel() {
    SerialClose();
}

int PosixSerialChannel::SerialOpen(const std::string& path, std::uint8_t ownAddress,
                                   std::uint32_t baud) {
    SerialClose();
    bool ok = true;

    link.Prepare(*this, ownAddress);

    port = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port < 0) {
        ok = false;
    } else {
        // TIOCEXCL keeps other openers out (root excepted); the advisory
        // lock also keeps out a second program that locks the port as well.
        if (ioctl(port, TIOCEXCL) != 0 || flock(port, LOCK_EX | LOCK_NB) != 0) {
            ok = false;
        }
        if (!SetLineParameters(port, baud)) {
            ok = false;
        }
        RaiseModemLines(port);
        AskForLowLatency(port);
        if (tcflush(port, TCIOFLUSH) != 0) {
            ok = false;
        }
    }

    transmitEvent = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    stopEvent = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    tickTimer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (transmitEvent < 0 || stopEvent < 0 || tickTimer < 0) {
        CloseDescriptors();
        return 0;
    }

    receivedHead = receivedTail = 0;
    portUsable = port >= 0;
    writeCompleted = false;
    writePending = false;
    thread = std::thread([this] { LinkThread(); });

    // The first tick comes at once (a zero value would disarm the timer).
    itimerspec period{};
    period.it_value.tv_nsec = 1;
    period.it_interval.tv_nsec = kTickNanoseconds;
    if (timerfd_settime(tickTimer, 0, &period, nullptr) != 0) {
        ok = false;
    }
    return ok ? 1 : 0;
}

int PosixSerialChannel::SerialSetBaud(std::uint32_t baud) {
    speed_t speed{};
    termios tio{};
    if (port < 0 || !BaudToSpeed(baud, speed) || tcgetattr(port, &tio) != 0) {
        return 0;
    }
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) {
        return 0;
    }
    return tcsetattr(port, TCSANOW, &tio) == 0 ? 1 : 0;
}

void PosixSerialChannel::SerialClose() {
    if (thread.joinable()) {
        Signal(stopEvent);
        thread.join();  // the thread leaves only between steps, with the lock released
    }
    CloseDescriptors();
}

void PosixSerialChannel::CloseDescriptors() {
    for (int* fd : {&port, &transmitEvent, &tickTimer, &stopEvent}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
}

std::chrono::nanoseconds PosixSerialChannel::LinkThreadCpuTime() const {
    if (!thread.joinable()) {
        return {};
    }
    clockid_t clock{};
    timespec used{};
    if (pthread_getcpuclockid(const_cast<std::thread&>(thread).native_handle(), &clock) != 0 ||
        clock_gettime(clock, &used) != 0) {
        return {};
    }
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

bool PosixSerialChannel::ReadByte(std::uint8_t& destination) {
    if (receivedHead == receivedTail) {
        return false;
    }
    destination = received[receivedHead++];
    return true;
}

bool PosixSerialChannel::WriteByte(std::uint8_t value) {
    if (!portUsable) {
        return false;
    }
    const ssize_t written = write(port, &value, 1);
    if (written == 1) {
        writeCompleted = true;
        writePending = false;
        return true;
    }
    if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
        // The driver's buffer is full: the byte goes out when the port is
        // writable again, and its completion then runs the transmit step.
        // A byte still waiting from an abandoned attempt is replaced.
        pendingByte = value;
        writePending = true;
        return true;
    }
    return false;
}

void PosixSerialChannel::StartTransmit() {
    Signal(transmitEvent);
}

bool PosixSerialChannel::FillReceiveBuffer() {
    const ssize_t n = read(port, received.data(), received.size());
    if (n > 0) {
        receivedHead = 0;
        receivedTail = static_cast<std::size_t>(n);
        return true;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        portUsable = false;  // hung up or failed
    }
    return false;
}

void PosixSerialChannel::FlushPendingWrite() {
    const ssize_t written = write(port, &pendingByte, 1);
    if (written == 1) {
        writePending = false;
        writeCompleted = true;
    } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
        writePending = false;
        portUsable = false;
    }
}

void PosixSerialChannel::Observe(Step step) {
    if (stepObserver) {
        stepObserver(step);
    }
}

void PosixSerialChannel::LinkThread() {
    enum { kPort, kTransmit, kTick, kStop };
    std::array<pollfd, 4> fds{};
    fds[kTransmit] = {transmitEvent, POLLIN, 0};
    fds[kTick] = {tickTimer, POLLIN, 0};
    fds[kStop] = {stopEvent, POLLIN, 0};
    std::uint64_t ticksOwed = 0;
    bool transmitOwed = false;

    for (;;) {
        const bool haveReceived = receivedHead != receivedTail;
        const bool readPort = portUsable && !haveReceived;
        const short portEvents = static_cast<short>((readPort ? POLLIN : 0) |
                                                    (portUsable && writePending ? POLLOUT : 0));
        fds[kPort] = {portEvents != 0 ? port : -1, portEvents, 0};
        const bool workWaiting = haveReceived || transmitOwed || writeCompleted || ticksOwed > 0;
        if (poll(fds.data(), fds.size(), workWaiting ? 0 : -1) < 0 && errno != EINTR) {
            break;
        }
        if (fds[kStop].revents != 0) {
            break;
        }
        const short portRevents = fds[kPort].revents;
        if ((portRevents & POLLOUT) != 0) {
            FlushPendingWrite();
        }
        if ((portRevents & POLLIN) != 0) {
            FillReceiveBuffer();
        } else if ((portRevents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            portUsable = false;  // stop polling a port that has gone away
        }
        if ((fds[kTransmit].revents & POLLIN) != 0 && Drain(transmitEvent) > 0) {
            transmitOwed = true;
        }
        if ((fds[kTick].revents & POLLIN) != 0) {
            ticksOwed += Drain(tickTimer);
        }
        if (writeCompleted) {
            writeCompleted = false;
            transmitOwed = true;
        }

        std::lock_guard lock(link.linkLock);
        if (receivedHead != receivedTail) {
            Observe(Step::Receive);
            link.LinkRxStep();
        } else if (transmitOwed) {
            transmitOwed = false;
            Observe(Step::Transmit);
            link.LinkTxStep();
        } else if (ticksOwed > 0) {
            --ticksOwed;
            Observe(Step::Tick);
            link.LinkTick();
        }
    }
}

}  // namespace varnok
