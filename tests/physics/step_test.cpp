#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "physics/physics.h"
#include "physics_support.h"

namespace {

// The ball and a few pins, installed into the globals.
struct World {
    std::vector<Body> bodies;
    TestMesh mesh;
    World(Body ballBody, std::vector<Body> pinBodies, float fallOut = -10.0f) : bodies(pinBodies) {
        ball = ballBody;
        pins = bodies.empty() ? nullptr : bodies.data();
        pinCount = pinsStanding = static_cast<int32_t>(bodies.size());
        fallHeight = fallOut;
        stepSeconds = 0.0f;
    }
    ~World() { pins = nullptr; }
};

TEST(Step, FallOutIsStrictlyBelowTheLevelOrNotANumber) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    World world(testBody({0, 0, -20}),
                {testBody({5, 0, -10}), testBody({9, 0, -10.001f}), testBody({1, 1, nan})});
    world.bodies[1].startPosition = {9, 9, 9};
    world.bodies[1].velocity = {1, 1, 1};
    world.bodies[2].startPosition = {1, 1, 1};
    stepPhysics();
    EXPECT_EQ(pins[0].active, 1);
    EXPECT_EQ(pins[1].active, 0);
    EXPECT_EQ(pins[1].position.y, 9.0f);
    EXPECT_EQ(pins[1].velocity.x, 0.0f);
    EXPECT_EQ(pins[2].position.z, 1.0f);
    EXPECT_EQ(pinsStanding, 1);
    // The ball never counts; an inactive body at its start stays there and
    // is not counted again, unless that start is itself below the level.
    EXPECT_EQ(ball.active, 0);
    stepSeconds = 0.5f;
    stepPhysics();
    EXPECT_EQ(pins[1].position.z, 9.0f);
    EXPECT_EQ(ball.position.z, -20.0f);
    EXPECT_EQ(pinsStanding, 1);
    pins[0].position.z = pins[0].startPosition.z = -11;
    stepPhysics();
    stepPhysics();
    EXPECT_EQ(pinsStanding, -1);
}

TEST(Step, PairsComeInOrderOnceAStepAndAZeroStepStillBounces) {
    // The ball hits pin 0 first; pin 0 then passes its new speed to pin 1.
    World world(testBody({0, 0, 0.4f}, {10, 0, -1}),
                {testBody({0.9f, 0, 0.4f}), testBody({1.8f, 0, 0.4f})});
    world.mesh.addFloor(-5, -5, 5, 5, 0);
    world.mesh.install();
    stepPhysics();
    EXPECT_EQ(ball.position.x, 0.0f);
    EXPECT_EQ(ball.velocity.x, 0.0f);
    EXPECT_EQ(pins[0].velocity.x, 0.0f);
    EXPECT_EQ(pins[1].velocity.x, (float)(8.5f * 0.85f));
    EXPECT_NEAR(ball.velocity.z, 0.7f, 1e-6);
    stepPhysics();  // every pair now parts
    EXPECT_EQ(pins[1].velocity.x, (float)(8.5f * 0.85f));
}

// A flat lane 2 wide and 14 long ending over a drop, with three pins.
struct Lane : World {
    Lane()
        : World(testBody({0, 0, 0.5f}, {0, 0, 0}, 0.5f, 5.0f),
                {testBody({0, 10, 0.3f}, {}, 0.3f), testBody({-0.35f, 10.6f, 0.3f}, {}, 0.3f),
                 testBody({0.35f, 10.6f, 0.3f}, {}, 0.3f)},
                -5.0f) {
        mesh.addFloor(-1, -2, 1, 12, 0);
        mesh.install();
        stepSeconds = 1.0f / 60.0f;
    }
};

TEST(Step, AThrownBallKnocksPinsOffTheLaneTheSameWayEveryTime) {
    Lane lane;
    for (int i = 0; i < 60; i++) stepPhysics();
    EXPECT_EQ(pinsStanding, 3);  // nothing falls by itself
    ball.velocity = {0.3f, 8.0f, 0};
    // Every body's state after every step, folded into one hash.
    uint64_t hash = 1469598103934665603ull;
    for (int i = 0; i < 300; i++) {
        stepPhysics();
        for (int b = -1; b < pinCount; b++) {
            unsigned char bytes[sizeof(Body)];
            memcpy(bytes, b < 0 ? &ball : &pins[b], sizeof(Body));
            for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
        }
    }
    EXPECT_LT(pinsStanding, 3);
    // Recorded once; any change of rounding (a fused multiply-add, a float
    // where a double belongs, another order of operations) changes it.
    EXPECT_EQ(hash, 4563064029942347755u);
}

TEST(Step, ALongFrameIsSimulatedInEqualStepsOfAtMost50Milliseconds) {
    const struct {
        float seconds;
        int steps;
    } frames[] = {{0.0f, 1}, {0.05f, 1}, {0.051f, 2}, {0.15f, 3}, {0.249f, 5}, {0.25f, 5}};
    for (const auto &f : frames) EXPECT_EQ(physicsStepsFor(f.seconds), f.steps) << f.seconds;

    // The frame's steps are today's step, repeated: bit for bit.
    for (float seconds : {0.15f, 0.04f}) {
        Lane lane;
        ball.velocity = {0.3f, 8.0f, 0};
        std::vector<Body> before(pins, pins + pinCount);
        Body ballBefore = ball;
        int steps = physicsStepsFor(seconds);
        stepSeconds = (float)((double)seconds / steps);
        for (int i = 0; i < 40 * steps; i++) stepPhysics();
        Body ballBySteps = ball;
        std::vector<Body> bySteps(pins, pins + pinCount);
        int standing = pinsStanding;

        ball = ballBefore;
        std::copy(before.begin(), before.end(), pins);
        pinsStanding = pinCount;
        stepSeconds = seconds;
        for (int i = 0; i < 40; i++) simulateFrame();
        EXPECT_EQ(stepSeconds, seconds);  // the camera and timers still see the whole frame
        EXPECT_EQ(memcmp(&ball, &ballBySteps, sizeof ball), 0) << seconds;
        EXPECT_EQ(memcmp(pins, bySteps.data(), bySteps.size() * sizeof(Body)), 0) << seconds;
        EXPECT_EQ(pinsStanding, standing);
    }
}

}  // namespace
