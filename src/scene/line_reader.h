// Readers for the line kinds that the scene list, scene, model and collision
// files share. Each line starts with a label word that only makes the file
// readable to a person; up to labelMax characters of it are read into a
// buffer of labelMax + 1, the rest of the word is skipped, and it is dropped.
// The numbers are read with fscanf, so the files keep the exact syntax of its
// conversions, and each value lands in its destination the moment it is
// converted.
#pragma once

#include <cstdint>
#include <cstdio>

#include "flow/world.h"

// Longest label word of each format.
enum {
    SCENE_LIST_LABEL_MAX = 19,
    SCENE_LABEL_MAX = 15,
    MODEL_LABEL_MAX = 11,
    FILE_NAME_MAX = 255,
};

// One word of non-white-space characters, at most maxLength of them, into a
// buffer of maxLength + 1. A longer word is skipped whole and gives 0, as
// does the end of the file.
int readWord(FILE *file, char *word, int maxLength);

// What each line the loaders read is, so that the trace below can say which
// item of which format a place in a file holds. Only the trace keeps it.
enum ItemId : int32_t {
    ITEM_SCENE_COUNT,  // scenelist.txt
    ITEM_SCENE_FILE,
    ITEM_BACKGROUND_COLOUR,  // a scene file
    ITEM_OVERLAY_COLOUR,
    ITEM_FALLOUT_HEIGHT,
    ITEM_LANE_MODEL,
    ITEM_COLLISION_FILE,
    ITEM_CAMERA_POSITION,
    ITEM_PIN_COUNT,
    ITEM_BALL_POSITION,
    ITEM_BALL_RADIUS,
    ITEM_BALL_MASS,
    ITEM_BALL_MODEL,
    ITEM_PIN_POSITION,
    ITEM_PIN_RADIUS,
    ITEM_PIN_MASS,
    ITEM_PIN_MODEL,
    ITEM_TRIANGLE_COUNT,  // a model or collision file
    ITEM_NORMAL,
    ITEM_COLOUR,
    ITEM_VERTEX,
    ITEM_KINDS  // how many there are
};

// Each returns 1 when the line is good: the label and every number read.
// "label [x, y, z]"
int readVectorLine(FILE *file, int labelMax, float *x, float *y, float *z, ItemId item);
// "label [r, g, b]" with unsigned 16-bit components
int readColourLine(FILE *file, int labelMax, unsigned short *r, unsigned short *g,
                   unsigned short *b, ItemId item);
// "label number"
int readFloatLine(FILE *file, int labelMax, float *value, ItemId item);
// "label integer"
int readIntegerLine(FILE *file, int labelMax, int32_t *value, ItemId item);
// "label name", the name at most FILE_NAME_MAX characters
int readNameLine(FILE *file, int labelMax, char name[FILE_NAME_MAX + 1], ItemId item);

// The same vector line into a Vec3.
int readVec3Line(FILE *file, int labelMax, Vec3 *v, ItemId item);

// The level checker reads every file through the game's own loaders and
// learns from this trace where each item began and where reading it stopped.
// While readTrace points at a trace, each file opened and each item read from
// the first file opened are added to it, in reading order; the game leaves it
// null, and then the readers only test that.
enum TraceKind : int32_t {
    TRACE_OPEN,  // a file opened (stream null when it could not be)
    TRACE_VECTOR,
    TRACE_COLOUR,
    TRACE_FLOAT,
    TRACE_INTEGER,
    TRACE_NAME,
};

struct TraceEntry {
    TraceKind kind;
    int32_t good;  // 1 when the reader returned 1
    ItemId item;   // what was read; nothing for an open
    long start;    // the file position where reading the item began
    long end;      // and where it stopped
    union {
        float value[3];  // a vector's, a colour's or a float line's numbers, as stored
        int32_t count;   // an integer line's value
    };
    FILE *stream;
};

struct ReadTrace {
    TraceEntry *entries;  // grown with realloc; freeTrace releases it
    int32_t count;
    int32_t capacity;
    FILE *first;  // the first file opened while tracing
    // When set, called with the trace full instead of growing it: it takes
    // the entries and sets count back to 0, so that a long file is traced in
    // a buffer of fixed size.
    void (*drain)(ReadTrace *trace);
};

extern ReadTrace *readTrace;
void freeTrace(ReadTrace *trace);

// The shortest a scene-list entry ("a b" and the white space after it) and a
// scene's pin block ("a [0,0,0" "a 0" "a 0" "a b" and the white space between
// them) can be, in characters: the loaders size their tables by them.
enum { SHORTEST_LIST_ENTRY = 4, SHORTEST_PIN_BLOCK = 16 };

// How many of count items, each taking at least shortestItem characters, the
// rest of the file could hold at most (plus one), so that a huge count in a
// short file never claims memory it could not fill. The count itself when the
// file's size cannot be told.
int32_t roomForItems(FILE *file, int32_t count, long shortestItem);

// Opens a data file for reading, or gives null as fopen does when it cannot.
// Only regular files are read: a device, a FIFO or a directory could block
// or never end, so each counts as a file that cannot be opened.
FILE *openDataFile(const char *path);

// Opens a model or collision file and checks its header line (a label and a
// triangle count of at least 1, stored in count). When the file cannot be used it prints the
// file-error message, which has no final line break, and returns null.
FILE *openTriangleFile(const char *path, int32_t *count);
