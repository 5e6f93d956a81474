// The unit's services and its session rules, request data in, answer data
// out, without a line.
#include "tools/virtual-unit/unit_services.h"

#include <gtest/gtest.h>

#include "tests/support/pty_pair.h"

namespace varnok::unit {
namespace {

using test::Bytes;
using test::Hex;

class Services : public ::testing::Test {
protected:
    Services() : model(Options()), services(model) {}

    static ModelOptions Options() {
        ModelOptions options;
        options.driver = false;
        return options;
    }

    std::string Ask(const std::string& request, std::int64_t at = 0) {
        const auto data = Bytes(request);
        last = services.Handle(data.data(), data.size(), at);
        return Hex(last.data);
    }

    void OpenSession() {
        ASSERT_EQ(Ask("81"), "C1 EF 8F");
        ASSERT_EQ(Ask("10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00"), "50 80");
    }

    UnitModel model;
    UnitServices services;
    ServiceAnswer last;
};

TEST_F(Services, TheSessionChangesTheUnitsBaudRate) {
    EXPECT_EQ(services.Baud(), 9600u);
    EXPECT_EQ(Ask("10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00"), "7F 10 22")
        << "StartCommunication first";
    EXPECT_EQ(Ask("81"), "C1 EF 8F");
    EXPECT_EQ(last.baudAfter, 0u);
    EXPECT_EQ(Ask("10 80 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00"), "50 80");
    EXPECT_EQ(last.baudAfter, 57600u) << "after the answer has gone out at 9600";
    EXPECT_EQ(services.Baud(), 57600u);
    EXPECT_EQ(Ask("20"), "60");
    EXPECT_EQ(last.baudAfter, 9600u);
    EXPECT_EQ(Ask("82"), "C2");
    EXPECT_EQ(last.baudAfter, 0u) << "already back at 9600";
    EXPECT_FALSE(services.Communicating());
    EXPECT_EQ(Ask("3E 01"), "7F 3E 22");
}

TEST_F(Services, MalformedAndUnsupportedRequestsAreRefused) {
    OpenSession();
    const std::pair<const char*, const char*> cases[] = {
        {"10 80 81 25 88 13 C8 00 20 03 57 02 00 00 00 00", "7F 10 31"},  // 9601 baud
        {"10 81 00 E1 88 13 C8 00 20 03 57 02 00 00 00 00", "7F 10 12"},
        {"10 80 00 E1", "7F 10 12"},
        {"3E 05", "7F 3E 12"},
        {"1A 81", "7F 1A 12"},
        {"A0 64 00 00 00 02", "7F A0 12"},     // one byte short
        {"A0 64 00 00 00 FB 00", "7F A0 31"},  // 251 bytes do not fit one answer
        {"A1 64 00", "7F A1 12"},
        {"21 02", "7F 21 31"},
        {"18 FF", "7F 18 12"},
        {"31 01", "7F 31 11"},
    };
    for (const auto& [request, answer] : cases) {
        EXPECT_EQ(Ask(request), answer) << request;
    }
    EXPECT_EQ(Ask("3E 02"), "") << "TesterPresent without a wish for an answer";
}

TEST_F(Services, WritesAndClearingNeedTheDiagnosticSession) {
    ASSERT_EQ(Ask("81"), "C1 EF 8F");
    EXPECT_EQ(Ask("A0 F1 03 02 00 02 00"), "E0 F1 03 02 00 8A 02") << "reads are allowed";
    EXPECT_EQ(Ask("A1 F1 03 02 00 80 02"), "7F A1 22");
    EXPECT_EQ(Ask("14 FF"), "7F 14 22");
    EXPECT_EQ(model.FaultState(16, 2), 1);
}

TEST_F(Services, TroubleCodesAndLocalIdentifier) {
    OpenSession();
    // 58, count, then number in BCD and state: P0107 5, P1902 1, P1660 3.
    EXPECT_EQ(Ask("18 FF FF"), "58 03 01 07 05 19 02 01 16 60 03");
    model.Poke(100, 0, 2, 700);
    model.Poke(115, 0, 2, 8000);
    model.Poke(117, 0, 2, 2750);
    EXPECT_EQ(Ask("21 01"), "61 01 BC 02 40 1F BE 0A");
    EXPECT_EQ(Ask("14 FF"), "54 FF");
    EXPECT_EQ(Ask("18 FF FF"), "58 00");
}

TEST_F(Services, AQuietSessionEndsByItself) {
    OpenSession();
    EXPECT_EQ(Ask("3E 01", 4000), "7E");
    EXPECT_EQ(services.Expire(8900), 0u) << "4.9 s after the last request";
    EXPECT_EQ(services.Expire(9100), 9600u) << "5 s, the first timing value announced";
    EXPECT_FALSE(services.Communicating());
    EXPECT_EQ(Ask("3E 01", 9200), "7F 3E 22");
    EXPECT_EQ(Ask("81", 9300), "C1 EF 8F");
}

}  // namespace
}  // namespace varnok::unit
