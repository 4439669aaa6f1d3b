// What the model loader emits, captured with OpenGL's feedback mode from the
// display list it compiled into.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/gl_window.h"
#include "support/temp_dir.h"

namespace {

struct Corner {
    float x, y, z;
    int r, g, b;
    bool operator==(const Corner &o) const {
        return std::fabs(x - o.x) + std::fabs(y - o.y) + std::fabs(z - o.z) < 1e-4 && r == o.r &&
               g == o.g && b == o.b;
    }
};

struct ModelLoad {
    int32_t result;
    std::string log;
    std::vector<Corner> corners;  // three per triangle
};

// Under glOrtho(0, 640, 0, 480, -1, 1) window coordinates give back x and y,
// and the window depth is (1 - z) / 2.
std::vector<Corner> feedback(GLuint list) {
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    static GLfloat buffer[1 << 16];
    glFeedbackBuffer(sizeof buffer / sizeof buffer[0], GL_3D_COLOR, buffer);
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    int size = glRenderMode(GL_RENDER);
    std::vector<Corner> corners;
    for (int i = 0; i < size; i += 2 + 3 * 7) {
        for (int k = 0; k < 3; k++) {
            const GLfloat *v = buffer + i + 2 + 7 * k;
            corners.push_back({v[0], v[1], 1.0f - 2.0f * v[2], (int)(v[3] * 255 + 0.5f),
                               (int)(v[4] * 255 + 0.5f), (int)(v[5] * 255 + 0.5f)});
        }
    }
    return corners;
}

ModelLoad loadModelFile(const TempDir &dir, const std::string &text, const char *path = "m.txt") {
    openTestWindow();
    glDisable(GL_CULL_FACE);
    dir.write("m.txt", text);
    GLuint list = glGenLists(1);
    ModelLoad load;
    glNewList(list, GL_COMPILE);
    load.log = captureStdout([&] { load.result = loadModel(path); });
    glEndList();
    load.corners = feedback(list);
    glDeleteLists(list, 1);
    return load;
}

const std::string two =
    "tris 1\n"
    "n [0, 0, 1]\nc [255, 0, 0]\nv [10, 20, 0.5]\nc [0, 255, 0]\nv [30, 20, 0]\n"
    "c [0, 0, 255]\nv [10, 40, -0.5]\n"
    "n [0, 0, 1]\nc [256, 300, 511]\nv [100, 100, 0]\nc [1, 2, 3]\nv [200, 100, 0]\n"
    "c [4, 5, 6]\nv [100, 200, 0]\n";

TEST(Model, EmitsEveryTriangleWithItsCornerColours) {
    TempDir dir;
    ModelLoad load = loadModelFile(dir, two);
    EXPECT_EQ(load.result, 1);
    EXPECT_EQ(load.log, "");
    const std::vector<Corner> expected = {
        {10, 20, 0.5f, 255, 0, 0},  {30, 20, 0, 0, 255, 0},
        {10, 40, -0.5f, 0, 0, 255}, {100, 100, 0, 0, 44, 255},  // components wrap at 256
        {200, 100, 0, 1, 2, 3},     {100, 200, 0, 4, 5, 6}};
    EXPECT_EQ(load.corners, expected);
    EXPECT_EQ(loadModelFile(dir, lengthenLabels(two)).corners, load.corners);
}

TEST(Model, TheCountOnlyGuardsAndTheDataEndsWhereItStopsReading) {
    TempDir dir;
    const struct {
        std::string text;
        size_t corners;
    } cases[] = {
        {two, 6},
        {"tris 50\n" + two.substr(7), 6},
        {"tris 1", 0},
    };
    for (const auto &c : cases) {
        ModelLoad load = loadModelFile(dir, c.text);
        EXPECT_EQ(load.result, 1) << c.text;
        EXPECT_EQ(load.log, "");
        EXPECT_EQ(load.corners.size(), c.corners) << c.text;
    }
}

TEST(Model, ShortLinesKeepTheirDefaultsAndReadOnOutOfStep) {
    TempDir dir;
    const std::string start =
        "tris 1\nn [0, 0, 1]\nc [9, 9, 9]\nv [10, 20, 0]\nc [9, 9, 9]\nv [30, 20, 0]\n";
    ModelLoad shortVertex = loadModelFile(dir, start + "c [7, 8, 9]\nv [15, 40]\n");
    EXPECT_EQ(shortVertex.result, 1);
    EXPECT_EQ(shortVertex.log, "not enough coordinates in vert\n");
    ASSERT_EQ(shortVertex.corners.size(), 3u);
    EXPECT_EQ(shortVertex.corners[2], (Corner{15, 40, 0, 7, 8, 9}));
    // The colour line lacks blue, which stays 128; the vertex line after it
    // is read from the stray bracket on and fails.
    ModelLoad shortColour = loadModelFile(dir, start + "c [7, 8]\nv [15, 40, 0]\n");
    EXPECT_EQ(shortColour.result, 1);
    ASSERT_EQ(shortColour.corners.size(), 3u);
    EXPECT_EQ(shortColour.corners[2], (Corner{0, 0, 0, 7, 8, 128}));
    EXPECT_EQ(shortColour.log, "not enough coordinates in vert\n");
}

}  // namespace
