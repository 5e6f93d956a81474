#include "link/csock.h"

#include <algorithm>
#include <cstring>

#include "link/session_steps.h"
#include "link/value_lock.h"

namespace varnok {

namespace {

// Answers to the services that fill a caller's buffer without a length of
// their own hold at most 255 data bytes.
constexpr std::int32_t kDefaultAnswerCapacity = 256;

int Next(int slot) {
    return (slot + 1) % CSock::kRingSize;
}

}  // namespace

CSock::CSock(Link& l, SerialChannel& c, Clock& k, bool startWorker)
    : link(l), channel(c), clock(k) {
    link.SetSignalWorker([this] { Wake(); });
    if (startWorker) {
        worker = std::thread([this] { WorkerLoop(); });
    }
}

CSock::~CSock() {
    if (sessionOpen.load() != 0) {
        CloseSession();
    }
    {
        std::lock_guard lock(eventLock);
        stopWorker = true;
    }
    eventSignal.notify_all();
    if (worker.joinable()) {
        worker.join();
    }
    link.SetSignalWorker(nullptr);
}

void CSock::SetNotifier(ReadNotifier receiver) {
    std::lock_guard lock(notifierLock);
    notifier = std::move(receiver);
}

void CSock::Wake() {
    {
        std::lock_guard lock(eventLock);
        eventSet = true;
    }
    eventSignal.notify_one();
}

std::uint32_t CSock::WaitLimitMs() const {
    const long double limit = 4160.0L / baud + static_cast<long double>(timing[2]) +
                              static_cast<long double>(timing[4]) +
                              static_cast<long double>(timing[5]) + 1.0L;
    return static_cast<std::uint32_t>(limit * 1000.0L);
}

int CSock::QueueDepth() const {
    const int depth = tail.load(std::memory_order_acquire) - head.load(std::memory_order_acquire);
    return (depth + kRingSize) % kRingSize;
}

int CSock::Request(std::uint8_t service, std::int32_t param, int wait, void* buffer,
                   std::uint16_t object, std::uint16_t offset, std::int32_t total) {
    if (sessionOpen.load() == 0) {
        return 0;
    }
    int first = 0;
    int last = 0;
    if (Queue(service, param, static_cast<std::uint8_t*>(buffer), object, offset, total, first,
              last) == 0) {
        return 0;
    }
    return wait != 0 ? Wait(first, last) : 1;
}

int CSock::Queue(std::uint8_t service, std::int32_t param, std::uint8_t* buffer,
                 std::uint16_t object, std::uint16_t offset, std::int32_t total, int& firstSlot,
                 int& lastSlot) {
    if (!KnownService(service) || total < 0) {
        return 0;
    }
    const bool objectService = service == kReadDataObject || service == kWriteDataObject;
    const int headNow = head.load(std::memory_order_acquire);
    int t = tail.load(std::memory_order_relaxed);
    firstSlot = t;
    std::int32_t done = 0;
    for (;;) {
        SockRequest& entry = ring[static_cast<std::size_t>(t)];
        entry.service = service;
        entry.param = param;
        entry.buffer = service == kWriteDataObject ? nullptr : buffer;
        entry.object = object;
        entry.offset = offset;
        entry.total = total;
        const std::int32_t chunk =
            objectService ? std::min(total - done, static_cast<std::int32_t>(kChunk)) : 0;
        ServiceRequest request{service, param, object,
                               static_cast<std::uint16_t>((offset + done) & 0xFFFF), chunk};
        if (service == kWriteDataObject && buffer != nullptr) {
            request.bytes = buffer + done;
        }
        entry.dataLength = EncodeRequest(request, baud, timing, entry.data);
        done += chunk;
        entry.last = (!objectService || done >= total) ? 1 : 0;
        entry.state.store(Queued, std::memory_order_relaxed);
        lastSlot = t;
        t = Next(t);
        if (t == headNow) {
            // Full: nothing of the call becomes visible, since tail has not moved.
            Wake();
            return 0;
        }
        if (entry.last != 0) {
            break;
        }
    }
    tail.store(t, std::memory_order_release);  // publishes the whole call at once
    Wake();
    return 1;
}

int CSock::Wait(int firstSlot, int lastSlot) {
    const SockRequest& last = ring[static_cast<std::size_t>(lastSlot)];
    const std::uint32_t limit = WaitLimitMs();
    for (;;) {
        const std::uint32_t periodStart = clock.TickCount();
        const int headAtStart = head.load(std::memory_order_acquire);
        while (clock.TickCount() - periodStart < limit) {
            const std::int32_t state = last.state.load(std::memory_order_acquire);
            if (state == Answered) {
                return 1;
            }
            if (state == Failed) {
                return 0;
            }
            clock.Sleep(kWaitStepMs);
        }
        if (head.load(std::memory_order_acquire) == headAtStart) {
            break;
        }
    }
    // Given up: the entries stay queued, but a late answer must not land in
    // the caller's buffer, which may be gone by then.
    std::lock_guard guard(ValueBufferLock());
    for (int slot = firstSlot;; slot = Next(slot)) {
        ring[static_cast<std::size_t>(slot)].buffer = nullptr;
        if (slot == lastSlot) {
            break;
        }
    }
    return 0;
}

int CSock::ReadObject(std::uint16_t object, std::uint16_t offset, void* buffer, std::int32_t length,
                      int wait) {
    return Request(kReadDataObject, 0, wait, buffer, object, offset, length);
}

int CSock::WriteObject(std::uint16_t object, std::uint16_t offset, const void* buffer,
                       std::int32_t length, int wait) {
    // The bytes are copied into the entry here; the buffer is not kept.
    return Request(kWriteDataObject, 0, wait, const_cast<void*>(buffer), object, offset, length);
}

int CSock::ClearFaults() {
    return Request(kClearDiagnosticInformation);
}

int CSock::StoreSettings() {
    return StoreSettingsSteps(
        clock,
        [this](std::uint16_t object, std::uint16_t offset, std::uint16_t value) {
            return WriteObject(object, offset, &value, 2, 1);
        },
        [this](std::uint16_t object, std::uint16_t offset, std::uint16_t& value) {
            std::uint16_t answer = 0;
            if (ReadObject(object, offset, &answer, 2, 1) == 0) {
                return 0;
            }
            CopyValue(&value, &answer, sizeof value);
            return 1;
        });
}

bool CSock::HandleAnswer(SockRequest& entry, const std::uint8_t* answer, std::uint16_t length) {
    const std::int32_t capacity = entry.total > 0 ? entry.total : kDefaultAnswerCapacity;
    std::lock_guard guard(ValueBufferLock());
    std::uint8_t* const buffer = entry.buffer;
    switch (entry.service) {
        case kReadEcuIdentification:
        case kReadDtcByStatus:
        case kReadDataByLocalIdentifier: {
            const int skip = entry.service == kReadDataByLocalIdentifier ? 2 : 1;
            if (buffer == nullptr || length < skip) {
                return true;
            }
            const bool terminate = entry.service == kReadEcuIdentification;
            // Keep room for the identification's terminating zero.
            const std::int32_t room = capacity - (terminate ? 1 : 0);
            const std::int32_t n = std::min<std::int32_t>(length - skip, room);
            std::memcpy(buffer, answer + skip, static_cast<std::size_t>(std::max(n, 0)));
            if (terminate) {
                buffer[std::max(n, 0)] = 0;
            }
            return true;
        }
        case kReadDataObject: {
            if (length < 5) {
                return false;
            }
            // The unit answers with the offset it was asked for. An answer
            // that would put data outside the range the call asked for is
            // refused whole rather than copied past the caller's buffer.
            const std::int32_t at = static_cast<std::int32_t>(Word(answer + 3)) - entry.offset;
            const std::int32_t n = length - 5;
            if (at < 0 || at + n > entry.total) {
                return false;
            }
            if (buffer != nullptr && n > 0) {
                std::memcpy(buffer + at, answer + 5, static_cast<std::size_t>(n));
            }
            return true;
        }
        default:
            return true;
    }
}

void CSock::WorkerStep() {
    if (sessionOpen.load() == 0) {
        return;
    }
    std::array<std::uint8_t, kMaxFrameLength> answer{};
    std::uint8_t source = 0;
    std::uint16_t length = kMaxFrameLength;
    if (link.LinkReceive(source, length, answer.data()) != 0) {
        const int h = head.load(std::memory_order_relaxed);
        const int t = tail.load(std::memory_order_acquire);
        SockRequest& entry = ring[static_cast<std::size_t>(h)];
        if (h != t && entry.state.load(std::memory_order_relaxed) == Sent &&
            source == unitAddress) {
            bool answered = false;
            if (length >= 1 &&
                answer[0] == static_cast<std::uint8_t>(entry.service + kPositiveResponse)) {
                answered = HandleAnswer(entry, answer.data(), length);
            }
            if (answered && entry.service == kReadDataObject && entry.last != 0) {
                ReadNotifier receiver;
                {
                    std::lock_guard lock(notifierLock);
                    receiver = notifier;
                }
                if (receiver) {
                    receiver(entry.object, entry.offset);
                }
            }
            entry.state.store(answered ? Answered : Failed, std::memory_order_release);
            head.store(Next(h), std::memory_order_release);
        }
    }
    const int h = head.load(std::memory_order_relaxed);
    if (h != tail.load(std::memory_order_acquire)) {
        SockRequest& entry = ring[static_cast<std::size_t>(h)];
        if (link.LinkSend(unitAddress, entry.dataLength, entry.data.data()) != 0) {
            entry.state.store(Sent, std::memory_order_release);
        }
    }
}

void CSock::WorkerLoop() {
    for (;;) {
        {
            std::unique_lock lock(eventLock);
            eventSignal.wait(lock, [this] { return eventSet || stopWorker || discardRequested; });
            if (stopWorker) {
                return;
            }
            eventSet = false;
            if (discardRequested) {
                head.store(tail.load(std::memory_order_acquire), std::memory_order_release);
                discardRequested = false;
                discardDone.notify_all();
                continue;
            }
        }
        WorkerStep();
    }
}

void CSock::DiscardQueued() {
    if (!worker.joinable()) {
        head.store(tail.load());
        return;
    }
    // Only the consumer moves head: ask the worker and wait until it has.
    std::unique_lock lock(eventLock);
    discardRequested = true;
    eventSignal.notify_all();
    discardDone.wait(lock, [this] { return !discardRequested; });
}

void CSock::WaitUntilWritten(int slot) {
    // Bounded: a line that does not take the frame is not waited for long.
    const SockRequest& entry = ring[static_cast<std::size_t>(slot)];
    for (int i = 0; i < 10; ++i) {
        if (entry.state.load(std::memory_order_acquire) != Queued && link.TransmitterDone()) {
            return;
        }
        clock.Sleep(10);
    }
}

int CSock::OpenSession(const std::string& path, std::uint16_t sessionBaud) {
    DiscardQueued();
    // The whole path is kept: a cut one could open another port.
    portName = path;
    baud = sessionBaud;
    // Set first, so that Request takes the session's own requests.
    sessionOpen.store(1);
    const int opened =
        OpenSessionSteps(link, channel, clock, portName, testerAddress, baud, timing,
                         [this](std::uint8_t service) { return Request(service, 0, 1); });
    sessionOpen.store(opened);
    return opened;
}

int CSock::CloseSession() {
    // Both stop requests are queued without waiting; StopCommunication is
    // let reach the line before the port closes.
    CloseSessionSteps(channel, clock, [this](std::uint8_t service) {
        const int slot = tail.load(std::memory_order_relaxed);
        const int queued = Request(service);
        if (queued != 0 && service == kStopCommunication) {
            WaitUntilWritten(slot);
        }
        return queued;
    });
    sessionOpen.store(0);
    channel.SerialClose();
    return 1;
}

int CSock::DropSession() {
    sessionOpen.store(0);
    channel.SerialClose();
    return 1;
}

}  // namespace varnok
