#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

#include "physics/vec.h"

namespace {

void expectVec(Vec3 v, float x, float y, float z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

TEST(Vec, NormalizeGivesUpOnlyForZeroAndNotANumber) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (Vec3 v : {Vec3{0, 0, 0}, Vec3{0, 0, -0.0f}, Vec3{nan, 1, 1}, Vec3{1, 2, nan}}) {
        vecNormalize(&v);
        expectVec(v, 0, 0, 1);
    }
    Vec3 tiny = {0, FLT_TRUE_MIN, 0}, big = {0, 0, -3e30f}, v = {3, 0, 4};
    for (Vec3 *u : {&tiny, &big, &v}) vecNormalize(u);
    expectVec(tiny, 0, 1, 0);
    expectVec(big, 0, 0, -1);
    expectVec(v, 0.6f, 0.0f, 0.8f);
}

}  // namespace
