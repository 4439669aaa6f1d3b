#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "flow/world.h"

namespace {

const int POINTER_ENTRY = 95;

const unsigned char *glyphOf(char c) { return fontGlyphs[126 - c]; }

// Reads the table the way glBitmap does: row 0 at the bottom, 4 bytes a row,
// leftmost pixel in the top bit of its byte.
bool pixel(const unsigned char *glyph, int row, int column) {
    return (glyph[row * 4 + column / 8] >> (7 - column % 8)) & 1;
}

int pixelCount(const unsigned char *glyph) {
    int count = 0;
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 16; ++column) count += pixel(glyph, row, column);
    return count;
}

// The lowest and highest rows holding a set pixel.
struct RowSpan {
    int bottom = 16, top = -1;
};

RowSpan rowSpan(char c) {
    RowSpan span;
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 16; ++column)
            if (pixel(glyphOf(c), row, column)) {
                if (row < span.bottom) span.bottom = row;
                span.top = row;
            }
    return span;
}

std::string quoted(char c) { return std::string("'") + c + "'"; }

void expectSpan(const char *chars, int bottom, int top) {
    for (const char *c = chars; *c; ++c) {
        RowSpan span = rowSpan(*c);
        EXPECT_EQ(span.bottom, bottom) << quoted(*c);
        EXPECT_EQ(span.top, top) << quoted(*c);
    }
}

TEST(FontGlyphs, EveryRowIsPaddedToFourBytesWithZeros) {
    for (int entry = 0; entry < GLYPH_COUNT; ++entry)
        for (int row = 0; row < 16; ++row) {
            EXPECT_EQ(fontGlyphs[entry][row * 4 + 2], 0) << "entry " << entry << " row " << row;
            EXPECT_EQ(fontGlyphs[entry][row * 4 + 3], 0) << "entry " << entry << " row " << row;
        }
}

TEST(FontGlyphs, PointerIsTheFixedArrowByteForByte) {
    // Bytes 0 and 1 of each row, bottom row first.
    const unsigned char expected[16][2] = {
        {0x00, 0x00}, {0xC0, 0x00}, {0xA0, 0x00}, {0xD0, 0x00}, {0xA8, 0x00}, {0xD7, 0xC0},
        {0xA8, 0x40}, {0xD0, 0x80}, {0xA1, 0x00}, {0xC2, 0x00}, {0x84, 0x00}, {0x88, 0x00},
        {0x90, 0x00}, {0xA0, 0x00}, {0xC0, 0x00}, {0x80, 0x00},
    };
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(fontGlyphs[POINTER_ENTRY][row * 4], expected[row][0]) << "row " << row;
        EXPECT_EQ(fontGlyphs[POINTER_ENTRY][row * 4 + 1], expected[row][1]) << "row " << row;
    }
}

TEST(FontGlyphs, SpaceIsBlankAndEveryCharacterIsDrawnAndDistinct) {
    EXPECT_EQ(pixelCount(glyphOf(' ')), 0);
    for (char c = '!'; c <= '~'; ++c) {
        EXPECT_GT(pixelCount(glyphOf(c)), 0) << quoted(c);
        for (char other = '!'; other < c; ++other)
            EXPECT_NE(std::memcmp(glyphOf(c), glyphOf(other), GLYPH_BYTES), 0)
                << quoted(c) << " repeats " << quoted(other);
    }
}

TEST(FontGlyphs, CharactersKeepToColumnsOneToSeven) {
    // Column 0 and the right half stay clear so that neighbours 8 pixels
    // apart never touch.
    for (char c = ' '; c <= '~'; ++c)
        for (int row = 0; row < 16; ++row) {
            EXPECT_FALSE(pixel(glyphOf(c), row, 0)) << quoted(c) << " row " << row;
            EXPECT_EQ(glyphOf(c)[row * 4 + 1], 0) << quoted(c) << " row " << row;
        }
}

TEST(FontGlyphs, LettersAndDigitsSpanTheRowsOfTheirClass) {
    expectSpan("ABCDEFGHIJKLMNOPRSTUVWXYZ", 4, 12);
    expectSpan("Q", 2, 12);
    expectSpan("0123456789", 4, 13);
    expectSpan("acemnorsuvwxz", 4, 10);
    expectSpan("bdfhiklt", 4, 13);
    expectSpan("gpqy", 1, 10);
    expectSpan("j", 1, 13);
}

TEST(FontGlyphs, PunctuationSitsBetweenRowsTwoAndFourteen) {
    for (char c = '!'; c <= '~'; ++c) {
        if (std::isalnum((unsigned char)c)) continue;
        RowSpan span = rowSpan(c);
        EXPECT_GE(span.bottom, 2) << quoted(c);
        EXPECT_LE(span.top, 14) << quoted(c);
    }
    expectSpan("()[]{}", 2, 14);
    EXPECT_EQ(rowSpan(',').bottom, 2);
    EXPECT_EQ(rowSpan(';').bottom, 2);
    expectSpan("_", 2, 2);
}

TEST(FontGlyphs, FullStopIsATwoByTwoBlockAndMinusAFullRow) {
    expectSpan(".", 4, 5);
    EXPECT_EQ(pixelCount(glyphOf('.')), 4);
    int column = 1;
    while (column < 7 && !pixel(glyphOf('.'), 4, column)) ++column;
    for (int row = 4; row <= 5; ++row)
        for (int dx = 0; dx < 2; ++dx)
            EXPECT_TRUE(pixel(glyphOf('.'), row, column + dx)) << "row " << row;

    expectSpan("-", 8, 8);
    for (int c = 1; c <= 7; ++c) EXPECT_TRUE(pixel(glyphOf('-'), 8, c)) << "column " << c;
}

TEST(FontGlyphs, ZeroIsAPlainOval) {
    // The zero mirrors itself about the middle of columns 1 to 7, and between
    // its top and bottom arcs every row is just the two sides: a slash breaks
    // the mirror and a dot in the middle adds a third run of pixels.
    const unsigned char *zero = glyphOf('0');
    for (int row = 0; row < 16; ++row)
        for (int column = 1; column <= 7; ++column)
            EXPECT_EQ(pixel(zero, row, column), pixel(zero, row, 8 - column))
                << "row " << row << " column " << column;
    for (int row = 5; row <= 12; ++row) {
        int runs = 0;
        for (int column = 1; column < 16; ++column)
            runs += pixel(zero, row, column) && !pixel(zero, row, column - 1);
        EXPECT_EQ(runs, 2) << "row " << row;
    }
}

}  // namespace
