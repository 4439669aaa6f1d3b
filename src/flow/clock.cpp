#include "flow/clock.h"

#include <SDL.h>

#include "flow/world.h"

static const int32_t FRAME_HOLD_MS = 20;
static const float LONGEST_FRAME = 0.25f;

// Tick counts are subtracted in 32 bits and read as signed, so the counter's
// wrap-around still gives the small positive difference.
static int32_t ticksSince(uint32_t then, uint32_t now) { return (int32_t)(now - then); }

void tickClock() {
    uint32_t now = SDL_GetTicks();
    if (frameLimit)
        while (ticksSince(lastTicks, now) < FRAME_HOLD_MS) now = SDL_GetTicks();
    frameSeconds = (float)(ticksSince(lastTicks, now) / 1000.0);
    // A long frame (a load, a stall) is dropped from game time, not clamped.
    if (frameSeconds > LONGEST_FRAME) frameSeconds = 0.0f;
    stepSeconds = frameSeconds;
    lastTicks = now;
    if (paused == 1) stepSeconds = 0.0f;
}
