// Any byte stream into the receive path, with ticks, sends and takes in
// between: the link must never store past its buffers, never hand over more
// than asked, and always come back to rest.
//
// Input: pairs of bytes (operation, value).
//   op % 5 == 0, 1: the unit's byte `value` arrives (one receive step)
//   op % 5 == 2:    `value % 16` ticks
//   op % 5 == 3:    the worker sends a request or a response of `value % 64` bytes
//   op % 5 == 4:    the worker takes a held frame into `value % 8` * 40 bytes
// The first byte chooses the timing: even the defaults, odd the session's.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/link/fake_port.h"

using varnok::FrameStatus;
using varnok::LinkBuffer;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckBuffers(varnok::Link& link) {
    std::lock_guard lock(link.linkLock);
    const LinkBuffer& rx = link.ReceiveBuffer();
    const LinkBuffer& tx = link.TransmitBuffer();
    Check(rx.count >= 0 && rx.count <= varnok::kMaxFrameLength);
    Check(tx.count >= 0 && tx.count <= varnok::kMaxFrameLength);
    Check(link.IdleTicks() >= 0 && link.IdleTicks() <= 10001);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    varnok::test::LinkHarness h;
    if ((data[0] & 1) != 0) h.UseSessionTiming();
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        const std::uint8_t op = data[i] % 5;
        const std::uint8_t value = data[i + 1];
        switch (op) {
            case 0:
            case 1:
                h.port.incoming.push_back(value);
                {
                    std::lock_guard lock(h.link.linkLock);
                    h.link.LinkRxStep();
                }
                h.Pump();
                break;
            case 2:
                h.Tick(value % 16);
                break;
            case 3: {
                std::vector<std::uint8_t> frame(value % 64, value);
                if (!frame.empty()) frame[0] = static_cast<std::uint8_t>(value & 0x7F);
                h.link.LinkSend(0x10, static_cast<std::uint16_t>(frame.size()), frame.data());
                h.Pump();
                break;
            }
            case 4: {
                const auto capacity = static_cast<std::uint16_t>((value % 8) * 40);
                std::vector<std::uint8_t> destination(capacity + 1, 0xA5);
                std::uint8_t source = 0;
                std::uint16_t taken = capacity;
                if (h.link.LinkReceive(source, taken, destination.data()) != 0) {
                    Check(taken <= capacity);
                }
                Check(destination[capacity] == 0xA5);
                break;
            }
        }
        CheckBuffers(h.link);
    }
    // However it ended, a quiet line brings the link back to rest.
    h.Tick(3000);
    std::lock_guard lock(h.link.linkLock);
    Check(FrameStatus(h.link.ReceiveBuffer()) != varnok::FrameIncomplete);
    Check(h.link.TransmitBuffer().state != 0 ||
          FrameStatus(h.link.TransmitBuffer()) == varnok::FrameComplete ||
          h.link.TransmitBuffer().count == 0);
    return 0;
}
