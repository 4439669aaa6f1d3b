// Arithmetic on Vec3. Every product, sum and square root is evaluated in
// double precision from the float operands, and each result component is
// rounded to float once, when it is returned.
//
// The operations are defined here, inline, because the walk over the
// collision mesh makes a dozen of them per triangle for every body in every
// step: as calls into another file they cost as much as the arithmetic.
#pragma once

#include <cmath>

#include "flow/world.h"

inline bool vecIsFinite(Vec3 v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

inline double vecDotInDouble(Vec3 a, Vec3 b) {
    return ((double)a.x * b.x + (double)a.y * b.y) + (double)a.z * b.z;
}

inline float vecDot(Vec3 a, Vec3 b) { return (float)vecDotInDouble(a, b); }

inline Vec3 vecCross(Vec3 a, Vec3 b) {
    return {(float)((double)a.y * b.z - (double)a.z * b.y),
            (float)((double)a.z * b.x - (double)a.x * b.z),
            (float)((double)a.x * b.y - (double)a.y * b.x)};
}

inline float vecLength(Vec3 v) { return (float)std::sqrt(vecDotInDouble(v, v)); }

inline float vecLengthSquared(Vec3 v) { return (float)vecDotInDouble(v, v); }

// Unit length in place; a zero or not-a-number length gives (0, 0, 1).
inline void vecNormalize(Vec3 *v) {
    float length = vecLength(*v);
    if (length == 0.0f || std::isnan(length)) {
        *v = {0.0f, 0.0f, 1.0f};
        return;
    }
    v->x = (float)((double)v->x / length);
    v->y = (float)((double)v->y / length);
    v->z = (float)((double)v->z / length);
}

// b - a: the vector that leads from point a to point b.
inline Vec3 vecFromTo(Vec3 a, Vec3 b) {
    return {(float)((double)b.x - a.x), (float)((double)b.y - a.y), (float)((double)b.z - a.z)};
}

// A triangle's normal by the right-hand rule, twice its area long: toward
// the side from which the corners a, b, c run counter-clockwise. Zero when
// they lie on one line.
inline Vec3 vecFaceNormal(Vec3 a, Vec3 b, Vec3 c) {
    return vecCross(vecFromTo(a, b), vecFromTo(a, c));
}

inline Vec3 vecScale(Vec3 v, float s) {
    return {(float)((double)v.x * s), (float)((double)v.y * s), (float)((double)v.z * s)};
}

inline Vec3 vecAdd(Vec3 a, Vec3 b) {
    return {(float)((double)a.x + b.x), (float)((double)a.y + b.y), (float)((double)a.z + b.z)};
}

inline Vec3 vecSub(Vec3 a, Vec3 b) {
    return {(float)((double)a.x - b.x), (float)((double)a.y - b.y), (float)((double)a.z - b.z)};
}
