// A scripted control unit for the settings tests, played on the fake line:
// it holds 16-bit words by (object, offset), answers reads with them and
// takes writes into them. A read can be given a queue of answers to give
// first (the engine stopping, the store status), and a write can be refused.
// A store (object 10004) is finished at once.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "livedata/data_objects.h"
#include "tests/link/fake_line.h"

namespace varnok::test {

class UnitMemory {
public:
    using Key = std::pair<std::uint16_t, std::uint16_t>;
    using Answers = std::vector<std::vector<std::uint8_t>>;

    static Key KeyOf(const DataObject& object) { return {object.object, object.offset}; }

    // Plays the unit on `line` and opens the session; the session's own
    // frames are then forgotten.
    void Attach(FakeLine& line) {
        line.unit = [this](const std::vector<std::uint8_t>& request) { return Answer(request); };
        line.Open();
        line.seen.clear();
        line.notifications.clear();
    }

    Answers Answer(const std::vector<std::uint8_t>& request) {
        if (request.at(0) != kReadDataObject && request.at(0) != kWriteDataObject) {
            return PositiveAnswer(request);
        }
        const std::uint16_t object = Word(request, 1);
        const std::uint16_t offset = Word(request, 3);
        if (request[0] == kWriteDataObject) {
            for (std::size_t at = 5; at + 1 < request.size(); at += 2) {
                const auto wordOffset = static_cast<std::uint16_t>(offset + at - 5);
                if (refuseWrite && refuseWrite(object, wordOffset, Word(request, at))) {
                    return {{0x7F, kWriteDataObject, 0x31}};
                }
                words[{object, wordOffset}] = Word(request, at);
            }
            // The store command is done at once: its status reads 0 unless
            // a script says otherwise.
            if (object == objects::kStoreCommand.object) words[{object, offset}] = 0;
            return {{0xE1}};
        }
        std::uint16_t value = words[{object, offset}];
        auto& queued = script[{object, offset}];
        if (!queued.empty()) {
            value = queued.front();
            queued.pop_front();
        }
        std::vector<std::uint8_t> answer(request.begin(), request.begin() + 5);
        answer[0] = 0xE0;
        answer.push_back(static_cast<std::uint8_t>(value & 0xFF));
        answer.push_back(static_cast<std::uint8_t>(value >> 8));
        return {answer};
    }

    std::map<Key, std::uint16_t> words;
    // Answers given to reads of a word before its held value.
    std::map<Key, std::deque<std::uint16_t>> script;
    // Refuses a write of `value` at (object, offset) when it returns true.
    std::function<bool(std::uint16_t, std::uint16_t, std::uint16_t)> refuseWrite;

private:
    static std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
        return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
    }
};

// The request data of every frame the unit saw, as hex.
inline std::vector<std::string> SeenHex(const FakeLine& line) {
    std::vector<std::string> seen;
    for (const SeenFrame& frame : line.seen) seen.push_back(Hex(frame.data));
    return seen;
}

// Lets the line carry out whatever is queued (requests are not waited for).
inline void RunLine(FakeLine& line, int ticks = 30) {
    for (int i = 0; i < ticks; ++i) line.Tick();
}

}  // namespace varnok::test
