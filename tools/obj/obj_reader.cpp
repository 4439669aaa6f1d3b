#include "obj/obj_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Where the reader stands: the file and line that any message names.
struct Place {
    std::string path;
    int line;
    ObjMesh *mesh;
    std::string *error;
};

const char *const SEPARATORS = " \t\r\n\v\f";

bool fail(Place *place, const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *place->error = place->path + ":" + std::to_string(place->line) + ": error: " + text;
    return false;
}

void warn(Place *place, const std::string &text) {
    place->mesh->warnings.push_back(place->path + ":" + std::to_string(place->line) +
                                    ": warning: " + text);
}

// The line's words, comment removed. The buffer is changed in place.
std::vector<char *> splitWords(char *line) {
    char *comment = strchr(line, '#');
    if (comment) *comment = '\0';
    std::vector<char *> words;
    char *rest = nullptr;
    for (char *word = strtok_r(line, SEPARATORS, &rest); word;
         word = strtok_r(nullptr, SEPARATORS, &rest))
        words.push_back(word);
    return words;
}

// A number too small for a double reads as 0; one too large does not read.
bool readNumber(Place *place, const char *word, double *value) {
    char *end = nullptr;
    *value = strtod(word, &end);
    if (end == word || *end != '\0' || !std::isfinite(*value))
        return fail(place, "'%s' is not a number", word);
    return true;
}

// Checks that the words after the keyword are between least and most numbers.
bool readNumbers(Place *place, const std::vector<char *> &words, size_t least, size_t most,
                 double *values) {
    size_t count = words.size() - 1;
    if (count < least)
        return fail(place, "'%s' needs at least %zu numbers, found %zu", words[0], least, count);
    for (size_t i = 0; i < count; i++) {
        double value;
        if (!readNumber(place, words[i + 1], &value)) return false;
        if (i < most) values[i] = value;
    }
    return true;
}

// One index of a corner: 1 is the first element defined, -1 the latest.
bool readIndex(Place *place, const char *text, const char *kind, int defined, int *index) {
    char *end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE)
        return fail(place, "%s index '%s' is not a whole number", kind, text);
    if (value == 0)
        return fail(place, "%s index 0: indices start at 1 (or -1 for the latest)", kind);
    long resolved = value > 0 ? value - 1 : defined + value;
    if (resolved < 0 || resolved >= defined)
        return fail(place, "%s index %ld is past the %d %s defined before this line", kind, value,
                    defined, kind);
    *index = static_cast<int>(resolved);
    return true;
}

// A corner written v, v/vt, v//vn or v/vt/vn; only the vertex is kept, the
// others are checked.
bool readCorner(Place *place, char *word, int *vertex) {
    const char *kinds[3] = {"vertex", "texture", "normal"};
    int defined[3] = {static_cast<int>(place->mesh->vertices.size()), place->mesh->texCoordCount,
                      place->mesh->normalCount};
    char *part = word;
    for (int k = 0; part; k++) {
        char *slash = strchr(part, '/');
        if (slash) *slash = '\0';
        if (k == 3) return fail(place, "a corner has at most three parts: v/vt/vn");
        int index = 0;
        bool optional = k > 0 && *part == '\0';
        if (!optional && !readIndex(place, part, kinds[k], defined[k], &index)) return false;
        if (k == 0) *vertex = index;
        part = slash ? slash + 1 : nullptr;
    }
    return true;
}

bool readFace(Place *place, const std::vector<char *> &words, int material) {
    if (words.size() < 4)
        return fail(place, "a face needs at least three corners, this one has %zu",
                    words.size() - 1);
    ObjFace face;
    face.material = material;
    face.line = place->line;
    for (size_t i = 1; i < words.size(); i++) {
        int vertex;
        if (!readCorner(place, words[i], &vertex)) return false;
        face.corners.push_back(vertex);
    }
    place->mesh->faces.push_back(face);
    return true;
}

// Runs statement on every line of the file; false if the file does not open.
template <typename Statement>
bool readLines(Place *place, Statement statement, bool *ok) {
    FILE *file = fopen(place->path.c_str(), "r");
    if (!file) return false;
    char *line = nullptr;
    size_t capacity = 0;
    *ok = true;
    for (place->line = 1; *ok && getline(&line, &capacity, file) != -1; place->line++) {
        std::vector<char *> words = splitWords(line);
        if (!words.empty()) *ok = statement(words);
    }
    free(line);
    fclose(file);
    return true;
}

// Kd may give one number for a grey, as the format allows.
bool readMaterialLine(Place *place, const std::vector<char *> &words) {
    std::vector<ObjMaterial> &materials = place->mesh->materials;
    if (strcmp(words[0], "newmtl") == 0) {
        if (words.size() < 2) return fail(place, "'newmtl' needs a name");
        materials.push_back(ObjMaterial{words[1], {0.8, 0.8, 0.8}});
    } else if (strcmp(words[0], "Kd") == 0 && !materials.empty()) {
        double *kd = materials.back().diffuse;
        if (!readNumbers(place, words, 1, 3, kd)) return false;
        if (words.size() < 4) kd[1] = kd[2] = kd[0];
    }
    return true;
}

std::string folderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool readLibraries(Place *place, const std::vector<char *> &words) {
    for (size_t i = 1; i < words.size(); i++) {
        Place library = {folderOf(place->path) + words[i], 0, place->mesh, place->error};
        bool ok;
        if (!readLines(
                &library,
                [&](const std::vector<char *> &w) { return readMaterialLine(&library, w); }, &ok)) {
            warn(place, std::string("material library '") + words[i] +
                            "' is not beside the .obj file; its faces take the --colour colour");
        } else if (!ok) {
            return false;
        }
    }
    return true;
}

int findMaterial(Place *place, const char *name) {
    const std::vector<ObjMaterial> &materials = place->mesh->materials;
    for (size_t i = 0; i < materials.size(); i++)
        if (materials[i].name == name) return static_cast<int>(i);
    warn(place, std::string("material '") + name +
                    "' is in no material library read so far; its faces take the --colour colour");
    return -1;
}

bool readStatement(Place *place, const std::vector<char *> &words, int *material) {
    const char *keyword = words[0];
    double xyz[3];
    ObjMesh *mesh = place->mesh;
    if (strcmp(keyword, "v") == 0) {
        if (!readNumbers(place, words, 3, 3, xyz)) return false;
        mesh->vertices.push_back(ObjPoint{xyz[0], xyz[1], xyz[2]});
    } else if (strcmp(keyword, "vt") == 0) {
        if (!readNumbers(place, words, 1, 3, xyz)) return false;
        mesh->texCoordCount++;
    } else if (strcmp(keyword, "vn") == 0) {
        if (!readNumbers(place, words, 3, 3, xyz)) return false;
        mesh->normalCount++;
    } else if (strcmp(keyword, "f") == 0) {
        return readFace(place, words, *material);
    } else if (strcmp(keyword, "mtllib") == 0) {
        return readLibraries(place, words);
    } else if (strcmp(keyword, "usemtl") == 0) {
        *material = words.size() < 2 ? -1 : findMaterial(place, words[1]);
    }
    // o, g, s and anything else change nothing that the game's files hold.
    return true;
}

}  // namespace

bool readObj(const char *path, ObjMesh *mesh, std::string *error) {
    *mesh = ObjMesh();
    Place place = {path, 0, mesh, error};
    int material = -1;
    bool ok;
    if (!readLines(
            &place,
            [&](const std::vector<char *> &words) {
                return readStatement(&place, words, &material);
            },
            &ok)) {
        *error = std::string(path) + ": error: cannot open: " + strerror(errno);
        return false;
    }
    return ok;
}
