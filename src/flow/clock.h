// The frame clock: how long the last frame took, and how far game time moves.
#pragma once

// Sets frameSeconds and stepSeconds from SDL's millisecond tick count.
void tickClock();

// The longest frame that counts: a longer one (a load, a stall) is dropped
// from game time.
extern const float LONGEST_FRAME;
// The clock's rule for a frame that took this long: frameSeconds (0 for a
// frame longer than LONGEST_FRAME) and stepSeconds (frameSeconds, or 0 while
// paused). tickClock measures the frame; a simulated player gives its own.
void setFrameTime(double seconds);
