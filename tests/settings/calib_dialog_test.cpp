#include "settings/calib_dialog.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "tests/settings/unit_memory.h"

namespace varnok {
namespace {

using test::FakeLine;
using test::UnitMemory;
using Seen = std::vector<std::string>;

// The dialog on a link object whose line is played by a unit with a pedal
// the test moves. Timer ticks are given by the test, each followed by the
// line answering and the dispatch handing the answers to the gauge.
class CalibDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        memory.Attach(line);
        Pedal(0);
        StoreUnsigned16(objects::kPedal1Reading, 0);
    }

    void Pedal(std::uint16_t reading) {
        memory.words[UnitMemory::KeyOf(objects::kPedal1Reading)] = reading;
        memory.words[UnitMemory::KeyOf(objects::kPedal2Reading)] = reading;
    }

    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            dialog.Timer1Timer();
            test::RunLine(line, 5);
            for (const auto& [object, offset] : line.notifications) {
                dialog.GaugeValue(object, offset);
            }
            line.notifications.clear();
        }
    }

    // Runs Calibrate for `channel`, with `steps` done while the dialog is open.
    void Calibrate(std::uint16_t channel, const std::function<void()>& steps) {
        bool ran = false;
        QTimer::singleShot(0, &dialog, [&] {
            ran = true;
            steps();
            // Whatever the steps did, the dialog must not stay open.
            if (dialog.isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dialog.Button2->click();
            }
        });
        dialog.Calibrate(channel);
        EXPECT_TRUE(ran);
    }

    // A finished calibration from `released` to `pressed`.
    void Measure(std::uint16_t released, std::uint16_t pressed) {
        Pedal(released);
        Tick();
        dialog.Button3->click();
        EXPECT_EQ(dialog.Label1->text(), kCalibratingReleased);
        EXPECT_GE(dialog.Label1->width(), dialog.Label1->sizeHint().width());  // not cut
        EXPECT_FALSE(dialog.Button3->isEnabled());
        Tick(9);
        EXPECT_EQ(dialog.Label1->text(), kCalibratingReleased);
        Tick();
        EXPECT_EQ(dialog.Label1->text(), kPressPedal);
        Pedal(pressed);
        Tick(2);  // the first tick still works on the released reading
        Tick(9);
        EXPECT_FALSE(dialog.Button1->isEnabled());
        Tick();
        EXPECT_EQ(dialog.Label1->text(), kCalibrationDone);
        EXPECT_TRUE(dialog.Button1->isEnabled());
        EXPECT_EQ(dialog.CGauge1->value(), pressed);
    }

    Seen Writes() const {
        Seen writes;
        for (const std::string& frame : test::SeenHex(line)) {
            if (frame.rfind("A1", 0) == 0) writes.push_back(frame);
        }
        return writes;
    }

    std::uint16_t UnitWord(std::uint16_t object, std::uint16_t offset) {
        return memory.words[{object, offset}];
    }

    // The unit outlives the line, whose end closes the session.
    UnitMemory memory;
    FakeLine line;
    std::array<bool, 2> marks{};
    TForm2 dialog{*line.sock, marks};
};

TEST_F(CalibDialogTest, ShowingStartsAfreshForItsChannel) {
    EXPECT_EQ(dialog.size(), QSize(403, 164));
    for (const std::uint16_t channel : {0, 1}) {
        Calibrate(channel, [&] {
            EXPECT_EQ(dialog.calibration.CurrentState(), PedalCalibration::State::Idle);
            EXPECT_EQ(dialog.windowTitle(),
                      channel == 0 ? "Калибровка педали (1 канал)" : "Калибровка педали (2 канал)");
            EXPECT_EQ(dialog.Label1->text(), "Отпустите педаль и нажмите кнопку \"ПУСК\"");
            EXPECT_FALSE(dialog.Button1->isEnabled());
            EXPECT_TRUE(dialog.Button2->isEnabled());
            EXPECT_TRUE(dialog.Button3->isEnabled());
            EXPECT_TRUE(dialog.Timer1->isActive());
            EXPECT_EQ(dialog.Timer1->interval(), 200);
            Tick();
            dialog.Button3->click();
            dialog.Button2->click();
        });
        EXPECT_FALSE(dialog.Timer1->isActive());
    }
    EXPECT_EQ(test::SeenHex(line), (Seen{"A0 68 00 0E 00 02 00", "A0 69 00 0E 00 02 00"}));
}

TEST_F(CalibDialogTest, AcceptedCalibrationIsWrittenToTheChannel) {
    struct Case {
        std::uint16_t channel;
        std::uint16_t released, pressed;          // measured
        std::uint16_t heldReleased, heldPressed;  // after "ОК"
        Seen writes;
    };
    const Case cases[] = {
        {0,
         100,
         900,
         110,
         890,
         {"A1 68 00 16 00 00 00 10 27 FF 7F", "A1 68 00 36 00 6E 00 7A 03 FF 7F",
          "A1 68 00 14 00 00 00"}},
        {1,
         900,
         100,
         890,
         110,  // a falling sensor
         {"A1 69 00 16 00 00 00 10 27 FF 7F", "A1 69 00 36 00 7A 03 6E 00 FF 7F",
          "A1 69 00 14 00 00 00"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.channel);
        line.seen.clear();
        Calibrate(k.channel, [&] {
            Measure(k.released, k.pressed);
            dialog.Button1->click();
        });
        EXPECT_TRUE(marks[k.channel]);
        EXPECT_EQ(Writes(), k.writes);
        const std::uint16_t object = k.channel == 0 ? 104 : 105;
        EXPECT_EQ(UnitWord(object, 54), k.heldReleased);
        EXPECT_EQ(UnitWord(object, 56), k.heldPressed);
        EXPECT_EQ(UnitWord(object, 58), 32767);
    }
}

TEST_F(CalibDialogTest, EveryOtherCloseCountsAsCancelAndWritesNothing) {
    const std::pair<const char*, std::function<void()>> closes[] = {
        {"Отмена", [&] { dialog.Button2->click(); }},
        {"Escape", [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }},
        {"the system's close", [&] { dialog.close(); }},
        {"the session ending", [&] { dialog.SessionEnded(); }},
        {"the timer finding no session",
         [&] {
             line.sock->CloseSession();
             dialog.Timer1Timer();
         }},
    };
    for (const auto& [how, close] : closes) {
        SCOPED_TRACE(how);
        if (line.sock->sessionOpen.load() == 0) line.Open();
        line.seen.clear();
        marks = {true, true};  // an earlier accepted calibration
        Calibrate(0, [&] {
            Measure(100, 900);
            close();
        });
        EXPECT_FALSE(marks[0]);
        EXPECT_TRUE(marks[1]);
        EXPECT_TRUE(Writes().empty());
        EXPECT_FALSE(dialog.Timer1->isActive());
    }
}

TEST_F(CalibDialogTest, SessionEndWhileClosedChangesNothing) {
    marks = {true, true};
    dialog.SessionEnded();
    EXPECT_EQ(marks, (std::array<bool, 2>{true, true}));
}

TEST_F(CalibDialogTest, GaugeShowsEitherChannelsReadingClampedTo1023) {
    StoreUnsigned16(objects::kPedal2Reading, 2000);
    EXPECT_TRUE(dialog.GaugeValue(105, 14));
    EXPECT_EQ(dialog.CGauge1->value(), 1023);
    EXPECT_EQ(dialog.CGauge1->text(), "100%");
    StoreUnsigned16(objects::kPedal1Reading, 512);
    EXPECT_TRUE(dialog.GaugeValue(104, 14));
    EXPECT_EQ(dialog.CGauge1->text(), "50%");
    EXPECT_FALSE(dialog.GaugeValue(104, 10));
    EXPECT_FALSE(dialog.GaugeValue(106, 14));
    EXPECT_EQ(dialog.CGauge1->value(), 512);

    // A black bar on white: filled on the left half, empty on the right.
    const QImage picture = dialog.CGauge1->grab().toImage();
    const int middle = picture.height() / 2;
    EXPECT_EQ(QColor(picture.pixel(5, middle)), QColor(Qt::black));
    EXPECT_EQ(QColor(picture.pixel(picture.width() - 5, middle)), QColor(Qt::white));
}

}  // namespace
}  // namespace varnok
