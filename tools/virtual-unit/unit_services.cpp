#include "tools/virtual-unit/unit_services.h"

#include <algorithm>

#include "link/frame.h"
#include "link/services.h"

namespace varnok::unit {

namespace {

constexpr std::uint8_t kPositive = kPositiveResponse;
constexpr std::int64_t kDefaultQuietLimitMs = 5000;
constexpr std::uint8_t kIdentificationOption = 0x80;
// Data bytes one frame carries, its length byte being 8 bits.
constexpr std::size_t kMaxFrameData = 255;
constexpr std::uint8_t kDiagnosticMode = 0x80;
// Key bytes of the answer to StartCommunication: the unit speaks frames with
// address bytes and with or without a length byte.
constexpr std::uint8_t kKeyByte1 = 0xEF;
constexpr std::uint8_t kKeyByte2 = 0x8F;
// The one local identifier the unit answers: speed, coolant and supply.
constexpr std::uint8_t kEngineSummary = 0x01;


void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

std::uint8_t Bcd(unsigned value) {
    return static_cast<std::uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

bool SupportedBaud(std::uint32_t baud) {
    return baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600 || baud == 115200;
}

ServiceAnswer Positive(std::uint8_t service, std::vector<std::uint8_t> rest = {}) {
    ServiceAnswer answer;
    answer.data.push_back(static_cast<std::uint8_t>(service + kPositive));
    answer.data.insert(answer.data.end(), rest.begin(), rest.end());
    return answer;
}

ServiceAnswer Refused(std::uint8_t service, std::uint8_t code) {
    return ServiceAnswer{Refusal(service, code), 0};
}

}  // namespace

std::vector<std::uint8_t> Refusal(std::uint8_t service, std::uint8_t code) {
    return {kNegativeResponse, service, code};
}

UnitServices::UnitServices(UnitModel& m) : model(m), quietLimitMs(kDefaultQuietLimitMs) {}

void UnitServices::EndSession() {
    communicating = false;
    session = false;
    sessionBaud = kLineBaud;
    quietLimitMs = kDefaultQuietLimitMs;
}

std::uint32_t UnitServices::Expire(std::int64_t nowMs) {
    if (!communicating || nowMs - lastRequestMs <= quietLimitMs) {
        return 0;
    }
    const bool wasFast = Baud() != kLineBaud;
    EndSession();
    return wasFast ? kLineBaud : 0;
}

ServiceAnswer UnitServices::Handle(const std::uint8_t* data, std::size_t length,
                                   std::int64_t nowMs) {
    if (length == 0) {
        return {};
    }
    const std::uint32_t fellBack = Expire(nowMs);
    lastRequestMs = nowMs;
    const std::uint8_t service = data[0];
    ServiceAnswer answer = !communicating && service != kStartCommunication
                               ? Refused(service, kConditionsNotCorrect)
                               : Dispatch(service, data, length);
    if (answer.baudAfter == 0) {
        answer.baudAfter = fellBack;
    }
    return answer;
}

ServiceAnswer UnitServices::Dispatch(std::uint8_t service, const std::uint8_t* data,
                                     std::size_t length) {
    switch (service) {
        case kStartCommunication:
            communicating = true;
            return Positive(service, {kKeyByte1, kKeyByte2});
        case kStopCommunication: {
            ServiceAnswer answer = Positive(service);
            answer.baudAfter = session ? kLineBaud : 0;
            EndSession();
            return answer;
        }
        case kStartDiagnosticSession:
            return StartSession(data, length);
        case kStopDiagnosticSession: {
            if (!session) {
                return Refused(service, kConditionsNotCorrect);
            }
            ServiceAnswer answer = Positive(service);
            answer.baudAfter = kLineBaud;
            session = false;
            sessionBaud = kLineBaud;
            return answer;
        }
        case kTesterPresent:
            if (length != 2 || (data[1] != 0x01 && data[1] != 0x02)) {
                return Refused(service, kInvalidFormat);
            }
            return data[1] == 0x01 ? Positive(service) : ServiceAnswer{};  // 02: no answer wanted
        case kReadEcuIdentification: {
            if (length != 2 || data[1] != kIdentificationOption) {
                return Refused(service, kInvalidFormat);
            }
            // A text longer than one frame holds is cut: the answer's 5A and
            // 80 leave room for 253 of its bytes.
            const std::string text = model.Identification().substr(0, kMaxFrameData - 2);
            std::vector<std::uint8_t> rest{kIdentificationOption};
            rest.insert(rest.end(), text.begin(), text.end());
            return Positive(service, rest);
        }
        case kReadDtcByStatus:
            if (length != 3) {
                return Refused(service, kInvalidFormat);
            }
            return TroubleCodes();
        case kClearDiagnosticInformation:
            if (length < 2 || length > 3) {
                return Refused(service, kInvalidFormat);
            }
            if (!session) {
                return Refused(service, kConditionsNotCorrect);
            }
            model.ClearFaults();
            return Positive(service, std::vector<std::uint8_t>(data + 1, data + length));
        case kReadDataByLocalIdentifier:
            if (length != 2) {
                return Refused(service, kInvalidFormat);
            }
            return LocalIdentifier(data[1]);
        case kReadDataObject:
            return ReadObject(data, length);
        case kWriteDataObject:
            return WriteObject(data, length);
        default:
            return Refused(service, kServiceNotSupported);
    }
}

ServiceAnswer UnitServices::StartSession(const std::uint8_t* data, std::size_t length) {
    // 10 80, baud rate, six timing values in milliseconds.
    if (length != 16 || data[1] != kDiagnosticMode) {
        return Refused(data[0], kInvalidFormat);
    }
    const std::uint32_t baud = Word(data + 2);
    if (!SupportedBaud(baud)) {
        return Refused(data[0], kRequestOutOfRange);
    }
    session = true;
    sessionBaud = baud;
    const std::uint16_t quiet = Word(data + 4);
    quietLimitMs = quiet != 0 ? quiet : kDefaultQuietLimitMs;
    ServiceAnswer answer = Positive(data[0], {kDiagnosticMode});
    answer.baudAfter = baud;
    return answer;
}

ServiceAnswer UnitServices::ReadObject(const std::uint8_t* data, std::size_t length) {
    // A0, object, offset, count.
    if (length != 7) {
        return Refused(data[0], kInvalidFormat);
    }
    const std::uint16_t object = Word(data + 1);
    const std::uint16_t offset = Word(data + 3);
    const std::uint16_t count = Word(data + 5);
    // The answer carries 5 bytes besides the data and must fit one frame.
    if (count > kMaxFrameLength - 10) {
        return Refused(data[0], kRequestOutOfRange);
    }
    std::vector<std::uint8_t> bytes;
    if (const std::uint8_t code = model.Read(object, offset, count, bytes); code != 0) {
        return Refused(data[0], code);
    }
    std::vector<std::uint8_t> rest(data + 1, data + 5);
    rest.insert(rest.end(), bytes.begin(), bytes.end());
    return Positive(data[0], rest);
}

ServiceAnswer UnitServices::WriteObject(const std::uint8_t* data, std::size_t length) {
    // A1, object, offset, the bytes.
    if (length < 5) {
        return Refused(data[0], kInvalidFormat);
    }
    if (!session) {
        return Refused(data[0], kConditionsNotCorrect);
    }
    const auto count = static_cast<std::uint16_t>(length - 5);
    if (const std::uint8_t code = model.Write(Word(data + 1), Word(data + 3), data + 5, count);
        code != 0) {
        return Refused(data[0], code);
    }
    return Positive(data[0], std::vector<std::uint8_t>(data + 1, data + 5));
}

ServiceAnswer UnitServices::TroubleCodes() const {
    // 58, number of codes, then per code: the number in two BCD bytes and its state.
    const auto faults = model.PresentFaults();
    std::vector<std::uint8_t> rest{static_cast<std::uint8_t>(faults.size())};
    for (const auto& fault : faults) {
        rest.push_back(Bcd(fault.number / 100u));
        rest.push_back(Bcd(fault.number % 100u));
        rest.push_back(fault.state);
    }
    return Positive(kReadDtcByStatus, rest);
}

ServiceAnswer UnitServices::LocalIdentifier(std::uint8_t identifier) const {
    if (identifier != kEngineSummary) {
        return Refused(kReadDataByLocalIdentifier, kRequestOutOfRange);
    }
    std::vector<std::uint8_t> rest{identifier};
    for (const auto& [object, offset] : {std::pair{100, 0}, {115, 0}, {117, 0}}) {
        std::int64_t value = 0;
        model.Peek(static_cast<std::uint16_t>(object), static_cast<std::uint16_t>(offset), 2,
                   value);
        PutWord(rest, static_cast<std::uint32_t>(value));
    }
    return Positive(kReadDataByLocalIdentifier, rest);
}

}  // namespace varnok::unit
