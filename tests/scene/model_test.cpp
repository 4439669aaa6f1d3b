// What the model loader emits, captured with OpenGL's feedback mode from the
// display list it compiled into.
#include <GL/gl.h>
#include <gtest/gtest.h>

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
};

struct ModelLoad {
    int32_t result;
    std::string log;
    std::vector<Corner> corners;  // three per triangle
};

// Window coordinates under glOrtho(0, 640, 0, 480, -1, 1) give back x and y;
// the window depth is (1 - z) / 2.
void drawInWindowCoordinates() {
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
}

std::vector<Corner> feedback(GLuint list) {
    static GLfloat buffer[1 << 16];
    glFeedbackBuffer(sizeof buffer / sizeof buffer[0], GL_3D_COLOR, buffer);
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    int size = glRenderMode(GL_RENDER);
    std::vector<Corner> corners;
    for (int i = 0; i < size;) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        int count = static_cast<int>(buffer[i + 1]);
        i += 2;
        for (int k = 0; k < count; k++, i += 7) {
            const GLfloat *v = buffer + i;
            corners.push_back({v[0], v[1], 1.0f - 2.0f * v[2], static_cast<int>(v[3] * 255 + 0.5f),
                               static_cast<int>(v[4] * 255 + 0.5f),
                               static_cast<int>(v[5] * 255 + 0.5f)});
        }
    }
    return corners;
}

ModelLoad loadModelFile(const std::string &text) {
    openTestWindow();
    TempDir dir;
    dir.write("model.txt", text);
    GLuint list = glGenLists(1);
    ModelLoad load;
    glNewList(list, GL_COMPILE);
    load.log = captureStdout([&] { load.result = loadModel("model.txt"); });
    glEndList();
    drawInWindowCoordinates();
    load.corners = feedback(list);
    glDeleteLists(list, 1);
    return load;
}

void expectCorner(const Corner &c, float x, float y, float z, int r, int g, int b) {
    EXPECT_FLOAT_EQ(c.x, x);
    EXPECT_FLOAT_EQ(c.y, y);
    EXPECT_NEAR(c.z, z, 1e-5);
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

const std::string two =
    "tris 1\n"
    "n [0, 0, 1]\nc [255, 0, 0]\nv [10, 20, 0.5]\nc [0, 255, 0]\nv [30, 20, 0]\n"
    "c [0, 0, 255]\nv [10, 40, -0.5]\n"
    "n [0, 0, 1]\nc [256, 300, 511]\nv [100, 100, 0]\nc [1, 2, 3]\nv [200, 100, 0]\n"
    "c [4, 5, 6]\nv [100, 200, 0]\n";

TEST(Model, EmitsEveryTriangleWithItsColours) {
    ModelLoad load = loadModelFile(two);
    EXPECT_EQ(load.result, 1);
    EXPECT_EQ(load.log, "");
    ASSERT_EQ(load.corners.size(), 6u);
    expectCorner(load.corners[0], 10, 20, 0.5f, 255, 0, 0);
    expectCorner(load.corners[1], 30, 20, 0, 0, 255, 0);
    expectCorner(load.corners[2], 10, 40, -0.5f, 0, 0, 255);
    expectCorner(load.corners[3], 100, 100, 0, 0, 44, 255);  // components wrap at 256
}

TEST(Model, EndOfDataWithOrWithoutALastLineBreakLoads) {
    for (const std::string &text : {two, two.substr(0, two.size() - 1), std::string("tris 1\n"),
                                    std::string("tris 1"), two + "trailing words [x]\n"}) {
        ModelLoad load = loadModelFile(text);
        EXPECT_EQ(load.result, 1) << text;
        EXPECT_EQ(load.log, "");
        EXPECT_EQ(load.corners.size(), text.size() > 10 ? 6u : 0u);
    }
    ModelLoad larger = loadModelFile("tris 50\n" + two.substr(7));
    EXPECT_EQ(larger.corners.size(), 6u);
}

TEST(Model, UnusableFilesPrintTheErrorWithoutALineBreakAndEmitNothing) {
    const std::string message =
        "encountered file error, possibly an invalid first line\nor an invalid file\n or no "
        "file\nor something else\nwhen trying to load model.txt";
    for (const char *text : {"", "tris\n", "tris 0\n", "tris -3\n", "tris x\n"}) {
        ModelLoad load = loadModelFile(text);
        EXPECT_EQ(load.result, 0) << text;
        EXPECT_EQ(load.log, message);
        EXPECT_TRUE(load.corners.empty());
    }
}

TEST(Model, ShortVertexLineGivesZeroAndAMessage) {
    ModelLoad load = loadModelFile(
        "tris 1\nn [0, 0, 1]\nc [9, 9, 9]\nv [10, 20, 0.5]\nc [9, 9, 9]\nv [30, 20, 0]\n"
        "c [7, 8, 9]\nv [15, 40]\n");
    EXPECT_EQ(load.result, 1);
    EXPECT_EQ(load.log, "not enough coordinates in vert\n");
    ASSERT_EQ(load.corners.size(), 3u);
    expectCorner(load.corners[2], 15, 40, 0, 7, 8, 9);
}

TEST(Model, ShortColourLineKeepsDefaultsAndReadsOnOutOfStep) {
    ModelLoad load = loadModelFile(
        "tris 1\nn [0, 0, 1]\nc [9, 9, 9]\nv [10, 20, 0]\nc [9, 9, 9]\nv [30, 20, 0]\n"
        "c [7, 8]\nv [15, 40, 0]\n");
    EXPECT_EQ(load.result, 1);
    ASSERT_GE(load.corners.size(), 3u);
    // The colour line lacks blue, which stays 128; the vertex line after it
    // is read from the stray bracket on and fails.
    expectCorner(load.corners[2], 0, 0, 0, 7, 8, 128);
    EXPECT_EQ(load.log.rfind("not enough coordinates in vert\n", 0), 0u);
}

TEST(Model, OverlongLabelEndsTheModel) {
    ModelLoad load = loadModelFile(two.substr(0, two.find("n [0, 0, 1]\nc [256")) +
                                   "abcdefghijkl [0, 0, 1]\n" + two.substr(two.find("c [256")));
    EXPECT_EQ(load.result, 1);
    EXPECT_EQ(load.corners.size(), 3u);
}

}  // namespace
