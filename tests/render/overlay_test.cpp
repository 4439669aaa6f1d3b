// The overlay on a 640x480 frame: which texts are drawn, where their pixels
// fall, and the GL state it leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "flow/world.h"
#include "render/render.h"
#include "support/gl_window.h"

namespace {

struct Box {
    int left, right, bottom, top;  // inclusive pixel bounds
    bool contains(int x, int y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

Box frameRateBox(int length) { return {0, 8 * length - 1, 0, 15}; }
Box counterBox(int length) { return {0, 8 * length - 1, 464, 479}; }
Box timerBox(int length) { return {0, 8 * length - 1, 448, 463}; }
const Box messageBox = {248, 391, 464, 479};
const Box pausedBox = {296, 343, 232, 247};

bool isHud(Rgb p) { return p.r == 255 && p.g == 255 && p.b == 0; }

class Overlay : public ::testing::Test {
  protected:
    void SetUp() override {
        openTestWindow();
        initText(640, 480);
        hudColor = {1, 1, 0};
        frameSeconds = 0.02f;
        gamePhase = PHASE_AIM;
        pinsStanding = 3;
        pinCount = 10;
        rollTimer = -1.0f;
        paused = 0;
    }
    // The overlay over a black frame, with a perspective on the projection
    // stack, a camera on the model-view matrix and the depth test on, as the
    // renderer leaves them.
    std::vector<Rgb> draw() {
        glViewport(0, 0, 640, 480);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1, 1, -1, 1, 1, 10);
        glGetFloatv(GL_PROJECTION_MATRIX, perspective);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(3, 4, 5);
        glEnable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glClearDepth(0.0);  // nothing would pass a depth test
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        drawOverlay();
        return readFrame();
    }
    // A text drawn alone with the given alignment at an anchor.
    std::vector<Rgb> reference(const char *text, float x, float y, int align) {
        useUnitSquare();
        glDisable(GL_DEPTH_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 0);
        glRasterPos2f(x, y);
        setTextAlign(align);
        drawText(text, static_cast<int>(strlen(text)));
        return readFrame();
    }
    // Every hud pixel lies in one of the boxes, and every box has some.
    void expectOnlyIn(const std::vector<Rgb> &frame, const std::vector<Box> &boxes) {
        std::vector<int> hits(boxes.size(), 0);
        int stray = 0;
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++) {
                if (!isHud(frame[y * 640 + x])) continue;
                bool inside = false;
                for (size_t i = 0; i < boxes.size(); i++)
                    if (boxes[i].contains(x, y)) inside = ++hits[i];
                stray += !inside;
            }
        EXPECT_EQ(stray, 0);
        for (size_t i = 0; i < boxes.size(); i++) EXPECT_GT(hits[i], 0) << "item " << i;
    }
    void expectRowsMatch(const std::vector<Rgb> &a, const std::vector<Rgb> &b, int first) {
        for (int i = first * 640; i < (first + 16) * 640; i++)
            ASSERT_EQ(isHud(a[i]), isHud(b[i])) << "pixel " << i;
    }
    GLfloat perspective[16];
};

TEST_F(Overlay, EachPhaseShowsItsItemsInTheirPlaces) {
    expectOnlyIn(draw(), {frameRateBox(9), counterBox(6), messageBox});
    gamePhase = PHASE_ROLL;  // the message is a blank cell
    rollTimer = 0.0f;
    paused = 1;
    expectOnlyIn(draw(), {frameRateBox(9), counterBox(6), timerBox(4), pausedBox});
    gamePhase = PHASE_GAME_OVER;  // no counter, but the timer keeps its line
    rollTimer = 2.5f;
    paused = 0;
    expectOnlyIn(draw(), {frameRateBox(9), timerBox(4), messageBox});
}

TEST_F(Overlay, TextsReadAsTheyShould) {
    gamePhase = PHASE_DRAG;
    for (float seconds : {0.0f, 0.02f}) {
        frameSeconds = seconds;
        std::vector<Rgb> frame = draw();
        expectRowsMatch(frame, reference(seconds ? "50.00 FPS" : "-1.00 FPS", 0, 0, 0), 0);
        expectRowsMatch(frame, reference("3 / 10", 0, 1, 2), 464);
    }
}

TEST_F(Overlay, LeavesTheDepthTestOnThePerspectiveCurrentAndThePointerOff) {
    mouseX = 500;
    mouseY = 200;
    std::vector<Rgb> frame = draw();
    EXPECT_FALSE(isHud(frame[(479 - 200) * 640 + 500]));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(projection[i], perspective[i]);
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f);
    }
}

}  // namespace
