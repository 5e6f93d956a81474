// The demo's hand-over of varnok-unit's port to the program: the options
// record written by varnok-demo-options puts the port name in the main
// window's port box, with no option on the program's command line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QTest>
#include <cstdlib>
#include <string>

#include "shell/main_form.h"
#include "tests/shell/window_fixture.h"

namespace varnok::test {
namespace {

class DemoOptions : public WindowFixture {
protected:
    // Runs the helper with the settings folder as the user's configuration folder.
    int Preset(const std::string& port) {
        const std::string command = "XDG_CONFIG_HOME='" + settingsFolder.path().toStdString() +
                                    "' '" VARNOK_DEMO_OPTIONS "' '" + port + "' 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    QString PortBox() {
        TForm1 form(sock);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        return form.ComboBox1->currentText();
    }
};

TEST_F(DemoOptions, TheProgramOpensWithTheUnitsPortInItsPortBox) {
    ASSERT_EQ(Preset("pts/7"), 0);
    EXPECT_EQ(PortBox(), "pts/7");
    EXPECT_EQ(Preset("pts/12345"), 1) << "does not fit 7 bytes";
    EXPECT_EQ(PortBox(), "pts/7") << "the record keeps the name it held";
}

}  // namespace
}  // namespace varnok::test
