// The 1.3 program's windows against varnok-unit on a pseudo-terminal: the
// real window (offscreen), the synchronous link object with its link
// thread, the polling thread and the serial channel, and the simulated unit
// in-process. The frames the unit receives are taken from its trace.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <sstream>

#include "settings/settings_save.h"
#include "tests/release13/window13_fixture.h"
#include "tests/settings/recorded_boxes.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace varnok::test {
namespace {

using unit::UnitModel;
using unit::VirtualUnit;
using Strings = std::vector<std::string>;

bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// The service data of a frame as the unit's trace prints it (the whole
// frame, header and checksum included).
std::string ServiceData(const std::vector<unsigned>& frame) {
    if (frame.size() < 4) return {};
    const bool lengthByte = (frame[0] & 0x3F) == 0;
    const std::size_t start = lengthByte ? 4 : 3;
    const std::size_t length = lengthByte ? frame[3] : (frame[0] & 0x3F);
    std::string out;
    for (std::size_t i = start; i < start + length && i < frame.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", out.empty() ? "" : " ", frame[i]);
        out += hex;
    }
    return out;
}

class Session13 : public Window13Fixture {
protected:
    void Start(unit::UnitOptions options = {}) {
        options.model.driver = false;  // the pedal stays where the test puts it
        options.line.pace = false;
        options.line.trace = true;
        unitSim = std::make_unique<VirtualUnit>(options);
        unitSim->SetTraceStream(&trace);
        std::string error;
        ASSERT_TRUE(unitSim->Start(error)) << error;
        form().show();
        form().ComboBox1->setEditText(QString::fromStdString(unitSim->PortName()));
        form().Button1->click();
        ASSERT_EQ(form().isConnected, 1) << form().StatusText().toStdString();
    }
    void TearDown() override {
        Window13Fixture::TearDown();
        unitSim.reset();
    }

    // The service data of every frame the unit has received, in order.
    Strings Received() {
        const std::string text = unitSim->WithModel([this](UnitModel&) { return trace.str(); });
        Strings frames;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string time, baud, direction, word;
            words >> time >> baud >> direction;
            if (direction != "rx") continue;
            std::vector<unsigned> bytes;
            while (words >> word && word.front() != '(')
                bytes.push_back(std::stoul(word, nullptr, 16));
            frames.push_back(ServiceData(bytes));
        }
        return frames;
    }
    // Those that start with `prefix`, from frame `from` on.
    Strings Received(const std::string& prefix, std::size_t from = 0) {
        const Strings all = Received();
        Strings out;
        for (std::size_t i = from; i < all.size(); ++i) {
            if (all[i].rfind(prefix, 0) == 0) out.push_back(all[i]);
        }
        return out;
    }
    std::int64_t UnitValue(std::uint16_t object, std::uint16_t offset, std::uint16_t length = 2) {
        return unitSim->WithModel([&](UnitModel& model) {
            std::int64_t value = -1;
            model.Peek(object, offset, length, value);
            return value;
        });
    }
    // The session ended without StopDiagnosticSession or StopCommunication.
    void ExpectDroppedWithoutStopRequests() {
        EXPECT_EQ(form().isConnected, 0);
        EXPECT_EQ(form().StatusText(), "Отключен");
        EXPECT_EQ(form().Button1->text(), "Подключить");
        EXPECT_TRUE(form().ComboBox1->isEnabled());
        EXPECT_FALSE(form().Timer1->isActive());
        EXPECT_FALSE(form().Button2->isEnabled());
        EXPECT_EQ(sock.sessionOpen.load(), 0);
        QTest::qWait(200);
        EXPECT_EQ(Received("20"), Strings());
        EXPECT_EQ(Received("82"), Strings());
    }

    std::ostringstream trace;
    std::unique_ptr<VirtualUnit> unitSim;
    RecordedBoxes boxes;
};

TEST_F(Session13, ConnectShowsTheTotalsThenPollingCyclesUntilTheUnitIsLost) {
    ASSERT_NO_FATAL_FAILURE(Start());
    release13::TForm1& f = form();
    // The engine totals are shown at once and not read again.
    EXPECT_EQ(f.ListView2->topLevelItem(0)->text(1).toLongLong(), UnitValue(803, 0, 4));
    EXPECT_EQ(f.ListView2->topLevelItem(1)->text(1).toLongLong(), UnitValue(803, 4, 4));
    EXPECT_TRUE(f.StatusText().startsWith("Подключен: ")) << f.StatusText().toStdString();
    EXPECT_EQ(f.firmwareVersion, 276);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_FALSE(f.ComboBox1->isEnabled());
    EXPECT_EQ(f.Button1->text(), "Отключить");
    EXPECT_TRUE(f.Button2->isEnabled() && f.Button3->isEnabled() && f.Button4->isEnabled());

    const InformationGraph& graph = f.informationGraph;
    ASSERT_TRUE(WaitFor([&] { return graph.Count(kGraphEngineSpeed1) >= 3; }, 10000));
    for (int ch = 0; ch < InformationGraph::kChannels; ++ch) {
        EXPECT_EQ(graph.Count(ch), graph.Count(kGraphEngineSpeed1)) << "stepped together";
    }
    // A cycle of 14 reads takes more than a second.
    EXPECT_LT(graph.History(kGraphEngineSpeed1)[1].x, 23.0);
    EXPECT_GT(graph.History(kGraphEngineSpeed1)[1].x, 20.0);
    EXPECT_NE(f.ListView5->topLevelItem(8)->text(1), "");  // coolant
    EXPECT_NE(f.ListView3->topLevelItem(0)->text(1), "");
    EXPECT_EQ(Received("A0 23 03"), Strings({"A0 23 03 00 00 04 00", "A0 23 03 04 00 04 00"}));
    SaveScreenshot("r13-information-connected");

    unitSim->GoSilent();
    EXPECT_TRUE(WaitFor([&] { return f.isConnected == 0; }, 4000));
    ExpectDroppedWithoutStopRequests();
}

TEST_F(Session13, TheSettingsViewReadsEverythingOnEntryAndAnUnreadableValueOnlyDisablesItsControl) {
    unit::UnitOptions options;
    options.model.firmwareVersion = 275;  // the tachograph constant in units of 8 pulses
    ASSERT_NO_FATAL_FAILURE(Start(options));
    release13::TForm1& f = form();
    unitSim->WithModel([](UnitModel& model) {
        model.RefuseReads(61442, 0);
        model.Poke(1101, 0, 2, 2);  // any value but 0 shows "Включить"
    });
    const std::size_t before = Received().size();
    f.N8->trigger();

    Strings reads;
    for (const release13::SettingsField& field : release13::kSettingsFields) {
        char read[32];
        std::snprintf(read, sizeof read, "A0 %02X %02X %02X %02X 02 00",
                      field.object->object & 0xFF, field.object->object >> 8,
                      field.object->offset & 0xFF, field.object->offset >> 8);
        reads.push_back(read);
    }
    // Polling stops for the entry's reads, which follow each other in order.
    const Strings received = Received("A0", before);
    EXPECT_NE(std::search(received.begin(), received.end(), reads.begin(), reads.end()),
              received.end())
        << testing::PrintToString(received);

    EXPECT_FALSE(f.CheckBox4->isEnabled()) << "object 61442 was refused";
    for (const release13::SettingsField& field : release13::kSettingsFields) {
        if (field.control == release13::SettingsControl::CheckBox4) continue;
        EXPECT_TRUE(f.Control(field.control)->isEnabled())
            << f.Control(field.control)->objectName().toStdString();
    }
    EXPECT_EQ(f.Edit1->text(), "8000");
    EXPECT_EQ(f.Edit2->text(), "90");
    EXPECT_EQ(f.ComboBox2->currentText(), "Включить");
    EXPECT_EQ(f.ComboBox3->currentText(), "3.32");
    EXPECT_TRUE(f.CheckBox1->isChecked());
    EXPECT_FALSE(f.CheckBox2->isChecked());
    EXPECT_EQ(f.Edit3->text(), "3200");
    EXPECT_EQ(f.Edit4->text(), "650");
    EXPECT_EQ(f.Edit5->text(), "15");
    EXPECT_NEAR(f.Edit6->text().toLongLong(), UnitValue(1009, 16), 10);  // a live value
    EXPECT_TRUE(f.CheckBox5->isEnabled() && f.CheckBox5->isChecked());
    EXPECT_TRUE(f.Timer1->isActive()) << "polling again";
    SaveScreenshot("r13-settings-connected");

    // The Errors view reads the faults with polling stopped, then polls again.
    f.N7->trigger();
    f.Button2->click();
    EXPECT_EQ(f.ListView1->topLevelItemCount(), 3);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_TRUE(f.Button2->isEnabled());
    SaveScreenshot("r13-errors-connected");
}

TEST_F(Session13, TheSaveStopsTheEngineThenWritesEveryFieldAndTheAcceptedCalibrationInOrder) {
    unit::UnitOptions options;
    options.model.stopTimeMs = 300;
    options.model.restartAfterMs = 0;
    ASSERT_NO_FATAL_FAILURE(Start(options));
    release13::TForm1& f = form();
    ASSERT_NE(LoadUnsigned16(objects::kEngineRunning), 0) << "the engine runs";
    f.N8->trigger();

    f.Edit1->setText("9000");
    f.Edit2->setText("85.55");
    f.ComboBox2->setCurrentIndex(1);  // "Выключить"
    f.ComboBox3->setEditText("2.34");
    f.CheckBox1->setChecked(false);
    f.CheckBox2->setChecked(true);
    f.CheckBox4->setChecked(true);
    f.Edit3->setText("4000");
    f.Edit4->setText("640");
    f.Edit5->setText("13.5");

    // Pedal 1: the dialog moves its gauge from its own reads; "ОК" accepts.
    unitSim->PressPedal(50);
    QTimer::singleShot(0, &dialog(), [&] {
        // Half-way between the sensor's ends (102 and 921).
        EXPECT_TRUE(WaitFor([&] { return dialog().CGauge1->value() == UnitValue(104, 14); }, 3000))
            << dialog().CGauge1->value();
        EXPECT_NEAR(dialog().CGauge1->value(), 511, 5);
        dialog().readings[0] = {100, 900};
        dialog().Button1->setEnabled(true);
        dialog().Button1->click();
    });
    f.Button5->click();
    EXPECT_EQ(f.Label8->text(), "выполнена");
    EXPECT_EQ(UnitValue(104, 54), 112) << "nothing written until the save";

    const std::size_t before = Received().size();
    f.Button4->click();
    ASSERT_EQ(boxes.shown.size(), 1U) << "only the question; the store says nothing";
    EXPECT_EQ(boxes.shown[0].text, kStopEngineQuestion);
    EXPECT_EQ(Received("A1", before), Strings({
                                          "A1 16 27 00 00 01 00",  // stop the engine
                                          "A1 67 00 0E 00 28 23",  // 9000
                                          "A1 4D 04 02 00 6B 21",  // 85.55 km/h
                                          "A1 4D 04 00 00 00 00",  // "Выключить"
                                          "A1 F5 01 08 00 24 09",  // 2.34
                                          "A1 2A 03 00 00 00 00", "A1 2B 03 00 00 01 00",
                                          "A1 2C 03 00 00 01 00", "A1 02 F0 00 00 01 00",
                                          "A1 EC 03 08 00 A0 0F",  // Kd 4000
                                          "A1 F1 03 02 00 80 02",  // 640 rpm
                                          "A1 F1 03 06 00 46 05",  // 13.5 %
                                          "A1 68 00 16 00 00 00 10 27 FF 7F",
                                          "A1 68 00 36 00 6E 00 7A 03 FF 7F",  // 110, 890
                                          "A1 68 00 14 00 00 00",
                                          "A1 16 27 00 00 00 00",  // the stop request withdrawn
                                          "A1 14 27 00 00 01 00",  // store
                                      }));
    EXPECT_EQ(UnitValue(103, 14), 9000);
    EXPECT_EQ(UnitValue(501, 8), 2340);
    EXPECT_EQ(UnitValue(104, 54), 110);
    EXPECT_EQ(UnitValue(10004, 0), 0) << "stored";
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_TRUE(f.Button4->isEnabled());
    EXPECT_EQ(f.Label8->text(), "выполнена") << "until the view is entered again";
}

TEST_F(Session13, AUnitLostWhileTheCalibrationDialogReadsEndsTheSessionUnaccepted) {
    ASSERT_NO_FATAL_FAILURE(Start());
    release13::TForm1& f = form();
    f.N8->trigger();
    f.calibrationAccepted[1] = true;
    bool closed = false;
    QTimer::singleShot(0, &dialog(), [&] {
        unitSim->GoSilent();
        closed = WaitFor([&] { return !dialog().isVisible(); }, 4000);
        if (!closed) dialog().Button2->click();
    });
    f.Button7->click();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(f.calibrationAccepted[1]);
    EXPECT_EQ(f.Label15->text(), "не выполнена");
    ExpectDroppedWithoutStopRequests();
}

}  // namespace
}  // namespace varnok::test
