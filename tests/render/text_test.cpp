// Bitmap text with a real GL context: where the raster position goes and
// where the glyph's pixels land.
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
    float rasterX() { return raster()[0]; }
    float rasterY() { return raster()[1]; }
    const GLfloat *raster() {
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        return position;
    }
    void at(float x, float y) { glRasterPos2f(x / 640.0f, y / 480.0f); }
    bool lit(int x, int y) { return readPixel(x, y).r > 0; }
    GLfloat position[4];
};

TEST_F(Text, AlignmentModesSetTheVerticalOrigin) {
    setTextAlign(TEXT_ALIGN_MIDDLE);
    EXPECT_EQ(textAlignOffset, 8.0f);
    setTextAlign(3);
    EXPECT_EQ(textAlignOffset, 8.0f);
    setTextAlign(TEXT_ALIGN_TOP);
    EXPECT_EQ(textAlignOffset, 16.0f);
    setTextAlign(TEXT_ALIGN_BOTTOM);
    EXPECT_EQ(textAlignOffset, 0.0f);
}

TEST_F(Text, TheCursorMovesByWholeCells) {
    glRasterPos2f(0.5f, 1.0f);
    moveTextCursor(-9, 0);
    EXPECT_EQ(rasterX(), 248.0f);
    EXPECT_EQ(rasterY(), 480.0f);
    moveTextCursor(0, -1);
    EXPECT_EQ(rasterY(), 464.0f);
    moveTextCursor(0.5f, 0);
    EXPECT_EQ(rasterX(), 252.0f);
}

TEST_F(Text, OnlyCharactersWithGlyphsAdvance) {
    at(100, 100);
    drawText("PAUSED", 6);
    EXPECT_EQ(rasterX(), 148.0f);
    drawText(" ~", 2);
    EXPECT_EQ(rasterX(), 164.0f);
    const char skipped[] = {'\t', '\0', '\n', 127, static_cast<char>(200)};
    drawText(skipped, 5);
    EXPECT_EQ(rasterX(), 164.0f);
    drawText("x", 0);
    drawText("x", -2);
    EXPECT_EQ(rasterX(), 164.0f);
    drawGlyph(31);  // the pointer shape, as an ordinary character
    EXPECT_EQ(rasterX(), 172.0f);
}

TEST_F(Text, GlyphCellsSitWhereTheAlignmentSays) {
    // The minus sign fills row 8 of its cell, columns 1 to 7.
    int rowOfMinus[] = {100 + 8, 100 - 8 + 8, 100 - 16 + 8};
    for (int mode = 0; mode < 3; mode++) {
        SetUp();
        setTextAlign(mode);
        at(200, 100);
        drawGlyph('-');
        int row = rowOfMinus[mode];
        EXPECT_FALSE(lit(200, row)) << mode;
        EXPECT_TRUE(lit(201, row)) << mode;
        EXPECT_TRUE(lit(207, row)) << mode;
        EXPECT_FALSE(lit(208, row)) << mode;
        EXPECT_FALSE(lit(204, row + 1)) << mode;
        EXPECT_FALSE(lit(204, row - 1)) << mode;
    }
}

TEST_F(Text, ThePointerHangsFromItsTip) {
    drawPointer(320, 240);
    EXPECT_EQ(rasterX(), 320.0f);
    EXPECT_EQ(rasterY(), 240.0f);
    drawPointer(0, 0);
    EXPECT_EQ(rasterX(), 0.0f);
    EXPECT_EQ(rasterY(), 480.0f);

    SetUp();
    drawPointer(100, 100);
    int top = 479 - 100;  // the window row 100 from the top
    EXPECT_TRUE(lit(100, top));
    EXPECT_FALSE(lit(101, top));
    EXPECT_FALSE(lit(100, top + 1));
    EXPECT_TRUE(lit(109, top - 9));  // the far end of the diagonal, 10 rows down
    EXPECT_FALSE(lit(100, top - 15));
    EXPECT_TRUE(lit(100, top - 14));
}

}  // namespace
