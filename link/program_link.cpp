#include "link/program_link.h"

#include "link/posix_serial_channel.h"

namespace varnok {

namespace {

struct ProgramLink {
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    CSock sock{link, channel, clock};
};

}  // namespace

CSock& Sock() {
    static ProgramLink program;
    return program.sock;
}

}  // namespace varnok
