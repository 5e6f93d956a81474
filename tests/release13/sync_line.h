// The 1.3 build's link object on the fake line. It has no worker: whichever
// thread makes a request drives the line through the clock's sleeps.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "release13/sync_sock.h"
#include "tests/link/fake_line.h"

namespace varnok::test {

class SyncLine : public FakeUnitLine {
public:
    SyncLine() {
        unit = [](const std::vector<std::uint8_t>& request) { return PositiveAnswer(request); };
    }
    int Open() { return sock.OpenSession("/dev/pts/9", 57600); }

    release13::CSock sock{link, channel, clock};
};

// The data bytes of the frames the unit saw, one string each.
inline std::vector<std::string> Requests(const std::vector<SeenFrame>& frames) {
    std::vector<std::string> out;
    for (const auto& frame : frames) out.push_back(Hex(frame.data));
    return out;
}

// An answer of the unit, one frame.
using Answers = std::vector<std::vector<std::uint8_t>>;

// The identification: characters 21 to 23 read "276".
inline const std::string kIdent = std::string("\x80") + "VARNOK EDC R13 2008276 Z";

// The value the unit holds in a 2-byte object: object number's low byte
// high, offset low.
inline std::uint16_t UnitWord(std::uint16_t object, std::uint16_t offset) {
    return static_cast<std::uint16_t>(((object & 0xFF) << 8) | (offset & 0xFF));
}

inline Answers ReadAnswer(const std::vector<std::uint8_t>& request, std::uint32_t value) {
    std::vector<std::uint8_t> answer{0xE0};
    answer.insert(answer.end(), request.begin() + 1, request.begin() + 5);
    for (int i = 0; i < request[5]; ++i)
        answer.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    return {answer};
}

// The link-lost hand-off as the main thread receives it.
class HandOff {
public:
    void Arrive(std::uint32_t time) {
        {
            std::lock_guard lock(mutex);
            arrivedAt = time;
        }
        arrived.notify_all();
    }
    std::optional<std::uint32_t> Wait() {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(10), [this] { return arrivedAt.has_value(); });
        return arrivedAt;
    }

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<std::uint32_t> arrivedAt;  // Guarded by mutex.
};

}  // namespace varnok::test
