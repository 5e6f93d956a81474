#include "link/session_steps.h"

namespace varnok {

int OpenSessionSteps(Link& link, SerialChannel& channel, Clock& clock, const std::string& path,
                     std::uint8_t testerAddress, std::uint16_t baud, const TimingTable& timing,
                     const SessionRequest& request) {
    if (channel.SerialOpen(path, testerAddress, kLineBaud) == 0 ||
        request(kStartCommunication) == 0 || request(kStartDiagnosticSession) == 0) {
        return 0;
    }
    link.SetTiming(SessionLinkTiming(timing));
    clock.Sleep(kSessionPauseMs);
    if (channel.SerialSetBaud(baud) == 0 || request(kTesterPresent) == 0) {
        return 0;
    }
    return 1;
}

void CloseSessionSteps(SerialChannel& channel, Clock& clock, const SessionRequest& request) {
    request(kStopDiagnosticSession);
    clock.Sleep(kSessionPauseMs);
    channel.SerialSetBaud(kLineBaud);
    request(kStopCommunication);
}

int StoreSettingsSteps(Clock& clock, const WordWrite& write, const WordRead& read) {
    if (write(kStoreObject, 0, 1) == 0) {
        return 0;
    }
    std::uint16_t status = 1;
    while (status == 1) {
        clock.Sleep(kStorePollMs);
        if (read(kStoreObject, 0, status) == 0) {
            return 0;
        }
    }
    return status == 0 ? 1 : 0;
}

}  // namespace varnok
