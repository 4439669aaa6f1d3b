// What a scene's numbers mean once the game has read them: the collision
// normals, the winding and colours of model corners, where the bodies start
// against the mesh and each other, and whether the camera sees the lane
// under the ball. These are guesses from the numbers alone, so they are
// warnings; only what the game's own rules make certain is an error.
#pragma once

#include <string>
#include <vector>

#include "check/diagnostics.h"
#include "flow/world.h"

// One triangle of a model or collision file as the game read it.
struct Triangle {
    Vec3 normal;
    Vec3 corner[3];
    int line;  // of the normal line
};

// A corner's colour line. Only a model's are kept: the game ignores the
// colours of a collision file, and a large mesh would hold them for nothing.
struct CornerColour {
    unsigned short value[3];
    int line;
};

struct TriangleFile {
    bool accepted = false;  // the game's loader's verdict
    bool misread = false;   // read out of step: its triangles say nothing more
    std::vector<Triangle> triangles;
    std::vector<CornerColour> colours;  // a model's, three a triangle
    long size = 0;
};

void checkCollisionTriangles(const std::string &path, const TriangleFile &mesh, Report *report);
void checkModelTriangles(const std::string &path, const TriangleFile &model, Report *report);

// A body of the loaded scene, with the lines of its block.
struct PlacedBody {
    const Body *body;
    std::string name;  // "the ball", "pin 3"
    int line, radiusLine, massLine;
};

// The loaded scene as the checker sees it: the game's own values are in the
// world; this adds the files and lines they came from.
struct SceneView {
    std::string path;
    std::string lane, collision;
    int laneLine = 0, backgroundLine = 0, hudLine = 0, fallLine = 0, cameraLine = 0,
        pinCountLine = 0;
    const TriangleFile *laneFile = nullptr, *meshFile = nullptr;
    std::vector<PlacedBody> bodies;  // the ball first, then the pins in file order
};

// Values the physics cannot use as meant: a fall-out height, a place, a
// radius or a mass. Errors, as the game's rules and the physics' limits make
// each certain, judged at frames of that many seconds. False when there was
// one.
bool checkBodyValues(const SceneView &scene, float frame, Report *report);
// Where the bodies start, against the mesh and each other.
void checkPlacement(const SceneView &scene, Report *report);
// The scene colours, the camera and the lane as it sees it, and the roles
// of the lane and collision lines.
void checkLook(const SceneView &scene, Report *report);
// The collision triangle under a point and its line, or 0.
int meshLineUnder(const SceneView &scene, Vec3 point);
