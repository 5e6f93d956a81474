// The unit's view of the K-line as one wire in time: every byte, the
// program's and the unit's, occupies it for one byte time (10 bits at the
// baud rate: start bit, 8 data bits, stop bit), one after the other.
//
// On a pseudo-terminal the program's bytes arrive at once; the schedule gives
// each of them the moment its last bit would have passed on a real line, and
// the unit's own bytes (the echo and the answers) go out at those moments, so
// that the times the program measures are the times of a real line. With a
// byte time of zero nothing is paced and bytes are due as soon as queued.
//
// Not thread-safe; used by the unit's own thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

namespace varnok::unit {

class LineSchedule {
public:
    using Time = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::nanoseconds;

    // Something to do once the last byte of a frame is out.
    struct Note {
        std::vector<std::uint8_t> frame;  // the frame, for the trace
        std::uint32_t baudAfter = 0;      // the line speed to take afterwards; 0: unchanged
    };

    // 10 bits at `baud`.
    static Duration ByteTime(std::uint32_t baud);
    void SetByteTime(Duration perByte) { byteTime = perByte; }
    Duration ByteTime() const { return byteTime; }

    // A byte of the program arrived at `arrival`; returns when it has passed.
    Time Receive(Time arrival);
    // Queues bytes of the unit to go out no earlier than `earliest`, each when
    // it has passed the line; returns when the last has. A frame carries its
    // note, handed back by Consume when its last byte has been written.
    Time Queue(const std::vector<std::uint8_t>& bytes, Time earliest);
    Time Queue(const std::vector<std::uint8_t>& bytes, Time earliest, Note note);

    bool Empty() const { return items.empty(); }
    // When the next byte is due; only valid when not Empty.
    Time NextDue() const { return items.front().due; }
    // The bytes due at `now`, in order.
    std::vector<std::uint8_t> DueBytes(Time now) const;
    // Removes the first `count` bytes as written; the notes of the frames
    // they completed are appended to `finished`.
    void Consume(std::size_t count, std::vector<Note>& finished);
    // Drops everything queued (the far end has gone).
    void Clear();

private:
    struct Item {
        std::uint8_t byte;
        Time due;
        bool endsFrame;
    };

    Time Place(const std::vector<std::uint8_t>& bytes, Time earliest, bool frame);

    Duration byteTime{0};
    Time lineFree{};  // when the last byte placed on the line has passed
    std::deque<Item> items;
    std::deque<Note> notes;
};

}  // namespace varnok::unit
