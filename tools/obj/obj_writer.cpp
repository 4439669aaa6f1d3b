#include "obj/obj_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "obj/obj_text.h"
#include "obj/triangulate.h"
#include "physics/vec.h"

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

// Six significant digits keep what a float holds to within its last digit
// or so; -0 is written as 0 so that equal numbers read the same.
void printNumber(char *text, size_t size, double value) {
    snprintf(text, size, "%.6g", value + 0.0);
}

// The float the game reads where value is written: each six-digit number
// comes back from a float unchanged. Numbers too small for a full float are
// written as 0, since they would not; false when value is beyond a float.
bool roundAsWritten(double *value) {
    char text[32];
    printNumber(text, sizeof text, *value);
    float read = strtof(text, nullptr);
    if (!std::isfinite(read)) return false;
    *value = std::fabs(read) < FLT_MIN ? 0.0 : read;
    return true;
}

std::string outOfRange(double coordinate, const ConvertOptions &options) {
    std::string scaled = options.scale == 1.0 ? "" : formatted(" times --scale %g", options.scale);
    return formatted("coordinate %g%s is past %g, the largest the game reads", coordinate,
                     scaled.c_str(), FLT_MAX);
}

// The vertices in the game's axes, each coordinate as written.
bool placeVertices(const ObjMesh &mesh, const ConvertOptions &options,
                   std::vector<ObjPoint> *placed, std::string *error) {
    for (size_t i = 0; i < mesh.vertices.size(); i++) {
        const ObjPoint &source = mesh.vertices[i];
        ObjPoint p = placePoint(source, options);
        double *coordinates[3] = {&p.x, &p.y, &p.z};
        const double sourceOf[3] = {source.x, options.yUp ? source.z : source.y,
                                    options.yUp ? source.y : source.z};
        for (int k = 0; k < 3; k++)
            if (!roundAsWritten(coordinates[k])) {
                *error = located(mesh.path, mesh.vertexLines[i], "error",
                                 outOfRange(sourceOf[k], options));
                return false;
            }
        placed->push_back(p);
    }
    return true;
}

Vec3 asVec3(ObjPoint p) {
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// The normal as the game works it out from the corners it reads; false when
// they make no area there.
bool gameNormal(const ObjPoint *vertex, ObjPoint *normal) {
    Vec3 a = asVec3(vertex[0]);
    Vec3 n = vecCross(vecFromTo(a, asVec3(vertex[1])), vecFromTo(a, asVec3(vertex[2])));
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) return false;
    vecNormalize(&n);
    *normal = {n.x, n.y, n.z};
    return true;
}

int colourByte(double value) {
    return static_cast<int>(std::lround(std::min(255.0, std::max(0.0, value))));
}

void faceColour(const ObjMesh &mesh, const ObjFace &face, const ConvertOptions &options, int *rgb) {
    for (int c = 0; c < 3; c++)
        rgb[c] = face.material < 0 ? options.colour[c]
                                   : colourByte(mesh.materials[face.material].diffuse[c] * 255.0);
}

// Faces of one kind of doubt: how many, and the line of the first.
struct Doubt {
    int count = 0, firstLine = 0;
};

void note(Doubt *doubt, int line) {
    if (doubt->count == 0) doubt->firstLine = line;
    doubt->count++;
}

struct Doubts {
    Doubt bent, crossed, flat;
};

void splitInto(const std::vector<ObjPoint> &corners, int line, const FaceSplit &split,
               const int *rgb, std::vector<GameTriangle> *triangles, Doubts *doubts) {
    for (const CornerTriple &triple : split.triangles) {
        GameTriangle t;
        for (int k = 0; k < 3; k++) {
            t.vertex[k] = corners[triple.corner[k]];
            std::copy(rgb, rgb + 3, t.colour[k]);
        }
        if (gameNormal(t.vertex, &t.normal))
            triangles->push_back(t);
        else
            note(&doubts->flat, line);
    }
}

std::string others(int count, const char *what) {
    return count > 1 ? formatted("; %d more faces %s", count - 1, what) : "";
}

void warnOfDoubts(const ObjMesh &mesh, const Doubts &doubts, std::vector<std::string> *warnings) {
    if (doubts.bent.count > 0)
        warnings->push_back(located(
            mesh.path, doubts.bent.firstLine, "warning",
            formatted("this face is not flat enough to split faithfully: a corner lies off its "
                      "plane by more than %g%% of its size; flatten it in the modelling tool",
                      FLATNESS_TOLERANCE * 100) +
                others(doubts.bent.count, "are bent too")));
    if (doubts.crossed.count > 0)
        warnings->push_back(
            located(mesh.path, doubts.crossed.firstLine, "warning",
                    "the edges of this face cross each other, so its triangles overlap; "
                    "untangle it in the modelling tool" +
                        others(doubts.crossed.count, "cross themselves too")));
    if (doubts.flat.count > 0)
        warnings->push_back(located(
            mesh.path, doubts.flat.firstLine, "warning",
            formatted("%d triangle%s with no area as written (the corners on one line) %s left "
                      "out, the first from this line",
                      doubts.flat.count, doubts.flat.count == 1 ? "" : "s",
                      doubts.flat.count == 1 ? "is" : "are")));
}

void shadeColour(const ObjPoint &normal, int *rgb) {
    double facing = normal.x * LIGHT.x + normal.y * LIGHT.y + normal.z * LIGHT.z;
    double light = AMBIENT + (1.0 - AMBIENT) * std::max(0.0, facing);
    for (int c = 0; c < 3; c++) rgb[c] = colourByte(rgb[c] * light);
}

void writeTriple(FILE *file, const char *label, ObjPoint p) {
    char x[32], y[32], z[32];
    printNumber(x, sizeof x, p.x);
    printNumber(y, sizeof y, p.y);
    printNumber(z, sizeof z, p.z);
    fprintf(file, "%s [%s, %s, %s]\n", label, x, y, z);
}

bool writeTriangles(FILE *file, const std::vector<GameTriangle> &triangles) {
    fprintf(file, "triangles %zu\n", triangles.size());
    for (const GameTriangle &t : triangles) {
        writeTriple(file, "normal", t.normal);
        for (int k = 0; k < 3; k++) {
            fprintf(file, "colour [%d, %d, %d]\n", t.colour[k][0], t.colour[k][1], t.colour[k][2]);
            writeTriple(file, "vertex", t.vertex[k]);
        }
    }
    return !ferror(file);
}

bool cannotWrite(const std::string &path, const std::string &why, std::string *error) {
    *error = located(path, 0, "error", "cannot write: " + why);
    return false;
}

// Where an output goes: the path itself or, when that is a symbolic link,
// the file the link names. Only a regular file or nothing may be replaced;
// *mode is the mode the written file is to have.
bool findTarget(const std::string &path, std::string *target, mode_t *mode, std::string *error) {
    *target = path;
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) {
        mode_t mask = umask(0);
        umask(mask);
        *mode = 0666 & ~mask;
        return errno == ENOENT || cannotWrite(path, strerror(errno), error);
    }
    if (S_ISLNK(status.st_mode)) {
        char *resolved = realpath(path.c_str(), nullptr);
        if (!resolved)
            return cannotWrite(
                path, std::string("it is a symbolic link to no file: ") + strerror(errno), error);
        *target = resolved;
        free(resolved);
        if (stat(target->c_str(), &status) != 0) return cannotWrite(path, strerror(errno), error);
    }
    if (!S_ISREG(status.st_mode))
        return cannotWrite(path, notAFile(status.st_mode) + ", and is left as it is", error);
    *mode = status.st_mode & 07777;
    return true;
}

// A short name, so that a target name of any length the system takes leaves
// room for it.
FILE *openTemporary(const std::string &target, mode_t mode, std::string *name) {
    std::string pattern = folderOf(target) + ".skorvel-obj.XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int descriptor = mkstemp(buffer.data());
    if (descriptor < 0) return nullptr;
    *name = buffer.data();
    FILE *file = fchmod(descriptor, mode) == 0 ? fdopen(descriptor, "w") : nullptr;
    if (!file) {
        int cause = errno;
        close(descriptor);
        remove(name->c_str());
        errno = cause;
    }
    return file;
}

// Writes the triangles under a temporary name beside the target and puts
// that name in *temporary.
bool writeTemporary(const OutputFile &output, const std::string &target, mode_t mode,
                    std::string *temporary, std::string *error) {
    FILE *file = openTemporary(target, mode, temporary);
    if (!file) return cannotWrite(output.path, strerror(errno), error);
    bool written = writeTriangles(file, output.triangles);
    int cause = errno;
    if (fclose(file) != 0 && written) {
        cause = errno;
        written = false;
    }
    if (!written) {
        remove(temporary->c_str());
        return cannotWrite(output.path, strerror(cause), error);
    }
    return true;
}

}  // namespace

bool buildTriangles(const ObjMesh &mesh, const ConvertOptions &options,
                    std::vector<GameTriangle> *triangles, std::vector<std::string> *warnings,
                    std::string *error) {
    std::vector<ObjPoint> placed;
    if (!placeVertices(mesh, options, &placed, error)) return false;
    Doubts doubts;
    for (const ObjFace &face : mesh.faces) {
        std::vector<ObjPoint> corners;
        for (int index : face.corners) corners.push_back(placed[index]);
        FaceSplit split = splitFace(corners);
        if (split.triangles.empty()) {
            *error = located(mesh.path, face.line, "error",
                             formatted("this concave face has %zu corners, more than the %d "
                                       "skorvel-obj splits; triangulate it in the modelling tool",
                                       corners.size(), MOST_CLIPPED_CORNERS));
            return false;
        }
        if (split.offPlane > FLATNESS_TOLERANCE) note(&doubts.bent, face.line);
        if (split.crossed) note(&doubts.crossed, face.line);
        int rgb[3];
        faceColour(mesh, face, options, rgb);
        splitInto(corners, face.line, split, rgb, triangles, &doubts);
    }
    warnOfDoubts(mesh, doubts, warnings);
    if (!triangles->empty()) return true;
    *error = located(mesh.path, 0, "error",
                     mesh.faces.empty() ? "no faces; the game needs at least one triangle"
                                        : "no face has any area; the game needs at least one "
                                          "triangle");
    return false;
}

void shadeTriangles(std::vector<GameTriangle> *triangles) {
    for (GameTriangle &t : *triangles)
        for (int k = 0; k < 3; k++) shadeColour(t.normal, t.colour[k]);
}

bool writeTriangleFiles(const std::vector<OutputFile> &files, std::string *error) {
    std::vector<std::string> targets(files.size());
    std::vector<mode_t> modes(files.size());
    for (size_t i = 0; i < files.size(); i++)
        if (!findTarget(files[i].path, &targets[i], &modes[i], error)) return false;
    std::vector<std::string> temporaries;
    for (size_t i = 0; i < files.size(); i++) {
        std::string name;
        if (!writeTemporary(files[i], targets[i], modes[i], &name, error)) break;
        temporaries.push_back(name);
    }
    bool ok = temporaries.size() == files.size();
    for (size_t i = 0; ok && i < files.size(); i++) {
        if (rename(temporaries[i].c_str(), targets[i].c_str()) != 0)
            ok = cannotWrite(files[i].path, strerror(errno), error);
    }
    for (const std::string &name : temporaries) remove(name.c_str());
    return ok;
}
