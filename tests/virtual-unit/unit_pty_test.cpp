// The unit on a real pseudo-terminal, with the test playing the program's
// side in raw bytes: exact request bytes in, exact answer bytes out.
#include <gtest/gtest.h>
#include <termios.h>

#include <memory>
#include <sstream>
#include <thread>

#include "link/frame.h"
#include "tests/support/pty_pair.h"
#include "tests/virtual-unit/program_port.h"
#include "tools/virtual-unit/virtual_unit.h"

namespace varnok::test {
namespace {

using namespace std::chrono_literals;
using unit::UnitOptions;
using unit::VirtualUnit;

const std::vector<std::uint8_t> kStartCommunication{0x81};
// StartDiagnosticSession as the program sends it: 57600 baud and the timing
// values 5000, 200, 800, 599, 0, 0 ms.
const std::vector<std::uint8_t> kStartSession =
    Bytes("10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00");

template <typename Condition>
bool Eventually(Condition condition) {
    const auto end = std::chrono::steady_clock::now() + 2000ms;
    while (!condition() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

class UnitOnPty : public ::testing::Test {
protected:
    void StartUnit(UnitOptions options = Quiet()) {
        unit = std::make_unique<VirtualUnit>(options);
        unit->SetTraceStream(&trace);
        std::string error;
        ASSERT_TRUE(unit->Start(error)) << error;
        port = std::make_unique<ProgramPort>(unit->DevicePath());
        ASSERT_TRUE(port->IsOpen());
    }

    // No automatic driver, no pacing: answers come at once and values stay put.
    static UnitOptions Quiet() {
        UnitOptions options;
        options.model.driver = false;
        options.line.pace = false;
        return options;
    }

    enum class Expect { Answer, Nothing };

    // Sends a request and returns what comes back, echo included: up to the
    // unit's final answer (after any response-pending answers), or, when no
    // answer is expected, what arrives before the line falls quiet.
    std::string Exchange(const std::vector<std::uint8_t>& data, Expect expect = Expect::Answer) {
        port->Write(Request(data));
        if (expect == Expect::Nothing) {
            return Hex(port->ReadUntilQuiet(150ms, 1000ms));
        }
        std::vector<std::uint8_t> back;
        const auto end = std::chrono::steady_clock::now() + 2000ms;
        while (!HoldsFinalAnswer(back) && std::chrono::steady_clock::now() < end) {
            const auto more = port->Read(1, 100ms);
            back.insert(back.end(), more.begin(), more.end());
        }
        const auto surplus = port->ReadUntilQuiet(20ms, 200ms);
        back.insert(back.end(), surplus.begin(), surplus.end());
        return Hex(back);
    }

    // The same without the echo of the request, which comes first when the echo is on.
    std::string Answer(const std::vector<std::uint8_t>& data, Expect expect = Expect::Answer) {
        const std::string request = Hex(Request(data));
        std::string back = Exchange(data, expect);
        if (unit->Line().echo) {
            EXPECT_EQ(back.substr(0, request.size()), request) << "the echo comes first";
            back.erase(0, std::min(back.size(), request.size() + 1));
        }
        return back;
    }

    // Whether the bytes end in a complete frame from the unit that is not a
    // response-pending answer.
    static bool HoldsFinalAnswer(const std::vector<std::uint8_t>& bytes) {
        bool final = false;
        for (std::size_t at = 0; at < bytes.size();) {
            FrameBytes frame{};
            const std::size_t n = std::min(bytes.size() - at, frame.size());
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, frame.begin());
            const auto length = static_cast<std::size_t>(FrameLength(frame));
            if (n < length) {
                return false;
            }
            const std::size_t data = static_cast<std::size_t>(FrameData(frame));
            final = FrameSource(frame) == unit::kUnitAddress &&
                    !(frame[data] == 0x7F && frame[data + 2] == 0x78);
            at += length;
        }
        return final;
    }

    void OpenSession() {
        ASSERT_EQ(Answer(kStartCommunication), "83 F0 10 C1 EF 8F C2");
        ASSERT_EQ(Answer(kStartSession), "82 F0 10 50 80 52");
    }

    // The unit writes its trace on its own thread: read it once the unit has stopped.
    std::string StoppedTrace() {
        unit->Stop();
        return trace.str();
    }

    std::ostringstream trace;
    std::unique_ptr<VirtualUnit> unit;
    std::unique_ptr<ProgramPort> port;
};

class UnitOnPtyEcho : public UnitOnPty, public ::testing::WithParamInterface<bool> {};

TEST_P(UnitOnPtyEcho, AnswersEveryServiceWithExactBytes) {
    UnitOptions options = Quiet();
    options.line.echo = GetParam();
    StartUnit(options);
    unit->SetValue(117, 0, 2, 2750);

    struct Case {
        const char* what;
        std::string request;
        std::string answer;
    };
    const Case cases[] = {
        {"a read before StartCommunication is refused", "A0 75 00 00 00 02 00",
         "83 F0 10 7F A0 22 C4"},
        {"StartCommunication", "81", "83 F0 10 C1 EF 8F C2"},
        {"StartDiagnosticSession", "10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00",
         "82 F0 10 50 80 52"},
        {"TesterPresent", "3E 01", "81 F0 10 7E FF"},
        {"identification, firmware 276 at characters 21 to 23 counting the 80", "1A 80",
         "A3 F0 10 5A 80 52 4B 2D 32 34 20 45 53 55 20 53 4E 30 30 34 32 31 37 20 32 37 36 20 "
         "32 30 30 35 2D 30 33 2D 31 34 71"},
        {"read of the supply voltage, 27.50 V", "A0 75 00 00 00 02 00",
         "87 F0 10 E0 75 00 00 00 BE 0A A4"},
        {"minimum idle speed 700 rpm is out of the unit's range", "A1 F1 03 02 00 BC 02",
         "83 F0 10 7F A1 31 D4"},
        {"the read-back shows the unit's 650 rpm", "A0 F1 03 02 00 02 00",
         "87 F0 10 E0 F1 03 02 00 8A 02 E9"},
        {"640 rpm is taken", "A1 F1 03 02 00 80 02", "85 F0 10 E1 F1 03 02 00 5C"},
        {"and read back", "A0 F1 03 02 00 02 00", "87 F0 10 E0 F1 03 02 00 80 02 DF"},
        {"a live value cannot be written", "A1 64 00 00 00 00 00", "83 F0 10 7F A1 22 C5"},
        {"an object the unit does not have", "A0 39 05 00 00 02 00", "83 F0 10 7F A0 31 D3"},
        {"an unknown service", "55", "83 F0 10 7F 55 11 68"},
        {"ClearDiagnosticInformation", "14 FF", "82 F0 10 54 FF D5"},
        {"StopDiagnosticSession", "20", "81 F0 10 60 E1"},
        {"StopCommunication", "82", "81 F0 10 C2 43"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Answer(Bytes(c.request)), c.answer) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Echo, UnitOnPtyEcho, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "On" : "Off"; });

TEST_F(UnitOnPty, EchoCanBeSwitchedWhileTheUnitRuns) {
    StartUnit();
    EXPECT_EQ(Exchange({0x81}), "81 10 F0 81 02 83 F0 10 C1 EF 8F C2");
    unit->SetEcho(false);
    EXPECT_EQ(Exchange({0x81}), "83 F0 10 C1 EF 8F C2");
}

TEST_F(UnitOnPty, ResponsePendingRepeatsComeBeforeTheAnswer) {
    StartUnit();
    unit->SetEcho(false);
    OpenSession();
    unit->SetPending(3);
    unit->SetValue(117, 0, 2, 2750);
    const std::string pending = "83 F0 10 7F A0 78 1A ";
    EXPECT_EQ(Exchange(Bytes("A0 75 00 00 00 02 00")),
              pending + pending + pending + "87 F0 10 E0 75 00 00 00 BE 0A A4");
}

TEST_F(UnitOnPty, ASlowUnitBeginsItsAnswerAfterItsDelay) {
    StartUnit();
    unit->SetEcho(false);
    OpenSession();
    unit->SetAnswerDelay(150);
    unit->SetPending(1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Exchange({0x3E, 0x01}), "83 F0 10 7F 3E 78 B8 81 F0 10 7E FF");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms) << "the pending answer too";
}

TEST_F(UnitOnPty, AMisdirectedReadIsAnsweredAsTheReadBefore) {
    StartUnit();
    unit->SetEcho(false);
    unit->SetTrace(true);
    OpenSession();
    unit->SetValue(117, 0, 2, 2750);
    unit->SetValue(100, 0, 2, 700);
    unit->SetMisdirectShare(1.0);
    EXPECT_EQ(Exchange(Bytes("A0 75 00 00 00 02 00")), "87 F0 10 E0 75 00 00 00 BE 0A A4")
        << "the first read has none before it";
    EXPECT_EQ(Exchange(Bytes("A0 64 00 00 00 02 00")), "87 F0 10 E0 75 00 00 00 BE 0A A4")
        << "object 100 asked, object 117 answered";
    EXPECT_EQ(Exchange(Bytes("A0 64 00 00 00 02 00")), "87 F0 10 E0 64 00 00 00 BC 02 89")
        << "the same read again is answered as itself";
    EXPECT_EQ(Exchange({0x3E, 0x01}), "81 F0 10 7E FF") << "only reads are misdirected";
    unit->SetMisdirectShare(0);
    EXPECT_EQ(Exchange(Bytes("A0 75 00 00 00 02 00")), "87 F0 10 E0 75 00 00 00 BE 0A A4");
    EXPECT_NE(StoppedTrace().find("(answered as the read before)"), std::string::npos);
}

TEST_F(UnitOnPty, ASilentUnitStillHasItsEchoButNoAnswer) {
    StartUnit();
    unit->SetTrace(true);
    OpenSession();
    unit->GoSilent();
    EXPECT_EQ(Exchange({0x3E, 0x01}, Expect::Nothing), "82 10 F0 3E 01 C1")
        << "the adapter still echoes";
    unit->Talk();
    EXPECT_EQ(Answer({0x3E, 0x01}), "81 F0 10 7E FF");

    unit->SetSilentAfterFrames(2);
    EXPECT_EQ(Answer({0x3E, 0x01}), "81 F0 10 7E FF");
    EXPECT_EQ(Answer({0x3E, 0x01}), "81 F0 10 7E FF");
    EXPECT_EQ(Answer({0x3E, 0x01}, Expect::Nothing), "");
    EXPECT_TRUE(unit->Silent());
    EXPECT_EQ(unit->RequestsReceived(0x3E), 5u) << "every request counts, answered or not";
    EXPECT_EQ(unit->RequestsReceived(0x81), 1u);
    EXPECT_NE(StoppedTrace().find("(silent)"), std::string::npos) << "the trace tells why";
}

TEST_F(UnitOnPty, SilenceAfterSecondsCountsFromWhenItWasSet) {
    StartUnit();
    OpenSession();
    unit->SetSilentAfterSeconds(0.2);
    EXPECT_EQ(Answer({0x3E, 0x01}), "81 F0 10 7E FF");
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(Answer({0x3E, 0x01}, Expect::Nothing), "");
}

TEST_F(UnitOnPty, StartCommunicationCanBeLeftUnanswered) {
    UnitOptions options = Quiet();
    options.line.answerStartCommunication = false;
    StartUnit(options);
    EXPECT_EQ(Answer({0x81}, Expect::Nothing), "");
    unit->SetAnswerStartCommunication(true);
    EXPECT_EQ(Answer({0x81}), "83 F0 10 C1 EF 8F C2");
}

TEST_F(UnitOnPty, CorruptedFramesCarryAWrongChecksum) {
    StartUnit();
    unit->SetEcho(false);
    unit->SetCorruptShare(1.0);
    EXPECT_EQ(Exchange({0x81}), "83 F0 10 C1 EF 8F C3");
}

TEST_F(UnitOnPty, ABadFrameIsIgnoredAndTheNextOneAnswered) {
    StartUnit();
    unit->SetTrace(true);
    unit->SetEcho(false);
    port->Write(Bytes("81 10 F0 81 03"));  // wrong checksum
    EXPECT_EQ(Hex(port->ReadUntilQuiet(150ms, 1000ms)), "");
    port->Write(Bytes("55"));  // a stray byte, then a pause longer than a frame's gaps
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(Exchange({0x81}), "83 F0 10 C1 EF 8F C2");
    EXPECT_NE(StoppedTrace().find("bad checksum"), std::string::npos);
}

TEST_F(UnitOnPty, ClosingAndReopeningThePortStartsAfresh) {
    StartUnit();
    unit->SetEcho(false);
    EXPECT_EQ(Exchange({0x81}), "83 F0 10 C1 EF 8F C2");
    port->Write(Bytes("81 10 F0"));  // half a frame, then the program goes away
    port->Close();
    std::this_thread::sleep_for(50ms);
    port = std::make_unique<ProgramPort>(unit->DevicePath());
    ASSERT_TRUE(port->IsOpen());
    EXPECT_EQ(Exchange({0x81}), "83 F0 10 C1 EF 8F C2");
}

TEST_F(UnitOnPty, FollowsTheBaudRateTheProgramSetsAndTracesIt) {
    UnitOptions options = Quiet();
    options.line.trace = true;
    StartUnit(options);
    EXPECT_EQ(unit->LineBaud(), 9600u);
    OpenSession();
    ASSERT_TRUE(port->SetBaud(57600));
    EXPECT_EQ(unit->LineBaud(), 57600u);
    EXPECT_EQ(Answer({0x3E, 0x01}), "81 F0 10 7E FF");
    const std::string text = StoppedTrace();
    EXPECT_NE(text.find(" 9600  rx  81 10 F0 81 02"), std::string::npos) << text;
    EXPECT_NE(text.find(" 9600  tx  83 F0 10 C1 EF 8F C2"), std::string::npos) << text;
    EXPECT_NE(text.find("57600  tx  81 F0 10 7E FF"), std::string::npos) << text;
}

TEST_F(UnitOnPty, PacedEchoAndAnswerArriveComplete) {
    // At 9600 baud the echo and the answer leave byte by byte; what arrives
    // is the same as without pacing.
    UnitOptions options = Quiet();
    options.line.pace = true;
    StartUnit(options);
    EXPECT_EQ(Exchange({0x81}), "81 10 F0 81 02 83 F0 10 C1 EF 8F C2");
}

TEST(UnitOnDevice, SwitchesItsOwnBaudRateWithTheSession) {
    // A pseudo-terminal's slave stands in for a serial device; the test is
    // the far end on the master side.
    PtyPair line;
    UnitOptions options;
    options.device = line.SlavePath();
    options.line.echo = false;
    VirtualUnit unit(options);
    std::string error;
    ASSERT_TRUE(unit.Start(error)) << error;
    EXPECT_EQ(unit.DevicePath(), line.SlavePath());
    EXPECT_EQ("/dev/" + unit.PortName(), line.SlavePath()) << "the name to type in the program";
    const auto speed = [&] {
        termios tio{};
        tcgetattr(line.Master(), &tio);
        return cfgetospeed(&tio);
    };
    EXPECT_EQ(speed(), B9600);
    const auto exchange = [&](const std::string& request, std::size_t answerBytes) {
        line.Write(Request(Bytes(request)));
        return Hex(line.Read(answerBytes, 2000ms));
    };
    EXPECT_EQ(exchange("81", 7), "83 F0 10 C1 EF 8F C2");
    EXPECT_EQ(exchange("10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00", 6), "82 F0 10 50 80 52");
    EXPECT_TRUE(Eventually([&] { return speed() == B57600; })) << "after the answer";
    // The unit records its speed just after the port takes it.
    EXPECT_TRUE(Eventually([&] { return unit.LineBaud() == 57600u; }));
    EXPECT_EQ(exchange("20", 5), "81 F0 10 60 E1");
    EXPECT_TRUE(Eventually([&] { return speed() == B9600; }));
}

}  // namespace
}  // namespace varnok::test
