// The cost of a simulation step: a lane with ten pins, and a large mesh of
// scattered triangles compared with a bare loop that does only the plane test
// over the same list, the floor under what the step can cost.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "physics/physics.h"
#include "physics/vec.h"

namespace {

std::vector<CollisionTriangle> meshNodes;
std::vector<Body> pinBodies;

void linkMesh() {
    for (size_t i = 0; i < meshNodes.size(); i++)
        meshNodes[i].next = i + 1 < meshNodes.size() ? &meshNodes[i + 1] : nullptr;
    collisionMesh = meshNodes.data();
}

void addTriangle(Vec3 a, Vec3 b, Vec3 c) {
    CollisionTriangle t = {};
    t.vertex[0] = a;
    t.vertex[1] = b;
    t.vertex[2] = c;
    t.normal = vecCross(vecFromTo(a, b), vecFromTo(a, c));
    vecNormalize(&t.normal);
    t.planeDistance = vecDot(t.normal, a);
    meshNodes.push_back(t);
}

Body standingBody(Vec3 position, float radius) {
    Body b = {};
    b.position = b.startPosition = position;
    b.radius = radius;
    b.mass = 1.0f;
    b.active = 1;
    return b;
}

// The ball and ten pins in a triangle, resting on a floor at z = 0.
void placeBodies() {
    ball = standingBody({0, 0, 0.5f}, 0.5f);
    pinBodies.clear();
    for (int row = 0; row < 4; row++)
        for (int k = 0; k <= row; k++)
            pinBodies.push_back(
                standingBody({(k - row / 2.0f) * 0.7f, 10 + row * 0.6f, 0.3f}, 0.3f));
    pins = pinBodies.data();
    pinCount = static_cast<int32_t>(pinBodies.size());
    pinsStanding = pinCount;
    fallHeight = -10.0f;
    stepSeconds = 1.0f / 60.0f;
}

// A lane of boards: a strip of quads two triangles each.
void buildLane(int boards) {
    meshNodes.clear();
    for (int i = 0; i < boards; i++) {
        float y0 = -2.0f + i * 0.5f, y1 = y0 + 0.5f;
        addTriangle({-1, y0, 0}, {1, y0, 0}, {1, y1, 0});
        addTriangle({-1, y0, 0}, {1, y1, 0}, {-1, y1, 0});
    }
    linkMesh();
}

// Small triangles scattered in a large box, tilted every way, after a floor
// of two triangles under the bodies, so that nothing falls out while timed.
void buildScatteredMesh(int count) {
    meshNodes.clear();
    addTriangle({-5, -5, 0}, {5, -5, 0}, {5, 15, 0});
    addTriangle({-5, -5, 0}, {5, 15, 0}, {-5, 15, 0});
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0f;
    };
    while (static_cast<int>(meshNodes.size()) < count) {
        Vec3 a = {next() * 200 - 100, next() * 200 - 100, next() * 40 - 20};
        Vec3 b = {a.x + next() * 2 - 1, a.y + next() * 2 - 1, a.z + next() * 2 - 1};
        Vec3 c = {a.x + next() * 2 - 1, a.y + next() * 2 - 1, a.z + next() * 2 - 1};
        addTriangle(a, b, c);
    }
    linkMesh();
}

// Nanoseconds per body-triangle visit (shown with Google Benchmark's "s" suffix).
void reportVisits(benchmark::State &state) {
    double visits = static_cast<double>(state.iterations()) * (pinCount + 1) * meshNodes.size();
    state.counters["ns_per_visit"] =
        benchmark::Counter(visits / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void stepLaneWithTenPins(benchmark::State &state) {
    buildLane(40);
    placeBodies();
    for (auto _ : state) stepPhysics();
    reportVisits(state);
}
BENCHMARK(stepLaneWithTenPins);

void stepOnLargeMesh(benchmark::State &state) {
    buildScatteredMesh(100000);
    placeBodies();
    for (auto _ : state) stepPhysics();
    reportVisits(state);
}
BENCHMARK(stepOnLargeMesh)->Unit(benchmark::kMillisecond);

// Only the plane test, for every body over the same list.
void planeTestOnLargeMesh(benchmark::State &state) {
    buildScatteredMesh(100000);
    placeBodies();
    for (auto _ : state) {
        int near = 0;
        for (int32_t i = -1; i < pinCount; i++) {
            const Body *body = i < 0 ? &ball : &pins[i];
            for (const CollisionTriangle *t = collisionMesh; t; t = t->next) {
                near += body->radius > std::fabs(planeOffset(body, t));
            }
        }
        benchmark::DoNotOptimize(near);
    }
    reportVisits(state);
}
BENCHMARK(planeTestOnLargeMesh)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
