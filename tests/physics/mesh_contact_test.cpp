#include <gtest/gtest.h>

#include "physics/physics.h"
#include "physics/vec.h"
#include "physics_support.h"

namespace {

// One triangle in the plane z = 0 with corners (0,0), (4,0) and (0,4).
struct Single {
    TestMesh mesh;
    explicit Single(Vec3 normal = {0, 0, 1}) {
        mesh.add({0, 0, 0}, {4, 0, 0}, {0, 4, 0}, normal);
        mesh.install();
    }
    bool touches(Vec3 centre) {
        Body b = testBody(centre);
        return sphereTouchesTriangle(&b, collisionMesh, planeOffset(&b, collisionMesh));
    }
    Vec3 contacts(Vec3 centre, float *count) {
        Body b = testBody(centre);
        Vec3 sum = {9, 9, 9};
        gatherMeshContacts(&b, &sum, count);
        return sum;
    }
};

TEST(MeshContact, PlaneFaceAndVertexTestsStopAtTheirStrictBoundaries) {
    Single floor;
    EXPECT_TRUE(floor.touches({1, 1, 0.49f}));
    EXPECT_FALSE(floor.touches({1, 1, 0.5f}));  // exactly one radius above the face
    EXPECT_TRUE(floor.touches({1, 0.01f, 0.49f}));
    // Beyond the corner (4, 0), inside the radius of the vertex only.
    EXPECT_TRUE(floor.touches({4.3f, -0.2f, 0.2f}));
    EXPECT_FALSE(floor.touches({4.3f, -0.3f, 0.3f}));
    EXPECT_FALSE(floor.touches({6, 6, 0.1f}));  // near the plane, far from the triangle
    // A triangle of no area has no face: only its points touch.
    TestMesh line;
    line.add({0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {0, 0, 1});
    line.install();
    Body b = testBody({2, 0.3f, 0.2f});
    EXPECT_TRUE(sphereTouchesTriangle(&b, collisionMesh, planeOffset(&b, collisionMesh)));
    b.position = {1, 2, 0.1f};
    EXPECT_FALSE(sphereTouchesTriangle(&b, collisionMesh, planeOffset(&b, collisionMesh)));
}

TEST(MeshContact, AnEdgeTouchesOnlyBetweenItsEnds) {
    // Probes 0.34 out from each edge and 0.34 up, 0.48 from the edge's line
    // and out of reach of the corners: just inside either end they touch
    // through the edge test, just beyond it nothing touches.
    Single floor;
    const Vec3 corners[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    for (int i = 0; i < 3; i++) {
        Vec3 a = corners[i], b = corners[(i + 1) % 3];
        Vec3 along = vecFromTo(a, b);
        vecNormalize(&along);
        Vec3 out = {along.y, -along.x, 0};  // the triangle runs counter-clockwise
        for (float t : {-0.2f, 0.2f}) {
            for (Vec3 end : {a, b}) {
                float step = end.x == a.x && end.y == a.y ? t : -t;
                Vec3 p = vecAdd(vecAdd(end, vecScale(along, step)), vecScale(out, 0.34f));
                p.z = 0.34f;
                EXPECT_EQ(floor.touches(p), t > 0) << "edge " << i << " t " << t;
            }
        }
    }
}

TEST(MeshContact, NormalsTurnTowardTheCentreAndCoplanarTrianglesBounceOnce) {
    for (Vec3 normal : {Vec3{0, 0, 1}, Vec3{0, 0, -1}}) {
        Single floor(normal);
        float count;
        EXPECT_EQ(floor.contacts({1, 1, 0.3f}, &count).z, 1.0f);
        EXPECT_EQ(count, 1.0f);
        EXPECT_EQ(floor.contacts({1, 1, -0.3f}, &count).z, -1.0f);
        // A centre in the plane takes the stored normal reversed.
        EXPECT_EQ(floor.contacts({1, 1, 0}, &count).z, -normal.z);
        EXPECT_EQ(floor.contacts({9, 9, 0}, &count).z, 0.0f);
        EXPECT_EQ(count, 0.0f);
    }
    TestMesh mesh;
    mesh.addFloor(-2, -2, 2, 2, 0);
    mesh.install();
    Body b = testBody({0, 0, 0.4f}, {2, 0, -5});  // over the shared diagonal
    Vec3 sum;
    float count;
    gatherMeshContacts(&b, &sum, &count);
    EXPECT_EQ(count, 2.0f);
    EXPECT_EQ(sum.z, 2.0f);
    bounceOffMesh(&b, sum);
    EXPECT_EQ(b.velocity.x, 2.0f);
    EXPECT_EQ(b.velocity.z, 3.5f);
}

TEST(MeshContact, CancellingNormalsAndPartingBodiesDoNotBounce) {
    const struct {
        Vec3 normal, velocity;
    } cases[] = {{{0, 0, 0}, {1, 2, -3}}, {{0, 0, 2}, {1, 0, 3}}, {{0, 0, 1}, {1, 0, 0}}};
    for (const auto &c : cases) {
        Body b = testBody({0, 0, 0}, c.velocity);
        bounceOffMesh(&b, c.normal);
        EXPECT_EQ(b.velocity.x, c.velocity.x);
        EXPECT_EQ(b.velocity.z, c.velocity.z);
    }
}

}  // namespace
