// The palette, the colour check and the width rule.
#include <climits>

#include "draw_helpers.h"

using velta_test::console_log;
using Strings = std::vector<std::string>;

class PaletteTest : public VeltaTest {};

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
