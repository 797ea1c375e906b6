// The drawing entry points, the renderer's six kinds, erase and show, checked on the pixels of the
// off-screen image and of the graphics window.
#include <climits>

#include "draw_helpers.h"

using namespace velta_test;
using Strings = std::vector<std::string>;

class DrawTest : public DrawingTest {
  protected:
    void render(DrawCommand c) { velta_render(&c); }
};

TEST_F(DrawTest, LoggingLinesAreExactAndUseNormalisedCorners) {
    velta_rectangle(3, 10, -5, -10, 5, 2);
    velta_triangle(5, 0, 0, 1, 1, 2, 0, 0);
    velta_show();
    velta_erase();
    EXPECT_EQ(velta_ring_start(), -1) << "logging off writes nothing";
    velta_state.logging = 1;
    velta_rectangle(3, 10, -5, -10, 5, 2);
    velta_rectangle(3, 10, -5, -10, 5, 0);
    velta_triangle(22, -1, 2, 3, -4, 5, 6, 9);
    velta_show();
    velta_show();
    velta_erase();
    EXPECT_EQ(
        console_log(),
        (Strings{"green rectangle with bounding box (-10,5) to (10,-5) with line width 2\n",
                 "green rectangle with bounding box (-10,5) to (10,-5), filled\n",
                 "50% gray triangle at (-1,2), (3,-4), (5,6)\n", "Flushing the graphics window\n",
                 "Flushing the graphics window\n", "Clearing the graphics window\n"}));
}

TEST_F(DrawTest, FilledRectangleIncludesBothCornersAndNothingBeyond) {
    velta_rectangle(3, 10, -5, -10, 5, 0);
    EXPECT_TRUE(pixels_match(image(), ox - 15, oy - 10, ox + 15, oy + 10, [&](int x, int y) {
        bool in = x >= ox - 10 && x <= ox + 10 && y >= oy - 5 && y <= oy + 5;
        return in ? kGreen : kWhite;
    }));
}

TEST_F(DrawTest, OutlinedRectangleWidthOneIsTheRingOfTheBox) {
    velta_rectangle(4, -10, 5, 10, -5, 1);
    EXPECT_TRUE(pixels_match(image(), ox - 15, oy - 10, ox + 15, oy + 10, [&](int x, int y) {
        bool in = x >= ox - 10 && x <= ox + 10 && y >= oy - 5 && y <= oy + 5;
        bool inner = x > ox - 10 && x < ox + 10 && y > oy - 5 && y < oy + 5;
        return in && !inner ? kBlue : kWhite;
    }));
}

TEST_F(DrawTest, OutlinedRectangleWidthTwoCentresThePenOnTheBox) {
    // The pen runs along the box's edge pixels and takes its extra pixel on the upper/left side.
    velta_rectangle(4, -10, 5, 10, -5, 2);
    EXPECT_TRUE(pixels_match(image(), ox - 15, oy - 10, ox + 15, oy + 10, [&](int x, int y) {
        bool out = x >= ox - 11 && x <= ox + 10 && y >= oy - 6 && y <= oy + 5;
        bool inner = x >= ox - 9 && x <= ox + 8 && y >= oy - 4 && y <= oy + 3;
        return out && !inner ? kBlue : kWhite;
    }));
}

TEST_F(DrawTest, FilledTriangleAndItsOutline) {
    // Apex at the origin, base ten rows below it.
    velta_triangle(0, 0, 0, 10, -10, -10, -10, 0);
    EXPECT_TRUE(pixels_match(image(), ox - 14, oy - 4, ox + 14, oy + 14, [&](int x, int y) {
        int dy = y - oy;
        bool in = dy >= 0 && dy <= 10 && x >= ox - dy && x <= ox + dy;
        return in ? kBlack : kWhite;
    }));
    velta_erase();
    velta_triangle(0, 0, 0, 10, -10, -10, -10, 1);
    EXPECT_TRUE(pixels_match(image(), ox - 14, oy - 4, ox + 14, oy + 14, [&](int x, int y) {
        int dy = y - oy, dx = x - ox;
        bool edge =
            dy >= 0 && dy <= 10 && (dx == dy || dx == -dy || (dy == 10 && dx >= -10 && dx <= 10));
        return edge ? kBlack : kWhite;
    }));
}

TEST_F(DrawTest, IllegalColourAndNegativeWidthDrawAWideRedOutline) {
    velta_triangle(30, 0, 0, 20, -20, -20, -20, -2);
    const plat::Surface& s = image();
    EXPECT_EQ(s.at(ox, oy), kRed);
    EXPECT_EQ(s.at(ox, oy + 12), kWhite);  // interior left as it was
    // Each side is two pixels thick: along the base both rows are red.
    EXPECT_EQ(s.at(ox, oy + 19), kRed);
    EXPECT_EQ(s.at(ox, oy + 20), kRed);
    EXPECT_EQ(s.at(ox, oy + 18), kWhite);
}

TEST_F(DrawTest, OvalStaysInsideItsBoxAndTouchesEverySide) {
    render({DRAW_OVAL, 0, 0, -20, 10, 20, -10, 0, 0});
    const plat::Surface& s = image();
    auto row_has = [&](int y) { return s.at(ox, y) == kBlack; };
    auto column_has = [&](int x) { return s.at(x, oy) == kBlack; };
    EXPECT_TRUE(row_has(oy - 10) && row_has(oy + 10) && column_has(ox - 20) && column_has(ox + 20));
    EXPECT_FALSE(row_has(oy - 11) || row_has(oy + 11) || column_has(ox - 21) ||
                 column_has(ox + 21));
    EXPECT_EQ(s.at(ox - 20, oy - 10), kWhite);  // the box's corners are outside the oval
    EXPECT_EQ(s.at(ox + 20, oy + 10), kWhite);
    EXPECT_EQ(s.at(ox, oy), kBlack);
    int in_box = 0;
    for (int y = oy - 10; y <= oy + 10; ++y)
        for (int x = ox - 20; x <= ox + 20; ++x) in_box += s.at(x, y) == kBlack;
    int erase_ring = 2 * (kImageWidth + kImageHeight - 2);
    EXPECT_EQ(count_colour(s, kBlack), erase_ring + in_box) << "drawn outside its box";
}

TEST_F(DrawTest, LineLeavesOutItsEndPixel) {
    render({DRAW_LINE, 0, 0, 0, 0, 4, -2, 0, 0});
    EXPECT_TRUE(pixels_match(image(), ox - 2, oy - 2, ox + 6, oy + 4, [&](int x, int y) {
        int dx = x - ox, dy = y - oy;
        bool on = (dx == 0 && dy == 0) || (dx == 1 && dy == 0) || (dx == 2 && dy == 1) ||
                  (dx == 3 && dy == 1);
        return on ? kBlack : kWhite;
    }));
}

TEST_F(DrawTest, PixelSetsExactlyOnePixel) {
    render({DRAW_PIXEL, 2, 0, 3, 4, 0, 0, 0, 0});
    EXPECT_TRUE(pixels_match(image(), ox - 5, oy - 10, ox + 10, oy + 5, [&](int x, int y) {
        return x == ox + 3 && y == oy - 4 ? kRed : kWhite;
    }));
}

TEST_F(DrawTest, EraseLeavesAWhiteInteriorInsideABlackRing) {
    velta_rectangle(2, -300, 300, 300, -300, 0);
    velta_state.dirty = 0;
    velta_erase();
    EXPECT_EQ(velta_state.dirty, 1);
    EXPECT_TRUE(pixels_match(image(), 0, 0, kImageWidth - 1, kImageHeight - 1, [](int x, int y) {
        bool ring = x == 0 || y == 0 || x == kImageWidth - 1 || y == kImageHeight - 1;
        return ring ? kBlack : kWhite;
    }));
}

TEST_F(DrawTest, UnknownKindsDrawNothingButMarkTheImage) {
    std::vector<plat::Color> before = image().pixels;
    for (int kind : {9, 6, -1, INT_MIN}) {
        velta_state.dirty = 0;
        render({kind, 2, 3, -50, 50, 50, -50, 0, 0});
        EXPECT_EQ(velta_state.dirty, 1) << kind;
    }
    EXPECT_EQ(image().pixels, before);
}

TEST_F(DrawTest, BadRecordsAreCorrectedAndFarCoordinatesClippedNotWrapped) {
    std::vector<plat::Color> before = image().pixels;
    render({DRAW_PIXEL, 0, 0, INT_MAX, INT_MIN, 0, 0, 0, 0});
    render({DRAW_RECTANGLE, 0, 0, INT_MAX - 1, INT_MAX, INT_MAX, INT_MAX - 1, 0, 0});
    EXPECT_EQ(image().pixels, before);
    // A colour outside the palette is drawn red and reported, not read outside the table.
    render({DRAW_PIXEL, 99, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(image().at(ox, oy), kRed);
    EXPECT_EQ(console_log(), Strings{"Illegal color 99; using RED.\n"});
}

TEST_F(DrawTest, ShowCopiesOnlyWhenTheImageChanged) {
    const plat::Surface& window = plat::headless::surface(graphics());
    // Let start-up's paints run first: a repaint copies whatever the image holds.
    for (int i = 0; i < 10; ++i) velta_pump();
    velta_rectangle(3, -2, 2, 2, -2, 0);
    EXPECT_NE(window.at(ox, oy), kGreen);
    velta_show();
    EXPECT_EQ(velta_state.dirty, 0);
    EXPECT_EQ(window.at(ox, oy), kGreen);
    EXPECT_EQ(window.at(ox + 3, oy), kWhite);
    // A change that bypasses the renderer leaves the flag clear, so the next show copies nothing.
    plat::set_pixel(velta_state.memory_dc, ox + 3, oy, kRed);
    velta_show();
    EXPECT_EQ(window.at(ox + 3, oy), kWhite);
    velta_pump();
    EXPECT_EQ(window.at(ox + 3, oy), kWhite);
    // The next drawing call brings both to the window with one copy.
    velta_triangle(4, 0, 20, 1, 20, 0, 21, 0);
    velta_pump();
    EXPECT_EQ(window.at(ox + 3, oy), kRed);
}
