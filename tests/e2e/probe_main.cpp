// A small program on a desktop backend for the end-to-end tests: it prints every input message
// that reaches the graphics window, every event that the wait returns and every new console
// message, one line each, so that the tests can check key codes, characters, clicks, the dialog
// and the script file's messages on a real display.
//   no argument      halted; print messages and events until quit
//   dialog           first ask for a reply in the message dialog and print it
//   second-display   make a second Display, which shows the error dialog and ends the program
//   present          check how pictures reach the screen (see check_presenting), then quit
//   present refuse-shm   the same with the server refusing the shared memory segments
//   input            ask for every key and the mouse, and print the events' whole records
#include <chrono>
#include <cstdio>
#include <cstring>

#include "library_state.h"
#include "platform/backend.h"
#include "platform/platform.h"
#include "probe_screen.h"
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

// Handles what is queued, then waits as a halted program does: the wait sleeps (until the
// library's timer), which puts the last picture on the screen.
void go_idle() {
    while (plat::message_ready()) velta_pump();
    plat::wait_message();
    while (plat::message_ready()) velta_pump();
}

void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

void say_count(const char* what, long count) {
    std::printf("%s: %ld\n", what, count);
    std::fflush(stdout);
}

// How pictures reach the screen: which way the graphics window's picture is put; that the window
// is whole again after the text window that covered its bottom rows is closed; that frames drawn
// for 200 ms without a pause are put on the screen now and then but far fewer times than they are
// copied into the window; and that the last frame is on the screen as soon as the program sleeps.
// For the last, the probe sleeps for 3 s after printing "sleeping", while the test looks.
void check_presenting(Display& display) {
    plat::Window graphics = velta_state.graphics;
    go_idle();
    say(probe_screen::shared(graphics) ? "presenting with MIT-SHM" : "presenting with XPutImage");
    // The text window covers the graphics window's last rows; closing it uncovers them.
    plat::destroy_window(velta_state.text);
    go_idle();
    say_count("differing after uncovering", probe_screen::differing(graphics));

    using clock = std::chrono::steady_clock;
    std::uint64_t before = probe_screen::puts(graphics);
    long frames = 0;
    auto start = clock::now();
    for (auto end = start + std::chrono::milliseconds(200); clock::now() < end; ++frames) {
        display.rectangle(-150 + frames % 100, -60, 150, 60, 2 + frames % 20, 0);
        velta_show();
        velta_pump();
    }
    double elapsed_ms = std::chrono::duration<double, std::milli>(clock::now() - start).count();
    long during = static_cast<long>(probe_screen::puts(graphics) - before);
    // Put on the screen while they keep changing, but at most once a refresh (60 Hz), however
    // long each frame took.
    if (during >= 2 && during <= static_cast<long>(elapsed_ms / (1000.0 / 60)) + 2)
        say("frames coalesced");
    else
        std::printf("frames not coalesced: %ld frames in %.0f ms, %ld puts\n", frames, elapsed_ms,
                    during);
    go_idle();
    say_count("differing when idle", probe_screen::differing(graphics));

    // A frame drawn right after a put is not due at the next pump; going to sleep shows it.
    for (std::uint64_t puts = probe_screen::puts(graphics); probe_screen::puts(graphics) == puts;) {
        display.rectangle(-150, -60, 150, 60, 2 + frames++ % 20, 0);
        velta_show();
        velta_pump();
    }
    display.rectangle(-20, -20, 20, 20, 22, 0);  // 41 x 41 pixels of 50 % gray
    velta_show();
    velta_pump();
    say("sleeping");
    auto wake = clock::now() + std::chrono::seconds(3);
    while (clock::now() < wake) plat::idle_until(plat::backend().now_ms() + 3000);
    say_count("differing after the sleep", probe_screen::differing(graphics));
}

}  // namespace

int simulation_main() {
    if (mode_is("present refuse-shm")) probe_screen::refuse_shm_attach();
    Display display;
    graphics_proc = plat::window_record(velta_state.graphics)->proc;
    plat::window_record(velta_state.graphics)->proc = tracing_proc;
    text_proc = plat::window_record(velta_state.text)->proc;
    plat::window_record(velta_state.text)->proc = text_tracing_proc;
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
    } else if (mode_is("present") || mode_is("present refuse-shm")) {
        check_presenting(display);
    }
    if (mode_is("input")) {
        display.set_input(VELTA_INPUT_KEYS | VELTA_INPUT_MOUSE);
        VeltaEvent e;
        for (;;) {
            int kind = display.next_input(&e);
            print_new_console_lines();
            std::printf("input %d %d %d %d %d %d %d\n", kind, e.x, e.y,
                        static_cast<unsigned char>(e.key), e.code, e.button, e.modifiers);
            std::fflush(stdout);
            if (kind == EVENT_QUIT) return 0;
        }
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
