#include "obj/obj_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The light of --shade: from above, and from the player's side of the lane
// (the camera looks along +y). Faces turned away keep the ambient share.
const ObjPoint LIGHT = {0.0, -0.6, 0.8};
const double AMBIENT = 0.55;

ObjPoint placePoint(ObjPoint p, const ConvertOptions &options) {
    // Y up to Z up is a rotation about x, so the corners keep their turn.
    if (options.yUp) p = ObjPoint{p.x, -p.z, p.y};
    return ObjPoint{p.x * options.scale, p.y * options.scale, p.z * options.scale};
}

ObjPoint faceNormal(const ObjPoint *v) {
    double ax = v[1].x - v[0].x, ay = v[1].y - v[0].y, az = v[1].z - v[0].z;
    double bx = v[2].x - v[0].x, by = v[2].y - v[0].y, bz = v[2].z - v[0].z;
    ObjPoint n = {ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
    double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    // A triangle of no area has no side; call it flat and facing up.
    if (!(length > 0.0) || !std::isfinite(length)) return ObjPoint{0.0, 0.0, 1.0};
    return ObjPoint{n.x / length, n.y / length, n.z / length};
}

int colourByte(double value) {
    return static_cast<int>(std::lround(std::min(255.0, std::max(0.0, value))));
}

void faceColour(const ObjMesh &mesh, const ObjFace &face, const ConvertOptions &options, int *rgb) {
    for (int c = 0; c < 3; c++)
        rgb[c] = face.material < 0 ? options.colour[c]
                                   : colourByte(mesh.materials[face.material].diffuse[c] * 255.0);
}

void shadeColour(const ObjPoint &normal, int *rgb) {
    double facing = normal.x * LIGHT.x + normal.y * LIGHT.y + normal.z * LIGHT.z;
    double light = AMBIENT + (1.0 - AMBIENT) * std::max(0.0, facing);
    for (int c = 0; c < 3; c++) rgb[c] = colourByte(rgb[c] * light);
}

GameTriangle makeTriangle(const ObjMesh &mesh, const ObjFace &face, size_t second,
                          const ConvertOptions &options) {
    GameTriangle t;
    const int corners[3] = {face.corners[0], face.corners[second], face.corners[second + 1]};
    for (int k = 0; k < 3; k++) t.vertex[k] = placePoint(mesh.vertices[corners[k]], options);
    t.normal = faceNormal(t.vertex);
    int rgb[3];
    faceColour(mesh, face, options, rgb);
    if (options.shade) shadeColour(t.normal, rgb);
    for (int k = 0; k < 3; k++) std::copy(rgb, rgb + 3, t.colour[k]);
    return t;
}

// Six significant digits keep what a float holds to within its last digit
// or so; -0 is written as 0 so that equal numbers read the same.
void writeTriple(FILE *file, const char *label, double x, double y, double z) {
    fprintf(file, "%s [%.6g, %.6g, %.6g]\n", label, x + 0.0, y + 0.0, z + 0.0);
}

bool writeTriangles(FILE *file, const std::vector<GameTriangle> &triangles) {
    fprintf(file, "triangles %zu\n", triangles.size());
    for (const GameTriangle &t : triangles) {
        writeTriple(file, "normal", t.normal.x, t.normal.y, t.normal.z);
        for (int k = 0; k < 3; k++) {
            fprintf(file, "colour [%d, %d, %d]\n", t.colour[k][0], t.colour[k][1], t.colour[k][2]);
            writeTriple(file, "vertex", t.vertex[k].x, t.vertex[k].y, t.vertex[k].z);
        }
    }
    return !ferror(file);
}

bool cannotWrite(const std::string &path, int cause, std::string *error) {
    *error = path + ": error: cannot write: " + strerror(cause);
    return false;
}

// mkstemp makes a private file; the target gets the mode a plain fopen gives.
FILE *openTemporary(char *name) {
    int descriptor = mkstemp(name);
    if (descriptor < 0) return nullptr;
    mode_t mask = umask(0);
    umask(mask);
    FILE *file = fchmod(descriptor, 0666 & ~mask) == 0 ? fdopen(descriptor, "w") : nullptr;
    if (!file) {
        int cause = errno;
        close(descriptor);
        remove(name);
        errno = cause;
    }
    return file;
}

// Writes the file under a temporary name beside its target and puts that
// name in *temporary.
bool writeTemporary(const OutputFile &output, std::string *temporary, std::string *error) {
    std::string pattern = output.path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FILE *file = openTemporary(name.data());
    if (!file) return cannotWrite(output.path, errno, error);
    bool written = writeTriangles(file, output.triangles);
    int cause = errno;
    if (fclose(file) != 0 && written) {
        cause = errno;
        written = false;
    }
    if (!written) {
        remove(name.data());
        return cannotWrite(output.path, cause, error);
    }
    *temporary = name.data();
    return true;
}

}  // namespace

std::vector<GameTriangle> buildTriangles(const ObjMesh &mesh, const ConvertOptions &options) {
    std::vector<GameTriangle> triangles;
    for (const ObjFace &face : mesh.faces)
        for (size_t second = 1; second + 1 < face.corners.size(); second++)
            triangles.push_back(makeTriangle(mesh, face, second, options));
    return triangles;
}

bool writeTriangleFiles(const std::vector<OutputFile> &files, std::string *error) {
    std::vector<std::string> temporaries;
    for (const OutputFile &output : files) {
        std::string name;
        if (!writeTemporary(output, &name, error)) break;
        temporaries.push_back(name);
    }
    bool ok = temporaries.size() == files.size();
    for (size_t i = 0; ok && i < files.size(); i++) {
        if (rename(temporaries[i].c_str(), files[i].path.c_str()) != 0)
            ok = cannotWrite(files[i].path, errno, error);
    }
    for (const std::string &name : temporaries) remove(name.c_str());
    return ok;
}
