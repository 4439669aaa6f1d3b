#include "obj/obj_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "obj/obj_text.h"

namespace {

// What the reading of one .obj file keeps across its statements and its
// material libraries.
struct Reading {
    ObjMesh *mesh;
    std::string *error;
    int material = -1;  // the one the latest usemtl named
    std::map<std::string, int> materialIndex;
    std::set<std::string> librariesTried;
    std::set<std::string> unknownMaterials;
};

// Where the reader stands: the file and line that any message names.
struct Place {
    std::string path;
    int line;
    Reading *reading;
};

const char *const SEPARATORS = " \t\r\n\v\f";

bool fail(Place *place, const std::string &text) {
    *place->reading->error = located(place->path, place->line, "error", text);
    return false;
}

void warn(Place *place, const std::string &text) {
    place->reading->mesh->warnings.push_back(located(place->path, place->line, "warning", text));
}

// The first word of a statement, and where it ends.
std::string keywordOf(const std::string &text, size_t *end) {
    size_t start = text.find_first_not_of(SEPARATORS);
    if (start == std::string::npos) start = text.size();
    *end = text.find_first_of(SEPARATORS, start);
    if (*end == std::string::npos) *end = text.size();
    return text.substr(start, *end - start);
}

// A name is the rest of the line, trimmed, as exporters write names with
// spaces (or a #) in them.
std::string nameAfter(const std::string &text, size_t end) {
    size_t start = text.find_first_not_of(SEPARATORS, end);
    if (start == std::string::npos) return "";
    return text.substr(start, text.find_last_not_of(SEPARATORS) + 1 - start);
}

// The statement's words, comment removed. The text is changed in place.
std::vector<char *> splitWords(std::string *text) {
    char *line = &(*text)[0];
    char *comment = strchr(line, '#');
    if (comment) *comment = '\0';
    std::vector<char *> words;
    char *rest = nullptr;
    for (char *word = strtok_r(line, SEPARATORS, &rest); word;
         word = strtok_r(nullptr, SEPARATORS, &rest))
        words.push_back(word);
    return words;
}

std::string describeNumber(const char *word) {
    if (isDecimal(word)) return formatted("'%s' is too large a number", word);
    return formatted("'%s' is not a number: OBJ numbers are decimal, such as -1.25 or 2e-3", word);
}

// Checks that the words after the keyword are at least least numbers, and
// keeps the first three of them.
bool readNumbers(Place *place, const std::vector<char *> &words, size_t least, double values[3]) {
    size_t count = words.size() - 1;
    if (count < least)
        return fail(place, formatted("'%s' needs at least %zu number%s, found %zu", words[0], least,
                                     least == 1 ? "" : "s", count));
    for (size_t i = 0; i < count; i++) {
        double value;
        if (!readDecimal(words[i + 1], &value)) return fail(place, describeNumber(words[i + 1]));
        if (i < 3) values[i] = value;
    }
    return true;
}

struct IndexKind {
    const char *name, *one, *many;
};
const IndexKind INDEX_KINDS[3] = {{"vertex", "vertex", "vertices"},
                                  {"texture", "texture coordinate", "texture coordinates"},
                                  {"normal", "normal", "normals"}};

std::string pastTheDefined(const IndexKind &kind, long value, int defined) {
    if (defined == 0)
        return formatted("%s index %ld: no %s are defined before this line", kind.name, value,
                         kind.many);
    if (defined == 1)
        return formatted("%s index %ld is past the one %s defined before this line", kind.name,
                         value, kind.one);
    return formatted("%s index %ld is past the %d %s defined before this line", kind.name, value,
                     defined, kind.many);
}

// One index of a corner: 1 is the first element defined, -1 the latest.
bool readIndex(Place *place, const char *text, const IndexKind &kind, int defined, int *index) {
    char *end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE)
        return fail(place, formatted("%s index '%s' is not a whole number", kind.name, text));
    if (value == 0)
        return fail(place,
                    formatted("%s index 0: indices start at 1 (or -1 for the latest)", kind.name));
    long resolved = value > 0 ? value - 1 : defined + value;
    if (resolved < 0 || resolved >= defined)
        return fail(place, pastTheDefined(kind, value, defined));
    *index = static_cast<int>(resolved);
    return true;
}

// A corner written v, v/vt, v//vn or v/vt/vn; the vertex and the normal
// (-1 when there is none) are kept, the texture coordinate is checked.
bool readCorner(Place *place, char *word, int *vertex, int *normal) {
    const ObjMesh &mesh = *place->reading->mesh;
    int defined[3] = {static_cast<int>(mesh.vertices.size()), mesh.texCoordCount,
                      static_cast<int>(mesh.normals.size())};
    int *kept[3] = {vertex, nullptr, normal};
    *normal = -1;
    char *part = word;
    for (int k = 0; part; k++) {
        char *slash = strchr(part, '/');
        if (slash) *slash = '\0';
        if (k == 3) return fail(place, "a corner has at most three parts: v/vt/vn");
        int index = 0;
        bool optional = k > 0 && *part == '\0';
        if (!optional && !readIndex(place, part, INDEX_KINDS[k], defined[k], &index)) return false;
        if (!optional && kept[k]) *kept[k] = index;
        part = slash ? slash + 1 : nullptr;
    }
    return true;
}

bool readFace(Place *place, const std::vector<char *> &words) {
    if (words.size() < 4)
        return fail(place, formatted("a face needs at least three corners, this one has %zu",
                                     words.size() - 1));
    ObjFace face;
    face.material = place->reading->material;
    face.line = place->line;
    for (size_t i = 1; i < words.size(); i++) {
        int vertex, normal;
        if (!readCorner(place, words[i], &vertex, &normal)) return false;
        face.corners.push_back(vertex);
        face.normals.push_back(normal);
    }
    place->reading->mesh->faces.push_back(face);
    return true;
}

// Reads the statements of an open file, up to its end or until statement
// gives false. A line too long or a read error is an error when fatal, or
// else a warning after which the rest of the file is skipped.
template <typename Statement>
bool readFile(FILE *file, Place *place, bool fatal, Statement statement) {
    TextReader reader = {file, 1};
    std::string text;
    for (;;) {
        StatementStatus status = readStatement(&reader, &text, &place->line);
        if (status == STATEMENT_END) return true;
        if (status == STATEMENT_READ) {
            if (!statement(text)) return false;
            continue;
        }
        std::string problem =
            status == STATEMENT_TOO_LONG
                ? formatted("the line is longer than %zu bytes (1 MB); no statement needs that",
                            LONGEST_STATEMENT)
                : std::string("cannot read this line: ") + strerror(errno);
        if (fatal) return fail(place, problem);
        warn(place, problem + "; the rest of the file is skipped");
        return true;
    }
}

// Kd, Ka and Ks may give one number for a grey, as the format allows; their
// spectral and xyz forms are not read. Ns is one number, 0 or more.
void readMaterialValues(Place *place, const std::string &keyword, std::string *text,
                        ObjMaterial *material) {
    std::string statement = nameAfter(*text, 0);
    std::vector<char *> words = splitWords(text);
    bool exponent = keyword == "Ns";
    double values[3];
    bool numbers = words.size() == 2 || (!exponent && words.size() == 4);
    for (size_t i = 1; numbers && i < words.size(); i++)
        numbers = readDecimal(words[i], &values[i - 1]);
    if (!numbers || (exponent && values[0] < 0.0)) {
        std::string forms = exponent ? "'Ns NUMBER' from 0 up is"
                                     : "'" + keyword + " R G B' and '" + keyword + " GREY' are";
        warn(place, "'" + statement + "' is not read, only " + forms + ": '" + material->name +
                        "' keeps the value it had (see skorvel-obj --help)");
        return;
    }
    if (exponent) {
        material->shininess = values[0];
        return;
    }
    if (words.size() == 2) values[1] = values[2] = values[0];
    double *target = keyword == "Kd"   ? material->diffuse
                     : keyword == "Ka" ? material->ambient
                                       : material->specular;
    std::copy(values, values + 3, target);
}

void readMaterialStatement(Place *place, std::string *text, int *current) {
    ObjMesh *mesh = place->reading->mesh;
    size_t end;
    std::string keyword = keywordOf(*text, &end);
    if (keyword == "newmtl") {
        std::string name = nameAfter(*text, end);
        *current = -1;
        if (name.empty()) {
            warn(place, "'newmtl' without a name: its statements are skipped");
            return;
        }
        *current = static_cast<int>(mesh->materials.size());
        mesh->materials.push_back(ObjMaterial());
        mesh->materials.back().name = name;
        // The first material of a name is the one that counts.
        place->reading->materialIndex.insert({name, *current});
    } else if ((keyword == "Kd" || keyword == "Ka" || keyword == "Ks" || keyword == "Ns") &&
               *current >= 0) {
        readMaterialValues(place, keyword, text, &mesh->materials[*current]);
    }
}

std::string besideObj(const Place &place, const std::string &name) {
    return name[0] == '/' ? name : folderOf(place.path) + name;
}

void readLibrary(Place *place, const std::string &name) {
    std::string path = besideObj(*place, name);
    if (!place->reading->librariesTried.insert(path).second) return;
    std::string why;
    FILE *file = openTextFile(path, &why);
    if (!file) {
        warn(place, "material library '" + name + "' cannot be read (" + why +
                        "); the faces of its materials take the --colour colour");
        return;
    }
    Place library = {path, 0, place->reading};
    int current = -1;
    readFile(file, &library, false, [&](std::string &text) {
        readMaterialStatement(&library, &text, &current);
        return true;
    });
    fclose(file);
}

// Blender writes a library name with spaces as it is; other tools list
// several names on one line.
void readLibraries(Place *place, const std::string &names) {
    if (names.empty()) return;
    struct stat status;
    if (stat(besideObj(*place, names).c_str(), &status) == 0) {
        readLibrary(place, names);
        return;
    }
    std::string text = names;
    for (char *word : splitWords(&text)) readLibrary(place, word);
}

void useMaterial(Place *place, const std::string &name) {
    Reading *reading = place->reading;
    reading->material = -1;
    if (name.empty()) return;
    auto found = reading->materialIndex.find(name);
    if (found != reading->materialIndex.end()) {
        reading->material = found->second;
    } else if (reading->unknownMaterials.insert(name).second) {
        warn(place, "material '" + name +
                        "' is in no material library read so far; its faces take the --colour "
                        "colour");
    }
}

bool readStatement(Place *place, std::string *text) {
    size_t end;
    std::string keyword = keywordOf(*text, &end);
    if (keyword == "mtllib") {
        readLibraries(place, nameAfter(*text, end));
        return true;
    }
    if (keyword == "usemtl") {
        useMaterial(place, nameAfter(*text, end));
        return true;
    }
    std::vector<char *> words = splitWords(text);
    double xyz[3];
    ObjMesh *mesh = place->reading->mesh;
    if (keyword == "v") {
        if (!readNumbers(place, words, 3, xyz)) return false;
        mesh->vertices.push_back(ObjPoint{xyz[0], xyz[1], xyz[2]});
        mesh->vertexLines.push_back(place->line);
    } else if (keyword == "vt") {
        if (!readNumbers(place, words, 1, xyz)) return false;
        mesh->texCoordCount++;
    } else if (keyword == "vn") {
        if (!readNumbers(place, words, 3, xyz)) return false;
        mesh->normals.push_back(ObjPoint{xyz[0], xyz[1], xyz[2]});
    } else if (keyword == "f") {
        return readFace(place, words);
    }
    // o, g, s and anything else change nothing that the game's files hold.
    return true;
}

}  // namespace

bool readObj(const char *path, ObjMesh *mesh, std::string *error) {
    *mesh = ObjMesh();
    mesh->path = path;
    Reading reading;
    reading.mesh = mesh;
    reading.error = error;
    Place place = {path, 0, &reading};
    std::string why;
    FILE *file = openTextFile(path, &why);
    if (!file) return fail(&place, "cannot read: " + why);
    bool ok = readFile(file, &place, true,
                       [&](std::string &text) { return readStatement(&place, &text); });
    fclose(file);
    return ok;
}
