// The main window's connect, polling, dispatch and disconnect against a
// scripted unit on a pseudo-terminal: the real window (offscreen), the real
// link object, link thread and serial channel.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "shell/main_form.h"
#include "shell/object_read_event.h"
#include "tests/link/fake_line.h"
#include "tests/shell/qt_print.h"
#include "tests/shell/window_fixture.h"
#include "tests/support/scripted_peer.h"

namespace varnok {
namespace {

using namespace std::chrono_literals;
using Answers = std::vector<std::vector<std::uint8_t>>;

// The identification: the option byte 0x80, then text whose characters 21
// to 23 (counting the option byte) carry the firmware version.
const std::string kIdentification =
    "\x80"
    "ECU diesel version 276 build 5";

// A unit that answers everything, reads with the object's low byte, unless
// told to be silent.
struct ScriptedUnit {
    std::atomic<bool> silent{false};
    std::atomic<bool> answerStart{true};

    Answers operator()(const std::vector<std::uint8_t>& request) {
        if (silent || (request[0] == 0x81 && !answerStart)) return {};
        if (request[0] == 0x1A) {
            std::vector<std::uint8_t> answer{0x5A};
            answer.insert(answer.end(), kIdentification.begin(), kIdentification.end());
            return {answer};
        }
        if (request[0] == 0xA0 && request[1] == 100 && request[2] == 0) {
            return {{0xE0, 100, 0, 0, 0, 0x52, 0x03}};  // n1 = 850 rpm
        }
        return test::PositiveAnswer(request, request[0] == 0xA0 ? request[1] : 0);
    }
};

class WindowSession : public test::WindowFixture {
protected:
    void SetUp() override {
        test::WindowFixture::SetUp();
        form = std::make_unique<TForm1>(sock);
        form->show();
        form->ComboBox1->setEditText(QString::fromStdString(peer.SlavePath()));
    }
    void TearDown() override {
        form->close();
        form.reset();
    }
    void Connect() {
        form->Button1->click();
        ASSERT_EQ(form->isConnected, 1) << form->StatusText().toStdString();
    }
    static std::string Text(const std::vector<test::PeerFrame>& frames) {
        std::string out;
        for (const auto& f : frames)
            out += test::Hex(f.data) + " @" + std::to_string(f.baud) + "\n";
        return out;
    }
    std::string Frames() { return Text(peer.Frames()); }
    // The frames once StopCommunication, the last frame of a session, is in.
    std::string FramesAfterClose() {
        const auto end = std::chrono::steady_clock::now() + 1s;
        std::string frames = Frames();
        while (!frames.ends_with("82 @9600\n") && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(2ms);
            frames = Frames();
        }
        return frames;
    }

    ScriptedUnit unit;
    test::ScriptedPeer peer{
        [this](const std::vector<std::uint8_t>& request) { return unit(request); }};
    std::unique_ptr<TForm1> form;
};

TEST_F(WindowSession, ConnectIdentifiesTheUnitAndTheListsFill) {
    Connect();
    EXPECT_EQ(form->StatusText(), QString("Подключен: Ђ") + "ECU diesel version 276 build 5");
    EXPECT_EQ(form->firmwareVersion, 276);
    EXPECT_EQ(form->Button1->text(), "Отключить");
    EXPECT_FALSE(form->ComboBox1->isEnabled());
    EXPECT_FALSE(form->N4->isEnabled());
    EXPECT_TRUE(form->N9->isEnabled());
    EXPECT_TRUE(form->Timer2->isActive());
    for (QWidget* on : {form->Button2, form->Button3, form->Button4}) EXPECT_TRUE(on->isEnabled());

    QTRY_COMPARE_WITH_TIMEOUT(form->ListView5->topLevelItem(0)->text(1), QString("850"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(form->ListView2->topLevelItem(0)->text(1), QString("589505315"),
                              3000);
    // Object 800 offset 6 answered with 0x20 in both bytes: bits 5 and 13.
    QTRY_COMPARE_WITH_TIMEOUT(form->ListView3->topLevelItem(4)->text(1), QString("1"), 3000);
    EXPECT_EQ(form->ListView3->topLevelItem(0)->text(1), "0");
    EXPECT_EQ(form->ListView3->topLevelItem(11)->text(1), "1");

    const std::string frames = Frames();
    EXPECT_NE(frames.find("A1 67 00 08 00 01 00 @57600\nA0 C8 00 00 00 02 00 @57600\n"
                          "A0 67 00 0E 00 02 00 @57600\n"),
              std::string::npos)
        << "marker write, engine running read, then the settings reads\n"
        << frames;

    form->Button1->click();
    EXPECT_EQ(form->StatusText(), "Отключен");
    EXPECT_EQ(form->Button1->text(), "Подключить");
    EXPECT_TRUE(form->ComboBox1->isEnabled());
    EXPECT_FALSE(form->Button2->isEnabled());
    EXPECT_FALSE(form->Timer2->isActive());
    const std::string all = FramesAfterClose();
    EXPECT_TRUE(all.ends_with("20 @57600\n82 @9600\n")) << all;

    // Nothing is cleared, and late notifications change nothing.
    EXPECT_EQ(form->ListView5->topLevelItem(0)->text(1), "850");
    ValueBuffer(objects::kEngineSpeedN1)[0] = 0x01;
    QCoreApplication::postEvent(form.get(), new ObjectReadEvent(100, 0));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(form->ListView5->topLevelItem(0)->text(1), "850");
}

TEST_F(WindowSession, TheGraphFollowsTheValuesInEveryView) {
    Connect();
    QTRY_VERIFY_WITH_TIMEOUT(form->informationGraph.Count(kGraphEngineSpeed1) >= 3, 3000);
    EXPECT_EQ(form->informationGraph.History(kGraphEngineSpeed1)[0].y, 850.0);
    EXPECT_EQ(form->informationGraph.History(kGraphEngineSpeed1)[0].x, 24.0);
    // Object 202 answered with 0xCACA: the rack position's scaled value.
    EXPECT_DOUBLE_EQ(form->informationGraph.History(kGraphRack)[0].y, -136.22);

    // In the Errors view the histories keep advancing.
    form->N7Click();
    const int before = form->informationGraph.Count(kGraphBoostPressure);
    QTRY_VERIFY_WITH_TIMEOUT(form->informationGraph.Count(kGraphBoostPressure) > before, 2000);
    form->N6Click();
    QTRY_VERIFY_WITH_TIMEOUT(form->informationGraph.Count(kGraphEngineSpeed1) >= 10, 3000);

    const QString folder = qEnvironmentVariable("VARNOK_SCREENSHOTS");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(form->grab().save(folder + "/varnok-connected.png"));
    }
}

TEST_F(WindowSession, SilentUnitIsDisconnectedByTheWatchdog) {
    Connect();
    QTRY_COMPARE_WITH_TIMEOUT(form->ListView5->topLevelItem(0)->text(1), QString("850"), 3000);
    unit.silent = true;
    const auto start = std::chrono::steady_clock::now();
    QTRY_COMPARE_WITH_TIMEOUT(form->isConnected, 0, 3500);
    // Found within two seconds; the window sees it once the close (its
    // 500 ms pause and the stop requests) is done.
    EXPECT_LE(std::chrono::steady_clock::now() - start, 2800ms);
    EXPECT_EQ(form->StatusText(), "Отключен");
    EXPECT_EQ(form->Button1->text(), "Подключить");
}

TEST_F(WindowSession, UnitThatNeverAnswersStartCommunicationFailsTheConnect) {
    unit.answerStart = false;
    const auto start = std::chrono::steady_clock::now();
    form->Button1->click();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 1800ms);
    EXPECT_LE(took, 2500ms);
    EXPECT_EQ(form->StatusText(), "Отключен: ошибка подключения");
    EXPECT_EQ(form->Button1->text(), "Подключить");
    EXPECT_EQ(form->isConnected, 0);
    EXPECT_TRUE(form->ComboBox1->isEnabled());
    EXPECT_FALSE(form->Timer2->isActive());
}

TEST_F(WindowSession, AltDDisconnectsWithBothStopRequests) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);
    ASSERT_EQ(form->isConnected, 1);
    QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);  // does nothing while connected
    EXPECT_EQ(form->isConnected, 1);
    QTest::keyClick(form.get(), Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(form->isConnected, 0);
    EXPECT_EQ(form->StatusText(), "Отключен");
    const std::string all = FramesAfterClose();
    EXPECT_TRUE(all.ends_with("20 @57600\n82 @9600\n")) << all;
}

// The polling tick on a fake line, whose queue only moves when the test
// lets it: exact counts per view and page, and the back-pressure edge.
class Polling : public test::WindowFixture {
protected:
    void SetUp() override {
        test::WindowFixture::SetUp();
        line.unit = [](const std::vector<std::uint8_t>& request) {
            return test::PositiveAnswer(request);
        };
        form = std::make_unique<TForm1>(*line.sock);
        form->show();
        form->Button1->click();
        ASSERT_EQ(form->isConnected, 1);
        line.Settle();
        form->Timer2->stop();  // the test runs the ticks
    }
    void TearDown() override {
        form->close();
        form.reset();
    }
    // Reads queued by one tick.
    int Tick() {
        const int before = line.sock->QueueDepth();
        form->Timer2Timer();
        return line.sock->QueueDepth() - before;
    }
    test::FakeLine line;
    std::unique_ptr<TForm1> form;
};

TEST_F(Polling, ReadsPerViewAndPage) {
    struct Case {
        std::function<void()> choose;
        int reads;
    };
    const Case cases[] = {
        {[&] {
             form->N6Click();
             form->PageControl2->setCurrentIndex(0);
         },
         16},
        {[&] { form->PageControl2->setCurrentIndex(1); }, 14},
        {[&] { form->PageControl2->setCurrentIndex(2); }, 13},
        {[&] { form->N8Click(); }, 10},
        {[&] { form->N7Click(); }, 8},
    };
    for (const Case& c : cases) {
        c.choose();
        EXPECT_EQ(Tick(), c.reads);
        line.Tick();  // answers flow, so the watchdog sees frames
        line.clock.Sleep(200);
    }
}

TEST_F(Polling, BackPressureHoldsTheTickAboveFiftyWaiting) {
    form->N7Click();
    static std::uint8_t scratch[2];
    while (line.sock->QueueDepth() < 50) line.sock->ReadObject(100, 0, scratch, 2, 0);
    EXPECT_EQ(Tick(), 8) << "50 waiting: the tick still reads";
    line.clock.Sleep(1000);
    ASSERT_EQ(line.sock->QueueDepth(), 0);
    while (line.sock->QueueDepth() < 51) line.sock->ReadObject(100, 0, scratch, 2, 0);
    EXPECT_EQ(Tick(), 0) << "51 waiting: nothing this tick";
}

}  // namespace
}  // namespace varnok
