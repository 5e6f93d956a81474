#include "tests/graph/test_application.h"

#include <QApplication>

namespace varnok::test {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "varnok-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics may be gone by the time a static
    // application object would be, at exit.
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

}  // namespace varnok::test

// fontconfig keeps a few blocks of its configuration until exit, which the
// leak checker of the AddressSanitizer build reports as leaks of the test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
