// A serial port driven by the test: received bytes are queued by the test,
// written bytes are recorded, and every completed write or StartTransmit is
// owed one transmit step, which LinkHarness runs the way the link thread would.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "link/link.h"
#include "link/serial_port.h"
#include "tests/support/pty_pair.h"

namespace varnok::test {

class FakePort : public SerialPort {
public:
    bool ReadByte(std::uint8_t& destination) override {
        if (incoming.empty()) return false;
        destination = incoming.front();
        incoming.pop_front();
        return true;
    }
    bool WriteByte(std::uint8_t value) override {
        if (refuseWrites) return false;
        written.push_back(value);
        ++transmitOwed;
        return true;
    }
    void StartTransmit() override { ++transmitOwed; }

    std::deque<std::uint8_t> incoming;
    std::vector<std::uint8_t> written;
    int transmitOwed = 0;
    bool refuseWrites = false;
};

// A link on a fake port, stepped by hand: no threads, no clock.
class LinkHarness {
public:
    explicit LinkHarness(std::uint8_t ownAddress = 0xF0) {
        link.SetSignalWorker([this] { ++workerWakes; });
        link.Prepare(port, ownAddress);
    }

    // Runs the transmit steps owed, as the link thread does after each write.
    void Pump() {
        while (port.transmitOwed > 0) {
            --port.transmitOwed;
            std::lock_guard lock(link.linkLock);
            link.LinkTxStep();
        }
    }
    // The peer's bytes, one receive step each.
    void Feed(const std::string& hex) {
        for (std::uint8_t b : Bytes(hex)) {
            port.incoming.push_back(b);
            {
                std::lock_guard lock(link.linkLock);
                link.LinkRxStep();
            }
            Pump();
        }
    }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            {
                std::lock_guard lock(link.linkLock);
                link.LinkTick();
            }
            Pump();
        }
    }
    int Send(const std::string& hex, std::uint8_t target = 0x10) {
        const auto data = Bytes(hex);
        const int taken =
            link.LinkSend(target, static_cast<std::uint16_t>(data.size()), data.data());
        Pump();
        return taken;
    }
    // The bytes written since the last call.
    std::string TakeWritten() {
        std::string out = Hex(port.written);
        port.written.clear();
        return out;
    }
    bool Holds() {
        std::lock_guard lock(link.linkLock);
        return FrameStatus(link.ReceiveBuffer()) == FrameComplete;
    }
    bool TransmitterIdle() {
        std::lock_guard lock(link.linkLock);
        return link.TransmitBuffer().state != 0;
    }
    void UseSessionTiming() { link.SetTiming({500, 20, 80, 59, 0, 0}); }

    Link link;
    FakePort port;
    int workerWakes = 0;
};

}  // namespace varnok::test
