// The 1.3 window without a unit: what its design changes against the 1.4
// window, the controls that follow the fieldRead flags, the display timer
// with its 50-point graph histories, the calibration state labels, and the
// pure parts of its Settings view (the saved words, the engine-stop wait).
#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>
#include <QTimer>
#include <deque>
#include <string>

#include "tests/release13/window13_fixture.h"

namespace varnok::test {
namespace {

using release13::CycleValues;
using release13::SettingsControl;

using Window13 = Window13Fixture;

QStringList Captions(const QTreeWidget* list) {
    QStringList captions;
    for (int i = 0; i < list->topLevelItemCount(); ++i) captions << list->topLevelItem(i)->text(0);
    return captions;
}

QStringList Values(const QTreeWidget* list) {
    QStringList values;
    for (int i = 0; i < list->topLevelItemCount(); ++i) values << list->topLevelItem(i)->text(1);
    return values;
}

TEST_F(Window13, TheDesignDiffersFromTheBetaWindow) {
    release13::TForm1& f = form();
    EXPECT_EQ(f.objectName(), "Form1");
    EXPECT_EQ(f.windowTitle(), "Varnok 1.3");
    EXPECT_EQ(f.size(), QSize(792, 546)) << "the design size until shown";
    EXPECT_EQ(f.Button1->geometry(), QRect(126, 15, 91, 30));

    // The display timer in place of the polling timer.
    EXPECT_EQ(f.findChild<QTimer*>("Timer2"), nullptr);
    EXPECT_EQ(f.Timer1->interval(), 10);
    EXPECT_FALSE(f.Timer1->isActive());

    // "Файл" holds only "Выход"; no item has a shortcut key.
    EXPECT_EQ(f.N1->actions(), QList<QAction*>({f.N5}));
    for (const char* gone : {"N4", "N9", "N10"}) EXPECT_EQ(f.findChild<QAction*>(gone), nullptr);
    for (QAction* item : {f.N5, f.N6, f.N7, f.N8}) {
        EXPECT_TRUE(item->shortcut().isEmpty()) << item->objectName().toStdString();
    }

    // The list rows are there from the start, before the window is shown.
    EXPECT_EQ(Captions(f.ListView2).size(), 2);
    EXPECT_EQ(Captions(f.ListView3).size(), 14);
    EXPECT_EQ(Captions(f.ListView4).size(), 8);
    EXPECT_EQ(Captions(f.ListView5).first(), "Частота вращения двигателя n1, об/мин");

    // The Settings view: no Kp field, ComboBox2 for the speed limiter, the
    // changed labels, and the calibration state beside each button.
    for (const char* gone : {"Label4", "Edit8", "CheckBox6"}) {
        EXPECT_EQ(f.findChild<QWidget*>(gone), nullptr) << gone;
    }
    EXPECT_FALSE(f.ComboBox2->isEditable());
    EXPECT_EQ(f.ComboBox2->count(), 2);
    EXPECT_EQ(f.ComboBox2->itemText(1), "Выключить");
    EXPECT_EQ(f.ComboBox2->currentText(), "Включить");
    EXPECT_EQ(f.Label10->text(),
              "Минимальные обороты холостого хода прогретого двигателя, об/мин (630...670):");
    EXPECT_EQ(f.Label11->text(),
              "Максимальная коррекция педали прогретого двигателя, % (12...18):");
    for (QLabel* state : {f.Label8, f.Label15}) {
        EXPECT_EQ(state->text(), "не выполнена");
        EXPECT_EQ(state->palette().color(QPalette::WindowText), QColor(Qt::red));
    }
    EXPECT_EQ(f.CheckBox5->text(), "включить");

    // The other two windows.
    EXPECT_EQ(windows->form3.Label1->text(), "Varnok, версия 1.3, 16.04.2008");
    SaveScreenshot(windows->form3, "r13-about");
    EXPECT_EQ(dialog().size(), QSize(403, 156));
    EXPECT_FALSE(dialog().windowFlags().testFlag(Qt::Tool) && dialog().windowType() == Qt::Tool);
}

TEST_F(Window13, OpensDisconnectedWithoutReadingOrWritingOptions) {
    QSettings("KMOR", "Varnok").setValue("Options/Options", QByteArray("COM12\0\0\0", 8));
    release13::TForm1& f = form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_EQ(f.ComboBox1->currentText(), "COM1");
    EXPECT_EQ(f.StatusText(), "Отключен");
    EXPECT_GE(f.frameGeometry().width(), 800);
    EXPECT_GE(f.frameGeometry().height(), 600);
    EXPECT_TRUE(f.SpeedButton1->isChecked());

    for (QWidget* off : {static_cast<QWidget*>(f.Button2), static_cast<QWidget*>(f.Button3),
                         static_cast<QWidget*>(f.Button4), static_cast<QWidget*>(f.CheckBox5)}) {
        EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
    }
    for (const release13::SettingsField& field : release13::kSettingsFields) {
        EXPECT_FALSE(f.Control(field.control)->isEnabled());
    }
    for (QLabel* label : {f.Label1, f.Label2, f.Label7, f.Label10, f.Label14}) {
        EXPECT_TRUE(label->isEnabled()) << "labels are never disabled";
    }
    SaveScreenshot("r13-information-disconnected");

    f.ComboBox1->setEditText("ttyUSB3");
    f.close();
    windows.reset();
    EXPECT_EQ(QSettings("KMOR", "Varnok").value("Options/Options").toByteArray(),
              QByteArray("COM12\0\0\0", 8))
        << "the record is left as it was";
}

TEST_F(Window13, SetUnitControlsFollowsTheReadFlags) {
    release13::TForm1& f = form();
    // Every second control read; among them Button7, so CheckBox5 is checked.
    for (std::size_t i = 0; i < f.fieldRead.size(); ++i) f.fieldRead[i] = i % 2 == 1;
    ASSERT_TRUE(f.fieldRead[release13::IndexOf(SettingsControl::Button7)]);

    f.SetUnitControls(true);
    for (const release13::SettingsField& field : release13::kSettingsFields) {
        EXPECT_EQ(f.Control(field.control)->isEnabled(),
                  f.fieldRead[release13::IndexOf(field.control)])
            << f.Control(field.control)->objectName().toStdString();
    }
    EXPECT_TRUE(f.Button2->isEnabled() && f.Button3->isEnabled() && f.Button4->isEnabled());
    EXPECT_TRUE(f.CheckBox5->isEnabled());
    EXPECT_TRUE(f.CheckBox5->isChecked());

    f.fieldRead[release13::IndexOf(SettingsControl::Button7)] = false;
    f.SetUnitControls(false);
    for (const release13::SettingsField& field : release13::kSettingsFields) {
        EXPECT_FALSE(f.Control(field.control)->isEnabled());
    }
    EXPECT_FALSE(f.Button4->isEnabled() || f.CheckBox5->isEnabled());
    EXPECT_FALSE(f.CheckBox5->isChecked()) << "follows Button7's flag whether on or off";
    EXPECT_TRUE(f.Label3->isEnabled() && f.Label13->isEnabled());
}

// A cycle whose words are given by object.
CycleValues Cycle(std::initializer_list<std::pair<const DataObject*, std::uint16_t>> words) {
    CycleValues cycle;
    const auto reads = release13::PollCycle();
    for (const auto& [object, word] : words) {
        for (std::size_t i = 0; i < reads.size(); ++i) {
            if (reads[i] == object) cycle.words[i] = word;
        }
    }
    return cycle;
}

class Display13 : public Window13 {
protected:
    void SetUp() override {
        Window13::SetUp();
        form().SetCycleSource([this]() -> std::optional<CycleValues> {
            if (cycles.empty()) return std::nullopt;
            CycleValues next = cycles.front();
            cycles.pop_front();
            return next;
        });
        form().show();  // sets the graph up
    }
    // `ticks` ticks of Timer1, the last of which finds `cycle` done.
    void TicksThenCycle(int ticks, const CycleValues& cycle) {
        for (int i = 1; i < ticks; ++i) form().Timer1Timer();
        cycles.push_back(cycle);
        form().Timer1Timer();
    }

    std::deque<CycleValues> cycles;
};

TEST_F(Display13, EachCompleteCycleIsShownOnceInTheListsAndTheGraph) {
    using namespace objects;
    release13::TForm1& f = form();
    for (int i = 0; i < 3; ++i) f.Timer1Timer();
    EXPECT_NEAR(f.sinceLastCycle, 0.03, 1e-12);
    EXPECT_EQ(Values(f.ListView5).first(), "") << "no cycle yet";

    TicksThenCycle(1, Cycle({{&kEngineSpeedN1, 850},
                             {&kVehicleSpeed, 1234},
                             {&kBoostPressure, 1500},
                             {&kSupplyVoltage, 2750},
                             {&kRackSetpoint, 4000},
                             {&kSwitches, 0x0009},
                             {&kOutputs, 0xFF01}}));
    EXPECT_EQ(f.sinceLastCycle, 0.0);
    EXPECT_EQ(Values(f.ListView5),
              QStringList({"850", "0", "12.34", "0", "0", "1.5", "0", "0", "0", "27.5"}));
    EXPECT_EQ(Values(f.ListView3),
              QStringList({"1", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(Values(f.ListView4), QStringList({"1", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(Values(f.ListView2), QStringList({"", ""})) << "totals come from the connect only";

    const InformationGraph& graph = f.informationGraph;
    EXPECT_EQ(graph.HistoryLength(), 50);
    for (int ch = 0; ch < InformationGraph::kChannels; ++ch) {
        EXPECT_EQ(graph.Count(ch), 1) << "every channel steps, the setpoint too";
    }
    EXPECT_EQ(graph.History(kGraphEngineSpeed1)[0].y, 850.0);
    EXPECT_DOUBLE_EQ(graph.History(kGraphRackSetpoint)[0].y, 40.0);
    EXPECT_DOUBLE_EQ(graph.History(kGraphBoostPressure)[0].y, 1.5);

    // The next cycle 25 ticks later: the older point moves back by 0.25 s.
    TicksThenCycle(25, Cycle({{&kEngineSpeedN1, 900}}));
    EXPECT_EQ(graph.Count(kGraphEngineSpeed1), 2);
    EXPECT_EQ(graph.History(kGraphEngineSpeed1)[0].x, 24.0);
    EXPECT_NEAR(graph.History(kGraphEngineSpeed1)[1].x, 23.75, 1e-9);
    EXPECT_EQ(graph.History(kGraphEngineSpeed1)[1].y, 850.0);
    EXPECT_EQ(Values(f.ListView5).first(), "900");

    // A tick without a new cycle shows nothing again.
    f.Timer1Timer();
    EXPECT_EQ(graph.Count(kGraphEngineSpeed1), 2);

    // Fifty points at the most, all channels alike.
    for (int i = 0; i < 60; ++i) TicksThenCycle(1, Cycle({{&kEngineSpeedN1, 1000}}));
    for (int ch = 0; ch < InformationGraph::kChannels; ++ch) {
        EXPECT_EQ(graph.Count(ch), 50);
    }
    EXPECT_NEAR(graph.History(kGraphEngineSpeed1)[49].x, 24.0 - 49 * 0.01, 1e-9);
}

TEST_F(Window13, CalibrationLabelsShowTheDialogsAnswer) {
    release13::TForm1& f = form();
    f.show();
    // Accepted: "ОК" of a finished calibration.
    QTimer::singleShot(0, &dialog(), [this] {
        SaveScreenshot(dialog(), "r13-calibration");
        dialog().Button1->setEnabled(true);
        dialog().Button1->click();
    });
    f.Button5Click();
    EXPECT_TRUE(f.calibrationAccepted[0]);
    EXPECT_EQ(f.Label8->text(), "выполнена");
    EXPECT_EQ(f.Label8->palette().color(QPalette::WindowText), QColor(Qt::darkGreen));

    QTimer::singleShot(0, &dialog(), [this] { dialog().Button2->click(); });
    f.Button7Click();
    EXPECT_FALSE(f.calibrationAccepted[1]);
    EXPECT_EQ(f.Label15->text(), "не выполнена");
    EXPECT_EQ(f.Label15->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(f.Label8->text(), "выполнена") << "the other channel keeps its state";
}

TEST(SettingsFields13, TheSaveWritesWhatTheControlsHoldCutTowardZero) {
    using release13::kSettingsFields;
    struct Case {
        SettingsControl control;
        const char* text;
        std::uint16_t firmware;
        std::optional<std::uint16_t> word;
    };
    const Case cases[] = {
        {SettingsControl::Edit1, "8007", 276, 8007},
        {SettingsControl::Edit1, "8007", 275, 1000},  // units of 8 pulses
        {SettingsControl::Edit1, " -1x", 276, 65535},
        {SettingsControl::Edit1, "65537", 276, 1},
        {SettingsControl::Edit1, "abc", 276, 0},
        {SettingsControl::Edit2, "85.559", 276, 8555},
        {SettingsControl::ComboBox3, "3.659", 276, 3659},
        {SettingsControl::Edit3, "5000.9", 276, 5000},  // no range is checked
        {SettingsControl::Edit4, "-5", 276, 65531},
        {SettingsControl::Edit5, "13.999", 276, 1399},
        {SettingsControl::Edit5, "", 276, 0},
        {SettingsControl::Edit2, "1e30", 276, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.firmware));
        EXPECT_EQ(release13::SavedWord(kSettingsFields[release13::IndexOf(c.control)], c.text,
                                       c.firmware),
                  c.word);
    }
}

// Counts the waits; the engine stops at a given check (0 the first).
class StopClock : public Clock {
public:
    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(waits * 50); }
    void Sleep(std::uint32_t milliseconds) override {
        EXPECT_EQ(milliseconds, 50U);
        ++waits;
    }
    int waits = 0;
};

TEST(EngineStopWait13, StoppedAtACheckBeforeTheHundredthWaitHasEnded) {
    struct Case {
        int stopsAtCheck;  // -1: never
        bool stopped;
        int waits;
    };
    const Case cases[] = {
        {0, true, 0},
        {49, true, 49},
        {99, true, 99},
        // Reads 0 just after the 100th wait: too late.
        {100, false, 100},
        {-1, false, 101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stopsAtCheck);
        StopClock clock;
        int checks = 0;
        const bool stopped = release13::WaitForEngineStop(
            [&] { return c.stopsAtCheck >= 0 && checks++ >= c.stopsAtCheck; }, clock);
        EXPECT_EQ(stopped, c.stopped);
        EXPECT_EQ(clock.waits, c.waits);
    }
}

}  // namespace
}  // namespace varnok::test
