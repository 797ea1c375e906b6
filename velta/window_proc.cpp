// The graphics window's procedure (Run menu, Ctrl-key commands, clicks, characters, timer ticks,
// size and paint) and the text window's key forwarding.
#include "library_state.h"
#include "platform/gdi.h"
#include "platform/platform.h"
#include "velta/velta.h"

namespace {

struct MenuEntry {
    const char* text;  // null for a separator
    std::uint32_t command;
    std::uint32_t flags;
};

constexpr MenuEntry kRunMenu[] = {
    {"&Animate\tCtrl+A", CMD_ANIMATE, plat::mf::string},
    {"&Halt animation\tCtrl+H", CMD_HALT, plat::mf::string},
    {"Advance one &frame\tCtrl+F", CMD_STEP, plat::mf::string},
    {nullptr, 0, plat::mf::separator},
    {"&Logging\tCtrl+L", CMD_LOGGING, plat::mf::string | plat::mf::checked},
    {nullptr, 0, plat::mf::separator},
    {"&Record Script\tCtrl+R", CMD_RECORD, plat::mf::string},
    {"&Playback Script\tCtrl+P", CMD_PLAYBACK, plat::mf::string},
    {"Play &One Script\tCtrl+O", CMD_PLAY_ONE, plat::mf::string},
    {nullptr, 0, plat::mf::separator},
    {"&Quit\tCtrl+Q", CMD_QUIT, plat::mf::string},
    {nullptr, 0, plat::mf::separator},
    {"VELTA v2.2 July 1997", CMD_INFO, plat::mf::string | plat::mf::grayed},
    {"Mac version: the VELTA Mac team", CMD_INFO, plat::mf::string | plat::mf::grayed},
    {"Windows version: the VELTA Windows team", CMD_INFO, plat::mf::string | plat::mf::grayed},
    {"Updates: the VELTA Traffic team", CMD_INFO, plat::mf::string | plat::mf::grayed},
};

void build_menu(plat::Window window) {
    VeltaState& s = velta_state;
    plat::Menu popup = plat::create_popup_menu();
    for (const MenuEntry& e : kRunMenu) plat::append_menu(popup, e.flags, e.command, e.text);
    plat::Menu bar = plat::create_menu();
    plat::append_menu(bar, plat::mf::popup, reinterpret_cast<plat::WParam>(popup), "&Run");
    plat::set_menu(window, bar);
    plat::draw_menu_bar(window);
    s.run_menu = popup;
}

void check(std::uint32_t command, bool on) {
    plat::check_menu_item(velta_state.run_menu, command,
                          on ? plat::mf::checked : plat::mf::unchecked);
}

void toggle_logging() {
    VeltaState& s = velta_state;
    s.logging = s.logging ? 0 : 1;
    check(CMD_LOGGING, s.logging);
}

void toggle_recording() {
    VeltaState& s = velta_state;
    if (s.recording) {
        velta_end_recording();
    } else {
        // A new recording counts its own periodic events; a count left by a paused playback
        // must not swell its first line. A running playback keeps its count: its next read
        // ends this recording.
        if (!s.playback && !s.play_one) {
            // A playback paused with its file open for reading (after Play One, or a line it did
            // not recognise) ends here, so that the recording starts a fresh file.
            if (s.script_mode == 'r') {
                velta_stop_playback();
                velta_close_script();
            }
            s.periodic_count = 0;
        }
        s.recording = 1;
        check(CMD_RECORD, true);
    }
}

void toggle_playback() {
    VeltaState& s = velta_state;
    if (s.playback) {
        s.playback = 0;
        check(CMD_PLAYBACK, false);
        // Only the playback's own file is closed: a playback stopped before its first read never
        // opened one, and the file may be a recording's, still being written.
        if (s.script_mode != 'w') velta_close_script();
    } else {
        s.run = 0;
        s.single_step = 0;
        s.playback = 1;
        check(CMD_PLAYBACK, true);
    }
}

void run_command(std::uint32_t command) {
    VeltaState& s = velta_state;
    switch (command) {
        case CMD_ANIMATE:
            s.run = 1;
            break;
        case CMD_HALT:
            s.run = 0;
            break;
        case CMD_STEP:
            s.run = 0;
            s.single_step = 1;
            break;
        case CMD_LOGGING:
            toggle_logging();
            break;
        case CMD_RECORD:
            toggle_recording();
            break;
        case CMD_PLAYBACK:
            toggle_playback();
            break;
        case CMD_PLAY_ONE:
            s.play_one = 1;
            s.run = 0;
            s.single_step = 0;
            break;
        case CMD_QUIT:
            plat::post_quit_message(0);
            break;
        default:
            break;
    }
}

// Key codes of the command letters; the lower-case values are other keys (keypad, F1-F3) that
// with Ctrl held give the same commands.
std::uint32_t command_for_key(plat::WParam code) {
    switch (code) {
        case 'A':
        case 'a':
            return CMD_ANIMATE;
        case 'H':
        case 'h':
            return CMD_HALT;
        case 'F':
        case 'f':
            return CMD_STEP;
        case 'L':
        case 'l':
            return CMD_LOGGING;
        case 'R':
        case 'r':
            return CMD_RECORD;
        case 'P':
        case 'p':
            return CMD_PLAYBACK;
        case 'O':
        case 'o':
            return CMD_PLAY_ONE;
        case 'Q':
        case 'q':
            return CMD_QUIT;
        default:
            return 0;
    }
}

int modifiers() {
    const VeltaState& s = velta_state;
    return (s.shift_held ? VELTA_MOD_SHIFT : 0) | (s.ctrl_held ? VELTA_MOD_CTRL : 0);
}

// A key pressed or released, for a program that asked for every key.
void key_event(int kind, plat::WParam code) {
    VeltaState& s = velta_state;
    if (!(s.input_flags & VELTA_INPUT_KEYS)) return;
    s.pending_kind = kind;
    s.pending_code = static_cast<int>(code & 0xFF);
    s.pending_mods = modifiers();
}

// A mouse message for a program that asked for the mouse: where (picture coordinates, from the
// client position's signed halves, so that a drag beyond the window's edge keeps its sign), which
// button, and what is held.
void mouse_event(int kind, int button, plat::WParam wparam, plat::LParam lparam) {
    VeltaState& s = velta_state;
    if (!(s.input_flags & VELTA_INPUT_MOUSE)) return;
    auto lp = static_cast<std::uint32_t>(lparam);
    int cx = static_cast<std::int16_t>(lp & 0xFFFF);
    int cy = static_cast<std::int16_t>((lp >> 16) & 0xFFFF);
    auto held = static_cast<std::uint32_t>(wparam);
    s.pending_kind = kind;
    s.pending_x = cx - s.origin_x;
    s.pending_y = s.origin_y - cy;
    s.pending_mods = ((held & plat::mk::shift) ? VELTA_MOD_SHIFT : 0) |
                     ((held & plat::mk::control) ? VELTA_MOD_CTRL : 0);
    if (kind == EVENT_MOUSE_MOVE) {
        button = ((held & plat::mk::left) ? VELTA_BUTTON_LEFT_HELD : 0) |
                 ((held & plat::mk::right) ? VELTA_BUTTON_RIGHT_HELD : 0) |
                 ((held & plat::mk::middle) ? VELTA_BUTTON_MIDDLE_HELD : 0);
    } else if (kind == EVENT_WHEEL) {
        s.pending_code = static_cast<std::int16_t>((held >> 16) & 0xFFFF);
    }
    s.pending_button = button;
}

}  // namespace

plat::LResult velta_graphics_proc(plat::Window window, std::uint32_t msg, plat::WParam wparam,
                                  plat::LParam lparam) {
    VeltaState& s = velta_state;
    switch (msg) {
        case plat::wm::create:
            build_menu(window);
            return 0;
        case plat::wm::destroy:
            plat::kill_timer(window, 2);
            plat::post_quit_message(0);
            return 0;
        case plat::wm::size: {
            plat::Rect r = plat::client_rect(window);
            s.origin_x = r.left + (r.right - r.left) / 2;
            s.origin_y = r.top + (r.bottom - r.top) / 2;
            return 0;
        }
        case plat::wm::paint: {
            plat::DC paint_dc = plat::begin_paint(window);
            plat::bit_blt(s.window_dc, 0, 0, kImageWidth, kImageHeight, s.memory_dc, 0, 0);
            plat::end_paint(window, paint_dc);
            s.dirty = 0;
            return 0;
        }
        case plat::wm::key_down: {
            key_event(EVENT_KEY_DOWN, wparam);
            if (wparam == plat::vk::control) {
                s.ctrl_held = 1;
            } else if (wparam == plat::vk::shift) {
                s.shift_held = 1;
            } else if (std::uint32_t command = command_for_key(wparam)) {
                if (s.ctrl_held) run_command(command);
            }
            return 0;
        }
        case plat::wm::key_up:
            if (wparam == plat::vk::control) s.ctrl_held = 0;
            if (wparam == plat::vk::shift) s.shift_held = 0;
            key_event(EVENT_KEY_UP, wparam);
            return 0;
        case plat::wm::character:
            if (!s.ctrl_held) {
                s.pending_kind = EVENT_KEY;
                s.pending_key = static_cast<char>(wparam & 0xFF);
            }
            return 0;
        case plat::wm::command:
            // The whole parameter is the command number; anything outside 1 to 8 does nothing.
            if (wparam >= CMD_ANIMATE && wparam <= CMD_QUIT)
                run_command(static_cast<std::uint32_t>(wparam));
            return 0;
        case plat::wm::timer:
            s.timer_tick = 1;
            return 0;
        case plat::wm::left_button_down: {
            int cx = static_cast<int>(static_cast<std::uint32_t>(lparam) & 0xFFFF);
            int cy = static_cast<int>((static_cast<std::uint32_t>(lparam) >> 16) & 0xFFFF);
            s.pending_kind = EVENT_MOUSE;
            s.pending_x = cx - s.origin_x;
            s.pending_y = s.origin_y - cy;
            if (s.input_flags & VELTA_INPUT_MOUSE)
                mouse_event(EVENT_MOUSE, VELTA_BUTTON_LEFT, wparam, lparam);
            return 0;
        }
        case plat::wm::mouse_move:
            mouse_event(EVENT_MOUSE_MOVE, 0, wparam, lparam);
            return 0;
        case plat::wm::right_button_down:
            mouse_event(EVENT_BUTTON_DOWN, VELTA_BUTTON_RIGHT, wparam, lparam);
            return 0;
        case plat::wm::middle_button_down:
            mouse_event(EVENT_BUTTON_DOWN, VELTA_BUTTON_MIDDLE, wparam, lparam);
            return 0;
        case plat::wm::left_button_up:
            mouse_event(EVENT_BUTTON_UP, VELTA_BUTTON_LEFT, wparam, lparam);
            return 0;
        case plat::wm::right_button_up:
            mouse_event(EVENT_BUTTON_UP, VELTA_BUTTON_RIGHT, wparam, lparam);
            return 0;
        case plat::wm::middle_button_up:
            mouse_event(EVENT_BUTTON_UP, VELTA_BUTTON_MIDDLE, wparam, lparam);
            return 0;
        case plat::wm::mouse_wheel:
            mouse_event(EVENT_WHEEL, 0, wparam, lparam);
            return 0;
        default:
            return plat::def_window_proc(window, msg, wparam, lparam);
    }
}

plat::LResult velta_text_proc(plat::Window window, std::uint32_t msg, plat::WParam wparam,
                              plat::LParam lparam) {
    switch (msg) {
        case plat::wm::key_down:
        case plat::wm::key_up:
            plat::post_message(velta_state.graphics, msg, wparam, lparam);
            return 0;
        case plat::wm::paint:
            return velta_text_paint(window);
        default:
            return plat::def_window_proc(window, msg, wparam, lparam);
    }
}
