#include "check/traced_read.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "flow/world.h"
#include "scene/scene.h"

// The loaders' log lines go nowhere while they run: the checker speaks for
// them. Returns the descriptor that restoreLog puts back.
static int silenceLog() {
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int sink = open("/dev/null", O_WRONLY);
    if (sink >= 0) {
        dup2(sink, STDOUT_FILENO);
        close(sink);
    }
    return saved;
}

static void restoreLog(int saved) {
    fflush(stdout);
    if (saved < 0) return;
    dup2(saved, STDOUT_FILENO);
    close(saved);
}

long sizeOf(const FileText &file) { return static_cast<long>(file.text.size()); }

// How much text past the farthest place the loader read is kept: enough to
// tell what follows it, and never a whole huge file the game only began.
static const long TEXT_PAST_READING = 1 << 20;

static void readText(const std::string &path, long length, FileText *file) {
    FILE *stream = openDataFile(path.c_str());
    if (!stream) return;
    char buffer[1 << 16];
    size_t got;
    while (sizeOf(*file) < length && (got = fread(buffer, 1, sizeof buffer, stream)) > 0)
        file->text.append(buffer, got);
    fclose(stream);
    const std::string &text = file->text;
    file->lineStarts.push_back(0);
    for (size_t i = 0; i < text.size(); i++)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            file->lineStarts.push_back(static_cast<long>(i) + 1);
}

// The items of the traced file, each name line marked with whether the file
// the loader opened after it could be opened.
static void takeTrace(const ReadTrace &trace, TracedRead *read) {
    for (int32_t i = 0; i < trace.count; i++) {
        const TraceEntry &entry = trace.entries[i];
        if (entry.kind == TRACE_OPEN) {
            if (i == 0)
                read->opened = entry.stream != nullptr;
            else if (!read->items.empty())
                read->items.back().opened = entry.stream ? Item::OPENED : Item::NOT_OPENED;
            continue;
        }
        Item item = {entry.kind, entry.good != 0, entry.item, entry.start,
                     entry.end,  {0, 0, 0},       0,          Item::NOTHING_OPENED};
        if (entry.kind == TRACE_INTEGER)
            item.count = entry.count;
        else
            std::copy(entry.value, entry.value + 3, item.value);
        read->items.push_back(item);
    }
}

enum Loader { LOAD_SCENE_LIST, LOAD_SCENE, LOAD_MODEL, LOAD_COLLISION };

static bool runLoader(Loader loader, const char *path, SceneList *list) {
    switch (loader) {
        case LOAD_SCENE_LIST:
            return loadSceneList(path, list) == 1;
        case LOAD_SCENE:
            return readScene(path) == 1;
        case LOAD_MODEL:
            return loadModel(path) == 1;
        case LOAD_COLLISION: {
            CollisionTriangle *mesh = loadCollisionMesh(path);
            freeCollisionMesh(mesh);
            return mesh != nullptr;
        }
    }
    return false;
}

static TracedRead traced(Loader loader, const std::string &path, SceneList *list) {
    TracedRead read;
    ReadTrace trace = {};
    int saved = silenceLog();
    readTrace = &trace;
    read.accepted = runLoader(loader, path.c_str(), list);
    readTrace = nullptr;
    restoreLog(saved);
    takeTrace(trace, &read);
    freeTrace(&trace);
    long farthest = 0;
    for (const Item &item : read.items) farthest = std::max(farthest, item.end);
    if (read.opened) readText(path, farthest + TEXT_PAST_READING, &read.file);
    return read;
}

TracedRead traceSceneList(const std::string &path, SceneList *list) {
    return traced(LOAD_SCENE_LIST, path, list);
}
TracedRead traceScene(const std::string &path) { return traced(LOAD_SCENE, path, nullptr); }

void unloadQuietly() {
    int saved = silenceLog();
    unloadScene();
    restoreLog(saved);
}

bool reloadQuietly(const std::string &path) {
    int saved = silenceLog();
    bool accepted = readScene(path.c_str()) == 1;
    restoreLog(saved);
    return accepted;
}
TracedRead traceModel(const std::string &path) { return traced(LOAD_MODEL, path, nullptr); }
TracedRead traceCollisionFile(const std::string &path) {
    return traced(LOAD_COLLISION, path, nullptr);
}

// The text as a file of its own in memory, named by its descriptor. The
// copies the checker reads have a count no file can meet, so the game
// refuses them and keeps nothing.
static TracedRead tracedText(Loader loader, const std::string &text) {
    TracedRead read;
    int fd = memfd_create("skorvel-check", 0);
    if (fd < 0) return read;
    if (write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size())) {
        std::string path = "/proc/self/fd/" + std::to_string(fd);
        SceneList list = {-1, nullptr};
        read = traced(loader, path, &list);
    }
    close(fd);
    return read;
}

TracedRead traceSceneText(const std::string &text) { return tracedText(LOAD_SCENE, text); }
TracedRead traceSceneListText(const std::string &text) { return tracedText(LOAD_SCENE_LIST, text); }

int lineOf(const FileText &file, long offset) {
    auto after = std::upper_bound(file.lineStarts.begin(), file.lineStarts.end(), offset);
    return std::max(1, static_cast<int>(after - file.lineStarts.begin()));
}

long lineEnd(const FileText &file, long offset) {
    while (offset < sizeOf(file) && file.text[offset] != '\n' && file.text[offset] != '\r')
        offset++;
    return offset;
}

std::string lineText(const FileText &file, int line) {
    long at = file.lineStarts[line - 1];
    return file.text.substr(at, lineEnd(file, at) - at);
}

bool isSpaceAt(const FileText &file, long offset) {
    return offset >= 0 && offset < sizeOf(file) &&
           isspace(static_cast<unsigned char>(file.text[offset]));
}

long skipSpace(const FileText &file, long offset) {
    while (isSpaceAt(file, offset)) offset++;
    return std::min(offset, sizeOf(file));
}

std::string wordAt(const FileText &file, long offset) {
    long end = offset;
    while (end < sizeOf(file) && !isSpaceAt(file, end)) end++;
    return file.text.substr(offset, end - offset);
}

long valueStart(const FileText &file, const Item &item) {
    long labelAt = skipSpace(file, item.start);
    return skipSpace(file, labelAt + static_cast<long>(wordAt(file, labelAt).size()));
}

int itemLine(const FileText &file, long offset) { return lineOf(file, skipSpace(file, offset)); }

const char *itemWords(ItemId id) {
    switch (id) {
        case ITEM_SCENE_COUNT:
            return "scene count";
        case ITEM_SCENE_FILE:
            return "scene";
        case ITEM_BACKGROUND_COLOUR:
            return "background colour";
        case ITEM_OVERLAY_COLOUR:
            return "overlay colour";
        case ITEM_FALLOUT_HEIGHT:
            return "fall-out height";
        case ITEM_LANE_MODEL:
            return "lane model";
        case ITEM_COLLISION_FILE:
            return "collision file";
        case ITEM_CAMERA_POSITION:
            return "camera position";
        case ITEM_PIN_COUNT:
            return "pin count";
        case ITEM_BALL_POSITION:
            return "ball position";
        case ITEM_BALL_RADIUS:
            return "ball radius";
        case ITEM_BALL_MASS:
            return "ball mass";
        case ITEM_BALL_MODEL:
            return "ball model";
        case ITEM_PIN_POSITION:
            return "pin position";
        case ITEM_PIN_RADIUS:
            return "pin radius";
        case ITEM_PIN_MASS:
            return "pin mass";
        case ITEM_PIN_MODEL:
            return "pin model";
        case ITEM_TRIANGLE_COUNT:
            return "triangle count";
        case ITEM_NORMAL:
            return "normal";
        case ITEM_COLOUR:
            return "colour";
        case ITEM_VERTEX:
            return "vertex";
        case ITEM_KINDS:
            break;
    }
    return "item";
}

const Item &firstItem(const std::vector<Item> &items, ItemId id) {
    static const Item blank = {TRACE_OPEN, false, id, 0, 0, {0, 0, 0}, 0, Item::NOTHING_OPENED};
    for (const Item &item : items)
        if (item.id == id) return item;
    return blank;
}

std::vector<int> itemsOf(const std::vector<Item> &items, ItemId id) {
    std::vector<int> found;
    for (size_t i = 0; i < items.size(); i++)
        if (items[i].id == id) found.push_back(static_cast<int>(i));
    return found;
}

std::string nameOf(const FileText &file, const Item &item) {
    long begin = item.end;
    while (begin > item.start && !isSpaceAt(file, begin - 1)) begin--;
    return file.text.substr(begin, item.end - begin);
}
