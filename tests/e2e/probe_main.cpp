// A small program on a desktop backend for the end-to-end tests: it prints every input message
// that reaches the graphics window, every event that the wait returns and every new console
// message, one line each, so that the tests can check key codes, characters, clicks, the dialog
// and the script file's messages on a real display.
//   no argument      halted; print messages and events until quit
//   dialog           first ask for a reply in the message dialog and print it
//   second-display   make a second Display, which shows the error dialog and ends the program
#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "platform/platform.h"
#include "velta/state.h"
#include "velta/velta.h"

namespace {

plat::WndProc graphics_proc = nullptr;
plat::WndProc text_proc = nullptr;

// The text window's size changes, as "textsize <width> <height>".
plat::LResult text_tracing_proc(plat::Window w, std::uint32_t msg, plat::WParam wparam,
                                plat::LParam lparam) {
    if (msg == plat::wm::size) {
        std::printf("textsize %d %d\n", static_cast<int>(lparam & 0xFFFF),
                    static_cast<int>((lparam >> 16) & 0xFFFF));
        std::fflush(stdout);
    }
    return text_proc(w, msg, wparam, lparam);
}

plat::LResult tracing_proc(plat::Window w, std::uint32_t msg, plat::WParam wparam,
                           plat::LParam lparam) {
    switch (msg) {
        case plat::wm::key_down:
            std::printf("keydown %u %d\n", static_cast<unsigned>(wparam),
                        plat::key_lparam_character(lparam));
            break;
        case plat::wm::key_up:
            std::printf("keyup %u\n", static_cast<unsigned>(wparam));
            break;
        case plat::wm::character:
            std::printf("char %u\n", static_cast<unsigned>(wparam));
            break;
        case plat::wm::left_button_down:
            std::printf("click %d %d\n", static_cast<int>(lparam & 0xFFFF),
                        static_cast<int>((lparam >> 16) & 0xFFFF));
            break;
        case plat::wm::command:
            std::printf("command %u\n", static_cast<unsigned>(wparam));
            break;
        default:
            break;
    }
    std::fflush(stdout);
    return graphics_proc(w, msg, wparam, lparam);
}

// Prints the console messages stored since the last call, as "console <text>".
void print_new_console_lines() {
    static std::int32_t seen = 0;
    for (; seen != velta_ring_next(); seen = (seen + 1) % kRingSlots) {
        const char* text = velta_console_slot(seen);
        if (text == nullptr) continue;
        std::size_t n = std::strlen(text);
        while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
        std::printf("console %.*s\n", static_cast<int>(n), text);
    }
    std::fflush(stdout);
}

bool mode_is(const char* name) {
    const char* line = velta_startup.cmd_line;
    return line != nullptr && std::strcmp(line, name) == 0;
}

}  // namespace

int simulation_main() {
    Display display;
    graphics_proc = velta_state.graphics->proc;
    velta_state.graphics->proc = tracing_proc;
    text_proc = velta_state.text->proc;
    velta_state.text->proc = text_tracing_proc;
    display.clear(VELTA_BACKGROUND);
    display.rectangle(-100, -50, 100, 50, 0, 0);
    print_new_console_lines();
    std::printf("ready\n");
    std::fflush(stdout);
    if (mode_is("dialog")) {
        char reply[256] = {0};
        int shown = velta_message("Type a reply", reply);
        std::printf("reply %d [%s]\n", shown, reply);
        std::fflush(stdout);
    } else if (mode_is("second-display")) {
        Display second;
    }
    int x = 0, y = 0;
    char key = 0;
    for (;;) {
        int kind = display.next_event(&x, &y, &key);
        print_new_console_lines();
        std::printf("event %d %d %d %d\n", kind, x, y, static_cast<unsigned char>(key));
        std::fflush(stdout);
        if (kind == EVENT_QUIT) break;
    }
    return 0;
}
