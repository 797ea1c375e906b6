// Window styles onto Motif window manager hints.
#include "platform/fltk/motif_hints.h"

#include "platform/platform.h"

namespace plat {
namespace fltk {

MotifHints motif_hints(std::uint32_t style) {
    MotifHints h;
    bool caption = (style & ws::caption) == ws::caption;
    bool system_menu = (style & ws::sys_menu) != 0;
    bool sizing = (style & ws::thick_frame) != 0;
    // The original platform shows the minimise and maximise buttons only next to the close
    // button, in a title bar; without them the user has no way to minimise or maximise.
    bool buttons = caption && system_menu;
    bool minimize = buttons && (style & ws::minimize_box) != 0;
    bool maximize = buttons && (style & ws::maximize_box) != 0;
    if (caption || system_menu) h.functions |= MotifHints::kFuncMove;
    if (system_menu) h.functions |= MotifHints::kFuncClose;
    if (sizing) h.functions |= MotifHints::kFuncResize;
    if (minimize) h.functions |= MotifHints::kFuncMinimize;
    if (maximize) h.functions |= MotifHints::kFuncMaximize;

    if (style & (ws::border | ws::thick_frame)) h.decorations |= MotifHints::kDecorBorder;
    if (sizing) h.decorations |= MotifHints::kDecorResizeHandle;
    if (caption) h.decorations |= MotifHints::kDecorTitle;
    if (buttons) h.decorations |= MotifHints::kDecorMenu;
    if (minimize) h.decorations |= MotifHints::kDecorMinimize;
    if (maximize) h.decorations |= MotifHints::kDecorMaximize;
    return h;
}

}  // namespace fltk
}  // namespace plat
