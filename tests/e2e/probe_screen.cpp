#include "probe_screen.h"

#include <algorithm>

#include "platform/fltk/fltk.h"

namespace probe_screen {
namespace {

plat::NativeWindow* native(plat::Window window) {
    return plat::window_record(window)->native;
}

}  // namespace

bool shared(plat::Window window) {
    return native(window)->canvas->image().shared();
}

std::uint64_t puts(plat::Window window) {
    return native(window)->canvas->image().puts();
}

long differing(plat::Window window) {
    plat::fltk::Canvas* canvas = native(window)->canvas;
    XSync(fl_display, False);
    const plat::Surface& surface = plat::window_record(window)->surface;
    int width = std::min(canvas->w(), surface.width);
    int height = std::min(canvas->h(), surface.height);
    XImage* shot =
        XGetImage(fl_display, fl_xid(native(window)), canvas->x(), canvas->y(),
                  static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (shot == nullptr) return -1;
    long count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((XGetPixel(shot, x, y) & 0xFFFFFF) != (surface.at(x, y) & 0xFFFFFF)) ++count;
    XDestroyImage(shot);
    return count;
}

void refuse_shm_attach() {
    plat::fltk::refuse_shm_attach_for_testing(true);
}

}  // namespace probe_screen
