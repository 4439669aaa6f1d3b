// The frame renderer on a small scene of flat coloured squares: what is
// drawn where, and how the camera turns toward the ball.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "flow/display.h"
#include "flow/world.h"
#include "render/render.h"
#include "support/gl_window.h"

namespace {

// A square facing the camera at -y, in one colour, depth units behind the
// body's centre.
GLuint squareList(float r, float g, float b, float size = 0.5f, float depth = 0.0f) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    glColor3f(r, g, b);
    glVertex3f(-size, depth, -size);
    glVertex3f(size, depth, -size);
    glVertex3f(size, depth, size);
    glVertex3f(-size, depth, -size);
    glVertex3f(size, depth, size);
    glVertex3f(-size, depth, size);
    glEnd();
    glEndList();
    return list;
}

Body bodyAt(Vec3 position, GLuint list, int32_t active) {
    Body b = {};
    b.position = b.startPosition = position;
    b.displayList = list;
    b.active = active;
    return b;
}

class Frame : public ::testing::Test {
  protected:
    void SetUp() override {
        openTestWindow();
        initText(640, 480);
        setProjection(640, 480);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        hudColor = {1, 1, 1};
        gamePhase = PHASE_ROLL;
        rollTimer = -1.0f;
        paused = 0;
        cameraStart = {0, -10, 0};
        viewDirection = {0, 1, 0};
        stepSeconds = 0.0f;
        sceneDisplayList = squareList(0, 0, 1, 20, 1);  // a blue wall behind the bodies
        ball = bodyAt({-3, 0, 0}, squareList(1, 0, 0), 0);
        pinBodies[0] = bodyAt({0, 0, 0}, squareList(0, 1, 0), 1);
        pinBodies[1] = bodyAt({3, 0, 0}, squareList(1, 0, 1), 0);
        pins = pinBodies;
        pinCount = 2;
        pinsStanding = 1;
    }
    void TearDown() override { pins = nullptr; }
    // Where a world point lands in the window, seen from the frame's camera.
    Rgb colourAt(Vec3 point) {
        GLdouble modelview[16], projection[16], x, y, z;
        GLint viewport[4] = {0, 0, 640, 480};
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        gluLookAt(0, -10, 0, 0, 0, 0, 0, 0, 1);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glPopMatrix();
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        gluProject(point.x, point.y, point.z, modelview, projection, viewport, &x, &y, &z);
        return readPixel(static_cast<int>(x), static_cast<int>(y), GL_BACK);
    }
    Body pinBodies[2];
};

TEST_F(Frame, DrawsTheLaneTheBallAndOnlyActivePins) {
    renderFrame();
    Rgb ballColour = colourAt({-3, 0, 0});
    Rgb pin = colourAt({0, 0, 0});
    Rgb fallen = colourAt({3, 0, 0});
    EXPECT_EQ(ballColour.r, 255);  // drawn although its flag is 0
    EXPECT_EQ(ballColour.g, 0);
    EXPECT_EQ(pin.g, 255);
    EXPECT_EQ(pin.r, 0);
    EXPECT_EQ(fallen.r, 0);  // the lane, not the fallen pin, shows there
    EXPECT_EQ(fallen.b, 255);
    EXPECT_EQ(colourAt({6, 0, 3}).b, 255);
    int overlayPixels = 0;  // the frame rate, bottom left, in white
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 80; x++) overlayPixels += readPixel(x, y, GL_BACK).g == 255;
    EXPECT_GT(overlayPixels, 0);
}

TEST_F(Frame, LeavesTheProjectionCurrentAndTheModelViewClear) {
    renderFrame();
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; i++) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f);
}

TEST_F(Frame, TheCameraTurnsTowardTheBallForTheNextFrame) {
    cameraStart = {0, 0, 0};
    ball.position = {0, 10, 0};
    viewDirection = {2, 0, 0};
    stepSeconds = 0.05f;
    renderFrame();
    // toBall x 1.0 plus the previous unit direction x (1 - 0.05) / 20.
    EXPECT_FLOAT_EQ(viewDirection.x, 0.0475f);
    EXPECT_FLOAT_EQ(viewDirection.y, 1.0f);
    EXPECT_EQ(viewDirection.z, 0.0f);

    viewDirection = {2, 0, 0};
    stepSeconds = 0.0f;
    renderFrame();
    EXPECT_FLOAT_EQ(viewDirection.x, 0.05f);
    EXPECT_EQ(viewDirection.y, 0.0f);

    ball.position = cameraStart;  // the ball at the eye: the pull is straight up
    viewDirection = {0, 1, 0};
    stepSeconds = 0.05f;
    renderFrame();
    EXPECT_FLOAT_EQ(viewDirection.z, 1.0f);
    EXPECT_FLOAT_EQ(viewDirection.y, 0.0475f);
}

TEST_F(Frame, TheViewUsedIsTheOneBeforeTheTurn) {
    // Aimed away from the ball, the first frame does not show it even though
    // the turn then swings the aim onto it for the second.
    ball.position = {0, 0, 0};
    pinCount = 0;
    viewDirection = {0, -1, 0};
    stepSeconds = 0.25f;
    renderFrame();
    EXPECT_EQ(colourAt({0, 0, 0}).r, 0);
    renderFrame();
    EXPECT_EQ(colourAt({0, 0, 0}).r, 255);
}

}  // namespace
