// The cost of the walk over the collision mesh, on three generated meshes: a
// gently undulating lane, a large terrain grid and a field of scattered
// triangles, each under a ball rolling into eight pins. On each mesh
// stepPhysics runs beside a bare loop that makes only the plane test, the
// floor under what a walk over the mesh can cost. Before timing, main checks
// that each scenario does what it is for: the collision loader gives back
// the generated triangles, the ball reaches the pins, and nothing falls out.
// After the run it prints the medians per body-triangle visit and their ratio.
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

// --- Checks and timing --------------------------------------------------

// The game's step runs CYCLE_STEPS from the scenario's start: some pins must
// have moved and nothing may have fallen out.
bool scenarioWorks(MeshKind kind) {
    Scenario scenario = makeScenario(kind);
    if (!installGameMesh(scenario) || !meshMatches(scenario)) {
        printf("%s: the collision loader did not give back the generated triangles\n",
               MESH_NAMES[kind]);
        return false;
    }
    placeGameBodies(scenario);
    for (int i = 0; i < CYCLE_STEPS; i++) stepPhysics();
    int moved = 0;
    for (int i = 0; i < pinCount; i++) moved += pins[i].position.y != pins[i].startPosition.y;
    printf("%s: %zu triangles; after %d steps %d of %d pins moved, %s\n", MESH_NAMES[kind],
           scenario.triangles.size(), CYCLE_STEPS, moved, pinCount,
           gameAllInPlay() ? "nothing fell out" : "SOMETHING FELL OUT");
    return gameAllInPlay() && moved > 0;
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
    printf("%-10s %12s %10s %16s\n", "mesh", "stepPhysics", "planeTest", "step / plane");
    for (const char *mesh : MESH_NAMES) {
        auto find = [&](const char *timing) {
            auto it = nsPerVisit.find(std::string(mesh) + "/" + timing);
            return it == nsPerVisit.end() ? NAN : it->second;
        };
        double step = find("stepPhysics"), plane = find("planeTest");
        if (std::isnan(step) && std::isnan(plane)) continue;
        printf("%-10s %12.2f %10.2f %16.2f\n", mesh, step, plane, step / plane);
    }
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    resetWorld();
    for (int kind = 0; kind < MESH_KIND_COUNT; kind++)
        if (!scenarioWorks(static_cast<MeshKind>(kind))) {
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
