#include "check/geometry_checks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <unordered_map>

#include "physics/limits.h"
#include "physics/physics.h"
#include "physics/vec.h"

// A normal within about 2.5 degrees of the face's own counts as perpendicular
// to the triangle, so that numbers rounded by hand still pass.
static const float PERPENDICULAR_COSINE = 0.999f;
// How far a body may start inside the surface, for rounding in the files.
static const float DEPTH_TOLERANCE = 0.005f;
// How far above the surface a body may start before it visibly drops.
static const float FLOAT_TOLERANCE = 0.05f;

static Vec3 faceNormal(const Triangle &t) {
    return vecFaceNormal(t.corner[0], t.corner[1], t.corner[2]);
}

static std::string vecText(Vec3 v) { return formatted("[%.4g, %.4g, %.4g]", v.x, v.y, v.z); }

void checkCollisionTriangles(const std::string &path, const TriangleFile &mesh, Report *report) {
    for (const Triangle &t : mesh.triangles) {
        Vec3 face = faceNormal(t);
        if (vecLength(face) < 1e-6f) {
            addWarning(report, path, t.line,
                       "the corners lie on one line: the triangle has no area, and nothing "
                       "touches it but its corners",
                       "no area");
            continue;
        }
        vecNormalize(&face);
        Vec3 normal = t.normal;
        vecNormalize(&normal);  // as the loader does: a zero normal becomes straight up
        // Either way round is fine: the physics turns each normal toward the body.
        if (std::fabs(vecDot(normal, face)) >= PERPENDICULAR_COSINE ||
            countedOnly(report, path, SEVERITY_WARNING, "normal"))
            continue;
        addWarning(report, path, t.line,
                   formatted("the normal %s is not perpendicular to this triangle, so bodies "
                             "bounce off it as off a tilted plane: write %s",
                             vecText(t.normal).c_str(), vecText(face).c_str()),
                   "normal");
    }
}

static void checkWinding(const std::string &path, const TriangleFile &model, Report *report) {
    int wrong = 0, first = 0;
    for (const Triangle &t : model.triangles) {
        if (vecDot(faceNormal(t), t.normal) >= 0.0f) continue;
        if (wrong++ == 0) first = t.line;
    }
    if (wrong > 0)
        addWarning(report, path, first,
                   formatted("the corners run clockwise seen from the side the normal points to "
                             "(%d of %d triangles): the side that shows is the one where they run "
                             "counter-clockwise; swap two corners",
                             wrong, static_cast<int>(model.triangles.size())));
}

// Colours a scene-file maker may have written 0-1 as in the scene files.
static void checkColourRange(const std::string &path, const TriangleFile &model, Report *report) {
    bool anyAboveOne = false, anyNonZero = false;
    for (const CornerColour &colour : model.colours)
        for (unsigned short c : colour.value) {
            if (c > 255) {
                addWarning(report, path, colour.line,
                           formatted("colour component %d is above 255, and the game keeps only "
                                     "its lowest 8 bits (%d): model colours are 0-255",
                                     c, c & 255));
                return;
            }
            anyAboveOne = anyAboveOne || c > 1;
            anyNonZero = anyNonZero || c > 0;
        }
    if (anyNonZero && !anyAboveOne)
        addWarning(report, path, model.colours[0].line,
                   "every colour is 0 or 1, which is almost black: model colours are 0-255, so "
                   "write 255 for full colour");
}

void checkModelTriangles(const std::string &path, const TriangleFile &model, Report *report) {
    checkWinding(path, model, report);
    checkColourRange(path, model, report);
}

// --- Values the physics cannot use ------------------------------------------

// Somewhere the physics keeps a body: a place, and above the fall-out height.
static bool usablePlace(const Body &body) {
    return vecIsFinite(body.startPosition) && !(body.startPosition.z < fallHeight);
}

// How a body stands at frames of this length: what the physics makes of it.
struct Standing {
    float frame;  // seconds
    float sink;   // how deep a resting body sinks in the frame's physics steps
};

static Standing standingAt(float frame) {
    return {frame, restingSinkDepth((float)((double)frame / physicsStepsFor(frame)))};
}

// Why a radius cannot stand on the lane, after its value, or empty when it can.
static std::string radiusProblem(float radius, Standing standing) {
    std::string above = formatted("give it a radius above %.2g", standing.sink);
    if (!(radius > 0.0f))
        return ": a body touches only with a radius above 0, so this one falls through the lane";
    if (std::isinf(radius))
        return ": a body of endless radius touches every triangle and every body, wherever they "
               "are; write a plain number";
    if (squaredRadius(radius) == 0.0f)
        return ", so small that its square is 0 in the physics' single precision: it touches "
               "nothing and falls through the lane; " +
               above;
    if (radius <= standing.sink)
        return formatted(
                   ": at %g frames a second a resting body sinks %.2g into the surface "
                   "under it, so one this small falls through the lane by itself; ",
                   1.0 / standing.frame, standing.sink) +
               above;
    return "";
}

static void checkRadius(const SceneView &scene, const PlacedBody &placed, Standing standing,
                        Report *report) {
    float radius = placed.body->radius;
    std::string problem = radiusProblem(radius, standing);
    if (!problem.empty())
        addError(
            report, scene.path, placed.radiusLine,
            formatted("the radius of %s is %g%s", placed.name.c_str(), radius, problem.c_str()));
}

static void checkMass(const SceneView &scene, const PlacedBody &placed, Report *report) {
    float mass = placed.body->mass;
    const char *name = placed.name.c_str();
    if (!std::isfinite(mass))
        addError(report, scene.path, placed.massLine,
                 formatted("the mass of %s is %g, which the physics cannot use: write a mass "
                           "above 0",
                           name, mass));
    else if (!isNormalNumber(mass))
        addError(report, scene.path, placed.massLine,
                 formatted("the mass of %s is %g, below the smallest number single precision "
                           "keeps whole (%g): the physics loses it in every product; write a mass "
                           "above 0",
                           name, mass, FLT_MIN));
    else if (placed.body == &ball && mass == 0.0f)
        addError(report, scene.path, placed.massLine,
                 "the ball's mass is 0, so it pushes no pin: give it a mass above 0 (the "
                 "bundled ball has 4)");
    else if (mass < 0.0f)
        addWarning(report, scene.path, placed.massLine,
                   formatted("the mass of %s is %g: a negative mass pushes the wrong way; write "
                             "a mass above 0",
                             name, mass));
}

static bool checkFallHeight(const SceneView &scene, Report *report) {
    if (isNormalNumber(fallHeight)) return true;
    std::string why =
        fallHeight == INFINITY ? "every body is below it, so the level is won before any throw"
        : !std::isfinite(fallHeight)
            ? "no body is ever below it, so no pin can fall out and the level can never be won"
            : formatted("it is below the smallest number single precision keeps whole, %g",
                        FLT_MIN);
    addError(
        report, scene.path, scene.fallLine,
        formatted("the fall-out height is %g: %s; write a plain number", fallHeight, why.c_str()));
    return false;
}

bool checkBodyValues(const SceneView &scene, float frame, Report *report) {
    int before = report->errors;
    Standing standing = standingAt(frame);
    bool fallUsable = checkFallHeight(scene, report);
    for (const PlacedBody &placed : scene.bodies) {
        const Body &b = *placed.body;
        const char *name = placed.name.c_str();
        if (!vecIsFinite(b.startPosition))
            addError(report, scene.path, placed.line,
                     formatted("%s starts at %s, which is not a place: the physics takes it out at "
                               "once; write three plain numbers",
                               name, vecText(b.startPosition).c_str()));
        else if (fallUsable && b.startPosition.z < fallHeight)
            addError(report, scene.path, placed.line,
                     formatted("%s starts below the fall-out height %.2f and is out at once: raise "
                               "it or lower the fall-out line",
                               name, fallHeight));
        checkRadius(scene, placed, standing, report);
        checkMass(scene, placed, report);
    }
    return report->errors == before;
}

// --- Bodies against the mesh ----------------------------------------------

// Which side of the edge from a to b the point (x, y) lies on, seen from above.
static double sideOf(Vec3 a, Vec3 b, float x, float y) {
    return ((double)b.x - a.x) * ((double)y - a.y) - ((double)b.y - a.y) * ((double)x - a.x);
}

// Whether (x, y) lies inside the triangle seen from above, edges included.
static bool coversPoint(const Triangle &t, float x, float y) {
    const Vec3 *c = t.corner;
    double sign[3] = {sideOf(c[0], c[1], x, y), sideOf(c[1], c[2], x, y), sideOf(c[2], c[0], x, y)};
    const double e = 1e-9;
    return (sign[0] >= -e && sign[1] >= -e && sign[2] >= -e) ||
           (sign[0] <= e && sign[1] <= e && sign[2] <= e);
}

// The triangle's height at (x, y), and the unit normal's vertical part.
static bool heightAt(const Triangle &t, float x, float y, float *z, float *upness) {
    Vec3 n = faceNormal(t);
    bool hasArea = vecLength(n) >= 1e-6f;
    vecNormalize(&n);
    Vec3 a = t.corner[0];
    *z = a.z - (n.x * (x - a.x) + n.y * (y - a.y)) / n.z;
    *upness = std::fabs(n.z);
    // A wall has no height under a point.
    return hasArea && *upness >= 0.05f && coversPoint(t, x, y);
}

// The highest surface under (x, y) no higher than top, or the lowest one
// above it when there is none below.
struct Surface {
    bool found = false;
    bool above = false;
    float z = 0.0f;
    float upness = 1.0f;
    int line = 0;
};

static Surface surfaceUnder(const TriangleFile &mesh, float x, float y, float top) {
    Surface below, over;
    for (const Triangle &t : mesh.triangles) {
        float z, upness;
        if (!heightAt(t, x, y, &z, &upness)) continue;
        Surface *pick = z <= top ? &below : &over;
        bool better = z <= top ? (!pick->found || z > pick->z) : (!pick->found || z < pick->z);
        if (better) *pick = {true, z > top, z, upness, t.line};
    }
    return below.found ? below : over;
}

int meshLineUnder(const SceneView &scene, Vec3 point) {
    Surface s = surfaceUnder(*scene.meshFile, point.x, point.y, point.z);
    return s.found ? s.line : 0;
}

// Whether the game's contact test finds the body touching the mesh when it
// is lowered by up to its radius: a body over a gap narrower than itself
// rests on the gap's edges.
static bool restsOnMesh(const Body &start) {
    Body body = start;
    for (int step = 0; step <= 4; step++) {
        body.position.z = start.position.z - start.radius * step / 4;
        for (const CollisionTriangle *t = collisionMesh; t; t = t->next)
            if (sphereTouchesTriangle(&body, t, planeOffset(&body, t))) return true;
    }
    return false;
}

static void checkOnSurface(const SceneView &scene, const PlacedBody &placed, Report *report) {
    Vec3 p = placed.body->startPosition;
    float r = placed.body->radius;
    const char *name = placed.name.c_str();
    Surface s = surfaceUnder(*scene.meshFile, p.x, p.y, p.z + r);
    if (!s.found) {
        if (!restsOnMesh(*placed.body))
            addWarning(report, scene.path, placed.line,
                       formatted("no collision surface under %s at (%.2f, %.2f): it falls when the "
                                 "level starts; move it over the lane",
                                 name, p.x, p.y),
                       "no surface");
        return;
    }
    float rest = s.z + r / s.upness;
    if (p.z < rest - DEPTH_TOLERANCE)
        addWarning(report, scene.path, placed.line,
                   formatted("%s starts %s the collision surface (%s line %d): set z = floor + "
                             "radius = %.2f",
                             name, s.above || p.z < s.z ? "below" : "inside",
                             scene.collision.c_str(), s.line, rest),
                   "inside");
    else if (p.z > rest + FLOAT_TOLERANCE)
        addWarning(report, scene.path, placed.line,
                   formatted("%s starts %.2f above the collision surface (%s line %d) and drops "
                             "when the level starts: set z = floor + radius = %.2f",
                             name, p.z - rest, scene.collision.c_str(), s.line, rest),
                   "floating");
}

// The grid the bodies are sorted into: cubes twice the median radius wide,
// numbered along each axis. Coordinates far out are held to the grid's edge:
// bodies there share cubes, which costs time but never a pair.
static const long GRID_EDGE = 1L << 20;

static long cubeOf(float coordinate, double size) {
    double cube = std::floor(coordinate / size);
    return static_cast<long>(std::min(std::max(cube, -(double)GRID_EDGE), GRID_EDGE - 1.0));
}

static uint64_t cubeKey(const long cube[3]) {
    uint64_t key = 0;
    for (int axis = 0; axis < 3; axis++)
        key = key << 21 | static_cast<uint64_t>(cube[axis] + GRID_EDGE);
    return key;
}

// The bodies with a place and a radius that can overlap, by index.
static std::vector<size_t> sizedBodies(const std::vector<PlacedBody> &bodies) {
    std::vector<size_t> sized;
    for (size_t i = 0; i < bodies.size(); i++) {
        const Body &b = *bodies[i].body;
        if (vecIsFinite(b.startPosition) && std::isfinite(b.radius) && b.radius >= 0.0f)
            sized.push_back(i);
    }
    return sized;
}

static double cubeSize(const std::vector<PlacedBody> &bodies, const std::vector<size_t> &sized) {
    std::vector<float> radii;
    for (size_t i : sized) radii.push_back(bodies[i].body->radius);
    std::nth_element(radii.begin(), radii.begin() + radii.size() / 2, radii.end());
    return std::max(2.0 * radii[radii.size() / 2], 1e-6);
}

// The cubes a body's box reaches, from first to last along each axis.
static void cubesOf(const Body &b, double size, long first[3], long last[3]) {
    const float centre[3] = {b.startPosition.x, b.startPosition.y, b.startPosition.z};
    for (int axis = 0; axis < 3; axis++) {
        first[axis] = cubeOf(centre[axis] - b.radius, size);
        last[axis] = cubeOf(centre[axis] + b.radius, size);
    }
}

// The pairs of bodies whose spheres may meet, each once: each body meets
// those that share a cube with it, and a body wider than a cube, whose box
// would reach more than three cubes along each axis, meets every other.
static std::vector<std::pair<size_t, size_t>> nearPairs(const std::vector<PlacedBody> &bodies) {
    std::vector<std::pair<size_t, size_t>> pairs;
    std::vector<size_t> sized = sizedBodies(bodies), wide;
    if (sized.empty()) return pairs;
    double size = cubeSize(bodies, sized);
    std::unordered_map<uint64_t, std::vector<size_t>> cubes;
    for (size_t i : sized) {
        if (bodies[i].body->radius > size) {
            wide.push_back(i);
            continue;
        }
        long first[3], last[3], cube[3];
        cubesOf(*bodies[i].body, size, first, last);
        for (cube[0] = first[0]; cube[0] <= last[0]; cube[0]++)
            for (cube[1] = first[1]; cube[1] <= last[1]; cube[1]++)
                for (cube[2] = first[2]; cube[2] <= last[2]; cube[2]++) {
                    std::vector<size_t> &in = cubes[cubeKey(cube)];
                    for (size_t other : in) pairs.push_back({other, i});
                    in.push_back(i);
                }
    }
    for (size_t i : wide)
        for (size_t other : sized)
            if (other != i) pairs.push_back({std::min(i, other), std::max(i, other)});
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    return pairs;
}

static void checkOverlaps(const SceneView &scene, Report *report) {
    const std::vector<PlacedBody> &bodies = scene.bodies;
    for (const std::pair<size_t, size_t> &pair : nearPairs(bodies)) {
        const PlacedBody &first = bodies[pair.first], &second = bodies[pair.second];
        const Body &a = *first.body, &b = *second.body;
        float apart = vecLength(vecFromTo(a.startPosition, b.startPosition));
        float reach = a.radius + b.radius;
        if (!(apart < reach - 1e-4f) ||
            countedOnly(report, scene.path, SEVERITY_WARNING, "overlap"))
            continue;
        addWarning(report, scene.path, second.line,
                   formatted("%s overlaps %s at line %d (centres %.2f apart, radii %.2f "
                             "together), and overlapping bodies are never pushed apart: move "
                             "it %.2f further away",
                             second.name.c_str(), first.name.c_str(), first.line, apart, reach,
                             reach - apart),
                   "overlap");
    }
}

void checkPlacement(const SceneView &scene, Report *report) {
    checkOverlaps(scene, report);
    for (const PlacedBody &placed : scene.bodies)
        if (std::isfinite(placed.body->radius) && placed.body->radius > 0.0f &&
            usablePlace(*placed.body))
            checkOnSurface(scene, placed, report);
}

// --- How the scene looks ----------------------------------------------------

// The game culls back faces: a triangle whose corners run clockwise seen
// from the camera is not drawn. A lane may be drawn from both sides, so it
// is hidden only when no triangle at the height under the ball faces the camera.
static void checkLaneUnderBall(const SceneView &scene, Report *report) {
    Vec3 p = ball.startPosition;
    const Triangle *under = nullptr;
    float best = 0.0f;
    bool seen = false;
    for (const Triangle &t : scene.laneFile->triangles) {
        float z, upness;
        if (!heightAt(t, p.x, p.y, &z, &upness) || z > p.z) continue;
        bool faces = vecDot(faceNormal(t), vecFromTo(t.corner[0], cameraStart)) > 0.0f;
        if (under && std::fabs(z - best) < 1e-4f) {
            seen = seen || faces;
        } else if (!under || z > best) {
            under = &t;
            best = z;
            seen = faces;
        }
    }
    if (!under || seen) return;
    addWarning(
        report, scene.lane, under->line,
        formatted("the lane under the ball is seen from behind by the camera at %s, so the "
                  "game does not draw it: list the corners counter-clockwise seen from above "
                  "(swap two corners)",
                  vecText(cameraStart).c_str()));
}

static bool contains(const std::string &text, const char *part) {
    return text.find(part) != std::string::npos;
}

static void checkLaneAndMeshRoles(const SceneView &scene, Report *report) {
    const TriangleFile &lane = *scene.laneFile, &mesh = *scene.meshFile;
    bool namesSwapped = (contains(scene.lane, "collision") || contains(scene.lane, "colision")) &&
                        contains(scene.collision, "lane");
    bool sizesSwapped = mesh.triangles.size() > 4 * lane.triangles.size() && mesh.size > lane.size;
    if (namesSwapped)
        addWarning(report, scene.path, scene.laneLine,
                   formatted("the lane line names '%s' and the collision line '%s': they look "
                             "swapped; the drawn lane comes first",
                             scene.lane.c_str(), scene.collision.c_str()));
    else if (sizesSwapped)
        addWarning(report, scene.path, scene.laneLine,
                   formatted("the lane and collision lines look swapped: the collision file has %d "
                             "triangles, the lane only %d; the drawn lane comes first",
                             static_cast<int>(mesh.triangles.size()),
                             static_cast<int>(lane.triangles.size())));
}

static void checkSceneColour(const SceneView &scene, Vec3 colour, int line, Report *report) {
    if (colour.x <= 1.0f && colour.y <= 1.0f && colour.z <= 1.0f) return;
    Vec3 scaled = vecScale(colour, 1.0f / 255.0f);
    addWarning(report, scene.path, line,
               formatted("scene colours are 0-1, not 0-255: write [%.2f, %.2f, %.2f]", scaled.x,
                         scaled.y, scaled.z));
}

void checkLook(const SceneView &scene, Report *report) {
    checkSceneColour(scene, backgroundColor, scene.backgroundLine, report);
    checkSceneColour(scene, hudColor, scene.hudLine, report);
    if (!vecIsFinite(cameraStart))
        addError(report, scene.path, scene.cameraLine,
                 formatted("the camera stands at %s, which is not a place: the game draws "
                           "nothing at all; write three plain numbers",
                           vecText(cameraStart).c_str()));
    else if (!scene.laneFile->misread)
        checkLaneUnderBall(scene, report);
    checkLaneAndMeshRoles(scene, report);
}
