// The Settings view, the save and the pedal calibration against varnok-unit
// on a pseudo-terminal: the real window (offscreen), the real link object
// with its threads and serial channel, the simulated unit in-process.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "livedata/value_text.h"
#include "settings/settings_save.h"
#include "shell/main_form.h"
#include "tests/settings/recorded_boxes.h"
#include "tests/shell/window_fixture.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace varnok {
namespace {

using unit::UnitModel;
using unit::VirtualUnit;

constexpr int kWaitMs = 5000;

bool WaitFor(const std::function<bool()>& condition, int milliseconds = kWaitMs) {
    return QTest::qWaitFor(condition, milliseconds);
}

unit::UnitOptions Options(std::uint16_t firmware, int stopTimeMs) {
    unit::UnitOptions options;
    options.model.firmwareVersion = firmware;
    options.model.driver = false;  // the pedal stays where the test puts it
    options.model.stopTimeMs = stopTimeMs;
    options.model.restartAfterMs = 0;
    return options;
}

// A connected main window with its calibration dialog, against the unit.
// Message boxes are answered and recorded by `boxes`.
class SettingsSession : public test::WindowFixture {
protected:
    void Start(std::uint16_t firmware = 276, int stopTimeMs = 300) {
        unitSim = std::make_unique<VirtualUnit>(Options(firmware, stopTimeMs));
        std::string error;
        ASSERT_TRUE(unitSim->Start(error)) << error;
        form = std::make_unique<TForm1>(sock);
        dialog = std::make_unique<TForm2>(sock, form->calibrationAccepted);
        form->SetCalibrationDialog(dialog.get());
        form->show();
        form->N8->trigger();  // the Settings view
        form->ComboBox1->setEditText(QString::fromStdString(unitSim->PortName()));
        form->Button1->click();
        ASSERT_EQ(form->isConnected, 1) << form->StatusText().toStdString();
    }

    // Connected, with the engine running as the program last read it.
    void StartRunning(int stopTimeMs) {
        ASSERT_NO_FATAL_FAILURE(Start(276, stopTimeMs));
        ASSERT_TRUE(WaitFor([] { return LoadUnsigned16(objects::kEngineRunning) != 0; }));
    }

    // Clicks a "Калибровка..." button; `steps` run while the dialog is open
    // and must close it.
    void Calibrate(QPushButton* button, const std::function<void()>& steps) {
        bool ran = false;
        QTimer::singleShot(0, dialog.get(), [&] {
            ran = true;
            steps();
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dialog->Button2->click();
            }
        });
        button->click();
        EXPECT_TRUE(ran);
    }

    void TearDown() override {
        if (form) form->close();
        dialog.reset();
        form.reset();
        unitSim.reset();
    }

    std::int64_t UnitValue(std::uint16_t object, std::uint16_t offset) {
        return unitSim->WithModel([&](UnitModel& model) {
            std::int64_t value = -1;
            model.Peek(object, offset, 2, value);
            return value;
        });
    }

    // Types `text` over the field's text and presses Enter.
    static void Enter(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    std::unique_ptr<VirtualUnit> unitSim;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TForm2> dialog;
    test::RecordedBoxes boxes;
};

TEST_F(SettingsSession, FieldsShowWriteAndReadBackTheUnitsValues) {
    Start(275);
    // The connect's reads fill and enable the view.
    ASSERT_TRUE(WaitFor([&] { return form->Edit4->isEnabled() && form->Edit1->isEnabled(); }));
    const std::int64_t tachograph = UnitValue(103, 14);
    EXPECT_EQ(form->Edit1->text().toLongLong(), (tachograph * 8) & 0xFFFF);
    EXPECT_EQ(form->Edit4->text().toLongLong(), UnitValue(1009, 2));

    Enter(form->Edit1, "8007");
    EXPECT_TRUE(WaitFor([&] { return UnitValue(103, 14) == 1000; }));
    EXPECT_TRUE(WaitFor([&] { return form->Edit1->text() == "8000"; }));

    Enter(form->Edit4, "600");
    EXPECT_TRUE(WaitFor([&] { return UnitValue(1009, 2) == 600; }));
    Enter(form->Edit4, "599");  // out of range: not written, the unit's value comes back
    EXPECT_TRUE(WaitFor([&] { return form->Edit4->text() == "600"; }));
    EXPECT_EQ(UnitValue(1009, 2), 600);

    form->ComboBox3->setFocus(Qt::MouseFocusReason);
    form->ComboBox3->setCurrentIndex(4);  // "4.00"
    form->Edit3->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(WaitFor([&] { return form->ComboBox3->currentText() == "4"; }));
    EXPECT_EQ(UnitValue(501, 8), 4000);

    const bool wasChecked = form->CheckBox2->isChecked();
    form->CheckBox2->click();
    EXPECT_TRUE(WaitFor([&] { return UnitValue(811, 0) == (wasChecked ? 0 : 1); }));
}

TEST_F(SettingsSession, SaveWithTheEngineStopped) {
    Start();
    unitSim->WithModel([](UnitModel& model) { model.Engine().Stop(); });
    ASSERT_TRUE(WaitFor([] { return LoadUnsigned16(objects::kEngineRunning) == 0; }));
    form->Button4->click();
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].text, kSavedMessage);
    EXPECT_EQ(UnitValue(10006, 0), 0);
    EXPECT_EQ(UnitValue(10004, 0), 0);
}

TEST_F(SettingsSession, SaveStopsARunningEngineFirst) {
    StartRunning(250);
    form->Button4->click();
    ASSERT_EQ(boxes.shown.size(), 2U);
    EXPECT_EQ(boxes.shown[0].text, kStopEngineQuestion);
    EXPECT_EQ(boxes.shown[1].text, kSavedMessage);
    EXPECT_EQ(UnitValue(10006, 0), 0);  // the stop request withdrawn
    EXPECT_EQ(UnitValue(200, 0), 0);
}

// Whatever is typed, accepted, refused by the program's range or by the
// unit's own limits, and with every answer coming late behind response-
// pending frames: once the line is quiet each field shows what the unit holds.
TEST_F(SettingsSession, EveryFieldEndsShowingWhatTheUnitHolds) {
    Start(276);
    unitSim->SetPending(2);
    ASSERT_TRUE(WaitFor([&] { return form->Edit5->isEnabled() && form->Edit8->isEnabled(); }));
    // Late answers make polling fill the queue; without it the queue runs
    // empty once a field's write and read-back are done.
    form->Timer2->stop();
    struct Field {
        QLineEdit* edit;
        std::uint16_t object;
        std::uint16_t offset;
        long double scale;
        std::vector<QString> typed;
    };
    const std::vector<Field> fields = {
        {form->Edit1, 103, 14, 1, {"6000", "0", "70000", "."}},
        {form->Edit2, 1101, 2, 0.01L, {"85", "500", "12.5", "90"}},
        {form->Edit3, 1004, 8, 1, {"4000", "100", "5001", "2000"}},  // the unit refuses 100
        {form->Edit4, 1009, 2, 1, {"640", "599", "671", "670"}},
        {form->Edit5, 1009, 6, 0.01L, {"13.5", "11.99", "18.004", "."}},
        {form->Edit8, 400, 8, 1, {"5000", "3499", "5500", "4200.4"}},
    };
    for (const Field& field : fields) {
        for (const QString& text : field.typed) {
            Enter(field.edit, text);
            ASSERT_TRUE(WaitFor([&] { return sock.QueueDepth() == 0; }));
            const std::int64_t held = UnitValue(field.object, field.offset);
            const QString shown = field.scale == 1
                                      ? QString::number(held)
                                      : QString::fromStdString(RealText(Scaled(held, field.scale)));
            EXPECT_TRUE(WaitFor([&] { return field.edit->text() == shown; }))
                << field.edit->objectName().toStdString() << " after \"" << text.toStdString()
                << "\": shows " << field.edit->text().toStdString() << ", the unit holds " << held;
        }
    }
}

TEST_F(SettingsSession, AnEngineThatDoesNotStopTimesOutAndNothingIsStored) {
    StartRunning(60000);
    // A value of our own in the store word shows whether a store was started.
    unitSim->SetValue(10004, 0, 2, 7);
    form->Button4->click();
    ASSERT_EQ(boxes.shown.size(), 2U);
    EXPECT_EQ(boxes.shown[1].text, kStopTimeoutMessage);
    EXPECT_EQ(UnitValue(10006, 0), 0);
    EXPECT_EQ(UnitValue(10004, 0), 7);
}

TEST_F(SettingsSession, CancelSendsNothingAndARefusedStoreSaysNothing) {
    StartRunning(60000);
    unitSim->SetValue(10004, 0, 2, 7);
    boxes.answer = QMessageBox::Cancel;
    form->Button4->click();
    EXPECT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(UnitValue(10004, 0), 7);
    EXPECT_EQ(UnitValue(200, 0), 1);

    // A question that could not be shown goes on to the store with the engine
    // running; the unit refuses it (status 2), and nothing is reported.
    unitSim->WithModel([](UnitModel& model) { model.Release(10004, 0); });
    boxes.shown.clear();
    boxes.answer = QMessageBox::NoButton;
    form->Button4->click();
    EXPECT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(UnitValue(10004, 0), 2);
}

TEST_F(SettingsSession, PedalCalibrationEndsWithTheUnitHoldingTheReadings) {
    Start();
    unitSim->PressPedal(0);
    ASSERT_TRUE(WaitFor([&] { return form->Button5->isEnabled(); }));
    Calibrate(form->Button5, [&] {
        dialog->Button3->click();
        EXPECT_TRUE(WaitFor([&] { return dialog->Label1->text() == kPressPedal; }));
        unitSim->PressPedal(100);
        EXPECT_TRUE(WaitFor([&] { return dialog->Button1->isEnabled(); }, 8000));
        dialog->Button1->click();
    });
    ASSERT_TRUE(form->calibrationAccepted[0]);
    const PedalReadings held = dialog->readings[0];
    // The unit's sensor: 102 released, 921 pressed, each ±1; "ОК" moves
    // both 10 counts inward.
    EXPECT_NEAR(held.released, 112, 2);
    EXPECT_NEAR(held.pressed, 911, 2);
    EXPECT_EQ(UnitValue(104, 54), held.released);
    EXPECT_EQ(UnitValue(104, 56), held.pressed);
    EXPECT_EQ(UnitValue(104, 58), 32767);
    EXPECT_EQ(UnitValue(104, 22), 0);
    EXPECT_EQ(UnitValue(104, 24), 10000);
    EXPECT_EQ(UnitValue(104, 20), 0);
}

TEST_F(SettingsSession, LosingTheUnitClosesTheCalibrationUnaccepted) {
    Start();
    ASSERT_TRUE(WaitFor([&] { return form->Button5->isEnabled(); }));
    form->calibrationAccepted = {true, true};
    Calibrate(form->Button5, [&] {
        dialog->Button3->click();
        unitSim->GoSilent();
        // The watchdog disconnects; the dialog closes by itself.
        EXPECT_TRUE(WaitFor([&] { return !dialog->isVisible(); }, 10000));
    });
    EXPECT_EQ(form->isConnected, 0);
    EXPECT_FALSE(form->calibrationAccepted[0]);
    EXPECT_TRUE(form->calibrationAccepted[1]);
}

}  // namespace
}  // namespace varnok
