// The entry points for ovals, lines, pixels and text, and the Display operations that reach them:
// each must draw exactly what the renderer draws for the command it stands for, with the checks
// and log lines of the rectangle's entry point.
#include <climits>
#include <string>

#include "draw_helpers.h"

using namespace velta_test;
using Strings = std::vector<std::string>;

namespace {

class EntryPointTest : public DrawingTest {
  protected:
    // The image after running draw on an erased image.
    plat::Surface drawn(const std::function<void()>& draw) {
        velta_erase();
        draw();
        return image();
    }
    plat::Surface rendered(DrawCommand c) {
        return drawn([&] { velta_render(&c); });
    }
};

testing::AssertionResult same_pixels(const plat::Surface& a, const plat::Surface& b) {
    if (a.width != b.width || a.height != b.height) return testing::AssertionFailure() << "sizes";
    return pixels_match(a, 0, 0, a.width - 1, a.height - 1,
                        [&](int x, int y) { return b.at(x, y); });
}

TEST_F(EntryPointTest, EachDrawsWhatItsCommandDraws) {
    // Corners in either order: the oval's box is normalised like the rectangle's.
    plat::Surface oval = drawn([] { velta_oval(4, 30, -10, -30, 20, 0); });
    EXPECT_TRUE(same_pixels(oval, rendered({DRAW_OVAL, 4, 0, -30, 20, 30, -10, 0, 0})));
    EXPECT_GT(count_colour(oval, kBlue), 1000);
    plat::Surface ring = drawn([] { velta_oval(4, -30, -10, 30, 20, 3); });
    EXPECT_TRUE(same_pixels(ring, rendered({DRAW_OVAL, 4, 3, -30, 20, 30, -10, 0, 0})));

    plat::Surface line = drawn([] { velta_line(2, -40, 7, 25, -13, 2); });
    EXPECT_TRUE(same_pixels(line, rendered({DRAW_LINE, 2, 2, -40, 7, 25, -13, 0, 0})));
    EXPECT_GT(count_colour(line, kRed), 100);

    plat::Surface pixel = drawn([] { velta_pixel(3, -7, 9); });
    EXPECT_EQ(count_colour(pixel, kGreen), 1);
    EXPECT_EQ(pixel.at(ox - 7, oy - 9), kGreen);

    plat::Surface text = drawn([] { velta_text(0, -50, 20, "Ab\nc", 14); });
    std::int32_t block = velta_alloc_text("Ab\nc");
    EXPECT_TRUE(same_pixels(text, rendered({DRAW_TEXT, 0, 0, -50, 20, 14, block, 0, 0})));
    velta_free_text(block);
    EXPECT_GT(count_colour(text, kBlack), 20);
}

TEST_F(EntryPointTest, LogLinesAndWarningsFollowTheRectanglesStyle) {
    velta_state.logging = 1;
    velta_oval(3, 10, -5, -10, 5, 0);
    velta_oval(3, 10, -5, -10, 5, 2);
    velta_line(5, 1, 2, 3, 4, 0);
    velta_pixel(13, -6, 7);
    velta_text(8, 11, -12, "hi", 16);
    EXPECT_EQ(
        console_log(),
        (Strings{"green oval with bounding box (-10,5) to (10,-5), filled\n",
                 "green oval with bounding box (-10,5) to (10,-5) with line width 2\n",
                 "yellow line from (1,2) to (3,4) with line width 0\n", "orange pixel at (-6,7)\n",
                 "purple text \"hi\" at (11,-12) with height 16\n"}));

    // An illegal colour and a negative width or height are reported whether logging is on or
    // off, and corrected: red, the absolute value.
    velta_console_reset();
    velta_state.logging = 0;
    plat::Surface bad = drawn([] { velta_line(30, -20, 0, 20, 0, -3); });
    EXPECT_TRUE(same_pixels(bad, rendered({DRAW_LINE, 2, 3, -20, 0, 20, 0, 0, 0})));
    velta_oval(-1, 0, 0, 5, 5, -2);
    velta_pixel(24, 0, 0);
    velta_text(99, 0, 0, "x", -9);
    EXPECT_EQ(
        console_log(),
        (Strings{"Illegal color 30; using RED.\n", "Width of -3 not possible, using width 3\n",
                 "Illegal color -1; using RED.\n", "Width of -2 not possible, using width 2\n",
                 "Illegal color 24; using RED.\n", "Illegal color 99; using RED.\n",
                 "Height of -9 not possible, using height 9\n"}));
}

class DisplayEntryTest : public VeltaTest {};

TEST_F(DisplayEntryTest, DisplayOperationsTakeCoordinatesFirstAndColourLast) {
    Display display;
    velta_set_logging(1);
    velta_console_reset();
    EXPECT_EQ(display.oval(1, 2, 3, 4, 5, 6), 1);
    EXPECT_EQ(display.line(1, 2, 3, 4, 5, 6), 1);
    EXPECT_EQ(display.pixel(1, 2, 5), 1);
    EXPECT_EQ(display.text(1, 2, "t", 12, 5), 1);
    EXPECT_EQ(console_log(),
              (Strings{"yellow oval with bounding box (1,4) to (3,2) with line width 6\n",
                       "yellow line from (1,2) to (3,4) with line width 6\n",
                       "yellow pixel at (1,2)\n", "yellow text \"t\" at (1,2) with height 12\n"}));
}

TEST_F(EntryPointTest, TextSurvivesMissingHugeAndFarAwayInput) {
    EXPECT_EQ(velta_text(0, 0, 0, nullptr, 12), 1);
    EXPECT_EQ(count_colour(image(), kBlack), 2 * (601 + 540) - 4);  // only erase's ring

    std::string huge(200000, 'W');
    huge[100000] = '\n';
    EXPECT_EQ(velta_text(0, -300, 250, huge.c_str(), 40), 1);
    EXPECT_EQ(velta_text(0, 0, 0, "zero height", 0), 1);
    EXPECT_EQ(velta_text(0, INT_MAX, INT_MIN, "far", INT_MAX), 1);
    EXPECT_EQ(velta_text(0, INT_MIN, INT_MAX, "far", INT_MIN), 1);
    // Every block the entry point made was freed again: the next one gets the first handle.
    std::int32_t block = velta_alloc_text("next");
    EXPECT_EQ(block, 1);
    velta_free_text(block);
}

}  // namespace
