// The text commands that steer the unit, on a unit that is not serving a
// port: their effects on the model and the line options, and their replies.
#include "tools/virtual-unit/unit_commands.h"

#include <gtest/gtest.h>

namespace varnok::unit {
namespace {

class Commands : public ::testing::Test {
protected:
    Commands() : unit(Options()), commands(unit) {}

    static UnitOptions Options() {
        UnitOptions options;
        options.model.driver = false;
        return options;
    }

    VirtualUnit unit;
    UnitCommands commands;
};

TEST_F(Commands, SteerTheModel) {
    EXPECT_EQ(commands.Run("get 1009 2"), "650");
    EXPECT_EQ(commands.Run("set 100 0 0xFFFF"), "ok");
    EXPECT_EQ(commands.Run("get 100 0"), "65535");
    EXPECT_EQ(commands.Run("set 803 0 4294967295 4"), "ok");
    EXPECT_EQ(commands.Run("get 803 0 4"), "4294967295");
    EXPECT_EQ(commands.Run("set 100 0 -1"), "ok");
    EXPECT_EQ(commands.Run("get 100 0"), "65535");

    EXPECT_EQ(commands.Run("firmware 275"), "ok");
    EXPECT_EQ(commands.Run("get 103 14"), "1000");
    EXPECT_EQ(commands.Run("faults clear"), "ok");
    EXPECT_EQ(commands.Run("fault 16 2 3"), "ok");
    EXPECT_EQ(commands.Run("selftest 21"), "ok");
    EXPECT_EQ(commands.Run("get 600 32"), "768") << "word 16, field 2";
    EXPECT_EQ(commands.Run("get 602 0"), "21");
    EXPECT_EQ(commands.Run("engine stop"), "ok");
    EXPECT_EQ(commands.Run("get 200 0"), "0");

    EXPECT_EQ(commands.Run("pedal press"), "ok");
    unit.WithModel([](UnitModel& m) { m.AdvanceTo(m.Now() + 1000); });
    EXPECT_EQ(commands.Run("get 204 0"), "10000");
    EXPECT_EQ(commands.Run("pedal 0"), "ok");
    unit.WithModel([](UnitModel& m) { m.AdvanceTo(m.Now() + 1000); });
    EXPECT_EQ(commands.Run("get 204 0"), "0");
}

TEST_F(Commands, SteerTheLine) {
    EXPECT_EQ(commands.Run("echo off"), "ok");
    EXPECT_EQ(commands.Run("pace off"), "ok");
    EXPECT_EQ(commands.Run("pending 3"), "ok");
    EXPECT_EQ(commands.Run("corrupt 0.25"), "ok");
    EXPECT_EQ(commands.Run("startcomm off"), "ok");
    const LineOptions line = unit.Line();
    EXPECT_FALSE(line.echo);
    EXPECT_FALSE(line.pace);
    EXPECT_EQ(line.pendingCount, 3);
    EXPECT_DOUBLE_EQ(line.corruptShare, 0.25);
    EXPECT_FALSE(line.answerStartCommunication);

    EXPECT_EQ(commands.Run("silent"), "ok");
    EXPECT_TRUE(unit.Silent());
    EXPECT_EQ(commands.Run("talk"), "ok");
    EXPECT_FALSE(unit.Silent());
    EXPECT_EQ(commands.Run("silent seconds 0"), "ok");
    EXPECT_TRUE(unit.Silent());
    EXPECT_EQ(commands.Run("talk"), "ok");
    EXPECT_NE(commands.Run("status").find("echo off, pace off, engine running, firmware 276"),
              std::string::npos)
        << commands.Run("status");
}

TEST_F(Commands, BadCommandsSayWhatIsWrongAndChangeNothing) {
    for (const char* line :
         {"set 100 0", "set 100 0 x", "set 70000 0 1", "set 100 0 1 9", "set 1234 0 1", "get 100",
          "pedal 101", "pedal", "echo maybe", "fault 29 0 1", "fault 0 4 1", "fault 0 0 16",
          "pending -1", "corrupt 2", "silent frames", "firmware 1000", "engine", "frobnicate"}) {
        EXPECT_EQ(commands.Run(line).rfind("error: ", 0), 0u) << line;
    }
    EXPECT_EQ(commands.Run("get 100 0").rfind("6", 0), 0u) << "idle speed untouched";
    EXPECT_EQ(commands.Run(""), "");
    EXPECT_NE(commands.Run("help").find("silent"), std::string::npos);
}

}  // namespace
}  // namespace varnok::unit
