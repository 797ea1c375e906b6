// The window manager hints that a window's style gives it.
#include "platform/fltk/motif_hints.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

using plat::fltk::motif_hints;
using plat::fltk::MotifHints;

TEST(MotifHints, CaptionAndSystemMenuAloneMoveAndClose) {
    // The graphics window: a title bar with the window menu and a close button; it cannot be
    // minimised, maximised or resized.
    MotifHints h = motif_hints(plat::ws::caption | plat::ws::sys_menu);
    EXPECT_EQ(h.flags, MotifHints::kFunctions | MotifHints::kDecorations);
    EXPECT_EQ(h.functions, MotifHints::kFuncMove | MotifHints::kFuncClose);
    EXPECT_EQ(h.decorations,
              MotifHints::kDecorBorder | MotifHints::kDecorTitle | MotifHints::kDecorMenu);
    EXPECT_EQ(h.input_mode, 0);
    EXPECT_EQ(h.status, 0u);
}

TEST(MotifHints, OverlappedWindowKeepsEverything) {
    MotifHints h = motif_hints(plat::ws::overlapped_window);
    EXPECT_EQ(h.functions, MotifHints::kFuncResize | MotifHints::kFuncMove |
                               MotifHints::kFuncMinimize | MotifHints::kFuncMaximize |
                               MotifHints::kFuncClose);
    EXPECT_EQ(h.decorations, MotifHints::kDecorBorder | MotifHints::kDecorResizeHandle |
                                 MotifHints::kDecorTitle | MotifHints::kDecorMenu |
                                 MotifHints::kDecorMinimize | MotifHints::kDecorMaximize);
}

TEST(MotifHints, EachStyleBitGivesItsOwnPart) {
    constexpr std::uint32_t base = plat::ws::caption | plat::ws::sys_menu;
    MotifHints min = motif_hints(base | plat::ws::minimize_box);
    EXPECT_EQ(min.functions & (MotifHints::kFuncMinimize | MotifHints::kFuncMaximize),
              MotifHints::kFuncMinimize);
    EXPECT_EQ(min.decorations & (MotifHints::kDecorMinimize | MotifHints::kDecorMaximize),
              MotifHints::kDecorMinimize);
    MotifHints sizing = motif_hints(base | plat::ws::thick_frame);
    EXPECT_EQ(sizing.functions,
              MotifHints::kFuncMove | MotifHints::kFuncClose | MotifHints::kFuncResize);
    EXPECT_NE(sizing.decorations & MotifHints::kDecorResizeHandle, 0u);
    // Without a system menu: no close button and no window menu, nor the other buttons and
    // what they do.
    MotifHints no_menu =
        motif_hints(plat::ws::caption | plat::ws::minimize_box | plat::ws::maximize_box);
    EXPECT_EQ(no_menu.functions, MotifHints::kFuncMove);
    EXPECT_EQ(no_menu.decorations, MotifHints::kDecorBorder | MotifHints::kDecorTitle);
    // A border without a caption has no title bar; a bare popup has nothing and stays put.
    MotifHints border = motif_hints(plat::ws::popup | plat::ws::border);
    EXPECT_EQ(border.functions, 0u);
    EXPECT_EQ(border.decorations, MotifHints::kDecorBorder);
    MotifHints popup = motif_hints(plat::ws::popup);
    EXPECT_EQ(popup.functions, 0u);
    EXPECT_EQ(popup.decorations, 0u);
}

}  // namespace
