// The frame clock: how long the last frame took, and how far game time moves.
#pragma once

// Sets frameSeconds (0 for a frame longer than 0.25 s) and stepSeconds
// (frameSeconds, or 0 while paused) from SDL's millisecond tick count.
void tickClock();
