// Any answer frame for any queued entry: the link object must copy answer
// data only inside the buffer each call gave it, whatever object, offset,
// length or service the unit answers with, chunked calls included.
//
// Input: one byte choosing the calls to queue, then answers, each a length
// byte and that many data bytes (service identifier first), sent by the unit
// in turn as the program's requests go out (an empty one: the right answer).
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/link/fake_line.h"

namespace {

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kSlack = 16;

// A caller's buffer with guard bytes on both sides.
struct Guarded {
    explicit Guarded(std::size_t length) : bytes(length + 2 * kSlack, kGuard), size(length) {}
    std::uint8_t* Data() { return bytes.data() + kSlack; }
    bool Intact() const {
        for (std::size_t i = 0; i < kSlack; ++i) {
            if (bytes[i] != kGuard || bytes[kSlack + size + i] != kGuard) return false;
        }
        return true;
    }
    std::vector<std::uint8_t> bytes;
    std::size_t size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::vector<std::vector<std::uint8_t>> answers;
    for (std::size_t i = 1; i < size;) {
        const std::size_t length = std::min<std::size_t>(data[i], size - i - 1);
        answers.emplace_back(data + i + 1, data + i + 1 + length);
        i += 1 + length;
    }

    varnok::test::FakeLine line;
    std::size_t next = 0;
    bool opening = true;
    line.unit = [&](const std::vector<std::uint8_t>& request) {
        if (opening) return varnok::test::PositiveAnswer(request);
        // Past the script, or for an empty answer, the unit answers as it should.
        if (next >= answers.size() || answers[next].empty()) {
            ++next;
            return varnok::test::PositiveAnswer(request);
        }
        return std::vector<std::vector<std::uint8_t>>{answers[next++]};
    };
    if (line.Open() == 0) std::abort();
    opening = false;

    // Calls of every shape: chunked and not, at offsets that make answer
    // offsets near the edges interesting.
    const std::uint8_t choice = data[0];
    std::vector<Guarded> buffers;
    buffers.reserve(6);
    const std::array<std::int32_t, 6> lengths{2, 4, 58, 251, 500, 0};
    const std::array<std::uint16_t, 6> offsets{0, 250, 65534, 8, 65000, 3};
    for (std::size_t k = 0; k < lengths.size(); ++k) {
        if ((choice >> k) & 1) continue;
        buffers.emplace_back(static_cast<std::size_t>(lengths[k]));
        line.sock->ReadObject(static_cast<std::uint16_t>(100 + k), offsets[k],
                              buffers.back().Data(), lengths[k], 0);
    }
    buffers.emplace_back(256);
    line.sock->Request(0x1A, 0, 0, buffers.back().Data(), 0, 0, 256);
    buffers.emplace_back(40);
    line.sock->Request(0x21, 7, 0, buffers.back().Data(), 0, 0, 40);
    buffers.emplace_back(10);
    line.sock->Request(0x18, 0, 0, buffers.back().Data(), 0, 0, 10);

    for (int i = 0; i < 100 && line.sock->QueueDepth() > 0; ++i) line.clock.Sleep(100);
    for (const Guarded& buffer : buffers) {
        if (!buffer.Intact()) std::abort();
    }
    line.sock->DropSession();
    return 0;
}
