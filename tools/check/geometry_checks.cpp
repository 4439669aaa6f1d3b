#include "check/geometry_checks.h"

#include <cmath>
#include <vector>

#include "physics/vec.h"

// A normal within about 2.5 degrees of the face's own counts as perpendicular
// to the triangle: the files round their numbers to four places.
static const float PERPENDICULAR_COSINE = 0.999f;
// How far a body may start inside the surface, for rounding in the files.
static const float DEPTH_TOLERANCE = 0.005f;

// The face's normal by the right-hand rule: toward the side from which the
// corners run counter-clockwise.
static Vec3 faceNormal(const Triangle &t) {
    return vecCross(vecFromTo(t.corner[0], t.corner[1]), vecFromTo(t.corner[0], t.corner[2]));
}

static std::string vecText(Vec3 v) { return format("[%.4g, %.4g, %.4g]", v.x, v.y, v.z); }

void checkCollisionNormals(const std::string &path, const TriangleFile &mesh, Report *report) {
    for (const Triangle &t : mesh.triangles) {
        Vec3 face = faceNormal(t);
        if (vecLength(face) < 1e-6f) {
            addWarning(report, path, t.line,
                       "the corners lie on one line: the triangle has no area");
            continue;
        }
        vecNormalize(&face);
        Vec3 normal = t.normal;
        // The loader turns a zero normal into straight up.
        if (vecLength(normal) == 0.0f) normal = {0.0f, 0.0f, 1.0f};
        vecNormalize(&normal);
        // Either way round is fine: the physics turns each normal toward the body.
        if (std::fabs(vecDot(normal, face)) < PERPENDICULAR_COSINE)
            addError(report, path, t.line,
                     format("the normal %s is not perpendicular to this triangle: write %s",
                            vecText(t.normal).c_str(), vecText(face).c_str()));
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
                   format("the corners run clockwise seen from the side the normal points to "
                          "(%d of %d triangles): the side that shows is the one where they run "
                          "counter-clockwise; swap two corners",
                          wrong, static_cast<int>(model.triangles.size())));
}

// Colours a scene-file maker may have written 0-1 as in the scene files.
static void checkColourRange(const std::string &path, const TriangleFile &model, Report *report) {
    bool anyAboveOne = false, anyNonZero = false;
    for (const Triangle &t : model.triangles)
        for (int corner = 0; corner < 3; corner++)
            for (unsigned short c : t.colour[corner]) {
                if (c > 255) {
                    addError(
                        report, path, t.colourLine[corner],
                        format("colour component %d is above 255: model colours are 0-255", c));
                    return;
                }
                anyAboveOne = anyAboveOne || c > 1;
                anyNonZero = anyNonZero || c > 0;
            }
    if (anyNonZero && !anyAboveOne)
        addError(report, path, model.triangles[0].colourLine[0],
                 "every colour is 0 or 1, which is almost black: model colours are 0-255, so "
                 "write 255 for full colour");
}

void checkModelFile(const std::string &path, const TriangleFile &model, Report *report) {
    checkWinding(path, model, report);
    checkColourRange(path, model, report);
}

// --- Bodies against the mesh ----------------------------------------------

// Whether (x, y) lies inside the triangle seen from above, edges included.
static bool coversPoint(const Triangle &t, float x, float y) {
    double sign[3];
    for (int i = 0; i < 3; i++) {
        Vec3 a = t.corner[i], b = t.corner[(i + 1) % 3];
        sign[i] = ((double)b.x - a.x) * ((double)y - a.y) - ((double)b.y - a.y) * ((double)x - a.x);
    }
    const double e = 1e-9;
    return (sign[0] >= -e && sign[1] >= -e && sign[2] >= -e) ||
           (sign[0] <= e && sign[1] <= e && sign[2] <= e);
}

// The triangle's height at (x, y), and the unit normal's vertical part.
static bool heightAt(const Triangle &t, float x, float y, float *z, float *upness) {
    Vec3 n = faceNormal(t);
    if (vecLength(n) < 1e-6f) return false;
    vecNormalize(&n);
    if (std::fabs(n.z) < 0.05f) return false;  // a wall has no height under a point
    if (!coversPoint(t, x, y)) return false;
    Vec3 a = t.corner[0];
    *z = a.z - (n.x * (x - a.x) + n.y * (y - a.y)) / n.z;
    *upness = std::fabs(n.z);
    return true;
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

static void checkBodyOnSurface(const std::string &path, const BodyLines &body, const char *name,
                               const SceneFile &scene, const TriangleFile &mesh, Report *report) {
    Vec3 p = body.body.startPosition;
    float r = body.body.radius;
    if (p.z < scene.fallHeight) {
        addError(report, path, body.positionLine,
                 format("the %s starts below the fall-out height %.2f and is out at once: raise "
                        "it or lower the fall-out line",
                        name, scene.fallHeight));
        return;
    }
    Surface s = surfaceUnder(mesh, p.x, p.y, p.z + r);
    if (!s.found) {
        addError(report, path, body.positionLine,
                 format("no collision surface under the %s at (%.2f, %.2f): it falls at once; "
                        "move it over the lane",
                        name, p.x, p.y));
        return;
    }
    float rest = s.z + r / s.upness;
    if (p.z < rest - DEPTH_TOLERANCE)
        addError(report, path, body.positionLine,
                 format("the %s starts %s the collision surface (%s line %d): set z = floor + "
                        "radius = %.2f",
                        name, s.above || p.z < s.z ? "below" : "inside", scene.collision.c_str(),
                        s.line, rest));
}

static void checkOverlaps(const std::string &path, const std::vector<const BodyLines *> &bodies,
                          Report *report) {
    for (size_t i = 0; i < bodies.size(); i++)
        for (size_t j = i + 1; j < bodies.size(); j++) {
            const Body &a = bodies[i]->body, &b = bodies[j]->body;
            float apart = vecLength(vecFromTo(a.startPosition, b.startPosition));
            float reach = a.radius + b.radius;
            if (apart < reach - 1e-4f)
                addError(report, path, bodies[j]->positionLine,
                         format("this body overlaps the one at line %d (centres %.2f apart, radii "
                                "%.2f together), and overlapping bodies are never pushed apart: "
                                "move it %.2f further away",
                                bodies[i]->positionLine, apart, reach, reach - apart));
        }
}

// --- The lane as the camera sees it ---------------------------------------

static void checkLaneUnderBall(const SceneFile &scene, const TriangleFile &lane, Report *report) {
    Vec3 p = scene.ball.body.startPosition;
    const Triangle *under = nullptr;
    float best = 0.0f;
    for (const Triangle &t : lane.triangles) {
        float z, upness;
        if (heightAt(t, p.x, p.y, &z, &upness) && z <= p.z && (!under || z > best)) {
            under = &t;
            best = z;
        }
    }
    if (!under) return;
    // The game culls back faces: a triangle whose corners run clockwise seen
    // from the camera is not drawn.
    if (vecDot(faceNormal(*under), vecFromTo(under->corner[0], scene.camera)) > 0.0f) return;
    addError(report, scene.lane, under->line,
             format("the lane under the ball is seen from behind by the camera at %s, so the game "
                    "does not draw it: list the corners counter-clockwise seen from above (swap "
                    "two corners)",
                    vecText(scene.camera).c_str()));
}

static bool contains(const std::string &text, const char *part) {
    return text.find(part) != std::string::npos;
}

static void checkLaneAndMeshRoles(const std::string &path, const SceneFile &scene,
                                  const TriangleFile &lane, const TriangleFile &mesh,
                                  Report *report) {
    bool namesSwapped = (contains(scene.lane, "collision") || contains(scene.lane, "colision")) &&
                        contains(scene.collision, "lane");
    bool sizesSwapped = mesh.triangles.size() > 4 * lane.triangles.size() && mesh.size > lane.size;
    if (namesSwapped)
        addWarning(report, path, scene.laneLine,
                   format("the lane line names '%s' and the collision line '%s': they look "
                          "swapped; the drawn lane comes first",
                          scene.lane.c_str(), scene.collision.c_str()));
    else if (sizesSwapped)
        addWarning(report, path, scene.laneLine,
                   format("the lane and collision lines look swapped: the collision file has %d "
                          "triangles, the lane only %d; the drawn lane comes first",
                          static_cast<int>(mesh.triangles.size()),
                          static_cast<int>(lane.triangles.size())));
}

static void checkSceneColour(const std::string &path, Vec3 colour, int line, Report *report) {
    if (colour.x <= 1.0f && colour.y <= 1.0f && colour.z <= 1.0f) return;
    Vec3 scaled = vecScale(colour, 1.0f / 255.0f);
    addError(report, path, line,
             format("scene colours are 0-1, not 0-255: write [%.2f, %.2f, %.2f]", scaled.x,
                    scaled.y, scaled.z));
}

void checkSceneGeometry(const std::string &path, const SceneFile &scene, const TriangleFile &lane,
                        const TriangleFile &mesh, bool closing, Report *report) {
    checkSceneColour(path, scene.background, scene.backgroundLine, report);
    checkSceneColour(path, scene.hud, scene.hudLine, report);
    if (closing && scene.pinCount > 0)
        addWarning(report, path, scene.pinCountLine,
                   "pins in the closing scene never move or fall: they are only decoration");
    if (!closing && scene.pinCount <= 0)
        addError(report, path, scene.pinCountLine,
                 "a level without pins is won before any throw: add pins");
    std::vector<const BodyLines *> bodies = {&scene.ball};
    for (const BodyLines &pin : scene.pins) bodies.push_back(&pin);
    checkOverlaps(path, bodies, report);
    // A file read out of step has already been reported; its triangles say nothing more.
    if (!mesh.readingError)
        for (size_t i = 0; i < bodies.size(); i++)
            checkBodyOnSurface(path, *bodies[i], i == 0 ? "ball" : "pin", scene, mesh, report);
    if (!lane.readingError) checkLaneUnderBall(scene, lane, report);
    checkLaneAndMeshRoles(path, scene, lane, mesh, report);
}
