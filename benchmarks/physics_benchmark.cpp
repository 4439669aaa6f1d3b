// The cost of the walk over the collision mesh, on three generated meshes: a
// gently undulating lane, a large terrain grid and a field of scattered
// triangles, each under a ball rolling into eight pins. On each mesh
// stepPhysics runs beside a plain brute-force step of the same rules over a
// vector of triangles, and beside a bare loop that makes only the plane test,
// the floor under what a walk over the mesh can cost. Before timing, main
// checks that the game's step and the plain one end bit for bit in the same
// state; after the run it prints the medians per body-triangle visit and
// their ratios.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <stdlib.h>

#include "physics/physics.h"
#include "physics/vec.h"
#include "scene/scene.h"

namespace {

// Every run restarts from the first frame after this many steps: long enough
// for the ball to reach the pins and scatter them, short enough that nothing
// leaves the mesh and falls out.
const int CYCLE_STEPS = 200;
const float STEP_SECONDS = 1.0f / 60.0f;

enum MeshKind { MESH_LANE, MESH_TERRAIN, MESH_SCATTERED, MESH_KIND_COUNT };
const char *const MESH_NAMES[MESH_KIND_COUNT] = {"lane", "terrain", "scattered"};

// The bodies with the ball first, the fall-out level and the triangles in
// file order, each finished by setTrianglePlane.
struct Scenario {
    std::vector<CollisionTriangle> triangles;
    std::vector<Vec3> fileNormals;  // each triangle's normal before setTrianglePlane
    std::vector<Body> bodies;
    float fallHeight;
};

// --- Generated meshes ---------------------------------------------------

// The normal is the corners' cross product, of any length, as a collision
// file may give it; setTrianglePlane makes it unit length.
void addTriangle(Scenario *scenario, Vec3 a, Vec3 b, Vec3 c) {
    CollisionTriangle t = {};
    t.vertex[0] = a;
    t.vertex[1] = b;
    t.vertex[2] = c;
    t.normal = vecCross(vecFromTo(a, b), vecFromTo(a, c));
    scenario->fileNormals.push_back(t.normal);
    setTrianglePlane(&t);
    scenario->triangles.push_back(t);
}

float laneHeight(float x, float y) {
    return 0.02f * std::sin(0.9f * y) + 0.01f * std::cos(2.3f * x) + 0.15f * x * x;
}

float terrainHeight(float x, float y) {
    return 1.2f * std::sin(0.11f * x) * std::cos(0.09f * y) + 0.25f * std::sin(0.5f * x + 0.3f * y);
}

float flatHeight(float, float) { return 0.0f; }

// A grid of columns by rows cells from (x0, y0), two triangles a cell, row
// after row along y.
void addGrid(Scenario *scenario, int columns, int rows, float x0, float y0, float cell,
             float (*height)(float, float)) {
    auto corner = [&](int i, int j) {
        float x = x0 + i * cell, y = y0 + j * cell;
        return Vec3{x, y, height(x, y)};
    };
    for (int j = 0; j < rows; j++)
        for (int i = 0; i < columns; i++) {
            Vec3 a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1),
                 d = corner(i, j + 1);
            addTriangle(scenario, a, b, c);
            addTriangle(scenario, a, c, d);
        }
}

// Small triangles scattered in a large box, tilted every way, after a floor
// of two triangles under the bodies.
void addScatteredTriangles(Scenario *scenario, int count) {
    addTriangle(scenario, {-5, -5, 0}, {5, -5, 0}, {5, 25, 0});
    addTriangle(scenario, {-5, -5, 0}, {5, 25, 0}, {-5, 25, 0});
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0f;
    };
    while (static_cast<int>(scenario->triangles.size()) < count) {
        Vec3 a = {next() * 200 - 100, next() * 200 - 100, next() * 40 - 20};
        Vec3 b = {a.x + next() * 2 - 1, a.y + next() * 2 - 1, a.z + next() * 2 - 1};
        Vec3 c = {a.x + next() * 2 - 1, a.y + next() * 2 - 1, a.z + next() * 2 - 1};
        addTriangle(scenario, a, b, c);
    }
}

Body restingBody(float x, float y, float radius, float mass, float (*height)(float, float)) {
    Body b = {};
    b.position = b.startPosition = {x, y, height(x, y) + radius};
    b.radius = radius;
    b.mass = mass;
    b.active = 1;
    return b;
}

// The ball rolls along +y into eight pins in rows of one, two, three and two.
void addBodies(Scenario *scenario, float x, float y, float (*height)(float, float)) {
    Body ball = restingBody(x, y, 0.4f, 4.0f, height);
    ball.velocity = {0.05f, 5.0f, 0.0f};
    scenario->bodies.push_back(ball);
    const float rowOffsets[4][3] = {
        {0, 0, 0}, {-0.3f, 0.3f, 0}, {-0.6f, 0, 0.6f}, {-0.3f, 0.3f, 0}};
    const int rowSizes[4] = {1, 2, 3, 2};
    for (int row = 0; row < 4; row++)
        for (int k = 0; k < rowSizes[row]; k++)
            scenario->bodies.push_back(
                restingBody(x + rowOffsets[row][k], y + 8 + row * 0.5f, 0.2f, 1.0f, height));
}

// Lane: 11 by 167 cells, 3,674 triangles. Terrain: 224 by 224 cells,
// 100,352 triangles. Scattered: 100,000 triangles.
Scenario makeScenario(MeshKind kind) {
    Scenario scenario;
    if (kind == MESH_LANE) {
        addGrid(&scenario, 11, 167, -2.2f, -2.0f, 0.4f, laneHeight);
        addBodies(&scenario, 0, 0, laneHeight);
        scenario.fallHeight = -1.0f;
    } else if (kind == MESH_TERRAIN) {
        addGrid(&scenario, 224, 224, -56.0f, -56.0f, 0.5f, terrainHeight);
        addBodies(&scenario, 0, 0, terrainHeight);
        scenario.fallHeight = -3.0f;
    } else {
        addScatteredTriangles(&scenario, 100000);
        addBodies(&scenario, 0, 0, flatHeight);
        scenario.fallHeight = -1.0f;
    }
    return scenario;
}

// --- The game's step ----------------------------------------------------

std::vector<Body> gamePins;

// The game's list comes from the collision loader, so that the walk runs
// over nodes laid out in memory as the game lays them out. Every float is
// written with nine significant digits, which read back exactly.
bool installGameMesh(const Scenario &scenario) {
    freeCollisionMesh(collisionMesh);
    collisionMesh = nullptr;
    char path[] = "/tmp/skorvel_benchmark_mesh_XXXXXX";
    int descriptor = mkstemp(path);
    FILE *file = descriptor < 0 ? nullptr : fdopen(descriptor, "w");
    if (!file) return false;
    auto writeVector = [file](const char *label, Vec3 v) {
        fprintf(file, "%s [%.9g, %.9g, %.9g]\n", label, v.x, v.y, v.z);
    };
    fprintf(file, "triangles %zu\n", scenario.triangles.size());
    for (size_t i = 0; i < scenario.triangles.size(); i++) {
        writeVector("normal", scenario.fileNormals[i]);
        for (const Vec3 &corner : scenario.triangles[i].vertex) {
            fprintf(file, "colour [0, 0, 0]\n");
            writeVector("vertex", corner);
        }
    }
    fclose(file);
    collisionMesh = loadCollisionMesh(path);
    remove(path);
    return collisionMesh != nullptr;
}

// The loaded list holds the scenario's triangles, bit for bit, in order.
bool meshMatches(const Scenario &scenario) {
    const CollisionTriangle *t = collisionMesh;
    for (const CollisionTriangle &expected : scenario.triangles) {
        if (!t || memcmp(t, &expected, offsetof(CollisionTriangle, next)) != 0) return false;
        t = t->next;
    }
    return t == nullptr;
}

void placeGameBodies(const Scenario &scenario) {
    ball = scenario.bodies[0];
    gamePins.assign(scenario.bodies.begin() + 1, scenario.bodies.end());
    pins = gamePins.data();
    pinCount = static_cast<int32_t>(gamePins.size());
    pinsStanding = pinCount;
    fallHeight = scenario.fallHeight;
    stepSeconds = STEP_SECONDS;
}

bool gameAllInPlay() { return ball.active && pinsStanding == pinCount; }

// --- The plain reference step -------------------------------------------
// The same rules written plainly over a vector of triangles, with vector
// operations of its own, inline, under the same precision rule: each
// expression in double from float operands, each stored value a float.

struct PlainTriangle {
    Vec3 vertex[3];
    Vec3 normal;
    float planeDistance;
};

struct PlainWorld {
    std::vector<PlainTriangle> triangles;
    std::vector<Body> bodies;  // the ball first
    int32_t standing;
    float fallHeight;
};

inline double dotInDouble(Vec3 a, Vec3 b) {
    return ((double)a.x * b.x + (double)a.y * b.y) + (double)a.z * b.z;
}
inline float dot(Vec3 a, Vec3 b) { return (float)dotInDouble(a, b); }
inline float lengthSquared(Vec3 v) { return (float)dotInDouble(v, v); }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {(float)((double)a.y * b.z - (double)a.z * b.y),
            (float)((double)a.z * b.x - (double)a.x * b.z),
            (float)((double)a.x * b.y - (double)a.y * b.x)};
}
inline Vec3 add(Vec3 a, Vec3 b) {
    return {(float)((double)a.x + b.x), (float)((double)a.y + b.y), (float)((double)a.z + b.z)};
}
inline Vec3 sub(Vec3 a, Vec3 b) {
    return {(float)((double)a.x - b.x), (float)((double)a.y - b.y), (float)((double)a.z - b.z)};
}
inline Vec3 fromTo(Vec3 a, Vec3 b) { return sub(b, a); }
inline Vec3 scale(Vec3 v, float s) {
    return {(float)((double)v.x * s), (float)((double)v.y * s), (float)((double)v.z * s)};
}
inline Vec3 unit(Vec3 v) {
    float length = (float)std::sqrt(dotInDouble(v, v));
    if (length == 0.0f || std::isnan(length)) return {0.0f, 0.0f, 1.0f};
    return {(float)((double)v.x / length), (float)((double)v.y / length),
            (float)((double)v.z / length)};
}

void plainCollide(Body *a, Body *b) {
    Vec3 d = fromTo(a->position, b->position);
    float dist = (float)std::sqrt(dotInDouble(d, d));
    if (!((double)a->radius + b->radius > dist)) return;
    Vec3 n = unit(d);
    float along = dot(n, a->velocity);
    Vec3 pA = scale(n, along);
    Vec3 tA = sub(a->velocity, pA);
    float alongB = dot(n, b->velocity);
    Vec3 pB = scale(n, alongB);
    Vec3 tB = sub(b->velocity, pB);
    if (!(dot(n, sub(pA, pB)) > 0.0f)) return;
    double massSum = (double)a->mass + b->mass;
    if (!(massSum > 0.0)) return;
    Vec3 momentum = add(scale(pA, a->mass), scale(pB, b->mass));
    float k = (float)(0.85f / massSum);
    Vec3 qA = sub(momentum, scale(sub(pA, pB), b->mass));
    Vec3 qB = sub(momentum, scale(sub(pB, pA), a->mass));
    a->velocity = add(tA, scale(qA, k));
    b->velocity = add(tB, scale(qB, k));
}

bool plainTouches(Vec3 p, float r, float r2, const PlainTriangle &t, float s) {
    if (!(r > std::fabs(s))) return false;
    const Vec3 *v = t.vertex;
    for (int i = 0; i < 3; i++)
        if (lengthSquared(fromTo(v[i], p)) < r2) return true;
    Vec3 q = add(p, scale(t.normal, s));
    Vec3 c0 = cross(fromTo(q, v[0]), fromTo(v[0], v[1]));
    Vec3 c1 = cross(fromTo(q, v[1]), fromTo(v[1], v[2]));
    Vec3 c2 = cross(fromTo(q, v[2]), fromTo(v[2], v[0]));
    if (dot(c0, c1) > 0.0f && dot(c1, c2) > 0.0f && dot(c2, c0) > 0.0f) return true;
    for (int i = 0; i < 3; i++) {
        Vec3 a = v[i], b = v[(i + 1) % 3];
        Vec3 w = fromTo(a, p), e = fromTo(a, b), w2 = fromTo(p, b);
        if (!(dot(w, e) > 0.0f && dot(e, w2) > 0.0f)) continue;
        if (lengthSquared(cross(w, unit(e))) < r2) return true;
    }
    return false;
}

void plainMove(Body *body, const std::vector<PlainTriangle> &triangles) {
    Vec3 p = body->position;
    float r = body->radius;
    float r2 = (float)((double)r * r);
    Vec3 sum = {0.0f, 0.0f, 0.0f};
    float count = 0.0f;
    for (const PlainTriangle &t : triangles) {
        float s = (float)((double)t.planeDistance - dot(p, t.normal));
        if (!plainTouches(p, r, r2, t, s)) continue;
        sum = s < 0.0f ? add(sum, t.normal) : sub(sum, t.normal);
        count = (float)((double)count + 1.0);
    }
    Vec3 &v = body->velocity;
    v.z = (float)((double)v.z - (double)9.8f * STEP_SECONDS);
    if (count > 0.01) {
        Vec3 n = lengthSquared(sum) != 0.0f ? unit(sum) : sum;
        float vn = dot(v, n);
        if (vn < 0.0f) v = add(v, scale(n, (float)(((double)-2.0f * vn) * 0.85f)));
    }
    body->position.x = (float)((double)STEP_SECONDS * v.x + body->position.x);
    body->position.y = (float)((double)STEP_SECONDS * v.y + body->position.y);
    body->position.z = (float)((double)STEP_SECONDS * v.z + body->position.z);
}

void plainStep(PlainWorld *world) {
    std::vector<Body> &bodies = world->bodies;
    for (size_t i = 0; i < bodies.size(); i++) {
        Body &a = bodies[i];
        float z = a.position.z;
        if (z < world->fallHeight || std::isnan(z)) {
            a.position = a.startPosition;
            a.velocity = {0.0f, 0.0f, 0.0f};
            a.active = 0;
            if (i > 0) world->standing--;
        }
        for (size_t j = i + 1; j < bodies.size(); j++)
            if (a.active && bodies[j].active) plainCollide(&a, &bodies[j]);
    }
    for (Body &body : bodies)
        if (body.active) plainMove(&body, world->triangles);
}

PlainWorld makePlainWorld(const Scenario &scenario) {
    PlainWorld world;
    for (const CollisionTriangle &t : scenario.triangles)
        world.triangles.push_back(
            {{t.vertex[0], t.vertex[1], t.vertex[2]}, t.normal, t.planeDistance});
    world.bodies = scenario.bodies;
    world.standing = static_cast<int32_t>(scenario.bodies.size()) - 1;
    world.fallHeight = scenario.fallHeight;
    return world;
}

bool plainAllInPlay(const PlainWorld &world) {
    return world.bodies[0].active &&
           world.standing + 1 == static_cast<int32_t>(world.bodies.size());
}

// --- Checks and timing --------------------------------------------------

// Both steps run CYCLE_STEPS from the scenario's start; they must agree in
// every bit of every body and in the pins standing, with nothing fallen out.
bool stepsAgree(MeshKind kind) {
    Scenario scenario = makeScenario(kind);
    if (!installGameMesh(scenario) || !meshMatches(scenario)) {
        printf("%s: the collision loader did not give back the generated triangles\n",
               MESH_NAMES[kind]);
        return false;
    }
    placeGameBodies(scenario);
    PlainWorld world = makePlainWorld(scenario);
    for (int i = 0; i < CYCLE_STEPS; i++) {
        stepPhysics();
        plainStep(&world);
    }
    bool same = memcmp(&ball, &world.bodies[0], sizeof(Body)) == 0 &&
                memcmp(pins, &world.bodies[1], pinCount * sizeof(Body)) == 0 &&
                pinsStanding == world.standing;
    int moved = 0;
    for (int i = 0; i < pinCount; i++) moved += pins[i].position.y != pins[i].startPosition.y;
    printf("%s: %zu triangles; after %d steps %s, %d of %d pins moved, %s\n", MESH_NAMES[kind],
           scenario.triangles.size(), CYCLE_STEPS,
           same ? "stepPhysics and the plain step agree bit for bit" : "THE STEPS DIFFER", moved,
           pinCount, gameAllInPlay() ? "nothing fell out" : "SOMETHING FELL OUT");
    return same && gameAllInPlay() && moved > 0;
}

// Nanoseconds per body-triangle visit (shown with Google Benchmark's "s" suffix).
void reportVisits(benchmark::State &state, size_t bodies, size_t triangles) {
    double visits = static_cast<double>(state.iterations()) * bodies * triangles;
    state.counters["ns_per_visit"] =
        benchmark::Counter(visits / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The scenario of the last benchmark, kept so that repetitions on one mesh
// build it once.
Scenario currentScenario;
int currentKind = -1;

const Scenario &scenarioFor(MeshKind kind) {
    if (currentKind != kind) {
        currentScenario = makeScenario(kind);
        installGameMesh(currentScenario);
        currentKind = kind;
    }
    return currentScenario;
}

void timeGameStep(benchmark::State &state, MeshKind kind) {
    const Scenario &scenario = scenarioFor(kind);
    placeGameBodies(scenario);
    int steps = 0;
    for (auto _ : state) {
        stepPhysics();
        if (++steps < CYCLE_STEPS) continue;
        if (!gameAllInPlay()) {
            state.SkipWithError("a body fell out");
            break;
        }
        placeGameBodies(scenario);
        steps = 0;
    }
    reportVisits(state, scenario.bodies.size(), scenario.triangles.size());
}

void timePlainStep(benchmark::State &state, MeshKind kind) {
    const Scenario &scenario = scenarioFor(kind);
    PlainWorld world = makePlainWorld(scenario);
    int steps = 0;
    for (auto _ : state) {
        plainStep(&world);
        if (++steps < CYCLE_STEPS) continue;
        if (!plainAllInPlay(world)) {
            state.SkipWithError("a body fell out");
            break;
        }
        world.bodies = scenario.bodies;
        world.standing = static_cast<int32_t>(scenario.bodies.size()) - 1;
        steps = 0;
    }
    reportVisits(state, scenario.bodies.size(), scenario.triangles.size());
}

// Only the plane test, for every body at its start over the game's list.
void timePlaneTest(benchmark::State &state, MeshKind kind) {
    const Scenario &scenario = scenarioFor(kind);
    placeGameBodies(scenario);
    for (auto _ : state) {
        int near = 0;
        for (int32_t i = -1; i < pinCount; i++) {
            const Body *body = i < 0 ? &ball : &pins[i];
            for (const CollisionTriangle *t = collisionMesh; t; t = t->next)
                near += body->radius > std::fabs(planeOffset(body, t));
        }
        benchmark::DoNotOptimize(near);
    }
    reportVisits(state, scenario.bodies.size(), scenario.triangles.size());
}

void registerBenchmarks() {
    for (int k = 0; k < MESH_KIND_COUNT; k++) {
        MeshKind kind = static_cast<MeshKind>(k);
        std::string mesh = MESH_NAMES[k];
        benchmark::RegisterBenchmark((mesh + "/stepPhysics").c_str(), timeGameStep, kind)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((mesh + "/plain").c_str(), timePlainStep, kind)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((mesh + "/planeTest").c_str(), timePlaneTest, kind)
            ->Unit(benchmark::kMicrosecond);
    }
}

// Keeps the median ns per visit of each benchmark (or its only run, without
// repetitions) for the ratios printed after the run.
struct MedianReporter : benchmark::ConsoleReporter {
    std::map<std::string, double> nsPerVisit;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            auto counter = run.counters.find("ns_per_visit");
            if ((median || single) && !run.error_occurred && counter != run.counters.end())
                nsPerVisit[run.run_name.function_name] = counter->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void printRatios(const std::map<std::string, double> &nsPerVisit) {
    printf("\nns per body-triangle visit (median)\n");
    printf("%-10s %12s %8s %10s %16s %16s\n", "mesh", "stepPhysics", "plain", "planeTest",
           "step / plain", "step / plane");
    for (const char *mesh : MESH_NAMES) {
        auto find = [&](const char *timing) {
            auto it = nsPerVisit.find(std::string(mesh) + "/" + timing);
            return it == nsPerVisit.end() ? NAN : it->second;
        };
        double step = find("stepPhysics"), plain = find("plain"), plane = find("planeTest");
        if (std::isnan(step) && std::isnan(plain) && std::isnan(plane)) continue;
        printf("%-10s %12.2f %8.2f %10.2f %16.3f %16.2f\n", mesh, step, plain, plane, step / plain,
               step / plane);
    }
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    resetWorld();
    for (int kind = 0; kind < MESH_KIND_COUNT; kind++)
        if (!stepsAgree(static_cast<MeshKind>(kind))) {
            fprintf(stderr, "%s: the benchmark's scenario is broken; nothing was timed\n",
                    MESH_NAMES[kind]);
            return 1;
        }
    registerBenchmarks();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter.nsPerVisit);
    freeCollisionMesh(collisionMesh);
    collisionMesh = nullptr;
    benchmark::Shutdown();
    return 0;
}
