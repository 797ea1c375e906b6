// The text kind of the renderer and the text blocks that name its text.
#include <cstring>

#include "draw_helpers.h"

using namespace velta_test;

class DrawTextTest : public DrawingTest {
  protected:
    void TearDown() override {
        for (std::int32_t handle : handles) velta_free_text(handle);
        VeltaTest::TearDown();
    }
    void text(int x, int y, int height, const char* s, int colour = 4) {
        std::int32_t handle = velta_alloc_text(s);
        ASSERT_NE(handle, 0);
        handles.push_back(handle);
        DrawCommand c{DRAW_TEXT, colour, 0, x, y, height, handle, 0, 0};
        velta_render(&c);
    }
    // The height of one line of text at this size, measured as the renderer measures it.
    static int line_height(int height, const char* s) {
        plat::DC dc = plat::create_compatible_dc(nullptr);
        plat::GdiHandle font = plat::create_font(-height, 0, 0, 0, 400, false, false, false, 0, 0,
                                                 0, 0, 0, "VELTA-font");
        plat::GdiHandle old = plat::select_object(dc, font);
        plat::Size size;
        plat::get_text_extent_point(dc, s, static_cast<int>(std::strlen(s)), &size);
        plat::select_object(dc, old);
        plat::delete_object(font);
        plat::delete_dc(dc);
        return size.cy;
    }
    // Rows [top, bottom) of the image hold a pixel of the colour.
    static bool band_has(plat::Color c, int top, int bottom) {
        const plat::Surface& s = image();
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < s.width; ++x)
                if (s.at(x, y) == c) return true;
        return false;
    }

    std::vector<std::int32_t> handles;
};

TEST_F(DrawTextTest, LinesStackByTheLineHeightAndEmptyLinesKeepTheirRow) {
    const char* s = "AB\n\nC";
    int h = line_height(20, s);
    ASSERT_GT(h, 0);
    text(-50, 40, 20, s);
    std::vector<plat::Color> stacked = image().pixels;
    int anchor = oy - 40;
    // AB lies directly above the anchor, the next row is empty and C is on the row after it.
    EXPECT_TRUE(band_has(kBlue, anchor - h, anchor));
    EXPECT_FALSE(band_has(kBlue, anchor, anchor + h));
    EXPECT_TRUE(band_has(kBlue, anchor + h, anchor + 2 * h));
    EXPECT_FALSE(band_has(kBlue, 0, anchor - h));
    EXPECT_FALSE(band_has(kBlue, anchor + 2 * h, kImageHeight));
    // The same picture as the two lines drawn on their own at those rows.
    velta_erase();
    text(-50, 40, 20, "AB");
    text(-50, 40 - 2 * h, 20, "C");
    EXPECT_EQ(image().pixels, stacked);
}

TEST_F(DrawTextTest, GlyphsOnlyAreDrawnInTheColourAndATrailingNewlineAddsNothing) {
    velta_rectangle(5, -100, 100, 100, -100, 0);
    text(-50, 0, 24, "Hi\n", 0);
    std::vector<plat::Color> with_newline = image().pixels;
    int black = count_colour(image(), kBlack);
    // The outer black ring of the erase is there too; the text adds black glyph pixels only, and
    // everything else in the yellow square stays yellow.
    EXPECT_GT(black, 2 * (kImageWidth + kImageHeight));
    int other = 0;
    for (plat::Color p : image().pixels) other += p != kBlack && p != kWhite && p != 0xFFFF00;
    EXPECT_EQ(other, 0);
    velta_erase();
    velta_rectangle(5, -100, 100, 100, -100, 0);
    text(-50, 0, 24, "Hi", 0);
    EXPECT_EQ(image().pixels, with_newline);
}

TEST_F(DrawTextTest, UnknownOrFreedHandlesDrawNothing) {
    std::vector<plat::Color> before = image().pixels;
    std::int32_t handle = velta_alloc_text("gone");
    velta_free_text(handle);
    for (std::int32_t h : {handle, 0, -1, 12345}) {
        velta_state.dirty = 0;
        DrawCommand c{DRAW_TEXT, 0, 0, 0, 0, 20, h, 0, 0};
        velta_render(&c);
        EXPECT_EQ(velta_state.dirty, 1);
    }
    EXPECT_EQ(image().pixels, before);
    velta_free_text(handle);  // freeing twice is harmless
    velta_free_text(-7);
}

TEST_F(DrawTextTest, TextBlocksHoldACopyAndReuseFreedHandles) {
    char source[] = "copy";
    std::int32_t a = velta_alloc_text(source);
    std::int32_t b = velta_alloc_text("other");
    EXPECT_GT(a, 0);
    EXPECT_NE(a, b);
    source[0] = 'X';  // the block is the library's own copy
    text(0, 0, 16, "copy");
    std::vector<plat::Color> expected = image().pixels;
    velta_erase();
    handles.push_back(a);
    handles.push_back(b);
    DrawCommand c{DRAW_TEXT, 4, 0, 0, 0, 16, a, 0, 0};
    velta_render(&c);
    EXPECT_EQ(image().pixels, expected);
    EXPECT_EQ(velta_alloc_text(nullptr), 0);
}
