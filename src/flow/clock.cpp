#include "flow/clock.h"

#include <SDL.h>

#include "flow/world.h"

static const int32_t FRAME_HOLD_MS = 20;
const float LONGEST_FRAME = 0.25f;

// Tick counts are subtracted in 32 bits and read as signed, so the counter's
// wrap-around still gives the small positive difference.
static int32_t ticksSince(uint32_t then, uint32_t now) { return (int32_t)(now - then); }

void tickClock() {
    uint32_t now = SDL_GetTicks();
    if (frameLimit)
        while (ticksSince(lastTicks, now) < FRAME_HOLD_MS) now = SDL_GetTicks();
    setFrameTime(ticksSince(lastTicks, now) / 1000.0);
    lastTicks = now;
}

void setFrameTime(double seconds) {
    frameSeconds = (float)seconds;
    // A long frame (a load, a stall) is dropped from game time, not clamped.
    if (frameSeconds > LONGEST_FRAME) frameSeconds = 0.0f;
    stepSeconds = frameSeconds;
    if (paused == 1) stepSeconds = 0.0f;
}
