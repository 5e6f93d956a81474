// A pseudo-terminal pair for tests: the test holds the master side and plays
// the far end of the line; the code under test opens the slave by its path.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace varnok::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath; }
    int Master() const { return master; }

    void Write(const std::vector<std::uint8_t>& bytes);
    // Reads what arrives until `count` bytes are in or `limit` has passed.
    std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds limit);
    // Reads until the line has been quiet for `quiet` (or `limit` has passed).
    std::vector<std::uint8_t> ReadUntilQuiet(std::chrono::milliseconds quiet,
                                             std::chrono::milliseconds limit);
    // Closes the master side: the slave sees a hang-up.
    void HangUp();

private:
    int master = -1;
    // Our own hold on the slave side, never read. While it is open the
    // master never sees the slave closed, so the bytes the program writes
    // just before it closes its port are not lost to the hang-up.
    int slaveHold = -1;
    std::string slavePath;
};

std::vector<std::uint8_t> Bytes(const std::string& hex);
std::string Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace varnok::test
