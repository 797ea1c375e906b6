// The program entry, the library state, and start-up and shutdown of the two windows, the
// off-screen image and the animation timer.
#include "library_state.h"
#include "platform/gdi.h"
#include "platform/platform.h"
#include "velta/velta.h"

VeltaState velta_state;
VeltaStartup velta_startup;

int velta_init(void* instance, void* prev_instance, char* /*cmd_line*/, int show_cmd) {
    VeltaState& s = velta_state;
    if (prev_instance == nullptr) {
        plat::WindowClass cls;
        cls.style = plat::cs::hredraw | plat::cs::vredraw;
        cls.background = plat::rgb(255, 255, 255);
        cls.menu_name = "generic";
        cls.name = "DrawWndClass";
        cls.proc = velta_graphics_proc;
        plat::register_class(cls);
        cls.name = "TextWndClass";
        cls.proc = velta_text_proc;
        plat::register_class(cls);
    }
    int screen_w = plat::screen_width();
    int screen_h = plat::screen_height();
    s.run = 0;
    s.single_step = 0;
    s.graphics = plat::create_window("DrawWndClass", "VELTA Graphics",
                                     plat::ws::caption | plat::ws::sys_menu, 0, 0, kImageWidth,
                                     kImageHeight, nullptr);
    s.text = plat::create_window("TextWndClass", "VELTA Text", plat::ws::overlapped_window, 0,
                                 (2 * screen_h) / 3 + 1, screen_w, screen_h / 3, nullptr);
    s.instance = instance;
    s.window_dc = plat::get_dc(s.graphics);
    s.image = plat::create_compatible_bitmap(s.window_dc, kImageWidth, kImageHeight);
    s.memory_dc = plat::create_compatible_dc(s.window_dc);
    plat::select_object(s.memory_dc, s.image);
    plat::show_window(s.text, show_cmd);
    plat::show_window(s.graphics, show_cmd);
    plat::set_timer(s.graphics, 2, 100);
    velta_catch_signals();
    return 1;
}

int velta_shutdown() {
    VeltaState& s = velta_state;
    plat::release_dc(s.graphics, s.window_dc);
    s.window_dc = nullptr;
    // Whatever ends the program, the ticks that a recording counted reach its file.
    if (s.recording) velta_end_recording();
    velta_close_script();
    velta_release_signals();
    return 1;
}

int velta_show_console(int flag) {
    return plat::show_window(velta_state.text, flag ? plat::sw::show : plat::sw::hide) ? 1 : 0;
}

// Only the rows drawn since the last copy, on the image or on the window, are copied: the rest of
// the window holds the image's pixels already.
void velta_copy_image() {
    VeltaState& s = velta_state;
    plat::copy_changes(s.window_dc, 0, 0, kImageWidth, kImageHeight, s.memory_dc, 0, 0);
    s.dirty = 0;
}

void velta_reset_for_tests() {
    VeltaState& s = velta_state;
    velta_release_signals();
    if (s.script != nullptr) std::fclose(s.script);
    if (s.memory_dc != nullptr) {
        plat::delete_dc(s.memory_dc);
        plat::delete_object(s.image);
    }
    if (s.window_dc != nullptr) plat::release_dc(s.graphics, s.window_dc);
    s = VeltaState{};
    velta_startup = VeltaStartup{};
    velta_console_reset();
}
