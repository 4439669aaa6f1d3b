// Collision meshes built in memory for physics tests.
#pragma once

#include <vector>

#include "flow/world.h"

// Owns the nodes and installs them as collisionMesh while it lives.
struct TestMesh {
    std::vector<CollisionTriangle> nodes;
    void add(Vec3 a, Vec3 b, Vec3 c, Vec3 normal);
    // Two triangles covering the square from (x0, y0) to (x1, y1) at height z.
    void addFloor(float x0, float y0, float x1, float y1, float z);
    // Links the nodes in order and makes them the world's mesh.
    void install();
    ~TestMesh();
};

Body testBody(Vec3 position, Vec3 velocity = {0, 0, 0}, float radius = 0.5f, float mass = 1.0f);
