// The frame clock against SDL's real tick counter: each test sets lastTicks
// relative to the counter and reads back from lastTicks how much time the
// call actually measured.
#include <SDL.h>
#include <gtest/gtest.h>

#include "flow/clock.h"
#include "flow/world.h"

namespace {

class Clock : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
        paused = 0;
        frameLimit = 0;
    }
    void TearDown() override { SDL_Quit(); }
    // Ticks the clock as if the last tick was ago milliseconds back; returns
    // the milliseconds it really measured.
    uint32_t tickAfter(uint32_t ago) {
        uint32_t before = SDL_GetTicks() - ago;
        lastTicks = before;
        tickClock();
        return lastTicks - before;
    }
};

TEST_F(Clock, MeasuresTheFrameInWholeMilliseconds) {
    uint32_t measured = tickAfter(16);
    EXPECT_LE(measured, 16u + 5u);
    EXPECT_EQ(frameSeconds, (float)(measured / 1000.0));
    EXPECT_EQ(stepSeconds, frameSeconds);
}

TEST_F(Clock, FramesOverAQuarterSecondAreDropped) {
    // Exactly 250 ms keeps its time; a millisecond more drops the frame.
    bool sawExact = false;
    for (int attempt = 0; attempt < 50 && !sawExact; attempt++) {
        if (tickAfter(250) == 250u) {
            sawExact = true;
            EXPECT_EQ(frameSeconds, 0.25f);
            EXPECT_EQ(stepSeconds, 0.25f);
        }
    }
    EXPECT_TRUE(sawExact);
    EXPECT_GE(tickAfter(251), 251u);
    EXPECT_EQ(frameSeconds, 0.0f);
    EXPECT_EQ(stepSeconds, 0.0f);
}

TEST_F(Clock, PauseStopsGameTimeButNotFrameTime) {
    paused = 1;
    uint32_t measured = tickAfter(40);
    EXPECT_EQ(frameSeconds, (float)(measured / 1000.0));
    EXPECT_GT(frameSeconds, 0.0f);
    EXPECT_EQ(stepSeconds, 0.0f);
}

TEST_F(Clock, TheHoldMakesEveryFrameLastTwentyMilliseconds) {
    frameLimit = 1;
    uint32_t measured = tickAfter(5);
    EXPECT_GE(measured, 20u);
    EXPECT_GE(frameSeconds, 0.020f);
}

TEST_F(Clock, TheCounterWrapsAround) {
    // Right after SDL starts the counter is near 0, so 16 ms earlier lies
    // just below 2^32.
    uint32_t now = SDL_GetTicks();
    if (now >= 16) GTEST_SKIP() << "SDL's counter already at " << now;
    uint32_t measured = tickAfter(16);
    EXPECT_GT(lastTicks - measured, now);  // the previous tick was numerically larger
    EXPECT_GE(frameSeconds, 0.016f);
    EXPECT_LT(frameSeconds, 0.025f);
}

}  // namespace
