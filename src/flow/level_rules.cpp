// The level's rules for one frame, apart from the frame loop that feeds them:
// the pointer and the buttons, the held keys, the timers, the ball reset, the
// end of the level and the physics step. They read and write the world and
// call neither SDL nor OpenGL, so the level checker's simulated player plays
// by them as well.
#include "flow/level.h"

#include <cstring>

#include "physics/physics.h"
#include "physics/vec.h"

static const float ROLL_SECONDS = 10.0f;
static const float SHORTEST_DRAG = 0.0001f;
static const float PAUSE_REPEAT = 0.25f;

static void endLevel(Level *level, int32_t result) {
    level->levelResult = result;
    level->levelDone = 1;
}

// Pointer motion can add up for as long as a drag lasts; the sums stop at
// the ends of their range rather than overflow.
static int32_t addMotion(int32_t sum, int16_t motion) {
    int64_t total = (int64_t)sum + motion;
    if (total > INT32_MAX) return INT32_MAX;
    if (total < INT32_MIN) return INT32_MIN;
    return (int32_t)total;
}

static void startDrag() {
    ball.active = 1;
    gamePhase = PHASE_DRAG;
    dragSeconds = 0.0f;
    dragX = 0;
    dragY = 0;
}

// The mean drag speed, scaled, is added to whatever velocity the ball has;
// moving the pointer up the screen throws the ball away from the player.
static void releaseThrow() {
    gamePhase = PHASE_ROLL;
    rollTimer = ROLL_SECONDS;
    ball.velocity.x = (float)((double)ball.velocity.x + (double)dragX * throwScaleX / dragSeconds);
    ball.velocity.y = (float)((double)ball.velocity.y - (double)dragY * throwScaleY / dragSeconds);
}

static void handleLeftRelease(Level *level) {
    if (gamePhase == PHASE_DRAG) {
        if (dragSeconds <= SHORTEST_DRAG)
            gamePhase = PHASE_AIM;
        else
            releaseThrow();
    } else if (gamePhase == PHASE_GAME_OVER) {
        endLevel(level, LEVEL_NEXT);
    }
}

static void handleButtonRelease(const SDL_MouseButtonEvent *button, Level *level) {
    if (paused) return;
    if (button->button == SDL_BUTTON_LEFT)
        handleLeftRelease(level);
    else if (rollTimer > 0.0f && gamePhase == PHASE_ROLL)
        ball.active = 0;  // the ball reset of this frame calls it back
}

static void pressKey(SDLKey key, Level *level) {
    if (key > SDLK_UNKNOWN && key < SDLK_LAST) level->pressedKeys[key] = 1;
}

void handleEvent(const SDL_Event *event, Level *level) {
    switch (event->type) {
        case SDL_MOUSEMOTION:
            mouseX = event->motion.x;
            mouseY = event->motion.y;
            if (!paused) {
                dragX = addMotion(dragX, event->motion.xrel);
                dragY = addMotion(dragY, event->motion.yrel);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event->button.button == SDL_BUTTON_LEFT && gamePhase == PHASE_AIM) startDrag();
            break;
        case SDL_MOUSEBUTTONUP:
            handleButtonRelease(&event->button, level);
            break;
        case SDL_KEYDOWN:
            pressKey(event->key.keysym.sym, level);
            break;
        case SDL_QUIT:
            level->levelDone = 1;
            break;
        default:
            break;
    }
}

static bool pauseKeyHeld(const Uint8 *keys) { return keys[SDLK_p] || keys[SDLK_PAUSE]; }

// A level loads in a few milliseconds, far quicker than a player lets go of a
// key: a key that has acted stays latched, and does nothing, until a frame
// sees it released. It acts again at once on the next press, even one that
// began and ended between two frames.
static bool actsOnce(const Uint8 *keys, const Uint8 *pressed, SDLKey key, int32_t *latched) {
    if (pressed[key]) *latched = 0;
    bool acts = keys[key] && !*latched;
    *latched = keys[key] != 0;
    return acts;
}

void handleKeys(const Uint8 *heldKeys, SDLMod modifiers, Level *level) {
    const Uint8 *pressed = level->pressedKeys;
    Uint8 keys[SDLK_LAST];
    for (int key = 0; key < SDLK_LAST; key++) keys[key] = heldKeys[key] | pressed[key];
    if (keys[SDLK_ESCAPE] || (keys[SDLK_q] && (modifiers & KMOD_CTRL))) endLevel(level, LEVEL_QUIT);
    // The debounce restarts at 0 on pausing and at -0.25 on resuming, so a
    // held key toggles the pause about every quarter of a second.
    if (pauseDebounce > 0.0f && paused == 0 && pauseKeyHeld(keys)) {
        paused = 1;
        pauseDebounce = 0.0f;
    }
    if (pauseDebounce > PAUSE_REPEAT && paused == 1 && (pauseKeyHeld(keys) || keys[SDLK_RETURN])) {
        paused = 0;
        pauseDebounce = -PAUSE_REPEAT;
    }
    if (actsOnce(keys, pressed, SDLK_F12, &nextKeyLatched)) endLevel(level, LEVEL_NEXT);
    if (actsOnce(keys, pressed, SDLK_F5, &retryKeyLatched)) endLevel(level, LEVEL_RETRY);
    memset(level->pressedKeys, 0, sizeof level->pressedKeys);
}

void advanceTimers() {
    pauseDebounce = (float)((double)pauseDebounce + frameSeconds);
    dragSeconds = (float)((double)dragSeconds + stepSeconds);
    rollTimer = (float)((double)rollTimer - stepSeconds);
}

void resetBallIfDone() {
    if (!((rollTimer <= 0.0f && gamePhase == PHASE_ROLL) || ball.active == 0)) return;
    gamePhase = PHASE_AIM;
    rollTimer = -1.0f;
    ball.position = ball.startPosition;
    ball.velocity = {0.0f, 0.0f, 0.0f};
    ball.active = 1;
    viewDirection = vecFromTo(cameraPosition, ball.position);
    vecNormalize(&viewDirection);
}

void checkLevelFinished(Level *level) {
    if (pinsStanding < 1 && gamePhase != PHASE_GAME_OVER) {
        endLevel(level, LEVEL_NEXT);
        rollTimer = -1.0f;
    }
}

// The ball waits while the player drags, and the closing scene stands still.
void stepPhysicsIfRunning() {
    if (paused == 0 && (gamePhase == PHASE_AIM || gamePhase == PHASE_ROLL)) simulateFrame();
}

void beginLevel(Level *level, GamePhase startPhase) {
    *level = {0, LEVEL_QUIT};
    pauseDebounce = 0.0f;
    gamePhase = startPhase;
    paused = 0;
}

void updateFrame(Level *level) {
    advanceTimers();
    resetBallIfDone();
    checkLevelFinished(level);
    stepPhysicsIfRunning();
}
