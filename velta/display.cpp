// The Display object: the application's one handle on the library.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "library_state.h"
#include "platform/platform.h"
#include "velta/velta.h"

Display::Display() : width(600), height(500) {
    VeltaState& s = velta_state;
    // A program's own main() makes its Display first thing: without a display to open there is
    // nothing it could do, so it ends here with one line saying why.
    std::string reason;
    if (!plat::open_display(&reason)) {
        std::fprintf(stderr, "VELTA: %s\n", reason.c_str());
        std::exit(1);
    }
    if (s.single_display) {
        char reply[256] = {0};
        velta_message("Error: Attempted to instantiate multiple VELTA displays", reply);
        std::exit(-1);
    }
    velta_init(velta_startup.instance, velta_startup.prev_instance, velta_startup.cmd_line,
               velta_startup.show_cmd);
    velta_set_logging(0);
    s.single_display = 1;
}

Display::~Display() {
    velta_shutdown();
}

void Display::clear(int colour) {
    velta_show();
    velta_erase();
    rectangle(-(width / 2), -(height / 2), width / 2, height / 2, colour, 0);
}

int Display::next_event(int* x, int* y, char* key) {
    int kind = velta_wait_event(x, y, key);
    return (kind >= EVENT_MOUSE && kind <= EVENT_QUIT) ? kind : EVENT_NONE;
}

void Display::set_animation(int mode) {
    velta_set_animation(mode == 3 ? ANIMATION_QUIT : mode);
}

int Display::rectangle(int x1, int y1, int x2, int y2, int colour, int width_) {
    return velta_rectangle(colour, x1, y1, x2, y2, width_);
}

int Display::triangle(int x1, int y1, int x2, int y2, int x3, int y3, int colour, int width_) {
    return velta_triangle(colour, x1, y1, x2, y2, x3, y3, width_);
}

int Display::oval(int x1, int y1, int x2, int y2, int colour, int width_) {
    return velta_oval(colour, x1, y1, x2, y2, width_);
}

int Display::line(int x1, int y1, int x2, int y2, int colour, int width_) {
    return velta_line(colour, x1, y1, x2, y2, width_);
}

int Display::pixel(int x, int y, int colour) {
    return velta_pixel(colour, x, y);
}

int Display::text(int x, int y, const char* text_, int height_, int colour) {
    return velta_text(colour, x, y, text_, height_);
}

int Display::text(int x, int y, const std::string& text_, int height_, int colour) {
    return velta_text(colour, x, y, text_.c_str(), height_);
}

void Display::text_size(const std::string& text_, int height_, int* w, int* h) {
    velta_text_size(text_.c_str(), height_, w, h);
}

void Display::set_input(int flags) {
    velta_set_input(flags);
}

int Display::next_input(VeltaEvent* event) {
    return velta_next_input(event);
}

bool Display::key_is_down(int code) {
    return velta_key_is_down(code) != 0;
}

bool Display::button_is_down(int button) {
    return velta_button_is_down(button) != 0;
}

void Display::mouse_position(int* x, int* y) {
    velta_mouse_position(x, y);
}
