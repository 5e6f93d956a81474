#include "link/link.h"

#include <algorithm>

namespace varnok {

namespace {

constexpr std::int16_t kIdleTicksHeld = 10000;

bool IsResponsePending(const FrameBytes& frame) {
    const auto data = static_cast<std::size_t>(FrameData(frame));
    return FrameService(frame) == kNegativeResponse && frame[data + 2] == kResponsePending;
}

// Counts a running timer down; true when it has just reached 0.
bool CountDown(std::int16_t& timer) {
    if (timer <= 0) {
        return false;
    }
    timer = static_cast<std::int16_t>(timer - 1);
    return timer == 0;
}

}  // namespace

void Link::SetSignalWorker(std::function<void()> hook) {
    signalWorker = std::move(hook);
}

void Link::Prepare(SerialPort& serialPort, std::uint8_t address) {
    std::lock_guard lock(linkLock);
    port = &serialPort;
    ownAddress = address;
    tx.state = 1;
    tx.count = 0;
    rx.state = 1;
    rx.count = 0;
    rxByteTimer = 0;
    txByteTimer = 0;
    responseTimer = 0;
    pendingTimer = 0;
    idleTicks = 0;
    deferredFree.store(1);
    timing = kDefaultLinkTiming;
}

void Link::SetTiming(const LinkTiming& values) {
    std::lock_guard lock(linkLock);
    timing = values;
}

LinkTiming Link::Timing() const {
    std::lock_guard lock(linkLock);
    return timing;
}

void Link::Signal() {
    if (signalWorker) {
        signalWorker();
    }
}

void Link::SetTransmitterIdle() {
    tx.state = 1;
    tx.count = 0;
}

void Link::DropReceived() {
    rx.state = 1;
    rx.count = 0;
}

int Link::LinkSendFrame(std::uint8_t target, std::uint16_t length, const std::uint8_t* data) {
    if (tx.state == 0) {
        return 0;
    }
    BuildFrame(tx, target, ownAddress, length, data);
    tx.state = 0;
    tx.count = 0;
    pendingTimer = 0;
    retriesLeft = 3;
    if (timing[kRequestGap] == 0 && timing[kResponseGap] == 0) {
        txByteTimer = timing[kByteTimeout];
        if (port != nullptr) {
            port->StartTransmit();
        }
    }
    return 1;
}

void Link::LinkTxStep() {
    if (tx.state != 0) {
        txByteTimer = 0;
        return;
    }
    if (port == nullptr) {
        return;
    }
    const int length = FrameLength(tx.frame);
    const auto position = static_cast<std::size_t>(tx.count);
    if (tx.count < length - 1) {
        const std::uint8_t value = tx.frame[position];
        if (!port->WriteByte(value)) {
            return;
        }
        if (tx.count == 0) {
            tx.sum = 0;
        }
        tx.sum = static_cast<std::uint8_t>(tx.sum + value);
        tx.count = static_cast<std::int16_t>(tx.count + 1);
        txByteTimer = timing[kByteTimeout];
        idleTicks = 0;
    } else if (tx.count == length - 1) {
        tx.frame[position] = tx.sum;
        if (!port->WriteByte(tx.sum)) {
            return;
        }
        tx.count = static_cast<std::int16_t>(tx.count + 1);
        txByteTimer = timing[kByteTimeout];
        idleTicks = 0;
    } else {
        // The checksum byte has completed.
        txByteTimer = 0;
        if (FrameIsResponse(tx.frame)) {
            SetTransmitterIdle();
            Signal();
        } else {
            responseTimer = timing[kResponseTimeout];
        }
        idleTicks = 0;
    }
}

void Link::LinkRxStep() {
    if (port == nullptr) {
        return;
    }
    const auto position = static_cast<std::size_t>(rx.count);
    std::uint8_t value = 0;
    if (!port->ReadByte(value)) {
        return;
    }
    rx.frame[position] = value;
    rx.state = 0;
    if (rx.count == 0) {
        rx.sum = 0;
    }
    // The length is judged from the bytes stored so far; while the header is
    // incomplete it always exceeds count + 1, so every header byte is summed.
    if (rx.count < FrameLength(rx.frame) - 1) {
        rx.sum = static_cast<std::uint8_t>(rx.sum + value);
    }
    if (rx.count < kMaxFrameLength) {
        rx.count = static_cast<std::int16_t>(rx.count + 1);
    }
    if (responseTimer != 0) {
        responseTimer = timing[kResponseTimeout];
    }
    idleTicks = 0;

    if (FrameStatus(rx) != FrameComplete) {
        rxByteTimer = timing[kByteTimeout];
        return;
    }
    rxByteTimer = 0;
    // Our own frames are addressed to the unit, so the adapter's echo of
    // them ends here as a frame for another node.
    if (!FrameHasAddress(rx.frame) || FrameTarget(rx.frame) != ownAddress) {
        DropReceived();
        return;
    }
    framesForMe.fetch_add(1, std::memory_order_relaxed);

    if (FrameIsResponse(rx.frame)) {
        if (IsResponsePending(rx.frame)) {
            // The answer is still to come; the byte above has already given
            // it a fresh response time.
            DropReceived();
        } else if (FrameStatus(tx) == FrameComplete && !FrameIsResponse(tx.frame)) {
            SetTransmitterIdle();
            responseTimer = 0;
            Signal();
        } else {
            DropReceived();
        }
        return;
    }

    if (tx.state != 0) {
        requestSource = FrameSource(rx.frame);
        requestService = FrameService(rx.frame);
        pendingTimer = timing[kPendingInterval];
        Signal();
    } else {
        DropReceived();
    }
}

void Link::RetryStep() {
    tx.count = 0;
    if (retriesLeft > 0) {
        retriesLeft = static_cast<std::uint16_t>(retriesLeft - 1);
        if (retriesLeft == 0) {
            SetTransmitterIdle();
            Signal();
        }
    }
}

void Link::LinkTick() {
    if (CountDown(rxByteTimer)) {
        DropReceived();
    }
    if (CountDown(txByteTimer)) {
        if (FrameIsResponse(tx.frame)) {
            SetTransmitterIdle();
        } else {
            RetryStep();
        }
    }
    if (CountDown(responseTimer)) {
        RetryStep();
    }
    if (CountDown(pendingTimer)) {
        if (deferredFree.load() == 0) {
            if (LinkSendFrame(deferredTarget, deferredLength, deferredData.data()) != 0) {
                deferredFree.store(1);
            } else {
                pendingTimer = timing[kPendingInterval];
            }
        } else {
            pendingAnswer[1] = requestService;
            if (LinkSendFrame(requestSource, static_cast<std::uint16_t>(pendingAnswer.size()),
                              pendingAnswer.data()) != 0) {
                // Repeats until another frame is sent.
                pendingTimer = timing[kPendingInterval];
            }
        }
    }

    const std::int16_t before = idleTicks;
    idleTicks = static_cast<std::int16_t>(before + 1);
    if (before > kIdleTicksHeld) {
        idleTicks = kIdleTicksHeld;
    }

    // Start rule: a waiting frame begins once the line has been quiet long
    // enough; a response needs only the response gap.
    if (tx.state == 0 && tx.count == 0 && idleTicks > timing[kResponseGap] &&
        (FrameIsResponse(tx.frame) || idleTicks > timing[kRequestGap])) {
        txByteTimer = timing[kByteTimeout];
        if (port != nullptr) {
            port->StartTransmit();
        }
    }
}

int Link::LinkSend(std::uint8_t target, std::uint16_t length, const std::uint8_t* data) {
    if (deferredFree.load() == 0) {
        return 0;
    }
    std::lock_guard lock(linkLock);
    if (LinkSendFrame(target, length, data) != 0) {
        return 1;
    }
    if (tx.state == 0 && IsResponsePending(tx.frame)) {
        deferredTarget = target;
        deferredLength = std::min<std::uint16_t>(length, kMaxFrameLength);
        if (data != nullptr) {
            std::copy_n(data, deferredLength, deferredData.begin());
        }
        deferredFree.store(0);
        return 1;
    }
    return 0;
}

bool Link::TransmitterDone() const {
    std::lock_guard lock(linkLock);
    return tx.state != 0 || FrameStatus(tx) == FrameComplete;
}

int Link::LinkReceive(std::uint8_t& source, std::uint16_t& capacity, std::uint8_t* destination) {
    std::lock_guard lock(linkLock);
    if (FrameStatus(rx) != FrameComplete) {
        return 0;
    }
    source = FrameSource(rx.frame);
    const auto available = static_cast<std::uint16_t>(FrameDataLength(rx.frame));
    if (capacity > available) {
        capacity = available;
    }
    if (destination != nullptr) {
        std::copy_n(rx.frame.begin() + FrameData(rx.frame), capacity, destination);
    }
    DropReceived();
    return 1;
}

}  // namespace varnok
