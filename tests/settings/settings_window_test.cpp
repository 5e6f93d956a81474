// The Settings view and the calibration dialog as the main window builds
// and reaches them.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "settings/message_box.h"
#include "shell/main_form.h"
#include "tests/settings/unit_memory.h"

namespace varnok {
namespace {

using test::FakeLine;
using test::UnitMemory;
using Seen = std::vector<std::string>;

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override { memory.Attach(line); }

    // A read queued as the polling does, answered, and its notification
    // dispatched by the window.
    void Read(const DataObject& object) {
        line.sock->ReadObject(object.object, object.offset, ValueBuffer(object), object.length, 0);
        test::RunLine(line);
        QCoreApplication::sendPostedEvents();
    }

    // The unit outlives the line, whose end closes the session.
    UnitMemory memory;
    FakeLine line;
    TForm1 window{*line.sock};
    TForm2 dialog{*line.sock, window.calibrationAccepted};
};

TEST_F(SettingsWindowTest, AnswersReachTheViewAndTheGaugeThroughTheDispatch) {
    window.isConnected = 1;
    memory.words[{1009, 2}] = 650;
    memory.words[{105, 14}] = 300;
    Read(objects::kWarmIdleSpeed);
    EXPECT_EQ(window.Edit4->text(), "650");
    EXPECT_TRUE(window.Edit4->isEnabled());
    EXPECT_TRUE(window.Label10->isEnabled());

    Read(objects::kPedal2Reading);  // no dialog yet: nothing to move
    window.SetCalibrationDialog(&dialog);
    Read(objects::kPedal2Reading);
    EXPECT_EQ(dialog.CGauge1->value(), 300);
}

TEST_F(SettingsWindowTest, FieldsOfTheWindowWriteAndReadBack) {
    window.isConnected = 1;
    window.Edit4->setEnabled(true);
    window.Edit4->setText("640");
    QTest::keyClick(window.Edit4, Qt::Key_Return);
    test::RunLine(line);
    EXPECT_EQ(test::SeenHex(line), (Seen{"A1 F1 03 02 00 80 02", "A0 F1 03 02 00 02 00"}));
    window.Edit4->setText("");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.Edit4->text(), "640");

    line.seen.clear();
    window.CheckBox4->setEnabled(true);
    window.CheckBox4->click();
    test::RunLine(line);
    EXPECT_EQ(test::SeenHex(line), (Seen{"A1 02 F0 00 00 01 00", "A0 02 F0 00 00 02 00"}));
}

TEST_F(SettingsWindowTest, SaveButtonStoresTheSettings) {
    StoreUnsigned16(objects::kEngineRunning, 0);
    std::vector<QString> shown;
    MessageBoxAnswer answer([&](const MessageBoxRequest& request) {
        shown.push_back(request.text);
        return QMessageBox::Ok;
    });
    window.Button4->setEnabled(true);
    window.Button4->click();
    EXPECT_EQ(shown, std::vector<QString>{"Настройки успешно сохранены!"});
}

TEST_F(SettingsWindowTest, CalibrationButtonsOpenTheirChannelAndTheSessionEndClosesIt) {
    window.SetCalibrationDialog(&dialog);
    for (const auto& [button, title] : {std::pair{window.Button5, "Калибровка педали (1 канал)"},
                                        std::pair{window.Button7, "Калибровка педали (2 канал)"}}) {
        window.calibrationAccepted = {true, true};
        QString seenTitle;
        QTimer::singleShot(0, &dialog, [&] {
            seenTitle = dialog.windowTitle();
            window.EndCalibration();
        });
        button->setEnabled(true);
        button->click();
        EXPECT_EQ(seenTitle, title);
        EXPECT_FALSE(dialog.isVisible());
        const int channel = button == window.Button5 ? 0 : 1;
        EXPECT_FALSE(window.calibrationAccepted[channel]);
        EXPECT_TRUE(window.calibrationAccepted[1 - channel]);
    }
    for (const std::string& frame : test::SeenHex(line)) {
        EXPECT_NE(frame.rfind("A1", 0), 0U) << "nothing is written: " << frame;
    }
}

}  // namespace
}  // namespace varnok
