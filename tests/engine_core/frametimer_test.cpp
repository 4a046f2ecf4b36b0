// The application timer on the virtual clock, in counter mode (the platform always
// has the counter, so the millisecond fallback, which shares the code, is never taken).
#include <gtest/gtest.h>
#include "frametimer.h"
#include "quil_automation.h"

namespace {
class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::UseVirtualClock(true);
        FrameTimer_ResetState();
    }
    void TearDown() override {
        FrameTimer_ResetState();
        quil_automation::UseVirtualClock(false);
    }
    static void Wait(double seconds) { quil_automation::AdvanceClock(seconds); }
    const float tolerance = 1e-6f;
};
}  // namespace

TEST_F(FrameTimerTest, StoppedIntervalsAreLeftOutOfApplicationTime) {
    Wait(3.0);
    FrameTimer(FT_START);  // the first start: application time begins at 0
    EXPECT_NEAR(FrameTimer(FT_APPTIME), 0.0f, tolerance);
    Wait(1.0);
    FrameTimer(FT_START);  // a second start changes nothing
    EXPECT_NEAR(FrameTimer(FT_APPTIME), 1.0f, tolerance);
    FrameTimer(FT_STOP);
    Wait(5.0);
    EXPECT_NEAR(FrameTimer(FT_APPTIME), 1.0f, tolerance);
    const float absoluteStopped = FrameTimer(FT_ABSOLUTE);
    Wait(0.5);
    EXPECT_NEAR(FrameTimer(FT_ABSOLUTE) - absoluteStopped, 0.5f, tolerance);  // absolute time runs on
    FrameTimer(FT_ADVANCE);  // the stop moment moves on by a tenth
    FrameTimer(FT_START);
    Wait(2.0);
    EXPECT_NEAR(FrameTimer(FT_APPTIME), 3.1f, tolerance);
    FrameTimer(FT_RESET);
    EXPECT_NEAR(FrameTimer(FT_APPTIME), 0.0f, tolerance);
    EXPECT_EQ(FrameTimer(7), -1.0f);  // unknown commands
    EXPECT_EQ(FrameTimer(0xFFFFFFFFu), -1.0f);
}

TEST_F(FrameTimerTest, ElapsedTimeSinceTheLastQueryIsZeroWhileStopped) {
    FrameTimer(FT_START);
    Wait(0.25);
    EXPECT_NEAR(FrameTimer(FT_ELAPSED), 0.25f, tolerance);
    Wait(0.125);
    EXPECT_NEAR(FrameTimer(FT_ELAPSED), 0.125f, tolerance);
    EXPECT_EQ(FrameTimer(FT_ELAPSED), 0.0f);
    Wait(0.5);
    FrameTimer(FT_STOP);
    Wait(1.0);
    EXPECT_EQ(FrameTimer(FT_ELAPSED), 0.0f);
    EXPECT_EQ(FrameTimer(FT_ELAPSED), 0.0f);
}
