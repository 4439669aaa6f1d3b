#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/display.h"
#include "flow/world.h"
#include "support/gl_window.h"

namespace {

// SDL stays up afterwards: shutting it down would unload the GL driver,
// after which LeakSanitizer can no longer tell the driver's allocations from
// the game's.
TEST(Display, ModeAlternatesBetweenFullScreenAndWindow) {
    openTestWindow();
    EXPECT_EQ(getScreenSurface(), nullptr);
    setVideoMode();
    ASSERT_NE(getScreenSurface(), nullptr);
    EXPECT_EQ(isFullscreen, 1);
    EXPECT_EQ(getScreenSurface()->flags & (SDL_FULLSCREEN | SDL_OPENGL),
              (Uint32)(SDL_FULLSCREEN | SDL_OPENGL));
    EXPECT_EQ(getScreenSurface()->w, 640);
    EXPECT_EQ(getScreenSurface()->h, 480);
    int doubleBuffer = 0, depth = 0;
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    EXPECT_EQ(doubleBuffer, 1);
    EXPECT_GE(depth, 16);
    setVideoMode();
    EXPECT_EQ(isFullscreen, 0);
    EXPECT_EQ(getScreenSurface()->flags & SDL_FULLSCREEN, 0u);
}

TEST(Display, ProjectionIsSixtyDegreesOverTheViewportAndClears) {
    openTestWindow();
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    setProjection(320, 200);
    GLint viewport[4], mode;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 320, 200}));
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    double nearPlane = 0.09f, farPlane = 100.0, f = 1.0 / std::tan(M_PI / 6.0);
    EXPECT_FLOAT_EQ(m[0], f / 1.6);
    EXPECT_FLOAT_EQ(m[5], f);
    EXPECT_FLOAT_EQ(m[10], (farPlane + nearPlane) / (nearPlane - farPlane));
    EXPECT_FLOAT_EQ(m[14], 2.0 * farPlane * nearPlane / (nearPlane - farPlane));
    EXPECT_EQ(readPixel(10, 10).g, 255);
}

}  // namespace
