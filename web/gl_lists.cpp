// Display lists, which WebGL and the emulation lack. While a list is being
// compiled, the immediate-mode calls are recorded into it instead of being
// drawn: each vertex with the colour current at that moment. Calling the list
// draws each glBegin-glEnd batch as one interleaved client array, which the
// emulation uploads in one piece rather than vertex by vertex. Only the
// vertices are kept, as the game's models need: any other call made while
// compiling takes effect at once, and calling a list leaves the current
// colour as it was.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "web_layer.h"

// The emulation's fast path: every attribute interleaved in 16-byte records.
struct ListVertex {
    GLfloat x, y, z;
    GLubyte colour[4];
};

struct ListBatch {
    GLenum mode;
    size_t first, count;
};

struct DisplayList {
    bool named;  // reserved by glGenLists and not deleted since
    std::vector<ListVertex> vertices;
    std::vector<ListBatch> batches;
};

// The emulation copies a draw into a buffer of 2 MB at most; a chunk of
// vertices that every primitive type divides evenly stays well below that.
static const size_t CHUNK_VERTICES = 12 * 2500;

GLfloat currentColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

static std::vector<DisplayList> lists(1);  // name 0 is never a list
static GLuint compiling = 0;               // the list being compiled, or 0
static bool executing = true;              // whether calls also draw now
static DisplayList recording;
static std::vector<GLuint> neverCalled;  // compiled since the last warm-up

static void setCurrentColour(GLfloat red, GLfloat green, GLfloat blue) {
    currentColour[0] = red;
    currentColour[1] = green;
    currentColour[2] = blue;
    currentColour[3] = 1.0f;
}

static GLubyte colourByte(GLfloat value) {
    if (!(value > 0.0f)) return 0;
    if (value > 1.0f) return 255;
    return static_cast<GLubyte>(std::lround(value * 255.0f));
}

void webBegin(GLenum mode) {
    if (compiling) recording.batches.push_back({mode, recording.vertices.size(), 0});
    if (executing) glBegin(mode);
}

void webEnd() {
    if (compiling && !recording.batches.empty()) {
        ListBatch &batch = recording.batches.back();
        batch.count = recording.vertices.size() - batch.first;
    }
    if (executing) glEnd();
}

void webVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (compiling) {
        ListVertex vertex = {x, y, z, {}};
        for (int i = 0; i < 4; i++) vertex.colour[i] = colourByte(currentColour[i]);
        recording.vertices.push_back(vertex);
    }
    if (executing) glVertex3f(x, y, z);
}

void webColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    setCurrentColour(red, green, blue);
    if (executing) glColor3f(red, green, blue);
}

void webColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
    setCurrentColour(red / 255.0f, green / 255.0f, blue / 255.0f);
    if (executing) glColor3ub(red, green, blue);
}

static bool isNamed(GLuint list) { return list > 0 && list < lists.size() && lists[list].named; }

// The first run of `range` unused names, past the end if none is free.
static GLuint firstFreeRun(GLsizei range) {
    GLuint run = 0;
    for (GLuint name = 1; name < lists.size(); name++) {
        if (lists[name].named) {
            run = 0;
            continue;
        }
        if (++run == static_cast<GLuint>(range)) return name + 1 - run;
    }
    return static_cast<GLuint>(lists.size()) - run;
}

extern "C" GLuint glGenLists(GLsizei range) {
    if (range <= 0) return 0;
    GLuint first = firstFreeRun(range);
    if (lists.size() < first + range) lists.resize(first + range);
    for (GLsizei i = 0; i < range; i++) lists[first + i] = {true, {}, {}};
    return first;
}

extern "C" GLboolean glIsList(GLuint list) { return isNamed(list) ? GL_TRUE : GL_FALSE; }

extern "C" void glDeleteLists(GLuint list, GLsizei range) {
    for (GLsizei i = 0; i < range; i++)
        if (isNamed(list + i)) lists[list + i] = {};
}

extern "C" void glNewList(GLuint list, GLenum mode) {
    if (list == 0 || compiling) return;
    compiling = list;
    executing = mode == GL_COMPILE_AND_EXECUTE;
    recording = {true, {}, {}};
}

extern "C" void glEndList() {
    if (!compiling) return;
    if (compiling >= lists.size()) lists.resize(compiling + 1);
    lists[compiling] = std::move(recording);
    neverCalled.push_back(compiling);
    compiling = 0;
    executing = true;
}

static void drawChunk(GLenum mode, const ListVertex *first, size_t count) {
    glVertexPointer(3, GL_FLOAT, sizeof(ListVertex), &first->x);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(ListVertex), first->colour);
    glDrawArrays(mode, 0, static_cast<GLsizei>(count));
}

// Lists, points, lines, triangles and quads may be cut into chunks; strips,
// fans and loops are drawn whole.
static bool divisible(GLenum mode) {
    return mode == GL_POINTS || mode == GL_LINES || mode == GL_TRIANGLES || mode == GL_QUADS;
}

static void drawBatch(const DisplayList &list, const ListBatch &batch) {
    const ListVertex *vertices = list.vertices.data() + batch.first;
    size_t step = divisible(batch.mode) ? CHUNK_VERTICES : batch.count;
    for (size_t done = 0; done < batch.count; done += step)
        drawChunk(batch.mode, vertices + done, std::min(step, batch.count - done));
}

// A list called while another is being compiled is drawn at once, not recorded.
extern "C" void glCallList(GLuint list) {
    if (!isNamed(list)) return;
    const DisplayList &called = lists[list];
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (const ListBatch &batch : called.batches)
        if (batch.count > 0) drawBatch(called, batch);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

bool drawNewListsOnce() {
    bool drawn = false;
    for (GLuint list : neverCalled) {
        if (!isNamed(list)) continue;
        glCallList(list);
        drawn = true;
    }
    neverCalled.clear();
    return drawn;
}
