// Arithmetic on Vec3. Every product, sum and square root is evaluated in
// double precision from the float operands, and each result component is
// rounded to float once, when it is returned.
#pragma once

#include "flow/world.h"

float vecDot(Vec3 a, Vec3 b);
Vec3 vecCross(Vec3 a, Vec3 b);
float vecLength(Vec3 v);
float vecLengthSquared(Vec3 v);
// Unit length in place; a zero or not-a-number length gives (0, 0, 1).
void vecNormalize(Vec3 *v);
// b - a: the vector that leads from point a to point b.
Vec3 vecFromTo(Vec3 a, Vec3 b);
Vec3 vecScale(Vec3 v, float s);
Vec3 vecAdd(Vec3 a, Vec3 b);
Vec3 vecSub(Vec3 a, Vec3 b);
