// The simulation: the ball and the pins are spheres that fall out below the
// scene's fall-out level, exchange velocity when they meet, and bounce off
// the collision mesh. Every stored quantity is a float, rounded where it is
// stored; every expression is evaluated in double.
#pragma once

#include "flow/world.h"
#include "physics/vec.h"

// Advances the ball and every pin by stepSeconds, in one step.
void stepPhysics();

// A frame's physics: stepSeconds in physicsStepsFor(stepSeconds) equal steps,
// so that no step is longer than 0.05 s. A frame of 0.05 s or less is
// exactly one stepPhysics.
void simulateFrame();
int physicsStepsFor(float seconds);

// Exchanges the velocity components along the line of centres of two
// touching bodies that are closing on each other.
void collideBodyPair(Body *a, Body *b);

// Sums the normals of the mesh triangles the body touches, each turned toward
// the side of the plane where the body's centre lies, and counts them.
void gatherMeshContacts(const Body *body, Vec3 *contactNormal, float *contactCount);
// Minus the height of a point above the triangle's plane: negative on the side
// the normal points to, positive behind the plane. Inline: the walk over the
// mesh makes it for every triangle.
inline float planeOffsetOf(Vec3 point, const CollisionTriangle *triangle) {
    return (float)((double)triangle->planeDistance - vecDot(point, triangle->normal));
}
// The plane offset of the body's centre.
inline float planeOffset(const Body *body, const CollisionTriangle *triangle) {
    return planeOffsetOf(body->position, triangle);
}
// s is the body's planeOffset from the triangle.
bool sphereTouchesTriangle(const Body *body, const CollisionTriangle *triangle, float s);
// Reflects the velocity about the contact normal when the body moves into it.
void bounceOffMesh(Body *body, Vec3 contactNormal);
