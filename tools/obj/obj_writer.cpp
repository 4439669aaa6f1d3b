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

#include "obj/light.h"
#include "obj/obj_text.h"
#include "obj/triangulate.h"
#include "physics/vec.h"

namespace {

// Y up to Z up is a rotation about x, so the corners keep their turn.
ObjPoint turnUp(ObjPoint p, const ConvertOptions &options) {
    return options.yUp ? ObjPoint{p.x, -p.z, p.y} : p;
}

ObjPoint placePoint(ObjPoint p, const ConvertOptions &options) {
    p = turnUp(p, options);
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
    Vec3 n = vecFaceNormal(asVec3(vertex[0]), asVec3(vertex[1]), asVec3(vertex[2]));
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) return false;
    vecNormalize(&n);
    *normal = {n.x, n.y, n.z};
    return true;
}

// How the triangles of one face are coloured.
struct Paint {
    int rgb[3];
    ObjMaterial material;  // its shading; the default one for a face without
};

Paint facePaint(const ObjMesh &mesh, const ObjFace &face, const ConvertOptions &options) {
    Paint paint;
    if (face.material >= 0) paint.material = mesh.materials[face.material];
    for (int c = 0; c < 3; c++)
        paint.rgb[c] =
            face.material < 0 ? options.colour[c] : colourByte(paint.material.diffuse[c]);
    return paint;
}

bool isZero(ObjPoint p) { return p.x == 0.0 && p.y == 0.0 && p.z == 0.0; }

// The unit normal the light meets at a corner: the one the file gives the
// corner, in the game's axes; when it gives none (or one of no length), the
// face's, so that a face shows one colour however it is split; the
// triangle's when the face's corners enclose no area.
ObjPoint cornerNormal(const ObjMesh &mesh, int index, const ConvertOptions &options,
                      const FaceSplit &split, ObjPoint triangleNormal) {
    ObjPoint fallback = isZero(split.facing) ? triangleNormal : split.facing;
    if (index < 0) return fallback;
    ObjPoint n = turnUp(mesh.normals[index], options);
    double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(length > 0.0 && std::isfinite(length))) return fallback;
    return {n.x / length, n.y / length, n.z / length};
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

void splitInto(const ObjMesh &mesh, const ObjFace &face, const std::vector<ObjPoint> &corners,
               const FaceSplit &split, const ConvertOptions &options,
               std::vector<GameTriangle> *triangles, Doubts *doubts) {
    Paint paint = facePaint(mesh, face, options);
    for (const CornerTriple &triple : split.triangles) {
        GameTriangle t;
        for (int k = 0; k < 3; k++) t.vertex[k] = corners[triple.corner[k]];
        if (!gameNormal(t.vertex, &t.normal)) {
            note(&doubts->flat, face.line);
            continue;
        }
        for (int k = 0; k < 3; k++) {
            std::copy(paint.rgb, paint.rgb + 3, t.colour[k]);
            if (!options.shade) continue;
            int normal = face.normals[triple.corner[k]];
            shadeColour(paint.material, paint.rgb,
                        cornerNormal(mesh, normal, options, split, t.normal), t.colour[k]);
        }
        triangles->push_back(t);
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
        splitInto(mesh, face, corners, split, options, triangles, &doubts);
    }
    warnOfDoubts(mesh, doubts, warnings);
    if (!triangles->empty()) return true;
    *error = located(mesh.path, 0, "error",
                     mesh.faces.empty() ? "no faces; the game needs at least one triangle"
                                        : "no face has any area; the game needs at least one "
                                          "triangle");
    return false;
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
