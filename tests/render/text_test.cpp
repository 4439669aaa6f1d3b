// Bitmap text with a real GL context: where the raster position goes and
// where a glyph's pixels land.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "flow/world.h"
#include "render/render.h"
#include "support/gl_window.h"

namespace {

class Text : public ::testing::Test {
  protected:
    void SetUp() override {
        openTestWindow();
        initText(640, 480);
        useUnitSquare();
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }
    // Window coordinates of the current raster position.
    Vec3 raster() {
        GLfloat position[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        return {position[0], position[1], 0};
    }
    void at(float x, float y) { glRasterPos2f(x / 640.0f, y / 480.0f); }
    bool lit(int x, int y) { return readPixel(x, y).r > 0; }
};

TEST_F(Text, TheCursorMovesByCellsAndOnlyCharactersWithGlyphsAdvance) {
    glRasterPos2f(0.5f, 1.0f);
    moveTextCursor(-9, 0);
    moveTextCursor(0.5f, -1);
    EXPECT_EQ(raster().x, 252.0f);
    EXPECT_EQ(raster().y, 464.0f);
    at(100, 100);
    drawText("PAUSED", 6);
    EXPECT_EQ(raster().x, 148.0f);
    const char skipped[] = {'\t', '\0', '\n', 127, static_cast<char>(200), ' ', '~', 31};
    drawText(skipped, 8);  // the space, the tilde and the pointer shape advance
    drawText("x", 0);
    drawText("x", -2);
    EXPECT_EQ(raster().x, 172.0f);
}

TEST_F(Text, GlyphCellsSitWhereTheAlignmentSays) {
    // The minus sign fills row 8 of its cell, columns 1 to 7; mode 3 keeps
    // the alignment set before it.
    const int rowOfMinus[] = {100 + 8, 100 - 8 + 8, 100 - 16 + 8, 100 - 16 + 8};
    for (int mode = 0; mode < 4; mode++) {
        SetUp();
        setTextAlign(mode);
        at(200, 100);
        drawGlyph('-');
        int row = rowOfMinus[mode];
        EXPECT_FALSE(lit(200, row)) << mode;
        EXPECT_TRUE(lit(201, row) && lit(207, row)) << mode;
        EXPECT_FALSE(lit(208, row) || lit(204, row + 1) || lit(204, row - 1)) << mode;
    }
}

}  // namespace
