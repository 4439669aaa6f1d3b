// The frame clock against SDL's real tick counter: each case sets lastTicks
// relative to the counter and reads back from lastTicks how much time the
// call really measured.
#include <SDL.h>
#include <gtest/gtest.h>

#include "flow/clock.h"
#include "flow/world.h"

namespace {

class Clock : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
        paused = 0;
    }
    // Ticks the clock as if the last tick was ago milliseconds back; returns
    // the milliseconds it measured.
    uint32_t tickAfter(uint32_t ago) {
        uint32_t before = SDL_GetTicks() - ago;
        lastTicks = before;
        tickClock();
        return lastTicks - before;
    }
};

TEST_F(Clock, MeasuresWholeMillisecondsAndDropsFramesOverAQuarterSecond) {
    bool sawExact = false;  // exactly 250 ms keeps its time
    for (int attempt = 0; attempt < 50 && !sawExact; attempt++) {
        uint32_t measured = tickAfter(250);
        EXPECT_EQ(frameSeconds, measured > 250 ? 0.0f : (float)(measured / 1000.0));
        sawExact = measured == 250u;
    }
    EXPECT_TRUE(sawExact);
    EXPECT_EQ(stepSeconds, 0.25f);
    EXPECT_GE(tickAfter(251), 251u);
    EXPECT_EQ(frameSeconds, 0.0f);
    EXPECT_EQ(stepSeconds, 0.0f);
    paused = 1;  // a pause stops game time but not frame time
    tickAfter(40);
    EXPECT_GE(frameSeconds, 0.04f);
    EXPECT_EQ(stepSeconds, 0.0f);
}

}  // namespace
