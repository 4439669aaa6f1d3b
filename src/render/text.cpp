#include <GL/gl.h>

#include "flow/world.h"
#include "render/render.h"

static const int BLANK_GLYPH = 94;
static const int POINTER_GLYPH = 95;
static const int CELL_PIXELS = 16;

// The table runs backward from '~', so the index of a character is 126 minus
// its code; codes below 31 and above 126 have no entry.
static int glyphIndex(char c) { return 126 - static_cast<signed char>(c); }

void initText(int width, int height) {
    textScreenWidth = width;
    textScreenHeight = height;
    glyphWidth = GLYPH_CELL_WIDTH;
    glyphHeight = GLYPH_CELL_HEIGHT;
}

void setTextAlign(int mode) {
    if (mode == TEXT_ALIGN_BOTTOM) textAlignOffset = 0.0f;
    if (mode == TEXT_ALIGN_MIDDLE) textAlignOffset = (float)(glyphHeight / 2.0);
    if (mode == TEXT_ALIGN_TOP) textAlignOffset = glyphHeight;
}

void moveTextCursor(float dx, float dy) {
    glBitmap(CELL_PIXELS, CELL_PIXELS, 0.0f, 0.0f, (float)((double)glyphWidth * dx),
             (float)((double)glyphHeight * dy), fontGlyphs[BLANK_GLYPH]);
}

void drawGlyph(char c) {
    int index = glyphIndex(c);
    if (index < 0 || index >= GLYPH_COUNT) return;
    // A positive y origin lowers the bitmap by that much below the raster position.
    glBitmap(CELL_PIXELS, CELL_PIXELS, 0.0f, textAlignOffset, glyphWidth, 0.0f, fontGlyphs[index]);
}

void drawText(const char *text, int count) {
    for (int i = 0; i < count; i++) drawGlyph(text[i]);
}

void drawPointer(int x, int y) {
    glRasterPos2f((float)((double)x / textScreenWidth),
                  (float)(1.0 - (double)y / textScreenHeight));
    glBitmap(CELL_PIXELS, CELL_PIXELS, 0.0f, glyphHeight, 0.0f, 0.0f, fontGlyphs[POINTER_GLYPH]);
}
