// What the physics can play as meant: the longest step, the reach of a
// radius, the numbers its single-precision arithmetic keeps, and how deep a
// resting body sinks. The physics works by these, and the level checker holds
// a scene's values to them.
#pragma once

#include <cfloat>
#include <cmath>

// The longest game time one step may cover. A resting body gains gravity's
// pull over a whole step before its contact with the mesh turns it back, and
// over much more than 0.1 s it sinks far enough to pass through the surface:
// on a slow machine the pins would drop through the lane by themselves. A
// longer frame is simulated as several equal steps of at most this length.
const float LONGEST_STEP = 0.05f;

// The square of a radius, as the contact tests compare squared distances
// with it. A radius whose square rounds to 0 reaches no corner and no edge.
inline float squaredRadius(float radius) { return (float)((double)radius * radius); }

// Whether single precision keeps the value whole: finite, and 0 or at least
// the smallest normal float. A denormal keeps only a few bits, and its
// products round to 0.
inline bool isNormalNumber(float value) {
    return std::isfinite(value) && (value == 0.0f || std::fabs(value) >= FLT_MIN);
}

// The deepest a body resting on a level surface sinks below touching it,
// played with the physics' own step of this length: each step gravity pulls
// it in before the contact turns it back. A body whose radius is no more than
// this sinks with its centre below the surface, where the contact pushes it
// down, and falls through.
float restingSinkDepth(float seconds);
