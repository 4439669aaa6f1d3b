// Reads a Wavefront OBJ file (and the material libraries it names) into
// plain lists: vertex positions with their lines, faces as lists of vertex
// indices with the line each came from, and the materials' diffuse colours.
#pragma once

#include <string>
#include <vector>

struct ObjPoint {
    double x, y, z;
};

struct ObjMaterial {
    std::string name;
    double diffuse[3];  // Kd, 0 to 1
};

struct ObjFace {
    std::vector<int> corners;  // indices into ObjMesh::vertices, in file order
    int material;              // index into ObjMesh::materials, or -1 for none
    int line;
};

struct ObjMesh {
    std::string path;
    std::vector<ObjPoint> vertices;
    std::vector<int> vertexLines;  // the line each vertex came from
    std::vector<ObjFace> faces;
    std::vector<ObjMaterial> materials;
    int texCoordCount = 0;
    int normalCount = 0;
    // "FILE:LINE: warning: ..." lines for things that do not stop the import.
    std::vector<std::string> warnings;
};

// False on the first fault, with *error set to "FILE:LINE: error: ...".
// Problems inside a material library are only warnings.
bool readObj(const char *path, ObjMesh *mesh, std::string *error);
