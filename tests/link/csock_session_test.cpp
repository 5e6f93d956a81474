// The link object with its real worker thread, the real link thread and the
// POSIX channel, against a scripted unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <condition_variable>

#include "link/csock.h"
#include "link/posix_serial_channel.h"
#include "link/value_lock.h"
#include "tests/link/fake_line.h"
#include "tests/support/scripted_peer.h"

namespace varnok::test {
namespace {

using namespace std::chrono_literals;
using Notification = std::pair<std::uint16_t, std::uint16_t>;

// Answers reads with the low byte of the object number in every data byte.
std::vector<std::vector<std::uint8_t>> ObjectAnswer(const std::vector<std::uint8_t>& request) {
    return PositiveAnswer(request, request[0] == 0xA0 ? request[1] : 0);
}

class Session {
public:
    explicit Session(bool echo = true) : peer(ObjectAnswer, echo) {
        sock.SetNotifier([this](std::uint16_t object, std::uint16_t offset) {
            {
                std::lock_guard lock(notificationsLock);
                notifications.emplace_back(object, offset);
            }
            notified.notify_all();
        });
    }
    std::vector<Notification> WaitForNotifications(std::size_t count) {
        std::unique_lock lock(notificationsLock);
        notified.wait_for(lock, 5s, [&] { return notifications.size() >= count; });
        return notifications;
    }

    ScriptedPeer peer;
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    CSock sock{link, channel, clock};

private:
    std::mutex notificationsLock;
    std::condition_variable notified;
    std::vector<Notification> notifications;  // Guarded by notificationsLock.
};

std::string Line(const std::vector<PeerFrame>& frames) {
    std::string out;
    for (const auto& f : frames) {
        out += Hex(f.data) + " @" + std::to_string(f.baud) + "\n";
    }
    return out;
}

TEST(CSockSessionOverPty, ConnectReadCloseSendsExactlyTheSessionFrames) {
    for (bool echo : {true, false}) {
        SCOPED_TRACE(echo ? "with echo" : "without echo");
        Session s(echo);
        ASSERT_EQ(s.sock.OpenSession(s.peer.SlavePath(), 57600), 1);

        static std::uint8_t n1[2], n2[2], hours[4], idle[2];
        EXPECT_EQ(s.sock.ReadObject(100, 0, n1, 2, 0), 1);
        EXPECT_EQ(s.sock.ReadObject(102, 0, n2, 2, 0), 1);
        EXPECT_EQ(s.sock.ReadObject(803, 0, hours, 4, 0), 1);
        EXPECT_EQ(s.sock.ReadObject(1009, 16, idle, 2, 0), 1);
        const auto got = s.WaitForNotifications(4);
        EXPECT_EQ(got, (std::vector<Notification>{{100, 0}, {102, 0}, {803, 0}, {1009, 16}}));
        std::uint8_t value[4];
        CopyValue(value, hours, 4);
        EXPECT_EQ(Hex({value, value + 4}), "23 23 23 23");  // 803 = 0x323

        EXPECT_EQ(s.sock.CloseSession(), 1);
        EXPECT_FALSE(s.channel.LinkThreadRunning());
        EXPECT_EQ(Line(s.peer.WaitForFrames(9, 2s)),
                  "81 @9600\n"
                  "10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00 @9600\n"
                  "3E 01 @57600\n"
                  "A0 64 00 00 00 02 00 @57600\n"
                  "A0 66 00 00 00 02 00 @57600\n"
                  "A0 23 03 00 00 04 00 @57600\n"
                  "A0 F1 03 10 00 02 00 @57600\n"
                  "20 @57600\n"
                  "82 @9600\n");
    }
}

TEST(CSockSessionOverPty, ManyQueuedReadsWhileAnswersArrive) {
    Session s;
    ASSERT_EQ(s.sock.OpenSession(s.peer.SlavePath(), 57600), 1);
    static std::uint8_t buffers[8][4];
    const std::uint16_t objects[8] = {100, 102, 202, 203, 204, 111, 113, 803};
    std::size_t queued = 0;
    for (int round = 0; round < 40; ++round) {
        while (s.sock.QueueDepth() > 50) std::this_thread::sleep_for(1ms);
        for (int i = 0; i < 8; ++i) {
            const std::int32_t length = objects[i] == 803 ? 4 : 2;
            queued +=
                static_cast<std::size_t>(s.sock.ReadObject(objects[i], 0, buffers[i], length, 0));
        }
        // The main thread reads the buffers while the worker fills them.
        std::uint8_t copy[4];
        for (auto& buffer : buffers) CopyValue(copy, buffer, sizeof copy);
    }
    const auto got = s.WaitForNotifications(queued);
    EXPECT_EQ(got.size(), queued);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, objects[i % 8]) << i;
    }
    s.sock.CloseSession();
}

TEST(CSockSessionOverPty, UnitThatNeverAnswersStartCommunicationFailsTheConnect) {
    ScriptedPeer silent(
        [](const std::vector<std::uint8_t>&) { return std::vector<std::vector<std::uint8_t>>{}; });
    Link link;
    PosixSerialChannel channel(link);
    SteadyClock clock;
    CSock sock(link, channel, clock);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sock.OpenSession(silent.SlavePath(), 57600), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 1800ms);
    EXPECT_LT(took, 2500ms);
    EXPECT_EQ(sock.DropSession(), 1);
    EXPECT_FALSE(channel.LinkThreadRunning());
}

}  // namespace
}  // namespace varnok::test
