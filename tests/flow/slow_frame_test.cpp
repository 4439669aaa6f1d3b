// The bundled levels at the frame lengths of a slow or busy machine: the
// game splits a long frame into short physics steps, so pins stand until a
// throw knocks them, and a thrown ball rolls on the lane as at 60 frames a
// second.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "flow/level.h"
#include "flow/scene_list.h"
#include "flow/world.h"
#include "scene/scene.h"
#include "support/capture.h"

namespace {

// Works in the bundled level folder while it lives, as the game does.
struct InLevelFolder {
    std::string previous;
    InLevelFolder() {
        char here[4096];
        previous = getcwd(here, sizeof here) ? here : ".";
        EXPECT_EQ(chdir(SKORVEL_LEVELS), 0);
    }
    ~InLevelFolder() { EXPECT_EQ(chdir(previous.c_str()), 0); }
};

bool startLevel(const char *scene) {
    resetWorld();
    int32_t loaded = 0;
    captureStdout([&] { loaded = readScene(scene); });
    gamePhase = PHASE_AIM;
    paused = 0;
    rollTimer = -1.0f;
    return loaded == 1;
}

void playFrame(Level *level, float seconds) {
    frameSeconds = stepSeconds = seconds;
    updateFrame(level);
}

TEST(SlowFrames, NoBundledPinFallsWithoutAThrowAtAnyFrameLength) {
    InLevelFolder folder;
    SceneList list;
    captureStdout([&] { ASSERT_EQ(loadSceneList("scenelist.txt", &list), 1); });
    for (float seconds : {0.06f, 0.1f, 0.15f, 0.2f, 0.25f}) {
        // The closing scene stands still whatever the frame length.
        for (int32_t i = 0; i + 1 < list.sceneCount; i++) {
            const char *scene = list.sceneNames[i];
            ASSERT_TRUE(startLevel(scene)) << scene;
            Level level = {0, LEVEL_QUIT};
            for (int frame = 0; frame * seconds < 60.0f && !level.levelDone; frame++)
                playFrame(&level, seconds);
            EXPECT_EQ(pinsStanding, pinCount) << scene << " at " << seconds << " s a frame";
            EXPECT_EQ(level.levelDone, 0) << scene << " at " << seconds << " s a frame";
            captureStdout(unloadScene);
        }
    }
    freeSceneList(&list);
}

TEST(SlowFrames, AThrowAtFourFramesASecondRollsDownTheTenPinLaneIntoThePins) {
    InLevelFolder folder;
    ASSERT_TRUE(startLevel("tenpin_scene.txt"));
    Level level = {0, LEVEL_QUIT};
    SDL_Event press = {}, motion = {}, release = {};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.button = release.button.button = SDL_BUTTON_LEFT;
    release.type = SDL_MOUSEBUTTONUP;
    motion.type = SDL_MOUSEMOTION;
    motion.motion.yrel = -150;  // up the screen in a quarter second: 12 units a second
    handleEvent(&press, &level);
    handleEvent(&motion, &level);
    playFrame(&level, 0.25f);
    handleEvent(&release, &level);
    ASSERT_EQ(gamePhase, PHASE_ROLL);

    const float headPin = pins[0].startPosition.y;
    float lowest = ball.position.z;
    while (gamePhase == PHASE_ROLL && ball.position.y < headPin && pinsStanding == pinCount) {
        playFrame(&level, 0.25f);
        if (ball.position.z < lowest) lowest = ball.position.z;
    }
    EXPECT_EQ(gamePhase, PHASE_ROLL)
        << "the ball fell off or ran out of time at y " << ball.position.y;
    // It rolled on the lane: its centre never sank far below its radius.
    EXPECT_GT(lowest, 0.5f * ball.radius);
    captureStdout(unloadScene);
}

}  // namespace
