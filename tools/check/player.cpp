#include "check/player.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "flow/clock.h"
#include "flow/level.h"
#include "flow/world.h"

// How long a throw waits, after the ball is back, for pins still sliding;
// the search, which only compares throws, waits less.
static const float SETTLE_SECONDS = 8.0f;
static const float CANDIDATE_SETTLE_SECONDS = 3.0f;
// A player's drag lasts about a quarter of a second, a whole number of frames.
static const float DRAG_SECONDS = 0.25f;
static const float SLIDE_LIMIT = 0.01f;
// The ball speeds, in world units per second, of the straight throws and of
// the fan of throws the search starts with.
static const float SPEEDS[] = {12.0f, 18.0f, 24.0f};
// The other frame lengths a straight throw is tried at, as parts of the
// frame length asked for: where the ball stands in each frame decides what
// it meets, and a machine may run faster or slower.
static const float OTHER_FRAMES[] = {0.5f, 2.0f, 2.0f / 3.0f, 1.5f};

// One play: the length of every frame, and when its time is up. The clock
// is looked at often enough that a twentieth of the budget at most passes
// between two looks, at the slowest frames seen so far, and the play stops
// before a frame that could take it past the budget.
struct Play {
    float frameStep;
    double budget, deadline;
    double lookedAt;      // when the clock was last looked at
    int framesSinceLook;  // and how many frames were played since
    int framesBetweenLooks;
    double slowestFrame;  // the longest a frame took on average between two looks
    bool outOfTime;
};
static Play play;

// Never more frames than this between two looks at the clock, however fast.
static const int MOST_FRAMES_UNLOOKED = 1000;

// The checker's own time, so that a busy machine decides a level as an idle one does.
static double now() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static int framesIn(float seconds) {
    return std::max(1, (int)std::lround(seconds / play.frameStep));
}

// The drag that gives a ball speed (world units per second) at an angle in
// degrees from straight down the lane (+y), positive to the right.
static Drag dragFor(float speed, float degrees) {
    float seconds = (float)(framesIn(DRAG_SECONDS) * (double)play.frameStep);
    double radians = degrees * M_PI / 180.0;
    return {static_cast<int>(std::lround(speed * std::sin(radians) * seconds / throwScaleX)),
            static_cast<int>(std::lround(-speed * std::cos(radians) * seconds / throwScaleY)),
            seconds};
}

static void startPlay(float step, double budget) {
    double at = now();
    play = {step, budget, at + budget, at, 0, 0, 0.0, false};
}

static bool timeIsUp() {
    if (play.framesSinceLook < play.framesBetweenLooks) {
        play.framesSinceLook++;
        return false;
    }
    double at = now();
    if (play.framesSinceLook > 0)
        play.slowestFrame =
            std::max(play.slowestFrame, (at - play.lookedAt) / play.framesSinceLook);
    play.lookedAt = at;
    play.framesSinceLook = 1;
    // Until a frame has been timed, the clock is looked at before every frame.
    double frames = play.slowestFrame > 0.0 ? play.budget / 20.0 / play.slowestFrame : 0.0;
    play.framesBetweenLooks = static_cast<int>(std::min<double>(frames, MOST_FRAMES_UNLOOKED));
    return at + play.slowestFrame > play.deadline;
}

// One frame of the game with the clock's rule for a frame of the play's
// length; true once the level is won, or once the play's time is up.
static bool playFrame(Level *level) {
    if (!play.outOfTime) play.outOfTime = timeIsUp();
    if (play.outOfTime) return true;
    setFrameTime(play.frameStep);
    updateFrame(level);
    return level->levelDone != 0;
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
        if (play.outOfTime) return false;
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
        for (float speed : SPEEDS) fan.push_back({speed, degrees, 0.0});
    Candidate best = fan[0];
    best.score = -1.0;
    bool pinMoved = false;
    if (!tryThrows(level, start, fan, &best, &pinMoved) && pinMoved) {
        std::vector<Candidate> around;
        for (float dSpeed : {-3.0f, 0.0f, 3.0f})
            for (float dDegrees : {-1.5f, 0.0f, 1.5f})
                if (dSpeed != 0.0f || dDegrees != 0.0f)  // the best itself is played already
                    around.push_back({best.speed + dSpeed, best.degrees + dDegrees, 0.0});
        tryThrows(level, start, around, &best, &pinMoved);
    }
    restoreSnapshot(start, level);
    *drag = dragFor(best.speed, best.degrees);
    return pinMoved;
}

// The roll timer a throw starts, as the game's release of a drag sets it:
// an empty drag released, and everything it touched put back.
static float rollSeconds(Level *level) {
    Snapshot before = takeSnapshot(*level);
    float dragTime = dragSeconds;
    int32_t x = dragX, y = dragY;
    gamePhase = PHASE_DRAG;
    dragSeconds = 1.0f;
    dragX = dragY = 0;
    sendEvent(level, SDL_MOUSEBUTTONUP);
    float seconds = rollTimer;
    restoreSnapshot(before, level);
    dragSeconds = dragTime;
    dragX = x;
    dragY = y;
    return seconds;
}

// The body that fell or slid since the start, or NO_BODY: the farthest if
// several did, since a body that slides can push the others.
static int bodyMoved(const Body &ballStart, const std::vector<Body> &start) {
    int moved = NO_BODY;
    float farthest = SLIDE_LIMIT;
    for (int i = THE_BALL; i < pinTotal(); i++) {
        const Body &body = i == THE_BALL ? ball : pins[i];
        const Body &from = i == THE_BALL ? ballStart : start[i];
        float distance = body.active ? slid(body, from) : INFINITY;
        if (distance > farthest) {
            farthest = distance;
            moved = i;
        }
    }
    return moved;
}

// What the level does while the player only aims: the body that moves
// first, and whether the game loses a pin or wins the level by itself. A
// ball that starts rolling may take a whole roll to reach the pins, so once
// something moves the player watches a roll's time more.
static void watchIdle(Level *level, PlayResult *result) {
    float roll = rollSeconds(level);
    Body ballStart = ball;
    std::vector<Body> start(pins, pins + pinTotal());
    int frames = framesIn(2.0f * roll), quiet = framesIn(roll);
    for (int frame = 1; frame <= frames && !play.outOfTime; frame++) {
        bool done = playFrame(level);
        float seconds = (float)(frame * (double)play.frameStep);
        if (result->movedBody == NO_BODY) result->movedBody = bodyMoved(ballStart, start);
        for (int i = 0; i < pinTotal() && result->fellPin < 0; i++)
            if (!pins[i].active && start[i].active) {
                result->fellPin = i;
                result->fellAfter = seconds;
            }
        if (done && level->levelDone) result->wonAfter = seconds;
        if (done || (result->movedBody == NO_BODY && frame >= quiet)) break;
    }
}

// The search's throws, up to maxThrows, from where the level stands.
static void searchThrows(Level *level, int maxThrows, PlayResult *result) {
    while (result->throws < maxThrows && !play.outOfTime) {
        Drag drag;
        bool reachesPins = bestThrow(level, &drag);
        if (play.outOfTime) break;
        if (!reachesPins) {
            result->outcome = PLAY_NO_PIN_MOVES;
            return;
        }
        if (result->throws++ == 0) result->first = drag;
        if (playThrow(level, drag, SETTLE_SECONDS)) {
            result->outcome = PLAY_WON;
            return;
        }
    }
}

// A straight throw at each speed, from the start, at frames of this length;
// true when one wins. Whether any moves a pin is added to *pinMoved.
static bool straightThrowWins(Level *level, const Snapshot &start, float frame, Drag *won,
                              bool *pinMoved) {
    play.frameStep = frame;
    for (float speed : SPEEDS) {
        restoreSnapshot(start, level);
        Drag drag = dragFor(speed, 0.0f);
        bool wins = playThrow(level, drag, SETTLE_SECONDS);
        if (play.outOfTime) return false;
        *pinMoved = *pinMoved || pinsMovedSince(start);
        *won = drag;
        if (wins) return true;
    }
    return false;
}

PlayResult playLoadedScene(int maxThrows, float step, double budget) {
    startPlay(step, budget);
    Level level;
    beginLevel(&level, PHASE_AIM);
    PlayResult result = {PLAY_NOT_WON, 0, {0, 0, 0.0f}, step, 0, NO_BODY, 0.0f, -1, 0.0f};
    watchIdle(&level, &result);
    result.standing = pinsStanding;
    if (result.movedBody != NO_BODY) {
        result.outcome = PLAY_MOVES_WITHOUT_THROW;
        return result;
    }
    Snapshot start = takeSnapshot(level);
    if (!play.outOfTime) searchThrows(&level, maxThrows, &result);
    result.standing = pinsStanding;
    if (result.outcome == PLAY_WON || play.outOfTime) {
        if (play.outOfTime) result.outcome = PLAY_UNDECIDED;
        return result;
    }
    bool pinMoved = false;
    for (float part : OTHER_FRAMES) {
        float frame = (float)(step * (double)part);
        if (frame > LONGEST_FRAME) continue;
        Drag drag;
        if (straightThrowWins(&level, start, frame, &drag, &pinMoved)) {
            result = {PLAY_WON, 1, drag, frame, pinsStanding, NO_BODY, 0.0f, -1, 0.0f};
            return result;
        }
        if (play.outOfTime) {
            result.outcome = PLAY_UNDECIDED;
            return result;
        }
    }
    if (pinMoved && result.outcome == PLAY_NO_PIN_MOVES) {
        result.outcome = PLAY_NOT_WON;
        result.throws = 1;
    }
    return result;
}
