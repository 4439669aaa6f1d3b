// Drawing: the frame renderer, the overlay and the bitmap text.
#pragma once

void initText(int width, int height);
// Draws the scene and the overlay, then swaps the buffers.
void renderFrame();
