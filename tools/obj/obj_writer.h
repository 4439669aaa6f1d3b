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
    bool shade = false;               // bake the light (light.h) into the colours
};

// Every coordinate holds exactly what the file says once the game reads it
// back, and the normal is worked out from those, as the game would.
struct GameTriangle {
    ObjPoint normal;
    ObjPoint vertex[3];  // counter-clockwise seen from the side the normal points to
    int colour[3][3];    // per corner: red, green, blue
};

// Splits each face into triangles that cover it (see triangulate.h) and
// leaves out those with no area as written. A shaded corner meets the light
// with the normal the file gives it, or else with its face's plane. False,
// with *error set, when a coordinate is beyond what the game reads, a face
// is too large to split or no triangle is left. *warnings gets a line for
// each kind of doubtful face.
bool buildTriangles(const ObjMesh &mesh, const ConvertOptions &options,
                    std::vector<GameTriangle> *triangles, std::vector<std::string> *warnings,
                    std::string *error);

struct OutputFile {
    std::string path;
    std::vector<GameTriangle> triangles;
};

// Writes every file beside its target first and renames them only once all
// are written, so on failure (false, *error set) no target has changed. A
// target must be a regular file or absent; a symbolic link is written
// through to the file it names.
bool writeTriangleFiles(const std::vector<OutputFile> &files, std::string *error);
