// The raster position and bitmaps, which WebGL and the emulation lack. A
// bitmap is drawn as one window-aligned rectangle per run of set bits in a
// row, in the colour that was current when the raster position was set.
#include <GL/gl.h>

#include <cmath>

#include "web_layer.h"

struct RasterPosition {
    bool valid;
    double x, y, z;  // window coordinates; z is the depth, 0 to 1
    GLfloat colour[4];
};

static RasterPosition raster = {true, 0.0, 0.0, 0.0, {1.0f, 1.0f, 1.0f, 1.0f}};

// column-major matrix times (x, y, z, w)
static void transform(const GLfloat *matrix, const double *in, double *out) {
    for (int row = 0; row < 4; row++) {
        out[row] = 0.0;
        for (int column = 0; column < 4; column++)
            out[row] += matrix[column * 4 + row] * in[column];
    }
}

extern "C" void glRasterPos2f(GLfloat x, GLfloat y) {
    GLfloat modelView[16], projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double object[4] = {x, y, 0.0, 1.0}, eye[4], clip[4];
    transform(modelView, object, eye);
    transform(projection, eye, clip);
    double w = clip[3];
    // A position outside the clip volume makes later bitmaps draw nothing.
    raster.valid = std::fabs(clip[0]) <= w && std::fabs(clip[1]) <= w && std::fabs(clip[2]) <= w;
    if (!raster.valid) return;
    raster.x = viewport[0] + (clip[0] / w + 1.0) * viewport[2] / 2.0;
    raster.y = viewport[1] + (clip[1] / w + 1.0) * viewport[3] / 2.0;
    raster.z = (clip[2] / w + 1.0) / 2.0;
    for (int i = 0; i < 4; i++) raster.colour[i] = currentColour[i];
}

// The rectangle covering window pixels [left, right) x [bottom, bottom + 1),
// as two triangles in normalized device coordinates.
static void addRun(const GLint *viewport, double left, double right, double bottom) {
    double x0 = 2.0 * (left - viewport[0]) / viewport[2] - 1.0;
    double x1 = 2.0 * (right - viewport[0]) / viewport[2] - 1.0;
    double y0 = 2.0 * (bottom - viewport[1]) / viewport[3] - 1.0;
    double y1 = 2.0 * (bottom + 1.0 - viewport[1]) / viewport[3] - 1.0;
    double z = 2.0 * raster.z - 1.0;
    const double corners[6][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}};
    for (const auto &corner : corners) glVertex3f(corner[0], corner[1], z);
}

static bool bitSet(const GLubyte *row, GLsizei column) {
    return (row[column / 8] >> (7 - column % 8)) & 1;
}

// Rows are read as under the default pixel-store state: bottom row first,
// each padded to 4 bytes, the leftmost pixel in the top bit.
static void drawBits(GLsizei width, GLsizei height, double left, double bottom,
                     const GLubyte *bitmap) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLsizei rowBytes = ((width + 7) / 8 + 3) / 4 * 4;
    glBegin(GL_TRIANGLES);
    for (GLsizei j = 0; j < height; j++) {
        const GLubyte *row = bitmap + j * rowBytes;
        for (GLsizei i = 0; i < width;) {
            if (!bitSet(row, i)) {
                i++;
                continue;
            }
            GLsizei end = i;
            while (end < width && bitSet(row, end)) end++;
            addRun(viewport, left + i, left + end, bottom + j);
            i = end;
        }
    }
    glEnd();
}

// The rectangles are given in device coordinates, so both matrices are
// replaced by the identity for the draw and restored after it.
static void drawInWindow(GLsizei width, GLsizei height, double left, double bottom,
                         const GLubyte *bitmap) {
    GLint matrixMode;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(raster.colour[0], raster.colour[1], raster.colour[2], raster.colour[3]);
    drawBits(width, height, left, bottom, bitmap);
    glColor4f(currentColour[0], currentColour[1], currentColour[2], currentColour[3]);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(matrixMode);
}

extern "C" void glBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                         GLfloat ymove, const GLubyte *bitmap) {
    if (!raster.valid) return;
    if (bitmap && width > 0 && height > 0)
        drawInWindow(width, height, std::floor(raster.x - xorig), std::floor(raster.y - yorig),
                     bitmap);
    raster.x += xmove;
    raster.y += ymove;
}
