#include "physics_support.h"

#include "scene/scene.h"

void TestMesh::add(Vec3 a, Vec3 b, Vec3 c, Vec3 normal) {
    CollisionTriangle t = {{a, b, c}, normal, 0.0f, nullptr};
    setTrianglePlane(&t);
    nodes.push_back(t);
}

void TestMesh::addFloor(float x0, float y0, float x1, float y1, float z) {
    add({x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {0, 0, 1});
    add({x0, y0, z}, {x1, y1, z}, {x0, y1, z}, {0, 0, 1});
}

void TestMesh::install() {
    for (size_t i = 0; i < nodes.size(); i++)
        nodes[i].next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
    collisionMesh = nodes.empty() ? nullptr : &nodes[0];
}

TestMesh::~TestMesh() { collisionMesh = nullptr; }

Body testBody(Vec3 position, Vec3 velocity, float radius, float mass) {
    Body b = {};
    b.position = b.startPosition = position;
    b.velocity = velocity;
    b.radius = radius;
    b.mass = mass;
    b.active = 1;
    return b;
}
