#include <gtest/gtest.h>

#include <cmath>

#include "physics/physics.h"
#include "physics_support.h"

namespace {

Body body(Vec3 position, Vec3 velocity, float mass = 1.0f) {
    return testBody(position, velocity, 0.5f, mass);
}

TEST(BodyPair, HeadOnTheStrikerStopsWhenTheMassesAreEqualEvenNegative) {
    for (float mass : {1.0f, -1.0f}) {
        Body a = body({0, 0, 0}, {10, 3, 0}, mass);
        Body b = body({0.9f, 0, 0}, {0, 0, 0}, mass);
        collideBodyPair(&a, &b);
        EXPECT_EQ(a.velocity.x, 0.0f) << mass;
        EXPECT_EQ(a.velocity.y, 3.0f);  // across the line of centres: unchanged
        EXPECT_EQ(b.velocity.x, 8.5f);
        EXPECT_EQ(b.velocity.y, 0.0f);
    }
    Body a = body({0, 0, 0}, {8, 0, 0}, 7.0f);
    Body b = body({0.5f, 0, 0}, {0, 0, 0}, 1.0f);
    collideBodyPair(&a, &b);
    EXPECT_NEAR(a.velocity.x, 5.1f, std::nextafter(5.1f, 6.0f) - 5.1f);
    EXPECT_NEAR(b.velocity.x, 11.9f, std::nextafter(11.9f, 12.0f) - 11.9f);
}

TEST(BodyPair, ObliqueContactChangesOnlyTheNormalPart) {
    // Line of centres along (1, 1, 0) / sqrt(2).
    Body a = body({0, 0, 0}, {4, 0, 0});
    Body b = body({0.5f, 0.5f, 0}, {0, 0, 0});
    collideBodyPair(&a, &b);
    // A keeps its tangential part (2, -2); B gets 0.85 of the normal part (2, 2).
    EXPECT_NEAR(a.velocity.x, 2.0f, 1e-6);
    EXPECT_NEAR(a.velocity.y, -2.0f, 1e-6);
    EXPECT_NEAR(b.velocity.x, 1.7f, 1e-6);
    EXPECT_NEAR(b.velocity.y, 1.7f, 1e-6);
    // Coincident centres exchange along up.
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
        {body({0, 0, 0}, {0, 0, 0}), body({0.5f, 0, 0}, {0, 0, 0})},   // both at rest
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
