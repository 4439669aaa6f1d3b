// The frame renderer on a small scene of flat coloured squares seen from a
// camera off every axis: what is drawn where, and how the camera turns.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "flow/display.h"
#include "flow/world.h"
#include "physics/vec.h"
#include "render/render.h"
#include "support/gl_window.h"

namespace {

// A square facing -y in one colour, depth units behind the body's centre.
GLuint squareList(float r, float g, float b, float size = 0.4f, float depth = 0.0f) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    glColor3f(r, g, b);
    glVertex3f(-size, depth, -size);
    glVertex3f(size, depth, -size);
    glVertex3f(size, depth, size);
    glVertex3f(-size, depth, size);
    glEnd();
    glEndList();
    return list;
}

Body bodyAt(Vec3 position, GLuint list, int32_t active) {
    Body b = {};
    b.position = position;
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
        gamePhase = PHASE_ROLL;
        rollTimer = -1.0f;
        paused = 0;
        cameraStart = {-6, -8, 2};
        viewDirection = vecFromTo(cameraStart, {0, 0, 0});
        vecNormalize(&viewDirection);
        sceneDisplayList = squareList(0, 0, 1, 20, 3);  // a blue wall behind the bodies
        ball = bodyAt({0, 0, 0}, squareList(1, 0, 0), 0);
        pinBodies[0] = bodyAt({1.5f, 0, 1}, squareList(0, 1, 0), 1);
        pinBodies[1] = bodyAt({-1.5f, 0, -1}, squareList(1, 0, 1), 0);
        pins = pinBodies;
        pinCount = 2;
    }
    // The colour where a world point lands, seen from the eye along the aim
    // the frame started with.
    Rgb colourAt(Vec3 point, Vec3 aim) {
        GLdouble modelview[16], projection[16], x, y, z;
        GLint viewport[4] = {0, 0, 640, 480};
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        gluLookAt(-6, -8, 2, -6 + aim.x, -8 + aim.y, 2 + aim.z, 0, 0, 1);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glPopMatrix();
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        gluProject(point.x, point.y, point.z, modelview, projection, viewport, &x, &y, &z);
        return readPixel(static_cast<int>(x), static_cast<int>(y));
    }
    Body pinBodies[2];
};

TEST_F(Frame, DrawsTheLaneTheBallAndOnlyActivePinsFromTheCamera) {
    Vec3 aim = viewDirection;
    renderFrame();
    Rgb red = colourAt(ball.position, aim), green = colourAt(pins[0].position, aim);
    Rgb fallen = colourAt(pins[1].position, aim);
    EXPECT_TRUE(red.r == 255 && red.g == 0);  // drawn although its flag is 0
    EXPECT_TRUE(green.g == 255 && green.r == 0);
    EXPECT_TRUE(fallen.b == 255 && fallen.r == 0);  // the wall shows through
    EXPECT_EQ(readPixel(0, 0).b, 255);              // and fills the window to its corner
}

TEST_F(Frame, TheCameraTurnsTowardTheBallForTheNextFrame) {
    cameraStart = {0, 0, 0};
    ball.position = {0, 10, 0};
    const struct {
        Vec3 ball, aim;
        float step;
        Vec3 turned;
    } cases[] = {
        // toBall x 20 x step plus the previous unit aim x (1 - step) / 20.
        {{0, 10, 0}, {2, 0, 0}, 0.05f, {0.0475f, 1.0f, 0}},
        {{0, 10, 0}, {2, 0, 0}, 0.0f, {0.05f, 0, 0}},
        {{0, 0, 0}, {0, 1, 0}, 0.05f, {0, 0.0475f, 1.0f}},  // the ball at the eye
    };
    for (const auto &c : cases) {
        ball.position = c.ball;
        viewDirection = c.aim;
        stepSeconds = c.step;
        renderFrame();
        EXPECT_FLOAT_EQ(viewDirection.x, c.turned.x);
        EXPECT_FLOAT_EQ(viewDirection.y, c.turned.y);
        EXPECT_FLOAT_EQ(viewDirection.z, c.turned.z);
    }
}

TEST_F(Frame, TheViewUsedIsTheOneBeforeTheTurn) {
    // Aimed away from the ball, the first frame does not show it although the
    // turn then swings the aim onto it for the second.
    Vec3 away = {0, -1, 0};
    viewDirection = away;
    stepSeconds = 0.25f;
    renderFrame();
    for (Rgb pixel : readFrame()) ASSERT_NE(pixel.r, 255);
    Vec3 turned = viewDirection;
    renderFrame();
    EXPECT_EQ(colourAt(ball.position, turned).r, 255);
}

}  // namespace
