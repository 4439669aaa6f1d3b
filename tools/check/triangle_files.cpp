#include "check/triangle_files.h"

#include "check/explain.h"
#include "check/traced_read.h"

// What the checker keeps of a triangle file as its items stream past: the
// header, the first item the loader could not read whole and where the words
// went out of step before it, and the triangles.
struct TriangleRead {
    bool collision = false;
    bool opened = false;
    FileText file;
    size_t items = 0;
    Item header = {}, last = {};
    bool failed = false;
    Item failure = {};
    StepSearch search;
    std::vector<Triangle> triangles;
    std::vector<CornerColour> colours;  // a model's
    Triangle triangle = {};             // the one being read
    CornerColour colour[3] = {};
    int corner = 0;
};

// The file being read, for the trace's drain.
static TriangleRead *reading;

// The items after the header grouped as the loader names them: a normal
// starts a triangle, and the colour and vertex lines after it are its corners.
static void addToTriangle(TriangleRead *read, const Item &item) {
    Triangle &t = read->triangle;
    if (item.id == ITEM_NORMAL) {
        t = {};
        for (CornerColour &colour : read->colour) colour = {};
        t.normal = {item.value[0], item.value[1], item.value[2]};
        t.line = itemLine(read->file, item.start);
        read->corner = 0;
    } else if (item.id == ITEM_COLOUR) {
        if (read->collision) return;
        CornerColour &colour = read->colour[read->corner];
        for (int c = 0; c < 3; c++) colour.value[c] = (unsigned short)item.value[c];
        colour.line = itemLine(read->file, item.start);
    } else if (item.id == ITEM_VERTEX) {
        t.corner[read->corner++] = {item.value[0], item.value[1], item.value[2]};
        if (read->corner < 3) return;
        read->triangles.push_back(t);
        if (!read->collision)
            read->colours.insert(read->colours.end(), read->colour, read->colour + 3);
    }
}

static void takeItem(TriangleRead *read, const Item &item) {
    if (read->items == 0) read->header = item;
    if (!read->failed) {
        searchItem(read->file, read->items > 0 ? &read->last : nullptr, item, &read->search);
        read->failed = !item.good;
        read->failure = item;
    }
    addToTriangle(read, item);
    read->last = item;
    read->items++;
}

static void drainTriangles(ReadTrace *trace) {
    for (int32_t i = 0; i < trace->count; i++) {
        const TraceEntry &entry = trace->entries[i];
        if (entry.kind == TRACE_OPEN)
            reading->opened = reading->opened || entry.stream != nullptr;
        else
            takeItem(reading, itemOf(entry));
    }
    trace->count = 0;
}

// Why the loader could not read the failing item whole: where the words
// went out of step before it, or what is wrong with its own words.
static Finding whyFailed(const TriangleRead &read) {
    return read.search.found ? read.search.finding : explainItem(read.file, read.failure);
}

static void reportHeader(const std::string &path, const TriangleRead &read, Report *report) {
    if (!read.header.good) {
        Finding why = whyFailed(read);
        addError(report, path, why.line, why.text);
    } else {
        addError(
            report, path, itemLine(read.file, read.header.start),
            formatted("the triangle count is %s: set it to the number of triangles, at least 1",
                      countText(read.file, read.header).c_str()));
    }
}

// The findings of the file read on its own, from where its loader stopped or
// first failed and whether it accepted the file.
// The triangles move into the file: a copy would hold them twice.
static void reportTriangleFile(const std::string &path, bool collision, TriangleRead &read,
                               TriangleFile *file, Report *report) {
    const Item &header = read.header;
    if (read.items == 0 || !header.good || header.count < 1) {
        reportHeader(path, read, report);
        return;
    }
    file->triangles = std::move(read.triangles);
    file->colours = std::move(read.colours);
    bool stopped = read.failed && read.failure.id == ITEM_NORMAL;
    if (read.failed && !stopped) {
        Finding why = whyFailed(read);
        file->misread = true;
        if (!file->accepted)
            addError(report, path, why.line, why.text + "; the game refuses the file");
        else
            addWarning(report, path, why.line,
                       why.text +
                           "; the game reads the rest of the model out of step, so its "
                           "triangles are drawn wrong");
        return;
    }
    bool cutOff = stopped && !atEndOfText(read.file, read.failure);
    int found = static_cast<int>(file->triangles.size());
    if (cutOff && found >= header.count) {
        // Every counted triangle is there: what follows is only words the game skips.
        long at = skipSpace(read.file, read.failure.start);
        addWarning(report, path, lineOf(read.file, at),
                   formatted("'%s' is not a normal line, so the game ends the triangles here and "
                             "ignores the rest of the file: remove it",
                             lineAt(read.file, at).c_str()));
    } else if (cutOff) {
        Finding why = whyFailed(read);
        if (file->accepted)
            addWarning(report, path, why.line,
                       why.text +
                           "; the game ends the triangles here and ignores the rest of "
                           "the file");
        else
            addError(report, path, why.line,
                     why.text + formatted("; the game ends the triangles here, with %d of the %s "
                                          "its header counts, and refuses the file",
                                          found, countText(read.file, header).c_str()));
    } else if (found != header.count) {
        addDiagnostic(report, path, itemLine(read.file, header.start),
                      file->accepted ? SEVERITY_WARNING : SEVERITY_ERROR,
                      formatted("the header says %s triangles but %d follow: set the count to %d",
                                countText(read.file, header).c_str(), found, found));
    }
    if (!file->accepted) return;
    if (collision)
        checkCollisionTriangles(path, *file, report);
    else
        checkModelTriangles(path, *file, report);
}

TriangleFile checkTriangleFile(const std::string &path, bool collision, Report *report) {
    TriangleRead read;
    read.collision = collision;
    read.file = openText(path);
    reading = &read;
    ReadTrace trace = {};
    trace.drain = drainTriangles;
    TriangleFile file;
    file.accepted = runTraced(collision ? LOAD_COLLISION : LOAD_MODEL, path, nullptr, &trace);
    drainTriangles(&trace);
    freeTrace(&trace);
    reading = nullptr;
    report->verdicts[(collision ? "collision:" : "model:") + path] = file.accepted;
    file.size = sizeOf(read.file);
    if (read.opened) reportTriangleFile(path, collision, read, &file, report);
    return file;
}
