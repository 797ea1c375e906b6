// The font lookup that the FreeType text service asks for its files (fontconfig here): which face
// a description comes to, whatever the fonts installed.
#include "platform/freetype/font_files.h"

#include <gtest/gtest.h>

namespace {

using plat::find_font_file;

TEST(FontFiles, UnknownFamiliesComeToTheNormalFaceOfTheirPitch) {
    plat::FontFile sans = find_font_file("", false, false);
    plat::FontFile mono = find_font_file("", false, true);
    ASSERT_FALSE(sans.path.empty());
    ASSERT_FALSE(mono.path.empty());
    EXPECT_NE(sans.path, mono.path);
    EXPECT_EQ(find_font_file("VELTA-font", false, false).path, sans.path);
    EXPECT_EQ(find_font_file("VELTA-font", false, true).path, mono.path);
}

TEST(FontFiles, BoldIsAFaceOfItsOwn) {
    plat::FontFile regular = find_font_file("", false, false);
    plat::FontFile bold = find_font_file("", true, false);
    ASSERT_FALSE(bold.path.empty());
    EXPECT_NE(bold.path, regular.path);
    EXPECT_EQ(find_font_file("", true, false).path, bold.path);  // the same answer every time
}

}  // namespace
