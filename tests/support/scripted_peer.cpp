#include "tests/support/scripted_peer.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <numeric>

#include "link/frame.h"

namespace varnok::test {

std::uint32_t LineBaud(int master) {
    termios tio{};
    if (tcgetattr(master, &tio) != 0) return 0;
    switch (cfgetospeed(&tio)) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
    }
}

ScriptedPeer::ScriptedPeer(Script s, bool e) : script(std::move(s)), echo(e) {
    thread = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    stop = true;
    thread.join();
}

std::vector<PeerFrame> ScriptedPeer::Frames() {
    std::lock_guard lock(framesLock);
    return frames;
}

std::vector<PeerFrame> ScriptedPeer::WaitForFrames(std::size_t count,
                                                   std::chrono::milliseconds limit) {
    std::unique_lock lock(framesLock);
    framesArrived.wait_for(lock, limit, [&] { return frames.size() >= count; });
    return frames;
}

void ScriptedPeer::Answer(const std::vector<std::uint8_t>& data) {
    LinkBuffer buffer;
    BuildFrame(buffer, 0xF0, 0x10, static_cast<std::uint16_t>(data.size()), data.data());
    const int length = FrameLength(buffer.frame);
    std::vector<std::uint8_t> out(buffer.frame.begin(), buffer.frame.begin() + length - 1);
    out.push_back(static_cast<std::uint8_t>(std::accumulate(out.begin(), out.end(), 0u)));
    pty.Write(out);
}

void ScriptedPeer::Run() {
    using Clock = std::chrono::steady_clock;
    std::vector<std::uint8_t> pending;
    auto lastByte = Clock::now();
    while (!stop) {
        pollfd pfd{pty.Master(), POLLIN, 0};
        if (poll(&pfd, 1, 5) <= 0 || (pfd.revents & POLLIN) == 0) {
            // A frame cut short is forgotten after a quiet spell.
            if (!pending.empty() && Clock::now() - lastByte > std::chrono::milliseconds(30)) {
                pending.clear();
            }
            if ((pfd.revents & (POLLHUP | POLLERR)) != 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            continue;
        }
        std::uint8_t bytes[512];
        const ssize_t n = read(pty.Master(), bytes, sizeof bytes);
        if (n <= 0) continue;
        lastByte = Clock::now();
        if (echo) pty.Write({bytes, bytes + n});
        pending.insert(pending.end(), bytes, bytes + n);
        for (;;) {
            if (pending.empty()) break;
            FrameBytes frame{};
            std::copy_n(pending.begin(), std::min<std::size_t>(pending.size(), frame.size()),
                        frame.begin());
            const auto length = static_cast<std::size_t>(FrameLength(frame));
            if (pending.size() < length || pending.size() < 4) break;
            const auto sum = static_cast<std::uint8_t>(std::accumulate(
                pending.begin(), pending.begin() + static_cast<long>(length) - 1, 0u));
            if (sum != pending[length - 1]) {
                pending.erase(pending.begin());  // resynchronise on the next byte
                continue;
            }
            const auto start = pending.begin() + FrameData(frame);
            std::vector<std::uint8_t> data(start, start + FrameDataLength(frame));
            pending.erase(pending.begin(), pending.begin() + static_cast<long>(length));
            if (FrameTarget(frame) != 0x10) continue;
            {
                std::lock_guard lock(framesLock);
                frames.push_back({data, LineBaud(pty.Master())});
            }
            framesArrived.notify_all();
            for (const auto& answer : script(data)) Answer(answer);
        }
    }
}

}  // namespace varnok::test
