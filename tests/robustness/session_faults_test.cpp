// The session's own edges against the unit: identifications as long as a
// frame holds, ten connects and disconnects in a row, and closing the window
// while connected. Nothing may be left behind: no thread, no descriptor, no
// session on the unit.
#include <gtest/gtest.h>

#include <QTest>

#include "livedata/data_objects.h"
#include "shell/options_record.h"
#include "tests/robustness/unit_window.h"
#include "tests/shell/qt_print.h"

namespace varnok::test {
namespace {

using namespace std::chrono_literals;

// The services the unit received from the program, in order.
std::vector<std::uint8_t> Services(const std::vector<TraceFrame>& trace) {
    std::vector<std::uint8_t> services;
    for (const TraceFrame& frame : ProgramFrames(trace)) services.push_back(frame.Service());
    return services;
}

using SessionEdges = UnitWindow;

// An identification as long as a frame carries: 5A, 80 and 253 bytes of
// text, from a unit whose text is 255 characters long.
TEST_F(SessionEdges, IdentificationOfTwoHundredFiftyFiveCharacters) {
    struct Case {
        const char* what;
        std::string text;  // Windows-1251, 255 bytes
        QString shown;     // what follows "Подключен: " in the status bar
        std::uint16_t firmware;
    };
    // The unit's name, its firmware version at characters 21 to 23 (counting
    // the 80 before the text), then Russian words to the end.
    Case words{"Russian text", "RK-24 ESU SN004217 276", "RK-24 ESU SN004217 276", 276};
    while (words.text.size() < 255) {
        words.text += "\xDD\xD1\xD3 ";  // "ЭСУ " in Windows-1251
        words.shown += QString::fromUtf8("ЭСУ ");
    }
    words.text.resize(255);
    words.shown = QString::fromUtf8("Ђ") + words.shown.left(253);
    // Odd firmware: every byte value but zero, control characters and the
    // code page's one unassigned byte (98) among them.
    Case bytes{"every byte value", "", "", 0};
    for (int b = 1; b < 256; ++b) bytes.text += static_cast<char>(b);

    for (const Case& c : {words, bytes}) {
        SCOPED_TRACE(c.what);
        unit->WithModel([&](unit::UnitModel& m) { m.SetIdentification(c.text); });
        Connect();
        const QString status = form->StatusText();
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(status, QString::fromUtf8("Подключен: ") + c.shown);
        } else {
            // One character per byte: 80 and 253 bytes of the text, the last
            // of them FD, "э".
            EXPECT_EQ(status.size(), 11 + 1 + 253);
            EXPECT_TRUE(status.startsWith(QString::fromUtf8("Подключен: Ђ\x01\x02\x03")));
            EXPECT_TRUE(status.contains(QString::fromUtf8("АБВГД")));
            EXPECT_TRUE(status.endsWith(QString::fromUtf8("ьэ")));
        }
        EXPECT_EQ(form->firmwareVersion, c.firmware);
        EXPECT_TRUE(AwaitReads(objects::kEngineSpeedN1, 2)) << "the connect went on to poll";
        form->Button1->click();
        EXPECT_EQ(form->StatusText(), "Отключен");
    }
}

TEST_F(SessionEdges, TenConnectsInARowLeaveNothingBehind) {
    const int threads = ThreadCount();
    const int descriptors = OpenDescriptors();
    for (std::uint32_t i = 0; i < 10; ++i) {
        SCOPED_TRACE("connect " + std::to_string(i + 1));
        Connect();
        EXPECT_EQ(form->StatusText(),
                  QString::fromUtf8("Подключен: ЂRK-24 ESU SN004217 276 2005-03-14"));
        EXPECT_EQ(ThreadCount(), threads + 1) << "the link thread";
        EXPECT_TRUE(AwaitReads(objects::kEngineSpeedN1, 1)) << "values come";
        form->Button1->click();
        ASSERT_EQ(form->isConnected, 0);
        EXPECT_EQ(form->StatusText(), "Отключен");
        EXPECT_FALSE(channel.LinkThreadRunning());
        // The session ended on the unit's side too. Wait for the unit to
        // have read it: the next open purges the pseudo-terminal, and with
        // it bytes a busy machine has not let the unit read yet.
        QTRY_COMPARE_WITH_TIMEOUT(unit->RequestsReceived(0x82), i + 1, 1000);
    }
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    for (const std::uint8_t service : {0x81, 0x10, 0x3E, 0x1A, 0x20}) {
        EXPECT_EQ(unit->RequestsReceived(service), 10u) << "service " << int{service};
    }
}

TEST_F(SessionEdges, ClosingTheWindowWhileConnectedStopsTheSessionAndKeepsTheOptions) {
    const int threads = ThreadCount();
    Connect();
    ASSERT_TRUE(AwaitReads(objects::kEngineSpeedN1, 2));
    ASSERT_EQ(ThreadCount(), threads + 1);

    QElapsedTimer closing;
    closing.start();
    form->close();
    EXPECT_LT(closing.elapsed(), 1500) << "the 500 ms pause and the stop requests";
    RecordProperty("close_ms", static_cast<int>(closing.elapsed()));
    EXPECT_EQ(sock.sessionOpen.load(), 0);
    EXPECT_FALSE(channel.LinkThreadRunning());
    EXPECT_EQ(ThreadCount(), threads) << "the link thread has ended; the worker stays with Sock";

    OptionsRecord record{};
    ASSERT_TRUE(ReadOptionsRecord(record));
    EXPECT_EQ(PortNameText(record).toStdString(), unit->PortName());

    // The unit heard the session end: StopDiagnosticSession, then
    // StopCommunication, the last two requests of the program.
    QTRY_COMPARE_WITH_TIMEOUT(unit->RequestsReceived(0x82), 1u, 1000);
    const auto services = Services(StoppedTrace());
    ASSERT_GE(services.size(), 2u);
    EXPECT_EQ(services[services.size() - 2], 0x20);
    EXPECT_EQ(services.back(), 0x82);
}

}  // namespace
}  // namespace varnok::test
