// The palette, the colour check and the width rule.
#include <climits>
#include <cstring>

#include "draw_helpers.h"

using velta_test::console_log;
using Strings = std::vector<std::string>;

class PaletteTest : public VeltaTest {};

TEST_F(PaletteTest, TableHoldsTheTwentyFourColours) {
    const unsigned hex[VELTA_COLORS] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00,
                                        0xFF00FF, 0x00FFFF, 0x9900CC, 0x003399, 0x996699, 0x99FFFF,
                                        0x99FFCC, 0xFF6600, 0x996633, 0xFF99CC, 0xFFFF99, 0xCC9933,
                                        0xFF9966, 0x006633, 0x33CC99, 0x999933, 0x808080, 0xCCCCCC};
    const char* names[VELTA_COLORS] = {
        "black",     "white",        "red",       "green",     "blue",       "yellow",
        "magenta",   "cyan",         "purple",    "navy blue", "dusty plum", "ice blue",
        "turquoise", "orange",       "brown",     "pink",      "chalk",      "gold",
        "peach",     "forest green", "sea green", "olive",     "50% gray",   "20% gray"};
    for (int i = 0; i < VELTA_COLORS; ++i) {
        EXPECT_EQ(plat::rgb(palette[i].red, palette[i].green, palette[i].blue), hex[i]) << i;
        EXPECT_STREQ(palette[i].name, names[i]) << i;
    }
}

TEST_F(PaletteTest, CheckPassesLegalColoursAndReportsOthersWhateverTheLogging) {
    velta_state.logging = 0;
    EXPECT_EQ(velta_check_color(0), 0);
    EXPECT_EQ(velta_check_color(23), 23);
    EXPECT_TRUE(console_log().empty());
    EXPECT_EQ(velta_check_color(24), VELTA_ILLEGAL);
    EXPECT_EQ(velta_check_color(-1), VELTA_ILLEGAL);
    EXPECT_EQ(velta_check_color(INT_MIN), VELTA_ILLEGAL);
    EXPECT_EQ(console_log(),
              (Strings{"Illegal color 24; using RED.\n", "Illegal color -1; using RED.\n",
                       "Illegal color -2147483648; using RED.\n"}));
}

TEST_F(PaletteTest, WarningsComeBeforeTheLogLineInOrder) {
    init();
    velta_set_logging(1);
    velta_console_reset();
    velta_triangle(30, 1, 2, 3, 4, 5, 6, -2);
    EXPECT_EQ(console_log(), (Strings{"Illegal color 30; using RED.\n",
                                      "Width of -2 not possible, using width 2\n",
                                      "red triangle at (1,2), (3,4), (5,6)\n"}));
}

TEST_F(PaletteTest, WidthWarningsAreWrittenWithLoggingOff) {
    velta_state.logging = 0;
    velta_rectangle(4, 0, 0, 5, 5, -3);
    velta_rectangle(4, 0, 0, 5, 5, 0);
    velta_triangle(4, 0, 0, 5, 5, 0, 5, 7);
    // The most negative width has no positive counterpart; it becomes the largest one.
    velta_triangle(4, 0, 0, 5, 5, 0, 5, INT_MIN);
    EXPECT_EQ(console_log(),
              (Strings{"Width of -3 not possible, using width 3\n",
                       "Width of -2147483648 not possible, using width 2147483647\n"}));
}
