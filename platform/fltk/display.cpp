// Opening the X display for FLTK, with a clear failure instead of FLTK's fatal exit.
#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdlib>
#include <cstring>

#include "platform/fltk/fltk.h"

namespace plat {
namespace fltk {
namespace {

int display_scale = 1;

// The screen's density as desktops set it for X programs: the Xft.dpi resource on the root
// window (96 where there is none).
double xft_dpi(::Display* display) {
    const char* resources = XResourceManagerString(display);
    for (const char* line = resources; line != nullptr && *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        if (std::strncmp(line, "Xft.dpi:", 8) == 0) {
            double dpi = std::atof(line + 8);
            if (dpi > 0) return dpi;
        }
        line = end != nullptr ? end + 1 : nullptr;
    }
    return 96.0;
}

}  // namespace

int whole_scale(double dpi) {
    int scale = static_cast<int>(dpi / 96.0 + 1e-9);
    return scale < 1 ? 1 : scale > 8 ? 8 : scale;
}

int scale() {
    return display_scale;
}

bool open_display(std::string* reason) {
    if (fl_display != nullptr) return true;  // opened already (the program's entry, then Display)
    const char* name = std::getenv("DISPLAY");
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        *reason = name != nullptr && *name != '\0'
                      ? "cannot open the X display \"" + std::string(name) + "\""
                      : std::string("no X display: DISPLAY is not set");
        return false;
    }
    fl_open_display(display);
    // Everything is drawn that many times larger, in whole device pixels: a logical pixel of a
    // picture is a square block, and FLTK's own widgets (menus, the dialog) are sized to match.
    display_scale = whole_scale(xft_dpi(display));
    FL_NORMAL_SIZE = 14 * display_scale;
    return true;
}

}  // namespace fltk
}  // namespace plat
