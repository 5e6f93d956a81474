// varnok13, release 1.3.
//
// Start-up order as in the 1.4 build: the link object first (the 1.3 link
// object starts no thread; the polling thread starts at each connect), then
// the application, then the windows; the event loop shows Form1 and runs
// until it closes. There is no options record: the port box starts with
// "COM1".
#include "link/link.h"
#include "link/posix_serial_channel.h"
#include "release13/program_windows.h"
#include "shell/application.h"

int main(int argc, char** argv) {
    using namespace varnok;
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    release13::CSock sock{link, channel, clock};

    VarnokApplication application(argc, argv);
    VarnokApplication::setApplicationVersion(release13::kProgramVersion);
    LoadTranslations(application);

    return RunGuarded([&sock, &clock] {
        release13::ProgramWindows windows(sock, clock);
        windows.form1.show();
        return VarnokApplication::exec();
    });
}
