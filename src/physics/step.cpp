#include <algorithm>
#include <cmath>

#include "physics/limits.h"
#include "physics/physics.h"
#include "physics/vec.h"

static const float GRAVITY = 9.8f;
static const double CONTACT_THRESHOLD = 0.01;

// Index -1 is the ball, 0 and up the pins: every walk over the bodies goes
// in this order.
static Body *bodyAt(int32_t index) { return index < 0 ? &ball : &pins[index]; }

static void resetIfFallenOut(int32_t index) {
    Body *body = bodyAt(index);
    float z = body->position.z;
    if (!(z < fallHeight) && !std::isnan(z)) return;
    body->position = body->startPosition;
    body->velocity = {0.0f, 0.0f, 0.0f};
    body->active = 0;
    if (index >= 0) pinsStanding--;
}

// Pass 1: each body's fall-out test comes after every pair that ends with it
// and before every pair that starts with it; later pairs see the velocities
// that earlier pairs left.
static void fallOutAndCollide() {
    for (int32_t i = -1; i < pinCount; i++) {
        resetIfFallenOut(i);
        Body *a = bodyAt(i);
        for (int32_t j = i + 1; j < pinCount; j++)
            if (a->active && pins[j].active) collideBodyPair(a, &pins[j]);
    }
}

static void moveBody(Body *body, float seconds) {
    Vec3 contactNormal;
    float contactCount;
    gatherMeshContacts(body, &contactNormal, &contactCount);
    body->velocity.z = (float)((double)body->velocity.z - (double)GRAVITY * seconds);
    if (contactCount > CONTACT_THRESHOLD) bounceOffMesh(body, contactNormal);
    body->position.x = (float)((double)seconds * body->velocity.x + body->position.x);
    body->position.y = (float)((double)seconds * body->velocity.y + body->position.y);
    body->position.z = (float)((double)seconds * body->velocity.z + body->position.z);
}

static void stepBodies(float seconds) {
    fallOutAndCollide();
    for (int32_t i = -1; i < pinCount; i++)
        if (bodyAt(i)->active) moveBody(bodyAt(i), seconds);
}

void stepPhysics() { stepBodies(stepSeconds); }

// The fewest equal steps of at most LONGEST_STEP each. The count is found on
// the stored step length, so that 0.15 s, whose quotient by 0.05 rounds a
// hair above 3, still makes 3 steps and not 4.
int physicsStepsFor(float seconds) {
    if (!(seconds > LONGEST_STEP)) return 1;
    int steps = (int)std::ceil((double)seconds / LONGEST_STEP);
    while (steps > 1 && (float)((double)seconds / (steps - 1)) <= LONGEST_STEP) steps--;
    return steps;
}

void simulateFrame() {
    int steps = physicsStepsFor(stepSeconds);
    float each = (float)((double)stepSeconds / steps);
    for (int i = 0; i < steps; i++) stepBodies(each);
}

// A body of radius 1 starting just touching a level triangle under it, played
// alone for long enough to settle into its bounce.
static const int SETTLING_STEPS = 2000;

float restingSinkDepth(float seconds) {
    CollisionTriangle floor = {{{-2.0f, -2.0f, 0.0f}, {4.0f, -2.0f, 0.0f}, {-2.0f, 4.0f, 0.0f}},
                               {0.0f, 0.0f, 1.0f},
                               0.0f,
                               nullptr};
    CollisionTriangle *sceneMesh = collisionMesh;
    collisionMesh = &floor;
    Body body = {};
    body.radius = 1.0f;
    body.position = {0.0f, 0.0f, 1.0f};
    float deepest = 0.0f;
    for (int i = 0; i < SETTLING_STEPS; i++) {
        moveBody(&body, seconds);
        deepest = std::max(deepest, (float)(1.0 - body.position.z));
    }
    collisionMesh = sceneMesh;
    return deepest;
}
