// The 1.3 program's windows as the program builds them, on the synchronous
// link object with the real serial channel (its port is opened only when a
// test connects), and the options record pointed at a folder of the test's
// own so that a test can see that the window neither reads nor writes it.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

#include "link/link.h"
#include "link/posix_serial_channel.h"
#include "release13/program_windows.h"
#include "tests/shell/qt_print.h"

namespace varnok::test {

class Window13Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settingsFolder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
        windows = std::make_unique<release13::ProgramWindows>(sock, clock);
    }
    void TearDown() override {
        if (windows) form().close();
        windows.reset();
    }

    release13::TForm1& form() { return windows->form1; }
    release13::TForm2& dialog() { return windows->form2; }

    // With VARNOK_SCREENSHOTS set to a folder, saves the window there.
    void SaveScreenshot(const QString& name) { SaveScreenshot(form(), name); }
    static void SaveScreenshot(QWidget& window, const QString& name) {
        const QString folder = qEnvironmentVariable("VARNOK_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            EXPECT_TRUE(window.grab().save(QDir(folder).filePath(name + ".png")));
        }
    }

    QTemporaryDir settingsFolder;
    Link link;
    PosixSerialChannel channel{link};
    SteadyClock clock;
    release13::CSock sock{link, channel, clock};
    std::unique_ptr<release13::ProgramWindows> windows;
};

}  // namespace varnok::test
