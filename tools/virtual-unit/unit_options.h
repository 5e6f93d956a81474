// What varnok-unit can be told on its command line, and the defaults a test
// gets when it builds a VirtualUnit in-process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnok::unit {

// How the unit's data objects behave.
struct ModelOptions {
    // Firmware version in the identification text. Below 276 the unit keeps
    // the tachograph constant in units of 8 pulses per km.
    std::uint16_t firmwareVersion = 276;
    // An automatic driver who works the pedal now and then; a pedal command
    // takes over from him.
    bool driver = true;
    // Time from the engine stop request (object 10006) until the engine stands.
    int stopTimeMs = 1000;
    // The engine is started again this long after the stop request has been
    // withdrawn; 0 leaves it standing until it is started by a command.
    int restartAfterMs = 5000;
    // Reads of object 10004 that still show 1 after a store was started.
    int storeBusyReads = 2;
    // Seed of the noise on the live values.
    std::uint32_t seed = 1;
};

// Misbehaviour and line behaviour that can be switched on and off while the
// unit runs.
struct LineOptions {
    // Echo every received byte, as a K-line adapter does.
    bool echo = true;
    // Send at the line speed of the baud rate the program has set (10 bits
    // per byte); off: every byte goes out at once.
    bool pace = true;
    // Response-pending answers (7F, service, 78) before every answer, and the
    // time between them.
    int pendingCount = 0;
    int pendingGapMs = 20;
    // Stop answering after this many request frames, or this many seconds
    // after the start; negative: never.
    long silentAfterFrames = -1;
    double silentAfterSeconds = -1;
    // Share of the unit's frames (0 to 1) sent with a wrong checksum.
    double corruptShare = 0.0;
    // False: StartCommunication gets no answer at all.
    bool answerStartCommunication = true;
    // Print every frame on the line to the trace stream.
    bool trace = false;
};

struct UnitOptions {
    // Serial device to serve; empty: create a pseudo-terminal.
    std::string device;
    ModelOptions model;
    LineOptions line;
};

// Parses the command line (without the program name). False with a message
// in `error` on an unknown option or a bad value; `help` is set by --help.
bool ParseUnitOptions(const std::vector<std::string>& args, UnitOptions& options, bool& help,
                      std::string& error);

std::string UnitUsage();

}  // namespace varnok::unit
