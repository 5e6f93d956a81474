#include "release13/connection.h"

#include <array>

#include "livedata/data_objects.h"
#include "livedata/session_text.h"

namespace varnok::release13 {

namespace {

using namespace objects;

// The connect handler's identification buffer; the answer's bytes fill at
// most all but its last byte, so the text always ends with a zero.
constexpr std::size_t kIdentTextSize = 256;

}  // namespace

Connection::Connection(CSock& s, Clock& clock, PollThread::LinkLostHandler linkLost)
    : sock(s), poll(s, clock) {
    poll.SetLinkLostHandler(std::move(linkLost));
}

int Connection::Connect(const std::string& devicePath) {
    if (isConnected != 0) {
        return 1;
    }
    if (sock.OpenSession(devicePath, kSessionBaud) == 0) {
        sock.DropSession();
        state = ConnectionState::ConnectFailed;
        return 0;
    }

    std::array<char, kIdentTextSize> identText{};
    identified =
        sock.Request(sock.unitAddress, kReadEcuIdentification, 0, 0,
                     static_cast<std::int32_t>(identText.size() - 1), identText.data()) != 0;
    identification = identified ? std::string(identText.data()) : std::string();
    firmwareVersion = identified ? FirmwareVersion(identification) : 0;

    const std::uint16_t marker = 1;
    sock.WriteObject(kConnectMarker.object, kConnectMarker.offset, &marker, 2);
    // Settings are stored only while the engine stands; a word that could
    // not be read says nothing about the engine, so nothing is stored then.
    if (sock.ReadObject(kEngineRunning.object, kEngineRunning.offset, ValueBuffer(kEngineRunning),
                        2) != 0 &&
        LoadUnsigned16(kEngineRunning) == 0) {
        sock.StoreSettings();
    }
    for (const DataObject* total : {&kEngineHours, &kEngineRevolutions}) {
        sock.ReadObject(total->object, total->offset, ValueBuffer(*total), total->length);
    }
    engineHours = LoadUnsigned32(kEngineHours);
    engineRevolutions = LoadUnsigned32(kEngineRevolutions);

    // Cleared before the thread starts, so that a read failing at once is
    // not forgotten.
    poll.pollThreadEnded.store(false);
    poll.Start();
    isConnected = 1;
    state = ConnectionState::Connected;
    return 1;
}

void Connection::Disconnect() {
    if (isConnected == 0) {
        return;
    }
    isConnected = 0;
    EndSession();
    state = ConnectionState::Disconnected;
}

void Connection::Close() {
    EndSession();
}

void Connection::EndSession() {
    if (poll.pollThreadEnded.load()) {
        poll.Join();
    } else {
        poll.Stop();
    }
    if (sock.sessionOpen.load() == 0) {
        return;
    }
    // Looked at again after the stop: the thread may have lost the unit
    // just before it was stopped.
    if (poll.pollThreadEnded.load()) {
        sock.DropSession();
    } else {
        sock.CloseSession();
    }
}

}  // namespace varnok::release13
