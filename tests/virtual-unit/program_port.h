// The program's side of the line, played by a test with raw bytes: opens
// the unit's port the way the program does (raw, 8N1, exclusive), writes
// request frames and collects what comes back.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace varnok::test {

class ProgramPort {
public:
    explicit ProgramPort(const std::string& path, std::uint32_t baud = 9600);
    ~ProgramPort();
    ProgramPort(const ProgramPort&) = delete;
    ProgramPort& operator=(const ProgramPort&) = delete;

    bool IsOpen() const { return fd >= 0; }
    bool SetBaud(std::uint32_t baud);
    void Write(const std::vector<std::uint8_t>& bytes);
    // Reads until `count` bytes are in or `limit` has passed.
    std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds limit);
    // Reads until the line has been quiet for `quiet` (or `limit` has passed).
    std::vector<std::uint8_t> ReadUntilQuiet(std::chrono::milliseconds quiet,
                                             std::chrono::milliseconds limit);
    void Close();

private:
    int fd = -1;
};

// A request frame from the tester (F0) to the unit (10), checksum included.
std::vector<std::uint8_t> Request(const std::vector<std::uint8_t>& data);

}  // namespace varnok::test
