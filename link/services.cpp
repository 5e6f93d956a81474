#include "link/services.h"

#include <cstring>

namespace varnok {

std::uint16_t TimingMilliseconds(double seconds) {
    return static_cast<std::uint16_t>(static_cast<long double>(seconds) * 1000.0L);
}

std::int16_t TimingTicks(double seconds) {
    return static_cast<std::int16_t>(static_cast<long double>(seconds) * 1000.0L * 0.1L);
}

LinkTiming SessionLinkTiming(const TimingTable& timing) {
    LinkTiming ticks{};
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        ticks[i] = TimingTicks(timing[i]);
    }
    return ticks;
}

bool KnownService(std::uint8_t service) {
    switch (service) {
        case kStartCommunication:
        case kStopCommunication:
        case kStartDiagnosticSession:
        case kStopDiagnosticSession:
        case kTesterPresent:
        case kReadEcuIdentification:
        case kReadDtcByStatus:
        case kClearDiagnosticInformation:
        case kReadDataByLocalIdentifier:
        case kReadDataObject:
        case kWriteDataObject:
            return true;
        default:
            return false;
    }
}

void PutWord(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

std::uint16_t Word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint16_t EncodeRequest(const ServiceRequest& request, std::uint16_t baud,
                            const TimingTable& timing, RequestData& data) {
    data.fill(0);
    if (!KnownService(request.service)) {
        return 0;
    }
    data[0] = request.service;
    switch (request.service) {
        case kStartDiagnosticSession:
            data[1] = 0x80;
            PutWord(&data[2], baud);
            for (std::size_t i = 0; i < timing.size(); ++i) {
                PutWord(&data[4 + 2 * i], TimingMilliseconds(timing[i]));
            }
            return 16;
        case kTesterPresent:
            data[1] = 0x01;
            return 2;
        case kReadEcuIdentification:
            data[1] = 0x80;
            return 2;
        case kReadDtcByStatus:
            data[1] = 0xFF;
            data[2] = 0xFF;
            return 3;
        case kClearDiagnosticInformation:
            data[1] = 0xFF;
            return 2;
        case kReadDataByLocalIdentifier:
            data[1] = static_cast<std::uint8_t>(request.param & 0xFF);
            return 2;
        case kReadDataObject:
        case kWriteDataObject: {
            if (request.count < 0 || request.count > kObjectChunk) {
                return 0;
            }
            PutWord(&data[1], request.object);
            PutWord(&data[3], request.offset);
            if (request.service == kReadDataObject) {
                PutWord(&data[5], static_cast<std::uint32_t>(request.count));
                return 7;
            }
            if (request.count > 0 && request.bytes != nullptr) {
                std::memcpy(&data[5], request.bytes, static_cast<std::size_t>(request.count));
            }
            return static_cast<std::uint16_t>(request.count + 5);
        }
        default:  // 0x81, 0x82, 0x20: the identifier alone
            return 1;
    }
}

}  // namespace varnok
