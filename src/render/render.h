// Drawing: the frame renderer, the overlay and the bitmap text.
#pragma once

// Where a 16-pixel glyph cell lies relative to the raster position.
enum TextAlign {
    TEXT_ALIGN_BOTTOM = 0,  // the cell extends upward
    TEXT_ALIGN_MIDDLE = 1,  // the cell is centred on it
    TEXT_ALIGN_TOP = 2,     // the cell extends downward
};

// Draws the scene from the camera, turns the camera toward the ball, draws
// the overlay and swaps the buffers.
void renderFrame();
// The flat layer of texts over the scene, in the scene's overlay colour.
void drawOverlay();

void initText(int width, int height);
void setTextAlign(int mode);
// Moves the raster position by whole or fractional glyph cells, drawing nothing.
void moveTextCursor(float dx, float dy);
// Draws one character and advances one cell; characters without a glyph are skipped.
void drawGlyph(char c);
void drawText(const char *text, int count);
// The pointer with its tip at window pixel (x, y), counted from the top left.
void drawPointer(int x, int y);
