// The overlay on a 640x480 frame: which texts are drawn, where their pixels
// fall, and the GL state it leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "flow/world.h"
#include "render/render.h"
#include "support/gl_window.h"

namespace {

struct Box {
    int left, right, bottom, top;  // inclusive pixel bounds
    bool contains(int x, int y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

// The cells of a text of the given length.
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
        showPointer = 0;
    }
    // Draws the overlay over a black frame with a perspective on the
    // projection stack, as the renderer leaves it.
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
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawOverlay();
        return readFrame();
    }
    // Draws the text alone where the overlay draws the frame rate.
    std::vector<Rgb> drawReference(const char *text) {
        useUnitSquare();
        glDisable(GL_DEPTH_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 0);
        glRasterPos2f(0, 0);
        setTextAlign(TEXT_ALIGN_BOTTOM);
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
                    if (boxes[i].contains(x, y)) {
                        hits[i]++;
                        inside = true;
                    }
                stray += !inside;
            }
        EXPECT_EQ(stray, 0);
        for (size_t i = 0; i < boxes.size(); i++) EXPECT_GT(hits[i], 0) << "item " << i;
    }
    GLfloat perspective[16];
};

TEST_F(Overlay, AimingShowsRateCounterAndMessage) {
    expectOnlyIn(draw(), {frameRateBox(9), counterBox(6), messageBox});
}

TEST_F(Overlay, APausedRollShowsTheTimerAndTheBanner) {
    gamePhase = PHASE_ROLL;
    rollTimer = 0.0f;
    paused = 1;
    std::vector<Rgb> frame = draw();
    expectOnlyIn(frame, {frameRateBox(9), counterBox(6), timerBox(4), pausedBox});
    for (int x = 248; x < 392; x++) EXPECT_FALSE(isHud(frame[470 * 640 + x]));
}

TEST_F(Overlay, TheClosingSceneHasNoCounterButKeepsTheTimerLine) {
    gamePhase = PHASE_GAME_OVER;
    rollTimer = 2.5f;
    expectOnlyIn(draw(), {frameRateBox(9), timerBox(4), messageBox});
}

TEST_F(Overlay, TextsAreFormattedAsTheyShouldRead) {
    struct {
        float seconds;
        const char *text;
    } rates[] = {{0.0f, "-1.00 FPS"}, {0.02f, "50.00 FPS"}};
    for (const auto &rate : rates) {
        frameSeconds = rate.seconds;
        std::vector<Rgb> frame = draw();
        std::vector<Rgb> reference = drawReference(rate.text);
        for (int i = 0; i < 640 * 16; i++)
            ASSERT_EQ(isHud(frame[i]), isHud(reference[i])) << rate.text << " pixel " << i;
    }
    draw();
    // The last item formatted is the phase message.
    EXPECT_EQ(std::string(textBuffer, textLength), "  Throw The Ball  ");
    gamePhase = PHASE_GAME_OVER;
    draw();
    EXPECT_EQ(std::string(textBuffer, textLength), "     Game Over    ");
}

TEST_F(Overlay, ThePinCounterReadsStandingOverAll) {
    gamePhase = PHASE_DRAG;  // the phase message is a single space
    std::vector<Rgb> frame = draw();
    std::vector<Rgb> counter(frame.begin() + 464 * 640, frame.end());
    useUnitSquare();
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 0);
    glRasterPos2f(0, 1);
    setTextAlign(TEXT_ALIGN_TOP);
    drawText("3 / 10", 6);
    std::vector<Rgb> reference = readFrame();
    for (int i = 0; i < 16 * 640; i++)
        ASSERT_EQ(isHud(counter[i]), isHud(reference[464 * 640 + i])) << i;
}

TEST_F(Overlay, LeavesTheDepthTestOnAndThePerspectiveCurrent) {
    draw();
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat projection[16], modelview[16], colour[4];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(projection[i], perspective[i]);
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f);
    }
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[2], 0.0f);
}

TEST_F(Overlay, ThePointerIsDrawnOnlyWhenSwitchedOn) {
    gamePhase = PHASE_DRAG;
    mouseX = 500;
    mouseY = 200;
    showPointer = 1;
    std::vector<Rgb> frame = draw();
    EXPECT_TRUE(isHud(frame[(479 - 200) * 640 + 500]));
    showPointer = 0;
    frame = draw();
    EXPECT_FALSE(isHud(frame[(479 - 200) * 640 + 500]));
}

}  // namespace
