#include "scene/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

ReadTrace *readTrace = nullptr;

void freeTrace(ReadTrace *trace) {
    free(trace->entries);
    *trace = {};
}

static TraceEntry *addTraceEntry(TraceKind kind, FILE *stream) {
    if (readTrace->count == readTrace->capacity && readTrace->count > 0 && readTrace->drain)
        readTrace->drain(readTrace);
    if (readTrace->count == readTrace->capacity) {
        int32_t capacity = readTrace->capacity ? readTrace->capacity * 2 : 64;
        void *grown = readTrace->capacity > INT32_MAX / 2
                          ? nullptr
                          : realloc(readTrace->entries, sizeof(TraceEntry) * (size_t)capacity);
        if (!grown) return nullptr;
        readTrace->entries = static_cast<TraceEntry *>(grown);
        readTrace->capacity = capacity;
    }
    TraceEntry *entry = &readTrace->entries[readTrace->count++];
    *entry = {};
    entry->kind = kind;
    entry->stream = stream;
    return entry;
}

static void traceOpen(FILE *stream) {
    // A seek lets the stream keep its position, so that each ftell the
    // trace makes is not a system call.
    if (stream) rewind(stream);
    if (!readTrace->first) readTrace->first = stream;
    addTraceEntry(TRACE_OPEN, stream);
}

// Where an item begins, when there is a trace to tell.
static long traceStart(FILE *file) { return readTrace ? ftell(file) : 0; }

static TraceEntry *traceItem(FILE *file, TraceKind kind, ItemId item, long start, int good) {
    if (file != readTrace->first) return nullptr;
    TraceEntry *entry = addTraceEntry(kind, file);
    if (!entry) return nullptr;
    entry->item = item;
    entry->start = start;
    entry->end = ftell(file);
    entry->good = good;
    return entry;
}

static void traceNumbers(FILE *file, TraceKind kind, ItemId item, long start, int good, float a,
                         float b, float c) {
    TraceEntry *entry = traceItem(file, kind, item, start, good);
    if (!entry) return;
    entry->value[0] = a;
    entry->value[1] = b;
    entry->value[2] = c;
}

static void skipRestOfWord(FILE *file) {
    int c;
    while ((c = getc(file)) != EOF && !isspace(c)) {
    }
    if (c != EOF) ungetc(c, file);
}

// Up to maxLength characters of the next word; 0 at the end of the file.
static int scanWord(FILE *file, char *word, int maxLength) {
    char format[16];
    snprintf(format, sizeof format, "%%%ds", maxLength);
    return fscanf(file, format, word) == 1;
}

int readWord(FILE *file, char *word, int maxLength) {
    if (!scanWord(file, word, maxLength)) return 0;
    int next = getc(file);
    if (next == EOF) return 1;
    ungetc(next, file);
    if (isspace(next)) return 1;
    skipRestOfWord(file);
    return 0;
}

// Labels only make a file readable, so one of any length will do: the word
// is read up to the buffer's width and the rest of it skipped, and the line
// then reads exactly as it would with a short label.
static int readLabel(FILE *file, int labelMax) {
    char label[SCENE_LIST_LABEL_MAX + 1];
    if (labelMax > SCENE_LIST_LABEL_MAX) labelMax = SCENE_LIST_LABEL_MAX;
    if (!scanWord(file, label, labelMax)) return 0;
    skipRestOfWord(file);
    return 1;
}

int readVectorLine(FILE *file, int labelMax, float *x, float *y, float *z, ItemId item) {
    long start = traceStart(file);
    // The closing bracket is matched after the three numbers: a missing one
    // goes unnoticed, any other character there stays unread.
    int good = readLabel(file, labelMax) && fscanf(file, " [%f, %f, %f]", x, y, z) == 3;
    if (readTrace) traceNumbers(file, TRACE_VECTOR, item, start, good, *x, *y, *z);
    return good;
}

int readColourLine(FILE *file, int labelMax, unsigned short *r, unsigned short *g,
                   unsigned short *b, ItemId item) {
    long start = traceStart(file);
    int good = readLabel(file, labelMax) && fscanf(file, " [%hu, %hu, %hu]", r, g, b) == 3;
    if (readTrace) traceNumbers(file, TRACE_COLOUR, item, start, good, *r, *g, *b);
    return good;
}

int readFloatLine(FILE *file, int labelMax, float *value, ItemId item) {
    long start = traceStart(file);
    int good = readLabel(file, labelMax) && fscanf(file, "%f", value) == 1;
    if (readTrace) traceNumbers(file, TRACE_FLOAT, item, start, good, *value, 0.0f, 0.0f);
    return good;
}

int readIntegerLine(FILE *file, int labelMax, int32_t *value, ItemId item) {
    long start = traceStart(file);
    int read = 0;
    int good = readLabel(file, labelMax) && fscanf(file, "%d", &read) == 1;
    if (good) *value = read;
    TraceEntry *entry = readTrace ? traceItem(file, TRACE_INTEGER, item, start, good) : nullptr;
    if (entry) entry->count = read;
    return good;
}

int readNameLine(FILE *file, int labelMax, char name[FILE_NAME_MAX + 1], ItemId item) {
    long start = traceStart(file);
    int good = readLabel(file, labelMax) && readWord(file, name, FILE_NAME_MAX);
    if (readTrace) traceItem(file, TRACE_NAME, item, start, good);
    return good;
}

int readVec3Line(FILE *file, int labelMax, Vec3 *v, ItemId item) {
    return readVectorLine(file, labelMax, &v->x, &v->y, &v->z, item);
}

int32_t roomForItems(FILE *file, int32_t count, long shortestItem) {
    long here = ftell(file);
    if (here < 0 || fseek(file, 0, SEEK_END) != 0) return count;
    long end = ftell(file);
    if (fseek(file, here, SEEK_SET) != 0 || end < here) return count;
    long room = (end - here) / shortestItem + 1;
    return room < count ? static_cast<int32_t>(room) : count;
}

FILE *openDataFile(const char *path) {
    // Opening without blocking, so that a FIFO without a writer does not
    // stop the game; its type is then told from the open descriptor.
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    struct stat status;
    if (fd >= 0 && (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
                    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)) {
        close(fd);
        fd = -1;
    }
    if (fd < 0) {
        if (readTrace) traceOpen(nullptr);
        return nullptr;
    }
    FILE *file = fdopen(fd, "r");
    if (!file) close(fd);
    if (readTrace) traceOpen(file);
    return file;
}

FILE *openTriangleFile(const char *path, int32_t *count) {
    FILE *file = openDataFile(path);
    if (file && readIntegerLine(file, MODEL_LABEL_MAX, count, ITEM_TRIANGLE_COUNT) && *count >= 1)
        return file;
    printf(
        "encountered file error, possibly an invalid first line\nor an invalid file\n or no "
        "file\nor something else\nwhen trying to load %s",
        path);
    if (file) fclose(file);
    return nullptr;
}
