// Every playable level can be won by throws a player's drag can give: the
// game's loaders and physics play it frame by frame, the way the level runner
// does, while a simple search picks each throw. A level whose pins fall with
// no throw at all fails too.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "flow/level.h"
#include "levels/level_list.h"
#include "physics/physics.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/gl_window.h"

namespace {

const float frameStep = 1.0f / 60.0f;
const int maxThrows = 5;
// How long the search waits, after the ball is back, for pins still sliding.
const int settleFrames = 8 * 60;

// A throw as the player makes it: a drag of dx, dy pixels (y down the screen)
// over some seconds.
struct Drag {
    int dx, dy;
    float seconds;
};

// The drag that gives a ball speed (world units per second) at an angle in
// degrees from straight down the lane (+y), positive to the right.
Drag dragFor(float speed, float degrees) {
    const float seconds = 0.25f;
    double radians = degrees * M_PI / 180.0;
    return {static_cast<int>(std::lround(speed * std::sin(radians) * seconds / throwScaleX)),
            static_cast<int>(std::lround(-speed * std::cos(radians) * seconds / throwScaleY)),
            seconds};
}

// The level runner's own frame stages with the clock fixed at frameStep, and
// a throw made of the same events a player's drag gives.
struct Runner {
    Level level = {0, LEVEL_QUIT};

    // One frame after the events and keys; true once the level is won.
    bool frame() {
        frameSeconds = stepSeconds = frameStep;
        advanceTimers();
        resetBallIfDone();
        checkLevelFinished(&level);
        if (level.levelDone) return true;
        stepPhysicsIfRunning();
        return false;
    }
    bool rolling() const { return gamePhase == PHASE_ROLL; }
    void event(Uint8 type, Sint16 xrel = 0, Sint16 yrel = 0) {
        SDL_Event e = {};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        if (type == SDL_MOUSEMOTION) {
            e.motion.xrel = xrel;
            e.motion.yrel = yrel;
        }
        handleEvent(&e, &level);
    }
    // Press, move, hold for the drag's frames (no physics while dragging), release.
    void release(Drag drag) {
        event(SDL_MOUSEBUTTONDOWN);
        event(SDL_MOUSEMOTION, static_cast<Sint16>(drag.dx), static_cast<Sint16>(drag.dy));
        for (int i = 0; i < std::lround(drag.seconds / frameStep); i++) frame();
        event(SDL_MOUSEBUTTONUP);
    }
};

bool moving(const Body &body) {
    double across =
        (double)body.velocity.x * body.velocity.x + (double)body.velocity.y * body.velocity.y;
    return across > 0.02 * 0.02 || std::fabs(body.velocity.z) > 1.0f;
}

// Everything a throw changes, so that the search can try throws and undo them.
struct World {
    Body ballBody;
    std::vector<Body> pinBodies;
    int32_t standing;
    GamePhase phase;
    float timer;
    Runner runner;

    static World save(const Runner &runner) {
        return {ball,  std::vector<Body>(pins, pins + pinCount), pinsStanding, gamePhase, rollTimer,
                runner};
    }
    void restore(Runner &into) const {
        ball = ballBody;
        std::copy(pinBodies.begin(), pinBodies.end(), pins);
        pinsStanding = standing;
        gamePhase = phase;
        rollTimer = timer;
        into = runner;
    }
};

struct Outcome {
    bool won = false;
    int pinsStillMoving = 0;
};

// Plays a throw until the ball is back at its start and the pins have come
// to rest, or have had a fair time to slide away.
Outcome playThrow(Runner &runner, Drag drag) {
    runner.release(drag);
    Outcome outcome;
    int settled = 0;
    while (settled < settleFrames) {
        if (runner.frame()) {
            outcome.won = true;
            return outcome;
        }
        if (runner.rolling()) continue;
        settled++;
        bool anyMoving = moving(ball);
        for (int i = 0; i < pinCount; i++)
            anyMoving = anyMoving || (pins[i].active && moving(pins[i]));
        if (!anyMoving) break;
    }
    for (int i = 0; i < pinCount; i++) outcome.pinsStillMoving += pins[i].active && moving(pins[i]);
    return outcome;
}

std::vector<Drag> candidateDrags() {
    std::vector<Drag> drags;
    for (float speed : {6.0f, 9.0f, 12.0f, 15.0f, 18.0f, 21.0f, 24.0f})
        for (float degrees = -30.0f; degrees <= 30.0f; degrees += 2.0f)
            drags.push_back(dragFor(speed, degrees));
    return drags;
}

// The throw that brings down the most pins, counting a sliding pin as half
// a pin; the first of equals.
Drag bestThrow(Runner &runner) {
    World before = World::save(runner);
    Drag best = {0, 0, 1.0f};
    double bestScore = -1.0;
    for (const Drag &drag : candidateDrags()) {
        before.restore(runner);
        Outcome outcome = playThrow(runner, drag);
        double score =
            outcome.won ? 1e9 : (before.standing - pinsStanding) + 0.5 * outcome.pinsStillMoving;
        if (score > bestScore) {
            bestScore = score;
            best = drag;
        }
        if (outcome.won) break;
    }
    before.restore(runner);
    return best;
}

std::string describe(const Drag &drag) {
    char text[80];
    snprintf(text, sizeof text, "(%d, %d) px in %.2f s", drag.dx, drag.dy, drag.seconds);
    return text;
}

class Winnable : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        openTestWindow();
        ASSERT_NO_FATAL_FAILURE(enterLevelsFolder());
        int32_t result = 0;
        captureStdout([&] { result = loadScene(GetParam().c_str()); });
        ASSERT_EQ(result, 1);
        loaded = true;
        gamePhase = PHASE_AIM;
        paused = 0;
        rollTimer = -1.0f;
    }
    void TearDown() override {
        if (loaded) captureStdout(unloadScene);
    }
    bool loaded = false;
};

TEST_P(Winnable, PinsStandStillUntilThrowsClearThem) {
    auto started = std::chrono::steady_clock::now();
    Runner runner;
    // Ten seconds of aiming: physics runs, but nothing may fall or slide.
    std::vector<Body> start(pins, pins + pinCount);
    for (int frame = 0; frame < 600; frame++) ASSERT_FALSE(runner.frame()) << "won with no throw";
    ASSERT_EQ(pinsStanding, pinCount) << "a pin fell with no throw";
    for (int i = 0; i < pinCount; i++) {
        EXPECT_NEAR(pins[i].position.x, start[i].position.x, 0.01) << "pin " << i << " slid";
        EXPECT_NEAR(pins[i].position.y, start[i].position.y, 0.01) << "pin " << i << " slid";
    }

    std::string throws;
    bool won = false;
    for (int count = 1; count <= maxThrows && !won; count++) {
        Drag drag = bestThrow(runner);
        throws += (count > 1 ? ", " : "") + describe(drag);
        won = playThrow(runner, drag).won;
        // A throw that leaves pins sliding: let them finish, as a player would wait.
        for (int frame = 0; !won && frame < settleFrames; frame++) won = runner.frame();
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    printf("%s: %s with throws %s (%.1f s)\n", levelName(GetParam()).c_str(),
           won ? "won" : "NOT won", throws.c_str(), seconds);
    RecordProperty("throws", throws);
    EXPECT_TRUE(won) << pinsStanding << " of " << pinCount << " pins still stand after " << throws;
}

INSTANTIATE_TEST_SUITE_P(Levels, Winnable, ::testing::ValuesIn(playableScenes()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             return levelName(info.param);
                         });

}  // namespace
