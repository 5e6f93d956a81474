// CSock of the 1.3 build: the link object without a request queue.
//
// Every request is sent and its answer awaited by the thread that makes it:
// there is no worker thread, no ring and no read notification, and the
// constructor starts no thread. It shares with the queued CSock (link/csock.h)
// the frames, the link state machine, the serial channel, the service
// encodings and the session steps; it lives in its own namespace, so that
// both builds call their link object CSock.
//
// Request, one synchronous exchange:
// - the link must take the frame at once; while it still repeats an earlier
//   request (or parks a deferred answer) the call returns 0 at once;
// - for 1000 ms the thread takes a held frame right after the send and then
//   every 50 ms; a 50 ms sleep also follows the poll that finds the answer,
//   so even an answer that comes at once costs about 100 ms;
// - of the frames from the unit, a refusal (7F, whatever it refers to) ends
//   the request with 0 at once; the positive answer to the service is taken,
//   for 0xA0 only when its object and offset are the request's (an answer
//   left over from an earlier read that gave up waiting is discarded and
//   the wait goes on); every other frame is discarded.
//
// Threads: any thread may make requests, one at a time. Requests and the
// session operations hold one lock for their whole exchange, so a second
// thread waits until the first has its answer or has given up: two requests
// never share the line, and a request never takes another's answer. The
// program keeps the polling thread stopped while the main thread talks to
// the unit (poll_thread.h), so that lock is never waited on for long.
//
// Answer data is copied into callers' buffers under ValueBufferLock
// (link/value_lock.h), so the main thread may read a value buffer with
// CopyValue while the polling thread fills it.
//
// The Link, the SerialChannel and the Clock must outlive the CSock. Results
// are 1 (success) and 0 (failure); nothing here throws.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "link/clock.h"
#include "link/link.h"
#include "link/serial_channel.h"
#include "link/services.h"

namespace varnok::release13 {

// The session's fields (baud, timing, addresses, sessionOpen) come from
// SessionFields. sessionOpen is set only at the end of a successful
// OpenSession and cleared by CloseSession and DropSession.
class CSock : public SessionFields {
public:
    // How long a request waits for its answer, and the step of that wait.
    static constexpr std::uint32_t kAnswerWaitMs = 1000;
    static constexpr std::uint32_t kPollStepMs = 50;

    // Sets the link's worker hook to nothing: no thread waits on the link.
    CSock(Link& link, SerialChannel& channel, Clock& clock);
    // Closes the port of a session still open, without a word to the unit
    // (the window ends a session before the program exits).
    ~CSock();
    CSock(const CSock&) = delete;
    CSock& operator=(const CSock&) = delete;

    // One request to `target` (the unit address), waited for. Services 0x81,
    // 0x82, 0x10, 0x20, 0x3E, 0x1A, 0x18, 0x14, 0xA0 and 0xA1 with the request
    // data of link/services.h; 0x21 and unknown services return 0, as do
    // 0xA0 and 0xA1 with a length above 250 or below 0, all without sending.
    // `buffer`: 0xA0 receives the answer's data at its start; 0xA1 sends
    // `length` bytes from it; 0x1A receives the identification bytes after
    // the service identifier (no zero is added), at most `length` of them,
    // or 256 when `length` is 0. Other answers copy nothing. An 0xA0 answer
    // with more data than `length` is refused whole rather than copied past
    // the buffer. Returns 0 at once while no port is open.
    int Request(std::uint8_t target, std::uint8_t service, std::uint16_t object = 0,
                std::uint16_t offset = 0, std::int32_t length = 0, void* buffer = nullptr);

    // Reads or writes in requests of at most 250 bytes at offset + 0, 250,
    // 500...; the first failed request returns 0 and the rest are not sent.
    // A length of 0 returns 1 and sends nothing.
    int ReadObject(std::uint16_t object, std::uint16_t offset, void* buffer, std::int32_t length);
    int WriteObject(std::uint16_t object, std::uint16_t offset, const void* buffer,
                    std::int32_t length);
    // ClearDiagnosticInformation (0x14), waited for.
    int ClearFaults();
    // Writes 1 to object 10004 and reads it every 100 ms until it is not 1:
    // 1 when the unit reports 0 (stored), else 0.
    int StoreSettings();

    // Session control, from one controlling thread (the main thread).
    //
    // Opens the port and runs the session steps (link/session_steps.h); sets
    // sessionOpen only once TesterPresent has been answered. The port stays
    // open after a failure until DropSession.
    int OpenSession(const std::string& path, std::uint16_t sessionBaud);
    // StopDiagnosticSession and StopCommunication, each waited for up to
    // 1000 ms, so both reach the line; then closes the port. Returns 1.
    int CloseSession();
    // Closes the port without a word to the unit. Returns 1.
    int DropSession();

    const std::string& PortName() const { return portName; }

private:
    enum class Answer { None, Taken, Refused };

    int Exchange(std::uint8_t target, std::uint8_t service, std::uint16_t object,
                 std::uint16_t offset, std::int32_t length, std::uint8_t* buffer);
    Answer TakeAnswer(std::uint8_t service, std::uint16_t object, std::uint16_t offset,
                      std::int32_t length, std::uint8_t* buffer);
    int Chunked(std::uint8_t service, std::uint16_t object, std::uint16_t offset,
                std::uint8_t* buffer, std::int32_t length);
    void ClosePort();

    Link& link;
    SerialChannel& channel;
    Clock& clock;

    // Held by every request and session operation for its whole exchange.
    std::recursive_mutex lineLock;
    // Guarded by lineLock.
    std::string portName;
    // True from OpenSession until CloseSession or DropSession, also after a
    // failed open: a port is open, and requests may be sent.
    bool portInUse = false;
};

}  // namespace varnok::release13
