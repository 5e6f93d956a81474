// varnok-demo-options: puts a port name into the program's options record,
// the way the program itself keeps it, so that the program opens with that
// name in its port box. scripts/demo.sh uses it to hand the program the
// port of varnok-unit without any option on the program's command line.
//
// Usage: varnok-demo-options PORT   (for example pts/3)
#include <QString>
#include <cstdio>

#include "shell/options_record.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: varnok-demo-options PORT (for example pts/3)\n");
        return 2;
    }
    varnok::OptionsRecord record{};
    varnok::ReadOptionsRecord(record);  // keep what the record held besides the name
    if (!varnok::StorePortNameText(record, QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "varnok-demo-options: %s does not fit the options record\n", argv[1]);
        return 1;
    }
    if (!varnok::WriteOptionsRecord(record)) {
        std::fprintf(stderr, "varnok-demo-options: cannot write the options record\n");
        return 1;
    }
    return 0;
}
