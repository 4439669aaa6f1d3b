// The game's own frame loop blocks, and a browser draws nothing and delivers
// no input until a script returns. The build is made with Asyncify, so the
// buffer swap can unwind the game's stack, give the browser its turn until
// its next animation frame, and resume the loop where it stopped.
#include <GL/gl.h>
#include <SDL.h>
#include <emscripten.h>

#include "web_layer.h"

// A page's first frames, and the first draws of each shader, can take a
// fifth of a second in a browser: as long as a frame in which the physics
// lets a pin sink through the lane. A load ends with a swap before the
// level's clock starts, so that swap takes the time to prepare the new
// display lists' shaders and lets the browser settle. Keys pressed meanwhile
// wait in SDL's queue, and the level's first frame counts each press.
static const int LOAD_SETTLE_FRAMES = 10;

// The count of frames shown lets the page or a test measure the frame rate.
// clang-format off
EM_ASYNC_JS(void, waitForAnimationFrames, (int count), {
    Module.framesShown = (Module.framesShown || 0) + 1;
    for (let i = 0; i < count; i++) await new Promise(resolve => requestAnimationFrame(resolve));
});
// clang-format on

// Draws the lists hidden by a clear and reads a pixel, which waits for the
// drawing: in Chromium, WebGL's glFinish does not.
static bool prepareNewLists() {
    if (!drawNewListsOnce()) return false;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLubyte pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return true;
}

// The game's SDL_GL_SwapBuffers (see port.h).
void webSwapBuffers() {
    bool afterLoad = prepareNewLists();
    SDL_GL_SwapBuffers();
    waitForAnimationFrames(afterLoad ? LOAD_SETTLE_FRAMES : 1);
}
