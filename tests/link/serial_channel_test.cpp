#include <dirent.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <thread>

#include "link/device_path.h"
#include "link/posix_serial_channel.h"
#include "tests/support/pty_pair.h"

namespace varnok::test {
namespace {

using namespace std::chrono_literals;

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++count;
        closedir(dir);
    }
    return count;
}

// Polls `condition` for up to `limit`; for results that the link thread
// produces in its own time.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 2000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

TEST(DevicePath, FromPortName) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM12", "/dev/ttyS11"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"pts/3", "/dev/pts/3"},
        {"/dev/ttyACM1", "/dev/ttyACM1"},
        {"COM0", "/dev/COM0"},
        {"COM", "/dev/COM"},
        {"COMx", "/dev/COMx"},
        {"", "/dev/"},
    };
    for (const auto& [name, path] : cases) {
        EXPECT_EQ(DevicePathForPort(name), path) << name;
    }
}

TEST(SerialChannel, MissingPortFailsAndClosesCleanly) {
    Link link;
    PosixSerialChannel channel(link);
    const int before = OpenDescriptors();
    EXPECT_EQ(channel.SerialOpen("/dev/varnok-no-such-port", 0xF0, 9600), 0);
    channel.SerialClose();
    EXPECT_FALSE(channel.LinkThreadRunning());
    EXPECT_EQ(OpenDescriptors(), before);
    channel.SerialClose();  // closing twice is harmless
}

TEST(SerialChannel, OpensRawEightNOneAndKeepsItAcrossABaudChange) {
    PtyPair pty;
    Link link;
    PosixSerialChannel channel(link);
    ASSERT_EQ(channel.SerialOpen(pty.SlavePath(), 0xF0, 9600), 1);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.Master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B9600);

    ASSERT_EQ(channel.SerialSetBaud(57600), 1);
    ASSERT_EQ(tcgetattr(pty.Master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B57600);
    EXPECT_EQ(cfgetispeed(&tio), B57600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);

    EXPECT_EQ(channel.SerialSetBaud(12345), 0) << "no such line speed";
    channel.SerialClose();
}

TEST(SerialChannel, ThePortIsOpenedExclusively) {
    PtyPair pty;
    Link first, second;
    PosixSerialChannel a(first), b(second);
    ASSERT_EQ(a.SerialOpen(pty.SlavePath(), 0xF0, 9600), 1);
    EXPECT_EQ(b.SerialOpen(pty.SlavePath(), 0xF0, 9600), 0);
    b.SerialClose();
    a.SerialClose();
}

TEST(SerialChannel, BytesArrivingTogetherAreTwoReceiveStepsBeforeTheNextTick) {
    PtyPair pty;
    Link link;
    PosixSerialChannel channel(link);
    std::mutex stepsLock;
    std::string steps;
    channel.SetStepObserver([&](PosixSerialChannel::Step step) {
        std::lock_guard lock(stepsLock);
        steps += static_cast<char>(step);
    });
    ASSERT_EQ(channel.SerialOpen(pty.SlavePath(), 0xF0, 9600), 1);
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(stepsLock);
        return steps.find('k') != std::string::npos;
    }));
    pty.Write(Bytes("83 F0"));
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(stepsLock);
        return steps.find('r') != std::string::npos;
    }));
    channel.SerialClose();
    const auto first = steps.find('r');
    EXPECT_EQ(steps.substr(first, 2), "rr") << steps;
    std::lock_guard lock(link.linkLock);
    EXPECT_EQ(link.ReceiveBuffer().count, 2);
}

TEST(SerialChannel, ARequestGoesOutExactlyAndItsAnswerIsHeld) {
    PtyPair pty;
    Link link;
    std::atomic<int> signals{0};
    link.SetSignalWorker([&] { ++signals; });
    PosixSerialChannel channel(link);
    ASSERT_EQ(channel.SerialOpen(pty.SlavePath(), 0xF0, 9600), 1);

    const auto read200 = Bytes("A0 C8 00 00 00 02 00");
    ASSERT_EQ(link.LinkSend(0x10, static_cast<std::uint16_t>(read200.size()), read200.data()), 1);
    // With the default gaps the request waits for 9 quiet ticks, then goes out.
    EXPECT_EQ(Hex(pty.Read(11, 2000ms)), "87 10 F0 A0 C8 00 00 00 02 00 F1");

    pty.Write(Bytes("87 10 F0 A0 C8 00 00 00 02 00 F1"));  // the adapter's echo
    pty.Write(Bytes("87 F0 10 E0 C8 00 00 00 34 12 75"));
    ASSERT_TRUE(Eventually([&] { return signals.load() > 0; }));
    std::uint8_t source = 0;
    std::uint16_t capacity = 260;
    std::array<std::uint8_t, 260> data{};
    ASSERT_EQ(link.LinkReceive(source, capacity, data.data()), 1);
    EXPECT_EQ(source, 0x10);
    EXPECT_EQ(Hex({data.begin(), data.begin() + capacity}), "E0 C8 00 00 00 34 12");
    EXPECT_EQ(link.FramesForMe(), 1u);
    channel.SerialClose();
}

TEST(SerialChannel, HangUpOfTheFarEndDoesNotMakeTheThreadSpin) {
    PtyPair pty;
    Link link;
    PosixSerialChannel channel(link);
    ASSERT_EQ(channel.SerialOpen(pty.SlavePath(), 0xF0, 9600), 1);
    pty.HangUp();
    const auto before = channel.LinkThreadCpuTime();
    std::this_thread::sleep_for(1s);
    const auto used = channel.LinkThreadCpuTime() - before;
    // Ticking alone costs a few milliseconds a second; a spinning thread
    // would use the whole second.
    EXPECT_LT(used, 200ms) << std::chrono::duration_cast<std::chrono::milliseconds>(used).count();
    EXPECT_TRUE(channel.LinkThreadRunning());
    const auto data = Bytes("81");
    link.LinkSend(0x10, 1, data.data());  // writes fail quietly; nothing hangs
    std::this_thread::sleep_for(50ms);
    channel.SerialClose();
    EXPECT_FALSE(channel.LinkThreadRunning());
}

}  // namespace
}  // namespace varnok::test
