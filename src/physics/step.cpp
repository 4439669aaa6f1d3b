#include <cmath>

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

static void moveBody(Body *body) {
    Vec3 contactNormal;
    float contactCount;
    gatherMeshContacts(body, &contactNormal, &contactCount);
    body->velocity.z = (float)((double)body->velocity.z - (double)GRAVITY * stepSeconds);
    if (contactCount > CONTACT_THRESHOLD) bounceOffMesh(body, contactNormal);
    body->position.x = (float)((double)stepSeconds * body->velocity.x + body->position.x);
    body->position.y = (float)((double)stepSeconds * body->velocity.y + body->position.y);
    body->position.z = (float)((double)stepSeconds * body->velocity.z + body->position.z);
}

void stepPhysics() {
    fallOutAndCollide();
    for (int32_t i = -1; i < pinCount; i++)
        if (bodyAt(i)->active) moveBody(bodyAt(i));
}
