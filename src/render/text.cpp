#include "flow/world.h"
#include "render/render.h"

// Temporary until the bitmap font lands: only the screen size is kept.
void initText(int width, int height) {
    textScreenWidth = width;
    textScreenHeight = height;
}
