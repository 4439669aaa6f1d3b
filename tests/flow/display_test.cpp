#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "flow/display.h"
#include "flow/world.h"
#include "support/gl_window.h"

namespace {

TEST(Display, ModeAlternatesBetweenFullScreenAndWindow) {
    openTestWindow();
    EXPECT_EQ(getScreenSurface(), nullptr);
    setVideoMode();
    ASSERT_NE(getScreenSurface(), nullptr);
    EXPECT_EQ(isFullscreen, 1);
    EXPECT_TRUE(getScreenSurface()->flags & SDL_FULLSCREEN);
    EXPECT_TRUE(getScreenSurface()->flags & SDL_OPENGL);
    EXPECT_EQ(getScreenSurface()->w, 640);
    EXPECT_EQ(getScreenSurface()->h, 480);
    int doubleBuffer = 0, depth = 0;
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    EXPECT_EQ(doubleBuffer, 1);
    EXPECT_GE(depth, 16);

    setVideoMode();
    EXPECT_EQ(isFullscreen, 0);
    EXPECT_FALSE(getScreenSurface()->flags & SDL_FULLSCREEN);
    SDL_Quit();
}

TEST(Display, ProjectionIsSixtyDegreesOverTheViewport) {
    openTestWindow();
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    setProjection(640, 480);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);

    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    double nearPlane = 0.09f, farPlane = 100.0;
    double f = 1.0 / std::tan(M_PI / 6.0);
    EXPECT_FLOAT_EQ(m[0], f / (640.0 / 480.0));
    EXPECT_FLOAT_EQ(m[5], f);
    EXPECT_FLOAT_EQ(m[10], (farPlane + nearPlane) / (nearPlane - farPlane));
    EXPECT_FLOAT_EQ(m[11], -1.0f);
    EXPECT_FLOAT_EQ(m[14], 2.0 * farPlane * nearPlane / (nearPlane - farPlane));
    EXPECT_FLOAT_EQ(m[15], 0.0f);

    Rgb cleared = readPixel(320, 240);
    EXPECT_EQ(cleared.g, 255);
    EXPECT_EQ(cleared.r, 0);
}

}  // namespace
