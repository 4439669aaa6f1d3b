#include <GL/gl.h>

#include <cstdio>

#include "scene/line_reader.h"
#include "scene/scene.h"

// One corner: its colour line, then its vertex line, emitted at once. A short
// colour line keeps 128 for what it lacks and leaves the reading out of step.
static void emitCorner(FILE *file) {
    unsigned short red = 128, green = 128, blue = 128;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    readColourLine(file, MODEL_LABEL_MAX, &red, &green, &blue, ITEM_COLOUR);
    glColor3ub(static_cast<GLubyte>(red), static_cast<GLubyte>(green), static_cast<GLubyte>(blue));
    if (!readVectorLine(file, MODEL_LABEL_MAX, &x, &y, &z, ITEM_VERTEX))
        printf("not enough coordinates in vert\n");
    glVertex3f(x, y, z);
}

int32_t loadModel(const char *path) {
    int32_t count = 0;
    FILE *file = openTriangleFile(path, &count);
    if (!file) return 0;
    glBegin(GL_TRIANGLES);
    // The count is only a sanity check: triangles are read until the data
    // ends, at the end of the file or at the first normal line that fails.
    while (getc(file) != EOF) {
        float normal[3];
        if (!readVectorLine(file, MODEL_LABEL_MAX, &normal[0], &normal[1], &normal[2], ITEM_NORMAL))
            break;
        for (int corner = 0; corner < 3; corner++) emitCorner(file);
    }
    glEnd();
    fclose(file);
    return 1;
}
