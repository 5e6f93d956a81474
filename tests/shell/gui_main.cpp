// The GUI tests run inside the program's own application object, so that
// its exception handling is the one under test.
#include <gtest/gtest.h>

#include <QtGlobal>

#include "shell/application.h"

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform reports every window feature it lacks.
void QuietOffscreenNotices(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (!message.startsWith("This plugin does not support")) {
        standardHandler(type, context, message);
    }
}

}  // namespace

int main(int argc, char** argv) {
    standardHandler = qInstallMessageHandler(QuietOffscreenNotices);
    ::testing::InitGoogleTest(&argc, argv);
    varnok::VarnokApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
