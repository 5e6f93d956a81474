// Connect and disconnect of the 1.3 build: what Button1Click and FormClose
// do on the link, without the window's controls.
//
// Connect opens the session, reads the identification and the firmware
// version, writes the connect marker (object 103, offset 8), reads the engine
// running word and, when the engine stands, stores the settings; then it
// reads the engine totals once for the whole session and starts the polling
// thread. No settings are read and no connection watchdog runs: a lost unit
// shows as a failed read of the polling thread, which hands the disconnect to
// the main thread (poll_thread.h). Disconnect stops the polling thread and
// closes the session with its stop requests, or, once the unit has been
// found lost (pollThreadEnded), drops it without a word to the unit.
//
// The window shows the result: the status bar text by State() (the texts
// below; "Подключен: " is followed by the identification decoded from
// Windows-1251, or by kUnknownDevice), the engine totals in ListView2, and
// its controls. It starts Timer1 after a connect and stops it before
// Disconnect, and turns the link-lost handler into a queued call of its own
// disconnect path (Button1Click while isConnected).
//
// Threads: every member runs on the main thread, except that the link-lost
// handler is called on the polling thread. The CSock and the Clock must
// outlive the Connection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/clock.h"
#include "release13/poll_thread.h"
#include "release13/sync_sock.h"

namespace varnok::release13 {

inline constexpr std::string_view kDisconnectedText = "Отключен";
inline constexpr std::string_view kConnectFailedText = "Отключен: ошибка подключения";
inline constexpr std::string_view kConnectedText = "Подключен: ";

enum class ConnectionState { Disconnected, ConnectFailed, Connected };

class Connection {
public:
    // `linkLost` is called on the polling thread when one of its reads fails.
    Connection(CSock& sock, Clock& clock, PollThread::LinkLostHandler linkLost);

    // Connects on the device path at 57600 baud when not connected; 1 when
    // the session is open and polling has started. A failed open drops the
    // session and leaves the state ConnectFailed.
    int Connect(const std::string& devicePath);
    // Ends a connected session; does nothing when not connected (so a second
    // hand-off after a lost unit is harmless). The state becomes Disconnected.
    void Disconnect();
    // FormClose: stops the polling thread and ends an open session the same
    // way, but leaves isConnected and the state as they are.
    void Close();

    ConnectionState State() const { return state; }
    PollThread& Polling() { return poll; }

    // 1 after a complete connect, 0 after a disconnect.
    int isConnected = 0;

    // Learnt at the last successful connect.
    //
    // The identification as the unit sent it: the bytes after the service
    // identifier, in the unit's code page, up to the first zero byte.
    std::string identification;
    // False when the unit refused or did not answer the identification.
    bool identified = false;
    // From characters 21 to 23 of the identification; 0 without one.
    std::uint16_t firmwareVersion = 0;
    // Object 803 at offsets 0 and 4, read once per session. A failed read
    // leaves the value buffer's last value.
    std::uint32_t engineHours = 0;
    std::uint32_t engineRevolutions = 0;

private:
    void EndSession();

    CSock& sock;
    PollThread poll;
    ConnectionState state = ConnectionState::Disconnected;
};

}  // namespace varnok::release13
