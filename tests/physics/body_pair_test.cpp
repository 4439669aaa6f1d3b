#include <gtest/gtest.h>

#include "physics/physics.h"
#include "physics_support.h"

namespace {

Body body(Vec3 position, Vec3 velocity, float mass = 1.0f) {
    return testBody(position, velocity, 0.5f, mass);
}

// The sums for bodies of any mass and glancing blows are the lane's; these
// are the cases a lane does not meet.
TEST(BodyPair, NegativeEqualMassesStillSwapAndCoincidentCentresMeetAlongUp) {
    Body a = body({0, 0, 0}, {10, 3, 0}, -1.0f), b = body({0.9f, 0, 0}, {0, 0, 0}, -1.0f);
    collideBodyPair(&a, &b);
    EXPECT_EQ(a.velocity.x, 0.0f);
    EXPECT_EQ(a.velocity.y, 3.0f);  // across the line of centres: unchanged
    EXPECT_EQ(b.velocity.x, 8.5f);
    a = body({1, 1, 1}, {3, 0, 2});
    b = body({1, 1, 1}, {0, 0, 0});
    collideBodyPair(&a, &b);
    EXPECT_EQ(a.velocity.x, 3.0f);
    EXPECT_EQ(a.velocity.z, 0.0f);
    EXPECT_EQ(b.velocity.z, 1.7f);
}

TEST(BodyPair, NothingChangesUnlessTouchingClosingAndFinite) {
    const struct {
        Body a, b;
    } cases[] = {
        {body({0, 0, 0}, {-1, 0, 0}), body({0.5f, 0, 0}, {1, 0, 0})},  // moving apart
        {body({0, 0, 0}, {0, 5, 0}), body({0.5f, 0, 0}, {0, 0, 0})},   // at right angles
        {body({0, 0, 0}, {5, 0, 0}), body({1.0f, 0, 0}, {0, 0, 0})},   // exactly touching
        {body({0, 0, 0}, {5, 0, 0}, 1.0f), body({0.5f, 0, 0}, {0, 0, 0}, -1.0f)},
        {body({0, 0, 0}, {5, 0, 0}, 1e-45f), body({0.5f, 0, 0}, {0, 0, 0}, 0.0f)},
        {body({0, 0, 0}, {5, 0, 0}, 3e38f), body({0.5f, 0, 0}, {0, 0, 0}, 3e38f)},
        // Only the struck body's new speed overflows: neither changes.
        {body({0, 0, 0}, {1.5e38f, 0, 0}, 2.0f), body({0.5f, 0, 0}, {0, 0, 0}, 1.0f)},
    };
    for (const auto &c : cases) {
        Body a = c.a, b = c.b;
        collideBodyPair(&a, &b);
        EXPECT_EQ(a.velocity.x, c.a.velocity.x) << c.b.mass;
        EXPECT_EQ(a.velocity.y, c.a.velocity.y);
        EXPECT_EQ(b.velocity.x, c.b.velocity.x);
    }
}

}  // namespace
