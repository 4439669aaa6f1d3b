#include <cmath>

#include "physics/physics.h"
#include "physics/vec.h"

static const float COLLISION_FACTOR = 0.85f;

void collideBodyPair(Body *a, Body *b) {
    Vec3 d = vecFromTo(a->position, b->position);
    float dist = vecLength(d);
    // Bodies exactly the sum of their radii apart do not touch.
    if (!((double)a->radius + b->radius > dist)) return;
    Vec3 n = d;
    vecNormalize(&n);

    float along = vecDot(n, a->velocity);
    Vec3 pA = vecScale(n, along);
    Vec3 tA = vecSub(a->velocity, pA);
    float alongB = vecDot(n, b->velocity);
    Vec3 pB = vecScale(n, alongB);
    Vec3 tB = vecSub(b->velocity, pB);
    if (!(vecDot(n, vecSub(pA, pB)) > 0.0f)) return;  // parting or keeping their distance

    Vec3 momentum = vecAdd(vecScale(pA, a->mass), vecScale(pB, b->mass));
    float k = (float)(COLLISION_FACTOR / ((double)a->mass + b->mass));
    Vec3 qA = vecSub(momentum, vecScale(vecSub(pA, pB), b->mass));
    Vec3 qB = vecSub(momentum, vecScale(vecSub(pB, pA), a->mass));
    Vec3 newA = vecAdd(tA, vecScale(qA, k));
    Vec3 newB = vecAdd(tB, vecScale(qB, k));
    // Masses that sum to zero, or so near it that k overflows, or so large
    // that the momentum overflows, would give infinite or undefined
    // velocities: such a pair exchanges nothing.
    if (!vecIsFinite(newA) || !vecIsFinite(newB)) return;
    a->velocity = newA;
    b->velocity = newB;
}
