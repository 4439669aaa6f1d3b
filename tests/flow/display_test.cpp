#include <gtest/gtest.h>

#include "flow/display.h"
#include "flow/world.h"
#include "support/gl_window.h"

namespace {

// SDL stays up afterwards: shutting it down would unload the GL driver,
// after which LeakSanitizer can no longer tell the driver's allocations from
// the game's.
TEST(Display, TheFirstModeIsFullScreenDoubleBufferedWithADepthBuffer) {
    openTestWindow();
    EXPECT_EQ(getScreenSurface(), nullptr);
    setVideoMode();
    ASSERT_NE(getScreenSurface(), nullptr);
    EXPECT_EQ(getScreenSurface()->flags & (SDL_FULLSCREEN | SDL_OPENGL),
              (Uint32)(SDL_FULLSCREEN | SDL_OPENGL));
    int doubleBuffer = 0, depth = 0;
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    EXPECT_EQ(doubleBuffer, 1);
    EXPECT_GE(depth, 16);
}

}  // namespace
