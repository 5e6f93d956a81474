// The demo: the options record written by varnok-demo-options puts
// varnok-unit's port name in the main window's port box, with no option on
// the program's command line, and "Подключить" is the user's only step.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QTest>
#include <cstdlib>
#include <string>

#include "shell/main_form.h"
#include "tests/shell/window_fixture.h"
#include "tools/virtual-unit/virtual_unit.h"

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

TEST_F(DemoOptions, ConnectIsTheOnlyStepLeft) {
    unit::UnitOptions options;
    options.model.driver = false;
    unit::VirtualUnit unit(options);
    std::string error;
    ASSERT_TRUE(unit.Start(error)) << error;
    ASSERT_EQ(Preset(unit.PortName()), 0);

    TForm1 form(sock);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.ComboBox1->currentText().toStdString(), unit.PortName());
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(form.Button1->text(), "Отключить");
    EXPECT_TRUE(form.StatusText().startsWith("Подключен: ")) << form.StatusText().toStdString();
    EXPECT_TRUE(form.StatusText().contains("RK-24 ESU SN004217 276"));
    EXPECT_EQ(form.firmwareVersion, 276);
    // The polling fills the sensor list: engine speed near idle.
    QTRY_VERIFY_WITH_TIMEOUT(!form.ListView5->topLevelItem(0)->text(1).isEmpty(), 2000);
    EXPECT_NEAR(form.ListView5->topLevelItem(0)->text(1).toInt(), 670, 50);
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(form.StatusText(), "Отключен");
}

}  // namespace
}  // namespace varnok::test
