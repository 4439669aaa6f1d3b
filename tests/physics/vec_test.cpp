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

TEST(Vec, ProductsAreSummedInDoubleAndRoundedOnce) {
    // In float arithmetic 1e8 + 1 - 1e8 loses the 1; in double it survives.
    EXPECT_EQ(vecDot({1e8f, 1, -1e8f}, {1, 1, 1}), 1.0f);
    // Squares of 2^-80 underflow in float but not in double.
    EXPECT_EQ(vecLength({0x1p-80f, 0, 0}), 0x1p-80f);
    EXPECT_EQ(vecLengthSquared({3, 4, 12}), 169.0f);
    EXPECT_EQ(vecLength({3, 4, 12}), 13.0f);
    // (1 + 2^-23)(1 - 2^-24) - 1 is 0 when the product is rounded to float first.
    Vec3 cross = vecCross({0, 1.0f + 0x1p-23f, 1}, {0, 1, 1.0f - 0x1p-24f});
    EXPECT_EQ(cross.x, (float)(0x1p-24 - 0x1p-47));
    EXPECT_EQ(vecAdd({1e8f, 0, 0}, {1, 0, 0}).x, (float)(1e8 + 1));
}

}  // namespace
