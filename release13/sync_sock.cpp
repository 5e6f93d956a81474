#include "release13/sync_sock.h"

#include <algorithm>
#include <array>

#include "link/session_steps.h"
#include "link/value_lock.h"

namespace varnok::release13 {

namespace {

// Identification answers hold at most 254 bytes after the service identifier.
constexpr std::int32_t kDefaultAnswerCapacity = 256;

}  // namespace

CSock::CSock(Link& l, SerialChannel& c, Clock& k) : link(l), channel(c), clock(k) {
    link.SetSignalWorker(nullptr);
}

CSock::~CSock() {
    std::lock_guard lock(lineLock);
    if (portInUse) {
        DropSession();
    }
}

int CSock::Request(std::uint8_t target, std::uint8_t service, std::uint16_t object,
                   std::uint16_t offset, std::int32_t length, void* buffer) {
    if (service == kReadDataByLocalIdentifier || !KnownService(service)) {
        return 0;
    }
    const bool objectService = service == kReadDataObject || service == kWriteDataObject;
    if (objectService && (length < 0 || length > kObjectChunk)) {
        return 0;
    }
    std::lock_guard lock(lineLock);
    if (!portInUse) {
        return 0;
    }
    return Exchange(target, service, object, offset, length, static_cast<std::uint8_t*>(buffer));
}

int CSock::Exchange(std::uint8_t target, std::uint8_t service, std::uint16_t object,
                    std::uint16_t offset, std::int32_t length, std::uint8_t* buffer) {
    ServiceRequest request{service, 0, object, offset};
    if (service == kReadDataObject || service == kWriteDataObject) {
        request.count = length;
    }
    if (service == kWriteDataObject) {
        request.bytes = buffer;
    }
    RequestData data;
    const std::uint16_t dataLength = EncodeRequest(request, baud, timing, data);
    if (dataLength == 0 || link.LinkSend(target, dataLength, data.data()) == 0) {
        return 0;
    }
    const std::uint32_t start = clock.TickCount();
    bool taken = false;
    do {
        switch (TakeAnswer(service, object, offset, length, buffer)) {
            case Answer::Refused:
                return 0;
            case Answer::Taken:
                taken = true;
                break;
            case Answer::None:
                break;
        }
        clock.Sleep(kPollStepMs);
    } while (!taken && clock.TickCount() - start < kAnswerWaitMs);
    return taken ? 1 : 0;
}

CSock::Answer CSock::TakeAnswer(std::uint8_t service, std::uint16_t object, std::uint16_t offset,
                                std::int32_t length, std::uint8_t* buffer) {
    std::array<std::uint8_t, kMaxFrameLength> answer{};
    std::uint8_t source = 0;
    std::uint16_t n = kMaxFrameLength;
    if (link.LinkReceive(source, n, answer.data()) == 0 || source != unitAddress || n == 0) {
        return Answer::None;
    }
    if (answer[0] == kNegativeResponse) {
        // Any refusal ends the request, whatever request it refers to.
        return Answer::Refused;
    }
    if (answer[0] != static_cast<std::uint8_t>(service + kPositiveResponse)) {
        return Answer::None;
    }
    switch (service) {
        case kReadEcuIdentification: {
            const std::int32_t capacity = length > 0 ? length : kDefaultAnswerCapacity;
            const std::int32_t count = std::min<std::int32_t>(n - 1, capacity);
            if (buffer != nullptr) {
                CopyValue(buffer, &answer[1], static_cast<std::size_t>(count));
            }
            return Answer::Taken;
        }
        case kReadDataObject: {
            // A read answer is E0, object, offset, data. One for another
            // object or offset belongs to an earlier request whose thread
            // has stopped waiting: it is not ours, and the wait goes on.
            if (n < 5 || Word(&answer[1]) != object || Word(&answer[3]) != offset) {
                return Answer::None;
            }
            const std::int32_t count = n - 5;
            if (count > length) {
                return Answer::Refused;
            }
            if (buffer != nullptr) {
                CopyValue(buffer, &answer[5], static_cast<std::size_t>(count));
            }
            return Answer::Taken;
        }
        default:
            return Answer::Taken;
    }
}

int CSock::Chunked(std::uint8_t service, std::uint16_t object, std::uint16_t offset,
                   std::uint8_t* buffer, std::int32_t length) {
    if (length < 0) {
        return 0;
    }
    for (std::int32_t start = 0; start < length; start += kObjectChunk) {
        const std::int32_t chunk = std::min(kObjectChunk, length - start);
        const auto at = static_cast<std::uint16_t>((offset + start) & 0xFFFF);
        if (Request(unitAddress, service, object, at, chunk,
                    buffer != nullptr ? buffer + start : nullptr) == 0) {
            return 0;
        }
    }
    return 1;
}

int CSock::ReadObject(std::uint16_t object, std::uint16_t offset, void* buffer,
                      std::int32_t length) {
    return Chunked(kReadDataObject, object, offset, static_cast<std::uint8_t*>(buffer), length);
}

int CSock::WriteObject(std::uint16_t object, std::uint16_t offset, const void* buffer,
                       std::int32_t length) {
    // Only read from: the bytes go into the request data.
    return Chunked(kWriteDataObject, object, offset,
                   const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(buffer)), length);
}

int CSock::ClearFaults() {
    return Request(unitAddress, kClearDiagnosticInformation);
}

int CSock::StoreSettings() {
    std::lock_guard lock(lineLock);
    return StoreSettingsSteps(
        clock,
        [this](std::uint16_t object, std::uint16_t offset, std::uint16_t value) {
            return WriteObject(object, offset, &value, 2);
        },
        [this](std::uint16_t object, std::uint16_t offset, std::uint16_t& value) {
            return ReadObject(object, offset, &value, 2);
        });
}

int CSock::OpenSession(const std::string& path, std::uint16_t sessionBaud) {
    std::lock_guard lock(lineLock);
    portName = path;
    baud = sessionBaud;
    sessionOpen.store(0);
    portInUse = true;
    const int opened =
        OpenSessionSteps(link, channel, clock, portName, testerAddress, baud, timing,
                         [this](std::uint8_t service) { return Request(unitAddress, service); });
    sessionOpen.store(opened);
    return opened;
}

int CSock::CloseSession() {
    std::lock_guard lock(lineLock);
    CloseSessionSteps(channel, clock,
                      [this](std::uint8_t service) { return Request(unitAddress, service); });
    ClosePort();
    return 1;
}

int CSock::DropSession() {
    std::lock_guard lock(lineLock);
    ClosePort();
    return 1;
}

void CSock::ClosePort() {
    sessionOpen.store(0);
    portInUse = false;
    channel.SerialClose();
}

}  // namespace varnok::release13
