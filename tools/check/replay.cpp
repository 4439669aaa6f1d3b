#include "check/replay.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "check/line_diagnosis.h"
#include "scene/line_reader.h"

// An open data file with its whole text, for mapping positions to lines.
struct Reader {
    FILE *file = nullptr;
    std::string path;
    std::string text;
    std::vector<long> lineStarts;  // the offset where each line begins
    int labelMax = 0;
    Report *report = nullptr;
    // One reading error per file: once reading is out of step, what follows
    // is only its echo.
    bool reported = false;
    // The scene list pairs its words wherever the lines break.
    bool wordsAnywhere = false;
};

static bool openReader(Reader *reader, const std::string &path, int labelMax, Report *report) {
    reader->path = path;
    reader->labelMax = labelMax;
    reader->report = report;
    // As the game does: a device, a FIFO or a folder is no file to read.
    reader->file = openDataFile(path.c_str());
    if (!reader->file) return false;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, reader->file)) > 0)
        reader->text.append(buffer, got);
    rewind(reader->file);
    reader->lineStarts.push_back(0);
    for (size_t i = 0; i < reader->text.size(); i++)
        if (reader->text[i] == '\n') reader->lineStarts.push_back(static_cast<long>(i) + 1);
    return true;
}

static void closeReader(Reader *reader) {
    if (reader->file) fclose(reader->file);
    reader->file = nullptr;
}

static long sizeOf(const Reader &reader) { return static_cast<long>(reader.text.size()); }

static long firstNonSpace(const Reader &reader, long offset) {
    while (offset < sizeOf(reader) && isspace(static_cast<unsigned char>(reader.text[offset])))
        offset++;
    return offset;
}

static int lineOfOffset(const Reader &reader, long offset) {
    auto after = std::upper_bound(reader.lineStarts.begin(), reader.lineStarts.end(), offset);
    return static_cast<int>(after - reader.lineStarts.begin());
}

// The line an item starting at this position is read from: white space
// before it, line breaks included, is skipped as fscanf skips it.
static int itemLine(const Reader &reader, long start) {
    return lineOfOffset(reader, firstNonSpace(reader, start));
}

static std::string lineText(const Reader &reader, int line) {
    if (line < 1 || line > static_cast<int>(reader.lineStarts.size())) return "";
    long at = reader.lineStarts[line - 1];
    long end = at;
    while (end < sizeOf(reader) && reader.text[end] != '\n') end++;
    std::string text = reader.text.substr(at, end - at);
    while (!text.empty() && isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return text;
}

// Text left over on the line before the item that starts at this position:
// the item reads it as its label, and reads on out of step.
static bool reportLeftover(Reader *reader, long start) {
    if (reader->reported || reader->wordsAnywhere || start == 0 || reader->text[start - 1] == '\n')
        return false;
    long lineEnd = start;
    while (lineEnd < sizeOf(*reader) && reader->text[lineEnd] != '\n') lineEnd++;
    std::string rest = trimmed(reader->text.substr(start, lineEnd - start));
    if (rest.empty()) return false;
    reader->reported = true;
    addError(reader->report, reader->path, lineOfOffset(*reader, start), whyLeftover(rest));
    return true;
}

// Reports why the item that starts at this position could not be read.
static void reportFailure(Reader *reader, long start, ItemKind kind, const std::string &what) {
    if (reportLeftover(reader, start) || reader->reported) return;
    reader->reported = true;
    long at = firstNonSpace(*reader, start);
    int line = lineOfOffset(*reader, at);
    if (at >= sizeOf(*reader)) {
        addError(reader->report, reader->path, line, "the file ends before the " + what);
        return;
    }
    std::string content = lineText(*reader, line);
    std::string why = whyItemFails(content, kind);
    addError(reader->report, reader->path, line, "cannot read the " + what + ": " + why);
}

static bool vectorItem(Reader *reader, const std::string &what, Vec3 *v, int *line) {
    long start = ftell(reader->file);
    reportLeftover(reader, start);
    if (line) *line = itemLine(*reader, start);
    if (readVec3Line(reader->file, reader->labelMax, v)) return true;
    reportFailure(reader, start, ITEM_VECTOR, what);
    return false;
}

static bool floatItem(Reader *reader, const std::string &what, float *value) {
    long start = ftell(reader->file);
    reportLeftover(reader, start);
    if (readFloatLine(reader->file, reader->labelMax, value)) return true;
    reportFailure(reader, start, ITEM_FLOAT, what);
    return false;
}

static bool integerItem(Reader *reader, const std::string &what, int32_t *value, int *line) {
    long start = ftell(reader->file);
    reportLeftover(reader, start);
    *line = itemLine(*reader, start);
    if (readIntegerLine(reader->file, reader->labelMax, value)) return true;
    reportFailure(reader, start, ITEM_INTEGER, what);
    return false;
}

static bool nameItem(Reader *reader, const std::string &what, std::string *name, int *line) {
    long start = ftell(reader->file);
    reportLeftover(reader, start);
    *line = itemLine(*reader, start);
    char buffer[FILE_NAME_MAX + 1];
    if (readNameLine(reader->file, reader->labelMax, buffer)) {
        *name = buffer;
        return true;
    }
    reportFailure(reader, start, ITEM_NAME, what);
    return false;
}

// True when nothing but white space is left from this position on.
static bool atEnd(const Reader &reader, long position) {
    return firstNonSpace(reader, position) >= sizeOf(reader);
}

// --- Model and collision files --------------------------------------------

static bool readHeader(Reader *reader, TriangleFile *result) {
    int line = 1;
    int32_t count = 0;
    if (!integerItem(reader, "triangle count", &count, &line)) return false;
    result->declared = count;
    if (count >= 1) return true;
    addError(
        reader->report, reader->path, line,
        format("the triangle count is %d: set it to the number of triangles (at least 1)", count));
    return false;
}

// One corner as the loaders read it: its colour line, then its vertex line.
// The model loader reads on after a bad line; the collision loader stops.
static bool readCorner(Reader *reader, Triangle *triangle, int corner, TriangleFileKind kind) {
    unsigned short *colour = triangle->colour[corner];
    colour[0] = colour[1] = colour[2] = 128;
    long start = ftell(reader->file);
    reportLeftover(reader, start);
    triangle->colourLine[corner] = itemLine(*reader, start);
    bool good = readColourLine(reader->file, reader->labelMax, &colour[0], &colour[1], &colour[2]);
    if (!good) {
        reportFailure(reader, start, ITEM_COLOUR, "colour");
        if (kind == COLLISION_FILE) return false;
    }
    Vec3 *vertex = &triangle->corner[corner];
    *vertex = {0.0f, 0.0f, 0.0f};
    return vectorItem(reader, "vertex", vertex, nullptr) || kind == MODEL_FILE;
}

static void readTriangles(Reader *reader, TriangleFile *result, TriangleFileKind kind) {
    // As in the loaders, the character skipped before each triangle is the
    // line break that ends the line before it.
    while (getc(reader->file) != EOF) {
        Triangle triangle = {};
        long start = ftell(reader->file);
        if (!atEnd(*reader, start)) reportLeftover(reader, start);
        triangle.line = itemLine(*reader, start);
        if (!readVec3Line(reader->file, reader->labelMax, &triangle.normal)) {
            // Past the last triangle this is the end of the file; anywhere
            // else the loaders silently drop this triangle and all after it.
            if (!atEnd(*reader, start)) reportFailure(reader, start, ITEM_VECTOR, "normal");
            break;
        }
        bool good = true;
        for (int corner = 0; corner < 3 && good; corner++)
            good = readCorner(reader, &triangle, corner, kind);
        if (!good) {
            result->accepted = false;
            return;
        }
        result->triangles.push_back(triangle);
    }
    int found = static_cast<int>(result->triangles.size());
    if (found == result->declared) return;
    bool refused = kind == COLLISION_FILE && found < result->declared;
    if (refused) result->accepted = false;
    // After a reading error the count is only its echo.
    if (reader->reported) return;
    addDiagnostic(reader->report, reader->path, 1, refused ? SEVERITY_ERROR : SEVERITY_WARNING,
                  format("the header says %d triangles but %d follow: set the count to %d",
                         result->declared, found, found));
}

static TriangleFile readTriangleFile(const std::string &path, TriangleFileKind kind,
                                     Report *report) {
    TriangleFile result;
    Reader reader;
    if (!openReader(&reader, path, MODEL_LABEL_MAX, report)) return result;
    result.opened = true;
    result.size = sizeOf(reader);
    if (readHeader(&reader, &result)) {
        result.accepted = true;
        readTriangles(&reader, &result, kind);
    }
    result.readingError = reader.reported;
    closeReader(&reader);
    return result;
}

const TriangleFile &replayTriangleFile(FileCache *cache, const std::string &path,
                                       TriangleFileKind kind, Report *report) {
    std::map<std::string, TriangleFile> &files = kind == MODEL_FILE ? cache->models : cache->meshes;
    auto found = files.find(path);
    if (found != files.end()) return found->second;
    return files[path] = readTriangleFile(path, kind, report);
}

// --- Scene files ----------------------------------------------------------

// A name line that names no file; a line of one word has lost its label,
// and the game read the next line's label as the name.
static void reportMissingFile(Reader *reader, const std::string &what, const std::string &name,
                              int line) {
    reader->reported = true;
    if (wordCount(lineText(*reader, line)) == 1)
        addError(reader->report, reader->path, line,
                 format("the %s line has no label, so the game reads '%s' as the file name: "
                        "write a label word before the name",
                        what.c_str(), name.c_str()));
    else
        addError(reader->report, reader->path, line,
                 format("cannot open the %s '%s': check the name, relative to the level folder",
                        what.c_str(), name.c_str()));
}

// A model or collision line, and the file it names replayed.
static bool fileItem(Reader *reader, FileCache *cache, const std::string &what,
                     TriangleFileKind kind, std::string *name, int *line) {
    if (!nameItem(reader, what, name, line)) return false;
    const TriangleFile &file = replayTriangleFile(cache, *name, kind, reader->report);
    if (!file.opened && !reader->reported) reportMissingFile(reader, what, *name, *line);
    return file.accepted;
}

static bool readBody(Reader *reader, FileCache *cache, const std::string &what, BodyLines *body) {
    if (!vectorItem(reader, what + " position", &body->body.startPosition, &body->positionLine))
        return false;
    body->body.position = body->body.startPosition;
    body->body.active = 1;
    return floatItem(reader, what + " radius", &body->body.radius) &&
           floatItem(reader, what + " mass", &body->body.mass) &&
           fileItem(reader, cache, what + " model", MODEL_FILE, &body->model, &body->modelLine);
}

static bool readSceneLines(Reader *reader, FileCache *cache, SceneFile *scene) {
    return vectorItem(reader, "background colour", &scene->background, &scene->backgroundLine) &&
           vectorItem(reader, "overlay colour", &scene->hud, &scene->hudLine) &&
           floatItem(reader, "fall-out height", &scene->fallHeight) &&
           fileItem(reader, cache, "lane model", MODEL_FILE, &scene->lane, &scene->laneLine) &&
           fileItem(reader, cache, "collision file", COLLISION_FILE, &scene->collision,
                    &scene->collisionLine) &&
           vectorItem(reader, "camera position", &scene->camera, nullptr) &&
           integerItem(reader, "pin count", &scene->pinCount, &scene->pinCountLine) &&
           readBody(reader, cache, "ball", &scene->ball);
}

// Pin blocks after the counted ones, which the game never reads.
static int countExtraPins(Reader *reader, FileCache *cache) {
    Report ignored;
    Reader quiet = *reader;
    quiet.report = &ignored;
    quiet.reported = true;
    int extra = 0;
    BodyLines pin;
    while (!atEnd(quiet, ftell(quiet.file)) && readBody(&quiet, cache, "pin", &pin)) extra++;
    return extra;
}

static bool readPins(Reader *reader, FileCache *cache, SceneFile *scene) {
    if (scene->pinCount <= 0) return true;
    int32_t room = roomForItems(reader->file, scene->pinCount, SHORTEST_PIN_BLOCK);
    for (int32_t i = 0; i < scene->pinCount; i++) {
        BodyLines pin;
        if (atEnd(*reader, ftell(reader->file))) {
            addError(reader->report, reader->path, scene->pinCountLine,
                     format("the pin count is %d but %d complete pin blocks follow: set it to %d",
                            scene->pinCount, i, i));
            return false;
        }
        if (i == room || !readBody(reader, cache, format("pin %d", i + 1), &pin)) return false;
        scene->pins.push_back(pin);
    }
    int extra = countExtraPins(reader, cache);
    if (extra > 0)
        addError(reader->report, reader->path, scene->pinCountLine,
                 format("the pin count is %d but %d pin blocks follow, and the game ignores "
                        "the last %d: set it to %d",
                        scene->pinCount, scene->pinCount + extra, extra, scene->pinCount + extra));
    return true;
}

SceneFile replayScene(FileCache *cache, const std::string &path, Report *report) {
    SceneFile scene;
    Reader reader;
    if (!openReader(&reader, path, SCENE_LABEL_MAX, report)) return scene;
    scene.opened = true;
    scene.accepted = readSceneLines(&reader, cache, &scene) && readPins(&reader, cache, &scene);
    closeReader(&reader);
    return scene;
}

// --- Scene list -----------------------------------------------------------

static void reportUncountedEntries(Reader *reader, SceneListFile *list, int countLine) {
    std::vector<std::string> extra;
    std::string name;
    int line = 0;
    reader->reported = true;  // reading past the entries is only a look ahead
    while (!atEnd(*reader, ftell(reader->file)) && nameItem(reader, "entry", &name, &line))
        extra.push_back(name);
    if (extra.empty()) return;
    int total = list->count + static_cast<int>(extra.size());
    addError(reader->report, reader->path, countLine,
             format("the count is %d but %d entries follow: '%s' (line %d) becomes the frozen "
                    "closing scene and the %d after it %s never played; set the count to %d",
                    list->count, total, list->names.back().c_str(), list->lines.back(),
                    static_cast<int>(extra.size()), extra.size() == 1 ? "is" : "are", total));
}

SceneListFile replaySceneList(const std::string &path, Report *report) {
    SceneListFile list;
    Reader reader;
    if (!openReader(&reader, path, SCENE_LIST_LABEL_MAX, report)) return list;
    reader.wordsAnywhere = true;
    list.opened = true;
    int countLine = 1;
    int32_t count = 0;
    if (!integerItem(&reader, "scene count", &count, &countLine)) {
        closeReader(&reader);
        return list;
    }
    list.count = count;
    if (count < 1) {
        addError(report, path, countLine,
                 format("the scene count is %d: set it to the number of entries", count));
        closeReader(&reader);
        return list;
    }
    int32_t room = roomForItems(reader.file, count, SHORTEST_LIST_ENTRY);
    for (int32_t i = 0; i < count; i++) {
        std::string name;
        int line = 0;
        bool ended = atEnd(reader, ftell(reader.file));
        if (ended)
            addError(report, path, countLine,
                     format("the count is %d but %d entries follow: set it to %d", count, i, i));
        if (ended || i == room || !nameItem(&reader, "entry", &name, &line)) {
            closeReader(&reader);
            return list;
        }
        list.names.push_back(name);
        list.lines.push_back(line);
    }
    list.accepted = true;
    reportUncountedEntries(&reader, &list, countLine);
    closeReader(&reader);
    return list;
}

int firstMisshapenEntry(const std::string &path) {
    Reader reader;
    Report ignored;
    if (!openReader(&reader, path, SCENE_LIST_LABEL_MAX, &ignored)) return 0;
    closeReader(&reader);
    int lines = lineOfOffset(reader, sizeOf(reader));
    for (int line = 2; line <= lines; line++) {
        int words = wordCount(lineText(reader, line));
        if (words != 0 && words != 2) return line;
    }
    return 0;
}
