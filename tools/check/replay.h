// A line-aware replay of the four data formats: each file is read again with
// the game's own line readers, item by item in its loader's order, and the
// position before each item is mapped to a line, so that the replay reads
// exactly as the game does and can say on which line reading went wrong.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "check/diagnostics.h"
#include "flow/world.h"

struct Triangle {
    Vec3 normal;
    Vec3 corner[3];
    unsigned short colour[3][3];
    int line;  // of the normal line
    int colourLine[3];
};

enum TriangleFileKind { MODEL_FILE, COLLISION_FILE };

// A model or collision file as its loader reads it.
struct TriangleFile {
    bool opened = false;
    bool accepted = false;      // whether the game's loader would use it
    int declared = 0;           // the header's count
    bool readingError = false;  // the triangles after it are read out of step
    std::vector<Triangle> triangles;
    long size = 0;
};

// One body of a scene: the values read and the lines they came from.
struct BodyLines {
    Body body = {};
    std::string model;
    int positionLine = 0;
    int modelLine = 0;
};

struct SceneFile {
    bool opened = false;
    bool accepted = false;
    Vec3 background = {}, hud = {};
    int backgroundLine = 0, hudLine = 0;
    float fallHeight = 0.0f;
    std::string lane, collision;
    int laneLine = 0, collisionLine = 0;
    Vec3 camera = {};
    int pinCount = 0, pinCountLine = 0;
    BodyLines ball;
    std::vector<BodyLines> pins;  // only complete blocks
};

struct SceneListFile {
    bool opened = false;
    bool accepted = false;
    int count = 0;
    std::vector<std::string> names;  // the entries the game plays
    std::vector<int> lines;
};

// Files already replayed in this run, so that a model shared by many scenes
// is read and reported once.
struct FileCache {
    std::map<std::string, TriangleFile> models;
    std::map<std::string, TriangleFile> meshes;
};

const TriangleFile &replayTriangleFile(FileCache *cache, const std::string &path,
                                       TriangleFileKind kind, Report *report);
// Replays the scene and every model and collision file it names.
SceneFile replayScene(FileCache *cache, const std::string &path, Report *report);
SceneListFile replaySceneList(const std::string &path, Report *report);
// The first line of the list, after the count, that is not a label and a
// name: 0 when there is none.
int firstMisshapenEntry(const std::string &path);
