// Reads a Wavefront OBJ file (and the material libraries it names) into
// plain lists: vertex positions with their lines, normals, faces as lists of
// vertex and normal indices with the line each came from, and the
// materials' colours and shading.
#pragma once

#include <string>
#include <vector>

struct ObjPoint {
    double x, y, z;
};

// What a material library leaves unsaid keeps these values.
struct ObjMaterial {
    std::string name;
    double diffuse[3] = {0.8, 0.8, 0.8};     // Kd, 0 to 1: the colour in full light
    double ambient[3] = {0.55, 0.55, 0.55};  // Ka: the share of it that shows in the shade
    double specular[3] = {0.0, 0.0, 0.0};    // Ks: the strength of a white highlight
    double shininess = 10.0;                 // Ns: the higher, the smaller the highlight
};

struct ObjFace {
    std::vector<int> corners;  // indices into ObjMesh::vertices, in file order
    std::vector<int> normals;  // per corner, an index into ObjMesh::normals or -1 for none
    int material;              // index into ObjMesh::materials, or -1 for none
    int line;
};

struct ObjMesh {
    std::string path;
    std::vector<ObjPoint> vertices;
    std::vector<int> vertexLines;  // the line each vertex came from
    std::vector<ObjFace> faces;
    std::vector<ObjMaterial> materials;
    std::vector<ObjPoint> normals;  // as written, of any length
    int texCoordCount = 0;
    // "FILE:LINE: warning: ..." lines for things that do not stop the import.
    std::vector<std::string> warnings;
};

// False on the first fault, with *error set to "FILE:LINE: error: ...".
// Problems inside a material library are only warnings.
bool readObj(const char *path, ObjMesh *mesh, std::string *error);
