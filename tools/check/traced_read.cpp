#include "check/traced_read.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "common/formatted.h"
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
    dup2(saved, STDOUT_FILENO);
    close(saved);
}

// --- The text, a block at a time ---------------------------------------------

static const long TEXT_BLOCK = 1 << 16;

// The text is read while the loader's trace is on, as the trace fills: its
// own opening must not be traced.
static FILE *openUntraced(const std::string &path) {
    ReadTrace *tracing = readTrace;
    readTrace = nullptr;
    FILE *stream = openDataFile(path.c_str());
    readTrace = tracing;
    return stream;
}

FileText openText(const std::string &path) {
    FileText file;
    file.path = path;
    FILE *stream = openUntraced(path);
    if (!stream) return file;
    if (fseek(stream, 0, SEEK_END) == 0) file.size = std::max(0L, ftell(stream));
    fclose(stream);
    return file;
}

long sizeOf(const FileText &file) { return file.size; }

// Reads the block that holds offset, with one character more, so that a line
// break at its end can be told from the first half of "\r\n".
static void readBlock(const FileText &file, long offset) {
    file.blockStart = offset - offset % TEXT_BLOCK;
    file.block.assign(TEXT_BLOCK + 1, '\0');
    size_t got = 0;
    FILE *stream = openUntraced(file.path);
    if (stream && fseek(stream, file.blockStart, SEEK_SET) == 0)
        got = fread(&file.block[0], 1, file.block.size(), stream);
    if (stream) fclose(stream);
    file.block.resize(got);
}

char charAt(const FileText &file, long offset) {
    if (offset < 0 || offset >= file.size) return '\0';
    long at = offset - file.blockStart;
    if (file.blockStart < 0 || at < 0 || at >= static_cast<long>(file.block.size())) {
        readBlock(file, offset);
        at = offset - file.blockStart;
        if (at >= static_cast<long>(file.block.size())) return '\0';
    }
    return file.block[at];
}

std::string textBetween(const FileText &file, long begin, long end) {
    std::string text;
    for (long at = std::max(0L, begin); at < std::min(end, file.size); at++)
        text += charAt(file, at);
    return text;
}

static bool endsLine(const FileText &file, long offset) {
    char c = charAt(file, offset);
    return c == '\n' || (c == '\r' && charAt(file, offset + 1) != '\n');
}

// Counts lines on to offset, from the start of the text when it lies behind
// the count: the checker asks for lines mostly in reading order.
static void countLinesTo(const FileText &file, long offset) {
    if (offset < file.countedTo) {
        file.countedTo = 0;
        file.countedLine = 1;
    }
    for (; file.countedTo < offset; file.countedTo++)
        file.countedLine += endsLine(file, file.countedTo);
}

int lineOf(const FileText &file, long offset) {
    countLinesTo(file, std::min(std::max(offset, 0L), file.size));
    return file.countedLine;
}

long lineStart(const FileText &file, long offset) {
    while (offset > 0 && charAt(file, offset - 1) != '\n' && charAt(file, offset - 1) != '\r')
        offset--;
    return offset;
}

long lineEnd(const FileText &file, long offset) {
    while (offset < file.size && charAt(file, offset) != '\n' && charAt(file, offset) != '\r')
        offset++;
    return offset;
}

std::string lineAt(const FileText &file, long offset) {
    long at = lineStart(file, offset);
    return textBetween(file, at, lineEnd(file, at));
}

bool isSpaceAt(const FileText &file, long offset) {
    return offset >= 0 && offset < file.size &&
           isspace(static_cast<unsigned char>(charAt(file, offset)));
}

long skipSpace(const FileText &file, long offset) {
    while (isSpaceAt(file, offset)) offset++;
    return std::min(offset, file.size);
}

std::string wordAt(const FileText &file, long offset) {
    long end = offset;
    while (end < file.size && !isSpaceAt(file, end)) end++;
    return textBetween(file, offset, end);
}

long valueStart(const FileText &file, const Item &item) {
    long labelAt = skipSpace(file, item.start);
    return skipSpace(file, labelAt + static_cast<long>(wordAt(file, labelAt).size()));
}

int itemLine(const FileText &file, long offset) { return lineOf(file, skipSpace(file, offset)); }

bool atEndOfText(const FileText &file, const Item &item) {
    return skipSpace(file, item.start) >= file.size;
}

std::string nameOf(const FileText &file, const Item &item) {
    long begin = item.end;
    while (begin > item.start && !isSpaceAt(file, begin - 1)) begin--;
    return textBetween(file, begin, item.end);
}

// --- The loaders, traced --------------------------------------------------

Item itemOf(const TraceEntry &entry) {
    Item item = {};
    item.kind = entry.kind;
    item.good = entry.good != 0;
    item.id = entry.item;
    item.start = entry.start;
    item.end = entry.end;
    if (entry.kind == TRACE_INTEGER)
        item.count = entry.count;
    else
        std::copy(std::begin(entry.value), std::end(entry.value), item.value);
    return item;
}

// The items of the traced file, each name line marked with whether the file
// the loader opened after it could be opened.
static void takeTrace(const ReadTrace &trace, TracedRead *read) {
    for (int32_t i = 0; i < trace.count; i++) {
        const TraceEntry &entry = trace.entries[i];
        if (entry.kind != TRACE_OPEN)
            read->items.push_back(itemOf(entry));
        else if (i == 0)
            read->opened = entry.stream != nullptr;
        else if (!read->items.empty())
            read->items.back().opened = entry.stream ? Item::OPENED : Item::NOT_OPENED;
    }
}

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

bool runTraced(Loader loader, const std::string &path, SceneList *list, ReadTrace *trace) {
    int saved = silenceLog();
    readTrace = trace;
    bool accepted = runLoader(loader, path.c_str(), list);
    readTrace = nullptr;
    restoreLog(saved);
    return accepted;
}

static TracedRead traced(Loader loader, const std::string &path, SceneList *list) {
    TracedRead read;
    ReadTrace trace = {};
    read.accepted = runTraced(loader, path, list, &trace);
    takeTrace(trace, &read);
    freeTrace(&trace);
    if (read.opened) read.file = openText(path);
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

// Appends the file's text from offset on to the descriptor.
static bool copyRest(const FileText &file, long offset, int fd) {
    FILE *stream = openDataFile(file.path.c_str());
    if (!stream) return false;
    char buffer[1 << 16];
    size_t got;
    bool copied = fseek(stream, offset, SEEK_SET) == 0;
    while (copied && (got = fread(buffer, 1, sizeof buffer, stream)) > 0)
        copied = write(fd, buffer, got) == static_cast<ssize_t>(got);
    fclose(stream);
    return copied;
}

// The copy is a file of its own in memory, named by its descriptor. Its
// count is one no file can meet, so the game refuses it and keeps nothing.
std::vector<Item> itemsWithCountRaised(Loader loader, const TracedRead &read, const Item &count) {
    std::vector<Item> items;
    int fd = memfd_create("skorvel-check", 0);
    if (fd < 0) return items;
    std::string head =
        textBetween(read.file, 0, valueStart(read.file, count)) + std::to_string(INT32_MAX) + " ";
    if (write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
        copyRest(read.file, count.end, fd)) {
        SceneList list = {-1, nullptr};
        items = traced(loader, "/proc/self/fd/" + std::to_string(fd), &list).items;
    }
    close(fd);
    return items;
}

ListTail readListTail(const TracedRead &read, const std::string &closing) {
    ListTail tail;
    FILE *stream = openDataFile(read.file.path.c_str());
    if (!stream) return tail;
    char name[FILE_NAME_MAX + 1];
    std::string closingFile = fileIdentity(closing);
    if (fseek(stream, read.items.back().end, SEEK_SET) == 0) {
        for (long start = ftell(stream);
             readNameLine(stream, SCENE_LIST_LABEL_MAX, name, ITEM_SCENE_FILE) == 1;
             start = ftell(stream)) {
            if (tail.entries++ == 0) tail.firstLine = itemLine(read.file, start);
            tail.closingAgain += fileIdentity(name) == closingFile;
        }
    }
    fclose(stream);
    return tail;
}

std::string fileIdentity(const std::string &name) {
    struct stat status;
    if (stat(name.c_str(), &status) != 0) return "name " + name;
    return formatted("file %llu:%llu", static_cast<unsigned long long>(status.st_dev),
                     static_cast<unsigned long long>(status.st_ino));
}

// --- Items by identity ------------------------------------------------------

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
    for (const Item &item : items)
        if (item.id == id) return item;
    static Item blank;
    blank = {};
    blank.id = id;
    return blank;
}

std::vector<int> itemsOf(const std::vector<Item> &items, ItemId id) {
    std::vector<int> found;
    for (size_t i = 0; i < items.size(); i++)
        if (items[i].id == id) found.push_back(static_cast<int>(i));
    return found;
}
