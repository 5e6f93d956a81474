#include "tools/virtual-unit/line_schedule.h"

#include <algorithm>

namespace varnok::unit {

LineSchedule::Duration LineSchedule::ByteTime(std::uint32_t baud) {
    if (baud == 0) {
        return Duration{0};
    }
    return Duration{10LL * 1'000'000'000LL / baud};
}

LineSchedule::Time LineSchedule::Receive(Time arrival) {
    lineFree = std::max(arrival, lineFree) + byteTime;
    return lineFree;
}

LineSchedule::Time LineSchedule::Place(const std::vector<std::uint8_t>& bytes, Time earliest,
                                       bool frame) {
    Time at = std::max(earliest, lineFree);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        at += byteTime;
        items.push_back({bytes[i], at, frame && i + 1 == bytes.size()});
    }
    lineFree = at;
    return at;
}

LineSchedule::Time LineSchedule::Queue(const std::vector<std::uint8_t>& bytes, Time earliest) {
    return Place(bytes, earliest, false);
}

LineSchedule::Time LineSchedule::Queue(const std::vector<std::uint8_t>& bytes, Time earliest,
                                       Note note) {
    if (bytes.empty()) {
        return std::max(earliest, lineFree);
    }
    notes.push_back(std::move(note));
    return Place(bytes, earliest, true);
}

std::vector<std::uint8_t> LineSchedule::DueBytes(Time now) const {
    std::vector<std::uint8_t> due;
    for (const Item& item : items) {
        if (item.due > now) {
            break;
        }
        due.push_back(item.byte);
    }
    return due;
}

void LineSchedule::Consume(std::size_t count, std::vector<Note>& finished) {
    for (std::size_t i = 0; i < count && !items.empty(); ++i) {
        if (items.front().endsFrame && !notes.empty()) {
            finished.push_back(std::move(notes.front()));
            notes.pop_front();
        }
        items.pop_front();
    }
}

void LineSchedule::Clear() {
    items.clear();
    notes.clear();
}

}  // namespace varnok::unit
