// The frame stages of a level with synthetic SDL events and held keys.
#include <gtest/gtest.h>

#include <cstring>

#include "flow/level.h"
#include "flow/world.h"

namespace {

class LevelStages : public ::testing::Test {
  protected:
    void SetUp() override {
        ball = {};
        ball.startPosition = {1, 2, 3};
        ball.position = {5, 6, 7};
        ball.active = 1;
        cameraPosition = {1, 2, 13};
        gamePhase = PHASE_AIM;
        paused = 0;
        pauseDebounce = 0.0f;
        rollTimer = -1.0f;
        pinsStanding = 3;
        pinCount = 0;
        pins = nullptr;
        collisionMesh = nullptr;
        memset(keys, 0, sizeof keys);
    }
    void event(Uint8 type, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event e = {};
        e.type = type;
        e.button.button = button;
        handleEvent(&e, &level);
    }
    void motion(Sint16 xrel, Sint16 yrel, Uint16 x = 10, Uint16 y = 20) {
        SDL_Event e = {};
        e.type = SDL_MOUSEMOTION;
        e.motion.xrel = xrel;
        e.motion.yrel = yrel;
        e.motion.x = x;
        e.motion.y = y;
        handleEvent(&e, &level);
    }
    // The part of a frame after the events and keys, with a fixed frame time.
    void frame(float seconds) {
        frameSeconds = seconds;
        stepSeconds = paused ? 0.0f : seconds;
        advanceTimers();
        resetBallIfDone();
        checkLevelFinished(&level);
    }
    void keysFrame(float seconds, SDLMod modifiers = KMOD_NONE) {
        handleKeys(keys, modifiers, &level);
        frame(seconds);
    }
    Level level = {0, LEVEL_QUIT};
    Uint8 keys[SDLK_LAST];
};

TEST_F(LevelStages, ADragThrowsAtItsMeanSpeedOnTopOfTheVelocity) {
    ball.velocity = {0.5f, 0.25f, -1.0f};
    dragX = 77;
    event(SDL_MOUSEBUTTONDOWN);
    EXPECT_EQ(gamePhase, PHASE_DRAG);
    EXPECT_EQ(dragX, 0);
    motion(60, -120);
    frame(0.25f);
    motion(40, -80);
    frame(0.25f);
    EXPECT_EQ(mouseX, 10);
    EXPECT_EQ(mouseY, 20);
    event(SDL_MOUSEBUTTONUP);
    EXPECT_EQ(gamePhase, PHASE_ROLL);
    EXPECT_EQ(rollTimer, 10.0f);
    EXPECT_FLOAT_EQ(ball.velocity.x, 4.5f);
    EXPECT_FLOAT_EQ(ball.velocity.y, 8.25f);
    EXPECT_EQ(ball.velocity.z, -1.0f);
}

TEST_F(LevelStages, PressAndReleaseInOneFrameCancels) {
    ball.velocity = {1, 1, 1};
    event(SDL_MOUSEBUTTONDOWN);
    motion(50, -50);
    event(SDL_MOUSEBUTTONUP);
    EXPECT_EQ(gamePhase, PHASE_AIM);
    EXPECT_EQ(ball.velocity.x, 1.0f);
    EXPECT_EQ(rollTimer, -1.0f);
}

TEST_F(LevelStages, WhilePausedReleasesAreIgnoredAndMotionDoesNotCount) {
    paused = 1;
    event(SDL_MOUSEBUTTONDOWN);  // a press still starts a drag
    EXPECT_EQ(gamePhase, PHASE_DRAG);
    motion(500, -500, 33, 44);
    EXPECT_EQ(mouseX, 33);
    frame(0.1f);
    event(SDL_MOUSEBUTTONUP);
    EXPECT_EQ(gamePhase, PHASE_DRAG);
    EXPECT_EQ(dragX, 0);
    EXPECT_EQ(dragSeconds, 0.0f);
    paused = 0;
    motion(10, -20);
    frame(0.1f);
    event(SDL_MOUSEBUTTONUP);
    EXPECT_EQ(gamePhase, PHASE_ROLL);
    EXPECT_FLOAT_EQ(ball.velocity.x, 2.0f);
    EXPECT_FLOAT_EQ(ball.velocity.y, 4.0f);
}

TEST_F(LevelStages, AnotherButtonDuringARollCallsTheBallBack) {
    gamePhase = PHASE_ROLL;
    rollTimer = 5.0f;
    ball.velocity = {3, 3, 3};
    pinsStanding = 2;
    event(SDL_MOUSEBUTTONDOWN, 4);  // a wheel turn is a press and release
    event(SDL_MOUSEBUTTONUP, 4);
    EXPECT_EQ(ball.active, 0);
    frame(0.01f);
    EXPECT_EQ(gamePhase, PHASE_AIM);
    EXPECT_EQ(rollTimer, -1.0f);
    EXPECT_EQ(ball.position.z, 3.0f);
    EXPECT_EQ(ball.velocity.x, 0.0f);
    EXPECT_EQ(ball.active, 1);
    EXPECT_EQ(pinsStanding, 2);
    // The camera aims straight down at the ball's start again.
    EXPECT_EQ(viewDirection.z, -1.0f);

    event(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);  // in the aim phase: nothing
    EXPECT_EQ(ball.active, 1);
}

TEST_F(LevelStages, TheBallComesBackWhenTheRollEndsOrItFellOut) {
    gamePhase = PHASE_ROLL;
    rollTimer = 0.03f;
    frame(0.02f);
    EXPECT_EQ(gamePhase, PHASE_ROLL);
    frame(0.02f);
    EXPECT_EQ(gamePhase, PHASE_AIM);
    EXPECT_EQ(ball.position.x, 1.0f);

    ball.position = {9, 9, 9};
    ball.active = 0;  // the physics found it below the fall-out level
    frame(0.02f);
    EXPECT_EQ(ball.position.x, 1.0f);
    EXPECT_EQ(ball.active, 1);

    // A timer left over from an earlier level runs on in the aim phase.
    rollTimer = 0.01f;
    ball.position = {9, 9, 9};
    frame(0.02f);
    EXPECT_EQ(ball.position.x, 9.0f);
}

TEST_F(LevelStages, HoldingPTogglesThePauseEveryQuarterSecond) {
    keys[SDLK_p] = 1;
    keysFrame(0.05f);  // the first frame of a level never pauses
    EXPECT_EQ(paused, 0);
    keysFrame(0.05f);
    EXPECT_EQ(paused, 1);
    int frames = 0;
    while (paused && frames < 100) {
        keysFrame(0.05f);
        frames++;
    }
    EXPECT_EQ(frames, 6);  // 0.30 s is the first frame above 0.25 s
    frames = 0;
    while (!paused && frames < 100) {
        keysFrame(0.05f);
        frames++;
    }
    EXPECT_EQ(frames, 6);
}

TEST_F(LevelStages, ReturnResumesButNeverPauses) {
    keys[SDLK_RETURN] = 1;
    for (int i = 0; i < 20; i++) keysFrame(0.05f);
    EXPECT_EQ(paused, 0);
    paused = 1;
    pauseDebounce = 0.3f;
    keysFrame(0.05f);
    EXPECT_EQ(paused, 0);
    EXPECT_FLOAT_EQ(pauseDebounce, -0.2f);
}

TEST_F(LevelStages, TheLastWriterOfTheResultWins) {
    struct {
        SDLKey first, second;
        SDLMod modifiers;
        int32_t result;
    } cases[] = {
        {SDLK_ESCAPE, SDLK_F5, KMOD_NONE, LEVEL_RETRY},
        {SDLK_F12, SDLK_F5, KMOD_NONE, LEVEL_RETRY},
        {SDLK_ESCAPE, SDLK_F12, KMOD_NONE, LEVEL_NEXT},
        {SDLK_q, SDLK_q, KMOD_RCTRL, LEVEL_QUIT},
    };
    for (const auto &c : cases) {
        SetUp();
        level = {0, LEVEL_NEXT};
        keys[c.first] = keys[c.second] = 1;
        handleKeys(keys, c.modifiers, &level);
        EXPECT_EQ(level.levelDone, 1);
        EXPECT_EQ(level.levelResult, c.result);
    }
    SetUp();
    level = {0, LEVEL_QUIT};
    keys[SDLK_q] = 1;
    handleKeys(keys, KMOD_LSHIFT, &level);
    EXPECT_EQ(level.levelDone, 0);
}

TEST_F(LevelStages, WindowCloseKeepsTheClosingSceneClick) {
    gamePhase = PHASE_GAME_OVER;
    event(SDL_MOUSEBUTTONUP);
    event(SDL_QUIT);
    EXPECT_EQ(level.levelDone, 1);
    EXPECT_EQ(level.levelResult, LEVEL_NEXT);

    level = {0, LEVEL_QUIT};
    event(SDL_QUIT);
    EXPECT_EQ(level.levelDone, 1);
    EXPECT_EQ(level.levelResult, LEVEL_QUIT);
}

TEST_F(LevelStages, NoPinStandingEndsTheLevelExceptTheClosingScene) {
    pinsStanding = 0;
    gamePhase = PHASE_GAME_OVER;
    frame(0.02f);
    EXPECT_EQ(level.levelDone, 0);
    gamePhase = PHASE_DRAG;
    pinsStanding = -2;
    frame(0.02f);
    EXPECT_EQ(level.levelDone, 1);
    EXPECT_EQ(level.levelResult, LEVEL_NEXT);
    EXPECT_EQ(rollTimer, -1.0f);
}

TEST_F(LevelStages, PhysicsRunsOnlyWhileAimingOrRolling) {
    ball.velocity = {1, 0, 0};
    stepSeconds = 0.5f;
    fallHeight = -1000.0f;
    for (GamePhase phase : {PHASE_DRAG, PHASE_GAME_OVER, PHASE_AIM, PHASE_ROLL}) {
        gamePhase = phase;
        float before = ball.position.x;
        stepPhysicsIfRunning();
        bool moved = ball.position.x != before;
        EXPECT_EQ(moved, phase == PHASE_AIM || phase == PHASE_ROLL) << phase;
        paused = 1;
        before = ball.position.x;
        stepPhysicsIfRunning();
        EXPECT_EQ(ball.position.x, before);
        paused = 0;
    }
}

}  // namespace
