#include "physics/vec.h"

#include <cmath>

static double dotDouble(Vec3 a, Vec3 b) {
    return ((double)a.x * b.x + (double)a.y * b.y) + (double)a.z * b.z;
}

float vecDot(Vec3 a, Vec3 b) { return (float)dotDouble(a, b); }

Vec3 vecCross(Vec3 a, Vec3 b) {
    return {(float)((double)a.y * b.z - (double)a.z * b.y),
            (float)((double)a.z * b.x - (double)a.x * b.z),
            (float)((double)a.x * b.y - (double)a.y * b.x)};
}

float vecLength(Vec3 v) { return (float)std::sqrt(dotDouble(v, v)); }

float vecLengthSquared(Vec3 v) { return (float)dotDouble(v, v); }

void vecNormalize(Vec3 *v) {
    float length = vecLength(*v);
    if (length == 0.0f || std::isnan(length)) {
        *v = {0.0f, 0.0f, 1.0f};
        return;
    }
    v->x = (float)((double)v->x / length);
    v->y = (float)((double)v->y / length);
    v->z = (float)((double)v->z / length);
}

Vec3 vecFromTo(Vec3 a, Vec3 b) {
    return {(float)((double)b.x - a.x), (float)((double)b.y - a.y), (float)((double)b.z - a.z)};
}

Vec3 vecScale(Vec3 v, float s) {
    return {(float)((double)v.x * s), (float)((double)v.y * s), (float)((double)v.z * s)};
}

Vec3 vecAdd(Vec3 a, Vec3 b) {
    return {(float)((double)a.x + b.x), (float)((double)a.y + b.y), (float)((double)a.z + b.z)};
}

Vec3 vecSub(Vec3 a, Vec3 b) {
    return {(float)((double)a.x - b.x), (float)((double)a.y - b.y), (float)((double)a.z - b.z)};
}
