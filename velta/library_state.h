// The library's process-wide state and the internals shared by its source files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/platform.h"

struct VeltaState {
    std::int32_t pending_kind = 0;
    std::int32_t pending_x = 0;
    std::int32_t pending_y = 0;
    char pending_key = 0;
    // What the further event kinds carry (velta_set_input): a key code or wheel distance, a
    // button (or the buttons held), the modifier keys.
    std::int32_t pending_code = 0;
    std::int32_t pending_button = 0;
    std::int32_t pending_mods = 0;
    std::uint8_t run = 0;
    std::uint8_t single_step = 0;
    std::int32_t timer_tick = 0;
    std::uint8_t quit = 0;
    std::uint8_t quit_taken = 0;  // a quit message that velta_pump took outside a wait
    std::uint8_t recording = 0;
    std::uint8_t playback = 0;
    std::uint8_t play_one = 0;
    std::int32_t periodic_count = 0;
    std::FILE* script = nullptr;
    char script_mode = 0;  // 'w' or 'r' while the script file is open
    int script_fd = -1;    // the descriptor of a script open for writing, for signal handlers
    std::uint8_t logging = 1;
    std::int32_t ctrl_held = 0;
    std::int32_t shift_held = 0;
    // The further kinds asked for (InputFlags), and the input state the events returned so far
    // left: keys and buttons down, the mouse's last picture position.
    std::int32_t input_flags = 0;
    std::uint8_t keys_down[256] = {};
    std::int32_t buttons_held = 0;
    std::int32_t mouse_x = 0;
    std::int32_t mouse_y = 0;
    // Console messages also go to standard error, where the process has one.
    std::uint8_t mirror_to_stderr = 1;
    std::int32_t origin_x = 0;
    std::int32_t origin_y = 0;
    std::int32_t dirty = 1;
    std::uint8_t single_display = 0;
    plat::Window graphics = nullptr;
    plat::Window text = nullptr;
    plat::DC window_dc = nullptr;
    plat::GdiHandle image = nullptr;
    plat::DC memory_dc = nullptr;
    void* instance = nullptr;
    plat::Menu run_menu = nullptr;
};

extern VeltaState velta_state;

// The start-up values kept by the entry.
struct VeltaStartup {
    void* instance = nullptr;
    void* prev_instance = nullptr;
    char* cmd_line = nullptr;
    int show_cmd = plat::sw::show_normal;
};
extern VeltaStartup velta_startup;

// Image geometry.
constexpr int kImageWidth = 601;
constexpr int kImageHeight = 540;

// Run menu commands.
enum : std::uint32_t {
    CMD_ANIMATE = 1,
    CMD_HALT = 2,
    CMD_STEP = 3,
    CMD_LOGGING = 4,
    CMD_RECORD = 5,
    CMD_PLAYBACK = 6,
    CMD_PLAY_ONE = 7,
    CMD_QUIT = 8,
    CMD_INFO = 9,
};

// Window procedures.
plat::LResult velta_graphics_proc(plat::Window, std::uint32_t, plat::WParam, plat::LParam);
plat::LResult velta_text_proc(plat::Window, std::uint32_t, plat::WParam, plat::LParam);
// The text window's repaint: replays the console ring.
plat::LResult velta_text_paint(plat::Window window);
plat::LResult velta_message_proc(plat::Window, std::uint32_t, plat::WParam, plat::LParam);

// Ends a recording as Record Script does when it is on: writes the periodic line of the ticks it
// counted and closes its file. When a playback owns the file (Record Script chosen while a
// playback runs), the recording ends without touching the file or the playback's count.
void velta_end_recording();

// The signals that ask the program to end (interrupt, terminate, hang-up) end it as Quit does, and
// a crash writes a recording's counted ticks before the process dies. Caught from velta_init to
// velta_shutdown, and only where the program left a signal's default action in place.
void velta_catch_signals();
void velta_release_signals();

// Brings the input state (keys and buttons down, the mouse's position) up to date with an event
// that the wait returns.
void velta_note_input(int kind);

// Copies the off-screen image to the graphics window and clears the dirty flag.
void velta_copy_image();

// Text blocks for text drawing commands: a movable block holding a NUL-terminated string, named by
// a 32-bit handle.
std::int32_t velta_alloc_text(const char* text);
void velta_free_text(std::int32_t handle);

// Returns the library to its state at program start and frees the console ring (tests only).
void velta_reset_for_tests();
// Forgets the console ring (tests only; part of velta_reset_for_tests).
void velta_console_reset();
// Keeps every console message from now on (or stops), for velta_test::console.
void velta_keep_transcript(bool keep);
std::vector<std::string> velta_transcript();

// The console ring, read by tests and by the repaint: the text of a slot (null when the slot is
// empty), the slot of the oldest message (-1 while none has been stored) and the next slot.
constexpr int kRingSlots = 25;
const char* velta_console_slot(int slot);
std::int32_t velta_ring_start();
std::int32_t velta_ring_next();
