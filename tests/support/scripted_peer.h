// A scripted control unit on the master side of a pseudo-terminal, run on
// its own thread: it cuts the bytes it receives into frames, records each
// with the line's baud rate at that moment, and answers through a callback.
// Optionally it echoes every byte back, as a K-line adapter does.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/pty_pair.h"

namespace varnok::test {

struct PeerFrame {
    std::vector<std::uint8_t> data;  // service identifier first
    std::uint32_t baud;
};

class ScriptedPeer {
public:
    // Answers (data bytes, service first) to a request's data bytes.
    using Script = std::function<std::vector<std::vector<std::uint8_t>>(
        const std::vector<std::uint8_t>& request)>;

    explicit ScriptedPeer(Script script, bool echo = true);
    ~ScriptedPeer();

    const std::string& SlavePath() const { return pty.SlavePath(); }
    std::vector<PeerFrame> Frames();
    // The frames, once at least `count` have arrived or `limit` has passed:
    // bytes the program wrote just before it returned may not be read yet.
    std::vector<PeerFrame> WaitForFrames(std::size_t count, std::chrono::milliseconds limit);

private:
    void Run();
    void Answer(const std::vector<std::uint8_t>& data);

    PtyPair pty;
    Script script;
    bool echo;
    std::mutex framesLock;
    std::condition_variable framesArrived;
    std::vector<PeerFrame> frames;  // Guarded by framesLock.
    std::atomic<bool> stop{false};
    std::thread thread;
};

// The baud rate the program has set on its side of the pseudo-terminal.
std::uint32_t LineBaud(int master);

}  // namespace varnok::test
