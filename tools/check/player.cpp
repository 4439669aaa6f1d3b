#include "check/player.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "flow/clock.h"
#include "flow/level.h"
#include "flow/world.h"

// Ten seconds of aiming before the first throw, in which nothing may move.
static const float AIM_SECONDS = 10.0f;
// How long a throw waits, after the ball is back, for pins still sliding;
// the search, which only compares throws, waits less.
static const float SETTLE_SECONDS = 8.0f;
static const float CANDIDATE_SETTLE_SECONDS = 3.0f;
// A player's drag lasts about a quarter of a second, a whole number of frames.
static const float DRAG_SECONDS = 0.25f;
static const float SLIDE_LIMIT = 0.01f;

// The length of every frame the player plays, and when its time is up.
static float frameStep;
static double deadline;
static bool outOfTime;

// The checker's own time, so that a busy machine decides a level as an idle one does.
static double now() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static int framesIn(float seconds) { return std::max(1, (int)std::lround(seconds / frameStep)); }

// The drag that gives a ball speed (world units per second) at an angle in
// degrees from straight down the lane (+y), positive to the right.
static Drag dragFor(float speed, float degrees) {
    float seconds = (float)(framesIn(DRAG_SECONDS) * (double)frameStep);
    double radians = degrees * M_PI / 180.0;
    return {static_cast<int>(std::lround(speed * std::sin(radians) * seconds / throwScaleX)),
            static_cast<int>(std::lround(-speed * std::cos(radians) * seconds / throwScaleY)),
            seconds};
}

// One frame of the game with the clock's rule for a frame of frameStep;
// true once the level is won, or once the play's time is up.
static bool playFrame(Level *level) {
    static int frames = 0;
    if (++frames % 64 == 0 && now() > deadline) outOfTime = true;
    setFrameTime(frameStep);
    updateFrame(level);
    return level->levelDone != 0 || outOfTime;
}

static void sendEvent(Level *level, Uint8 type, Sint16 xrel = 0, Sint16 yrel = 0) {
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.xrel = xrel;
        event.motion.yrel = yrel;
    } else {
        event.button.button = SDL_BUTTON_LEFT;
    }
    handleEvent(&event, level);
}

// Press, move, hold for the drag's frames, release: the events a player's
// drag gives.
static void release(Level *level, Drag drag) {
    sendEvent(level, SDL_MOUSEBUTTONDOWN);
    sendEvent(level, SDL_MOUSEMOTION, static_cast<Sint16>(drag.dx), static_cast<Sint16>(drag.dy));
    for (int i = 0; i < framesIn(drag.seconds); i++) playFrame(level);
    sendEvent(level, SDL_MOUSEBUTTONUP);
}

// The pins in play; a scene may state a count of zero or below.
static int pinTotal() { return pins && pinCount > 0 ? pinCount : 0; }

static bool moving(const Body &body) {
    double across =
        (double)body.velocity.x * body.velocity.x + (double)body.velocity.y * body.velocity.y;
    return across > 0.02 * 0.02 || std::fabs(body.velocity.z) > 1.0f;
}

static int pinsMoving() {
    int count = 0;
    for (int i = 0; i < pinTotal(); i++) count += pins[i].active && moving(pins[i]);
    return count;
}

// Everything a throw changes, so that the search can try throws and undo them.
struct Snapshot {
    Body ballBody;
    std::vector<Body> pinBodies;
    int32_t standing;
    GamePhase phase;
    float timer;
    Level level;
};

static Snapshot takeSnapshot(const Level &level) {
    return {ball, std::vector<Body>(pins, pins + pinTotal()), pinsStanding, gamePhase, rollTimer,
            level};
}

static void restoreSnapshot(const Snapshot &snapshot, Level *level) {
    ball = snapshot.ballBody;
    std::copy(snapshot.pinBodies.begin(), snapshot.pinBodies.end(), pins);
    pinsStanding = snapshot.standing;
    gamePhase = snapshot.phase;
    rollTimer = snapshot.timer;
    *level = snapshot.level;
}

static float slid(const Body &now, const Body &start) {
    return std::max(std::fabs(now.position.x - start.position.x),
                    std::fabs(now.position.y - start.position.y));
}

// Whether any pin has fallen or slid away from where it stood in the snapshot.
static bool pinsMovedSince(const Snapshot &snapshot) {
    for (int i = 0; i < pinTotal(); i++)
        if (pins[i].active != snapshot.pinBodies[i].active ||
            slid(pins[i], snapshot.pinBodies[i]) > SLIDE_LIMIT)
            return true;
    return false;
}

// Plays a throw until the ball is back at its start and the pins have come
// to rest, or have had settle seconds to slide away, and then one frame
// more, in which the game sees whether a pin still stands. True when it wins.
static bool playThrow(Level *level, Drag drag, float settle) {
    release(level, drag);
    for (int settled = 0; settled < framesIn(settle);) {
        if (playFrame(level)) return level->levelDone != 0;
        if (gamePhase == PHASE_ROLL) continue;
        settled++;
        if (!moving(ball) && pinsMoving() == 0) break;
    }
    return playFrame(level) && level->levelDone != 0;
}

// A throw: a ball speed (world units per second) and an angle in degrees
// from straight down the lane, and how well it did from the search's start.
struct Candidate {
    float speed, degrees;
    double score;  // pins down, a sliding pin counting half; above any count when it wins
};

// Plays each throw from the same start and keeps the best in *best; true
// when one wins.
static bool tryThrows(Level *level, const Snapshot &start, const std::vector<Candidate> &throws,
                      Candidate *best, bool *pinMoved) {
    for (Candidate candidate : throws) {
        restoreSnapshot(start, level);
        bool won =
            playThrow(level, dragFor(candidate.speed, candidate.degrees), CANDIDATE_SETTLE_SECONDS);
        if (outOfTime) return false;
        *pinMoved = *pinMoved || pinsMovedSince(start);
        candidate.score = won ? 1e9 : (start.standing - pinsStanding) + 0.5 * pinsMoving();
        if (candidate.score > best->score) *best = candidate;
        if (won) return true;
    }
    return false;
}

// A coarse fan of throws, straight ones first and then ever wider, each at
// three speeds, so that a level a plain throw wins is won at once; then the
// throws around the best of them. False when no throw moves any pin: every
// throw after it would start from the same place and do the same.
static bool bestThrow(Level *level, Drag *drag) {
    Snapshot start = takeSnapshot(*level);
    std::vector<Candidate> fan;
    for (float degrees : {0.0f, 3.0f, -3.0f, 6.0f, -6.0f, 10.0f, -10.0f, 15.0f, -15.0f, 22.0f,
                          -22.0f, 30.0f, -30.0f})
        for (float speed : {12.0f, 18.0f, 24.0f}) fan.push_back({speed, degrees, 0.0});
    Candidate best = fan[0];
    best.score = -1.0;
    bool pinMoved = false;
    if (!tryThrows(level, start, fan, &best, &pinMoved) && pinMoved) {
        std::vector<Candidate> around;
        for (float dSpeed : {-3.0f, 0.0f, 3.0f})
            for (float dDegrees : {-1.5f, 0.0f, 1.5f})
                if (dSpeed != 0.0f || dDegrees != 0.0f)
                    around.push_back({best.speed + dSpeed, best.degrees + dDegrees, 0.0});
        tryThrows(level, start, around, &best, &pinMoved);
    }
    restoreSnapshot(start, level);
    *drag = dragFor(best.speed, best.degrees);
    return pinMoved;
}

// The first pin that fell or slid while the player only aimed, or -1: the
// one that moved in the earliest frame, the farthest if several did, since
// a pin that slides can push the others.
static int pinMovedWhileAiming(Level *level) {
    std::vector<Body> start(pins, pins + pinTotal());
    for (int frame = 0; frame < framesIn(AIM_SECONDS); frame++) {
        bool done = playFrame(level);
        int first = -1;
        float farthest = SLIDE_LIMIT;
        for (int i = 0; i < pinTotal(); i++) {
            float distance = pins[i].active ? slid(pins[i], start[i]) : INFINITY;
            if (distance > farthest) {
                farthest = distance;
                first = i;
            }
        }
        if (first >= 0) return first;
        if (done) return level->levelDone ? 0 : -1;
    }
    return -1;
}

PlayResult playLoadedScene(int maxThrows, float step, double budget) {
    frameStep = step;
    deadline = now() + budget;
    outOfTime = false;
    Level level;
    beginLevel(&level, PHASE_AIM);
    PlayResult result = {PLAY_NOT_WON, 0, {0, 0, 0.0f}, -1};
    result.movedPin = pinMovedWhileAiming(&level);
    if (result.movedPin >= 0) {
        result.outcome = PLAY_PINS_MOVE_WITHOUT_THROW;
        return result;
    }
    while (result.throws < maxThrows && !outOfTime) {
        Drag drag;
        bool reachesPins = bestThrow(&level, &drag);
        if (outOfTime) break;
        if (!reachesPins) {
            result.outcome = PLAY_NO_PIN_MOVES;
            return result;
        }
        if (result.throws++ == 0) result.first = drag;
        bool won = playThrow(&level, drag, SETTLE_SECONDS);
        if (won) {
            result.outcome = PLAY_WON;
            return result;
        }
    }
    if (outOfTime) result.outcome = PLAY_UNDECIDED;
    return result;
}
