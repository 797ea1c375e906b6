// The Motif window manager hints (_MOTIF_WM_HINTS) that give a window the frame its style asks for:
// which buttons its title bar has and what the user may do with it. Window managers read them
// when they take a window on, so they must be on the window before it is mapped.
#pragma once

#include <cstdint>

namespace plat {
namespace fltk {

// The property's five 32-bit fields; functions and decorations list what is allowed (the "all"
// bit, which would turn them into lists of what is not, is never set).
struct MotifHints {
    enum : unsigned long { kFunctions = 1, kDecorations = 2 };
    enum : unsigned long {
        kFuncResize = 2,
        kFuncMove = 4,
        kFuncMinimize = 8,
        kFuncMaximize = 16,
        kFuncClose = 32,
    };
    enum : unsigned long {
        kDecorBorder = 2,
        kDecorResizeHandle = 4,
        kDecorTitle = 8,
        kDecorMenu = 16,
        kDecorMinimize = 32,
        kDecorMaximize = 64,
    };
    unsigned long flags = kFunctions | kDecorations;
    unsigned long functions = 0;
    unsigned long decorations = 0;
    long input_mode = 0;
    unsigned long status = 0;
};

// The hints for a top-level window of the given style (WS_* bits): a caption gives a title bar,
// the system menu a window menu and a close button, the sizing border resizing, and the minimise
// and maximise boxes those buttons and actions, as on the original platform. A window with
// ws::caption | ws::sys_menu alone can be moved and closed, nothing else.
MotifHints motif_hints(std::uint32_t style);

}  // namespace fltk
}  // namespace plat
