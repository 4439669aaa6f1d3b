#include "flow/memory.h"

#include <cstdlib>

int32_t allocationFailCountdown = -1;

void *allocateZeroed(size_t count, size_t size) {
    if (allocationFailCountdown == 0) {
        allocationFailCountdown = -1;
        return nullptr;
    }
    if (allocationFailCountdown > 0) allocationFailCountdown--;
    return calloc(count, size);
}
