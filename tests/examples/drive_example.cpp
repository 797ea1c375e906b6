// Drives an example program on the headless backend: linked with the example, it schedules a few
// seconds of virtual time with clicks, keys and Run menu commands, checks that the picture shows
// something, and closes the graphics window, so that the example starts, draws, handles its events
// and ends with status 0.
#include <cstdio>
#include <cstdlib>

#include "platform/headless/headless.h"

namespace {

namespace hl = plat::headless;

plat::Window graphics() {
    plat::Window w = hl::find_window("VELTA Graphics");
    if (w == nullptr) {
        std::fprintf(stderr, "drive_example: no graphics window\n");
        std::exit(1);
    }
    return w;
}

// A click at picture coordinates; the headless graphics window's client area is 595 x 490.
void click_at(int x, int y) {
    hl::click(graphics(), 297 + x, 245 - y);
}

struct Driver {
    Driver() {
        hl::at(300, [] {
            click_at(-100, 100);
            hl::type_char(graphics(), 'o');
            click_at(0, 0);
            hl::type_char(graphics(), 'l');
            click_at(120, -80);
            hl::type_char(graphics(), 't');
            click_at(-200, -150);
        });
        hl::at(1000, [] { hl::ctrl_key(graphics(), 'H'); });
        hl::at(1200, [] { hl::ctrl_key(graphics(), 'F'); });
        hl::at(1500, [] { hl::ctrl_key(graphics(), 'A'); });
        hl::at(2900, [] {
            const plat::Surface& shown = hl::surface(graphics());
            int drawn = 0;
            for (plat::Color c : shown.pixels) drawn += c != 0xFFFFFF;
            if (drawn < 500) {
                std::fprintf(stderr, "drive_example: the picture is nearly empty\n");
                std::exit(1);
            }
        });
        hl::at(3000, [] { hl::close(graphics()); });
    }
};

Driver driver;

}  // namespace
