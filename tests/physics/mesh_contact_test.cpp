#include <gtest/gtest.h>

#include "physics/physics.h"
#include "physics/vec.h"
#include "physics_support.h"

namespace {

// One triangle in the plane z = 0 with corners (0,0), (4,0) and (0,4).
struct Single {
    TestMesh mesh;
    Single(Vec3 normal = {0, 0, 1}) {
        mesh.add({0, 0, 0}, {4, 0, 0}, {0, 4, 0}, normal);
        mesh.install();
    }
    bool touches(Vec3 centre, float radius = 0.5f) {
        Body b = testBody(centre, {0, 0, 0}, radius);
        return sphereTouchesTriangle(&b, collisionMesh, planeOffset(&b, collisionMesh));
    }
};

TEST(MeshContact, EachTestStopsAtItsStrictBoundary) {
    Single floor;
    // Plane: exactly one radius above the face does not touch.
    EXPECT_TRUE(floor.touches({1, 1, 0.49f}));
    EXPECT_FALSE(floor.touches({1, 1, 0.5f}));
    // Face: the foot must lie strictly inside.
    EXPECT_TRUE(floor.touches({1, 0.01f, 0.49f}));
    // Edge: beyond the edge y = 0, between its ends, closer than the radius.
    EXPECT_TRUE(floor.touches({2, -0.3f, 0.3f}));   // 0.42 from the edge line
    EXPECT_FALSE(floor.touches({2, -0.4f, 0.3f}));  // exactly 0.5 from it
    // Vertex: beyond the corner (4, 0), inside the radius of the vertex only.
    EXPECT_TRUE(floor.touches({4.3f, -0.2f, 0.2f}));
    EXPECT_FALSE(floor.touches({4.3f, -0.3f, 0.3f}));
    // Near the plane but far from the triangle.
    EXPECT_FALSE(floor.touches({6, 6, 0.1f}));
}

TEST(MeshContact, DegenerateTrianglesOnlyTouchAtTheirPoints) {
    TestMesh mesh;
    mesh.add({0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {0, 0, 1});  // no area
    mesh.install();
    Body b = testBody({2, 0.3f, 0.2f});
    EXPECT_TRUE(sphereTouchesTriangle(
        &b, collisionMesh, planeOffset(&b, collisionMesh)));  // through the middle vertex
    b.position = {1, 2, 0.1f};
    EXPECT_FALSE(sphereTouchesTriangle(&b, collisionMesh, planeOffset(&b, collisionMesh)));
}

TEST(MeshContact, NormalsTurnTowardTheCentre) {
    for (Vec3 normal : {Vec3{0, 0, 1}, Vec3{0, 0, -1}}) {
        Single floor(normal);
        Vec3 sum;
        float count;
        Body above = testBody({1, 1, 0.3f});
        gatherMeshContacts(&above, &sum, &count);
        EXPECT_EQ(count, 1.0f);
        EXPECT_EQ(sum.z, 1.0f);
        Body below = testBody({1, 1, -0.3f});
        gatherMeshContacts(&below, &sum, &count);
        EXPECT_EQ(sum.z, -1.0f);
        // A centre in the plane takes the stored normal reversed.
        Body inPlane = testBody({1, 1, 0});
        gatherMeshContacts(&inPlane, &sum, &count);
        EXPECT_EQ(sum.z, -normal.z);
    }
}

TEST(MeshContact, CoplanarTrianglesGiveOneBounce) {
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
    Body b = testBody({0, 0, 0}, {1, 2, -3});
    bounceOffMesh(&b, {0, 0, 0});
    EXPECT_EQ(b.velocity.z, -3.0f);
    b.velocity = {1, 0, 3};
    bounceOffMesh(&b, {0, 0, 2});
    EXPECT_EQ(b.velocity.z, 3.0f);
    b.velocity = {1, 0, 0};
    bounceOffMesh(&b, {0, 0, 1});
    EXPECT_EQ(b.velocity.x, 1.0f);
    EXPECT_EQ(b.velocity.z, 0.0f);

    TestMesh thin;  // a two-sided sheet: the same plane with opposite normals
    thin.add({-2, -2, 0}, {2, -2, 0}, {0, 2, 0}, {0, 0, 1});
    thin.add({-2, -2, 0}, {0, 2, 0}, {2, -2, 0}, {0, 0, -1});
    thin.install();
    Vec3 sum;
    float count;
    Body inPlane = testBody({0, 0, 0});
    gatherMeshContacts(&inPlane, &sum, &count);
    EXPECT_EQ(count, 2.0f);
    EXPECT_EQ(sum.z, 0.0f);
}

TEST(MeshContact, NoMeshNoContact) {
    collisionMesh = nullptr;
    Body b = testBody({0, 0, 0});
    Vec3 sum = {9, 9, 9};
    float count = 9;
    gatherMeshContacts(&b, &sum, &count);
    EXPECT_EQ(count, 0.0f);
    EXPECT_EQ(sum.z, 0.0f);
}

}  // namespace
