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
