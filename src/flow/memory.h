// Heap blocks owned by the game (the scene list, the pin array, the mesh
// nodes) come from allocateZeroed, so that a test can make any one of them
// fail and check the message and that nothing leaks.
#pragma once

#include <cstddef>
#include <cstdint>

void *allocateZeroed(size_t count, size_t size);

// -1: allocations never fail on purpose. n >= 0: the next n allocations
// succeed and the one after them fails; the countdown then returns to -1.
extern int32_t allocationFailCountdown;
