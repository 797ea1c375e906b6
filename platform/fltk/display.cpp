// Opening the X display for FLTK, with a clear failure instead of FLTK's fatal exit.
#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdlib>

#include "platform/fltk/fltk.h"

namespace plat {
namespace fltk {

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
    return true;
}

}  // namespace fltk
}  // namespace plat
