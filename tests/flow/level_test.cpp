// The frame stages of a level with synthetic SDL events and held keys; the
// update after the clock is the game's own updateFrame.
#include <gtest/gtest.h>

#include <cstring>

#include "flow/level.h"
#include "flow/world.h"

namespace {

class LevelStages : public ::testing::Test {
  protected:
    void SetUp() override {
        ball.startPosition = {1, 2, 3};
        ball.position = {5, 6, 7};
        ball.active = 1;
        cameraPosition = {1, 2, 13};
        gamePhase = PHASE_AIM;
        paused = 0;
        rollTimer = -1.0f;
        pinsStanding = 3;
        memset(keys, 0, sizeof keys);
    }
    void event(Uint8 type, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event e = {};
        e.type = type;
        e.button.button = button;
        handleEvent(&e, &level);
    }
    // A key press; the held keys say whether the key is still down.
    void press(SDLKey key) {
        SDL_Event e = {};
        e.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {0, key, KMOD_NONE, 0}};
        handleEvent(&e, &level);
    }
    void motion(Sint16 xrel, Sint16 yrel) {
        SDL_Event e = {};
        e.motion = {SDL_MOUSEMOTION, 0, 0, 10, 20, xrel, yrel};
        handleEvent(&e, &level);
    }
    // A frame after the events, with the keys held and a fixed frame time.
    void frame(float seconds) {
        handleKeys(keys, KMOD_NONE, &level);
        frameSeconds = seconds;
        stepSeconds = paused ? 0.0f : seconds;
        updateFrame(&level);
    }
    Level level = {0, LEVEL_QUIT};
    Uint8 keys[SDLK_LAST];
};

TEST_F(LevelStages, ADragThrowsAtItsMeanUnpausedSpeedOnTopOfTheVelocity) {
    dragX = 77;
    paused = 1;
    event(SDL_MOUSEBUTTONDOWN);  // a press starts a drag even while paused
    EXPECT_EQ(dragX, 0);
    ball.velocity = {0.5f, 0.25f, -1.0f};  // physics does not run while dragging
    motion(500, -500);                     // while paused motion does not count, nor time,
    frame(0.1f);
    event(SDL_MOUSEBUTTONUP);  // and a release is ignored
    EXPECT_EQ(gamePhase, PHASE_DRAG);
    paused = 0;
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

    gamePhase = PHASE_AIM;  // press and release within one frame: no throw
    event(SDL_MOUSEBUTTONDOWN);
    motion(50, -50);
    event(SDL_MOUSEBUTTONUP);
    EXPECT_EQ(gamePhase, PHASE_AIM);
    EXPECT_FLOAT_EQ(ball.velocity.x, 4.5f);

    dragX = INT32_MAX - 1;  // the sums stop at the ends of their range
    dragY = INT32_MIN + 1;
    motion(2, -2);
    EXPECT_EQ(dragX, INT32_MAX);
    EXPECT_EQ(dragY, INT32_MIN);
}

TEST_F(LevelStages, OnlyALeftPressWhileAimingStartsADrag) {
    dragX = 40;
    gamePhase = PHASE_ROLL;
    rollTimer = 5.0f;
    event(SDL_MOUSEBUTTONDOWN);  // a left press during a roll
    EXPECT_EQ(gamePhase, PHASE_ROLL);
    EXPECT_EQ(dragX, 40);
    gamePhase = PHASE_AIM;
    event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);  // another button while aiming
    EXPECT_EQ(gamePhase, PHASE_AIM);
    EXPECT_EQ(dragX, 40);
}

TEST_F(LevelStages, AnotherButtonDuringARollCallsTheBallBack) {
    event(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);  // while aiming: nothing
    EXPECT_EQ(ball.active, 1);
    gamePhase = PHASE_ROLL;
    rollTimer = 5.0f;
    event(SDL_MOUSEBUTTONUP, 4);  // a wheel turn is a press and release
    frame(0.0f);
    EXPECT_EQ(gamePhase, PHASE_AIM);
    EXPECT_EQ(rollTimer, -1.0f);
    EXPECT_EQ(ball.position.x, 1.0f);
    EXPECT_EQ(pinsStanding, 3);
    EXPECT_EQ(viewDirection.z, -1.0f);  // aimed straight down at the ball's start
}

TEST_F(LevelStages, TheUpdateRunsTimersResetCheckAndPhysicsInThatOrder) {
    // The timer that runs out in this frame resets the ball in this frame.
    gamePhase = PHASE_ROLL;
    rollTimer = 0.03f;
    frame(0.02f);
    EXPECT_EQ(gamePhase, PHASE_ROLL);
    frame(0.02f);
    EXPECT_EQ(gamePhase, PHASE_AIM);
    // A ball the physics found fallen is back at its start and falls again
    // in the same frame's step.
    ball.active = 0;
    frame(0.05f);
    EXPECT_EQ(ball.active, 1);
    EXPECT_EQ(ball.velocity.z, (float)(-(double)9.8f * 0.05f));
    // The level ends in the frame after the last pin falls, not in it.
    Body pin = ball;
    pin.position.z = -200;
    pins = &pin;
    pinCount = pinsStanding = 1;
    frame(0.02f);
    EXPECT_EQ(pinsStanding, 0);
    EXPECT_EQ(level.levelDone, 0);
    frame(0.02f);
    EXPECT_EQ(level.levelDone, 1);
    EXPECT_EQ(level.levelResult, LEVEL_NEXT);
    EXPECT_EQ(rollTimer, -1.0f);
}

TEST_F(LevelStages, PhysicsRunsOnlyWhileAimingOrRollingUnpaused) {
    stepSeconds = 0.1f;
    for (GamePhase phase : {PHASE_DRAG, PHASE_GAME_OVER, PHASE_AIM, PHASE_ROLL}) {
        for (int pause = 1; pause >= 0; pause--) {
            gamePhase = phase;
            paused = pause;
            float before = ball.position.z;
            stepPhysicsIfRunning();
            bool running = !pause && (phase == PHASE_AIM || phase == PHASE_ROLL);
            EXPECT_EQ(ball.position.z != before, running) << phase << " paused " << pause;
        }
    }
}

TEST_F(LevelStages, HoldingPTogglesThePauseEveryQuarterSecondAndReturnOnlyResumes) {
    // Each entry: the key held, and how many frames of 0.05 s until the
    // pause flips (0: it never does within 20).
    const struct {
        SDLKey key;
        int frames;
    } holds[] = {{SDLK_p, 2}, {SDLK_p, 6}, {SDLK_RETURN, 0}, {SDLK_p, 1}, {SDLK_RETURN, 6}};
    // P pauses in the second frame: in the first the debounce is still 0.
    for (const auto &hold : holds) {
        memset(keys, 0, sizeof keys);
        keys[hold.key] = 1;
        int was = paused, frames = 1;
        for (frame(0.05f); paused == was && frames < 20; frames++) frame(0.05f);
        EXPECT_EQ(paused == was ? 0 : frames, hold.frames) << hold.key;
    }
}

TEST_F(LevelStages, TheLastWriterOfTheResultWins) {
    const struct {
        SDLKey first, second;
        SDLMod modifiers;
        int32_t done, result;
    } cases[] = {
        {SDLK_ESCAPE, SDLK_F5, KMOD_NONE, 1, LEVEL_RETRY},
        {SDLK_F12, SDLK_F5, KMOD_NONE, 1, LEVEL_RETRY},
        {SDLK_ESCAPE, SDLK_F12, KMOD_NONE, 1, LEVEL_NEXT},
        {SDLK_q, SDLK_q, KMOD_RCTRL, 1, LEVEL_QUIT},
        {SDLK_q, SDLK_q, KMOD_LSHIFT, 0, LEVEL_NEXT},
    };
    for (const auto &c : cases) {
        level = {0, LEVEL_NEXT};
        keys[c.first] = keys[c.second] = 1;
        handleKeys(keys, c.modifiers, &level);
        EXPECT_EQ(level.levelDone, c.done) << c.first;
        EXPECT_EQ(level.levelResult, c.result) << c.first;
        keys[c.first] = keys[c.second] = 0;
        handleKeys(keys, KMOD_NONE, &level);  // every key seen released
    }
    // A window close ends the level but keeps the closing scene's click; no
    // pin standing never ends the closing scene.
    level = {0, LEVEL_QUIT};
    gamePhase = PHASE_GAME_OVER;
    pinsStanding = 0;
    frame(0.02f);
    EXPECT_EQ(level.levelDone, 0);
    event(SDL_MOUSEBUTTONUP);
    event(SDL_QUIT);
    EXPECT_EQ(level.levelResult, LEVEL_NEXT);
    level = {0, LEVEL_QUIT};
    event(SDL_QUIT);
    EXPECT_EQ(level.levelDone, 1);
    EXPECT_EQ(level.levelResult, LEVEL_QUIT);
}

TEST_F(LevelStages, EveryKeyPressActsOnceHoweverLongOrShortItIsHeld) {
    keys[SDLK_F12] = 1;
    frame(0.02f);
    EXPECT_EQ(level.levelResult, LEVEL_NEXT);
    // The next level's frames with the key still held: it does nothing there,
    // and leaves the other key free.
    level = {0, LEVEL_QUIT};
    for (int i = 0; i < 5; i++) frame(0.02f);
    EXPECT_EQ(level.levelDone, 0);
    keys[SDLK_F5] = 1;
    frame(0.02f);
    EXPECT_EQ(level.levelResult, LEVEL_RETRY);
    // Released for a frame, pressed again: it acts at once.
    keys[SDLK_F12] = 0;
    frame(0.02f);
    keys[SDLK_F12] = 1;
    frame(0.02f);
    EXPECT_EQ(level.levelResult, LEVEL_NEXT);
    // A press let go between two frames acts in the next, once, and frees a
    // latch the key's release would have freed.
    for (SDLKey key : {SDLK_F12, SDLK_F5}) {
        keys[key] = 0;
        level = {0, LEVEL_QUIT};
        press(key);
        frame(0.02f);
        EXPECT_EQ(level.levelDone, 1) << key;
        EXPECT_EQ(level.levelResult, key == SDLK_F12 ? LEVEL_NEXT : LEVEL_RETRY) << key;
        level.levelDone = 0;  // the same level's next frame
        frame(0.02f);
        EXPECT_EQ(level.levelDone, 0) << key;
    }
    pauseDebounce = 1.0f;  // and the other keys' taps too
    press(SDLK_p);
    frame(0.02f);
    EXPECT_EQ(paused, 1);
}

}  // namespace
