// A fixture for tests that build the main window: a link object whose port
// is never opened unless a test opens it, and the options record in a
// settings folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "link/clock.h"
#include "link/csock.h"
#include "link/link.h"
#include "link/posix_serial_channel.h"

namespace varnok::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settingsFolder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    }

    QTemporaryDir settingsFolder;
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    CSock sock{link, channel, clock};
};

}  // namespace varnok::test
