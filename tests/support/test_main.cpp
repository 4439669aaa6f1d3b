// The main of every test suite: each test starts from the world of a fresh
// game, whatever the tests before it in the same process left behind.
#include <gtest/gtest.h>

#include <cstring>

#include "flow/world.h"

namespace {

template <typename... T>
void spoil(T &...variables) {
    (memset(&variables, 0x5a, sizeof variables), ...);
}

// Every variable is spoilt first, so that whatever resetWorld forgets shows
// in the test that relies on it, not only in a process that ran another.
class FreshWorld : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override {
        spoil(screenWidth, screenHeight, screenBpp, screenSurface, isFullscreen, levelSurface,
              backgroundColor, hudColor, fallHeight, sceneDisplayList, collisionMesh, cameraStart,
              cameraPosition, ball, pins, pinCount, pinsStanding, viewDirection, cameraFollowRate,
              gamePhase, paused, pauseDebounce, mouseX, mouseY, dragX, dragY, dragSeconds,
              throwScaleX, throwScaleY, rollTimer, nextKeyLatched, retryKeyLatched, lastTicks,
              frameSeconds, stepSeconds, frameLimit, textBuffer, textLength, textScreenWidth,
              textScreenHeight, glyphWidth, glyphHeight, textAlignOffset, showPointer);
        resetWorld();
    }
};

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshWorld);
    return RUN_ALL_TESTS();
}
