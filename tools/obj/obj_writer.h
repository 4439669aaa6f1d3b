// Turns an OBJ mesh into the game's triangles (Z up, a normal per triangle,
// colours 0 to 255) and writes them as model or collision files.
#pragma once

#include <string>
#include <vector>

#include "obj/obj_reader.h"

struct ConvertOptions {
    bool yUp = true;  // the file's up axis is Y, as Blender exports
    double scale = 1.0;
    int colour[3] = {200, 200, 200};  // for faces without a material colour
    bool shade = false;               // bake a light from above and in front
};

struct GameTriangle {
    ObjPoint normal;
    ObjPoint vertex[3];  // counter-clockwise seen from the side the normal points to
    int colour[3][3];    // per corner: red, green, blue
};

// Each face is split as a fan from its first corner.
std::vector<GameTriangle> buildTriangles(const ObjMesh &mesh, const ConvertOptions &options);

struct OutputFile {
    std::string path;
    std::vector<GameTriangle> triangles;
};

// Writes every file beside its target first and renames them only once all
// are written, so on failure (false, *error set) no target has changed.
bool writeTriangleFiles(const std::vector<OutputFile> &files, std::string *error);
