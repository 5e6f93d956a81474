#include "settings/pedal_calibration.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnok {
namespace {

using State = PedalCalibration::State;
using Step = PedalCalibration::Step;

// One timer tick of a script: the reading and what the calibration must
// hold afterwards.
struct Tick {
    std::uint16_t reading;
    State state;
    int stable;
    std::uint16_t released;
    std::uint16_t pressed;
    Step step = Step::None;
};

void Play(std::uint16_t startReading, const std::vector<Tick>& script) {
    PedalCalibration calibration;
    PedalReadings readings{};
    calibration.Start(readings, startReading);
    ASSERT_EQ(calibration.CurrentState(), State::Released);
    ASSERT_EQ(readings.released, startReading);
    int n = 0;
    for (const Tick& tick : script) {
        ++n;
        const Step step = calibration.Tick(readings, tick.reading);
        EXPECT_EQ(step, tick.step) << "tick " << n;
        EXPECT_EQ(calibration.CurrentState(), tick.state) << "tick " << n;
        EXPECT_EQ(calibration.StableCount(), tick.stable) << "tick " << n;
        EXPECT_EQ(readings.released, tick.released) << "tick " << n;
        EXPECT_EQ(readings.pressed, tick.pressed) << "tick " << n;
    }
}

// Ten steady ticks at `reading` from a stable count of 0, ending as `end`.
std::vector<Tick> Steady(std::uint16_t reading, State during, std::uint16_t released,
                         std::uint16_t pressed, State end, Step step) {
    std::vector<Tick> ticks;
    for (int i = 1; i <= 10; ++i) {
        ticks.push_back(
            {reading, i < 10 ? during : end, i, released, pressed, i < 10 ? Step::None : step});
    }
    return ticks;
}

std::vector<Tick> operator+(std::vector<Tick> a, const std::vector<Tick>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(PedalCalibration, JitterOfTwoIsSteadyThreeRestartsTheCount) {
    Play(100, {
                  {102, State::Released, 1, 100, 0},
                  {98, State::Released, 2, 100, 0},
                  {103, State::Released, 0, 103, 0},  // 3 away: a new released reading
                  {101, State::Released, 1, 103, 0},
                  {100, State::Released, 0, 100, 0},
              });
}

TEST(PedalCalibration, RisingSensorFromStartToFinish) {
    Play(100, Steady(100, State::Released, 100, 0, State::WaitingForPress, Step::ReleasedSteady) +
                  std::vector<Tick>{
                      {600, State::WaitingForPress, 10, 100, 0},  // exactly 500: not yet
                      {601, State::Pressed, 0, 100, 601},         // 501 starts the press
                      {900, State::Pressed, 0, 100, 900},         // still moving
                      {902, State::Pressed, 1, 100, 900},
                      // Let go to within 500 of released: stored, count reset.
                      {550, State::Pressed, 0, 100, 550},
                      {551, State::Pressed, 0, 100, 551},  // steady, but not 501 away
                      {900, State::Pressed, 0, 100, 900},
                  } +
                  Steady(900, State::Pressed, 100, 900, State::Idle, Step::Finished));
}

TEST(PedalCalibration, FallingSensorCalibratesTheSameWay) {
    Play(900, Steady(900, State::Released, 900, 0, State::WaitingForPress, Step::ReleasedSteady) +
                  std::vector<Tick>{
                      {400, State::WaitingForPress, 10, 900, 0},  // exactly 500
                      {399, State::Pressed, 0, 900, 399},
                      {100, State::Pressed, 0, 900, 100},
                  } +
                  Steady(100, State::Pressed, 900, 100, State::Idle, Step::Finished));
}

TEST(PedalCalibration, IdleIgnoresTicksAndFinishedStaysIdle) {
    PedalCalibration calibration;
    PedalReadings readings{7, 8};
    EXPECT_EQ(calibration.Tick(readings, 500), Step::None);
    EXPECT_EQ(calibration.CurrentState(), State::Idle);
    EXPECT_EQ(readings.released, 7);
    EXPECT_EQ(readings.pressed, 8);
}

TEST(PedalCalibration, OkMovesBothReadingsTenCountsTowardEachOther) {
    PedalReadings rising{100, 900};
    PedalCalibration::MoveTogether(rising);
    EXPECT_EQ(rising.released, 110);
    EXPECT_EQ(rising.pressed, 890);
    PedalReadings falling{900, 100};
    PedalCalibration::MoveTogether(falling);
    EXPECT_EQ(falling.released, 890);
    EXPECT_EQ(falling.pressed, 110);
}

}  // namespace
}  // namespace varnok
