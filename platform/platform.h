// The windowing layer that the library is written against: a small, Win32-shaped set of services
// (message queue, window classes and windows, timers, menus, a modal dialog and screen metrics).
// Everything here is backend-neutral; the backend that is linked in (headless, FLTK or Win32)
// supplies the clock, the screen, native input and presentation through platform/backend.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// A window is named by an opaque handle, as on the original platform: never dereferenced, and never
// given out again once its window has ended, so that a stale handle stays invalid.
struct WindowHandle;
using Window = WindowHandle*;
struct MenuRec;
using Menu = MenuRec*;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using WndProc = LResult (*)(Window, std::uint32_t msg, WParam, LParam);

// The constants below keep the values of the original platform. Each group lives in a small
// namespace named after the original prefix (wm::paint for the paint message), so that they never
// meet the macros that the original platform's headers define for those names.

// Message codes.
namespace wm {
enum : std::uint32_t {
    create = 1,
    destroy = 2,
    size = 5,
    paint = 15,
    close = 16,
    quit = 18,
    key_down = 256,
    key_up = 257,
    character = 258,
    init_dialog = 272,
    command = 273,
    timer = 275,
    // Mouse messages: the second parameter is the point in client coordinates (signed 16-bit
    // halves, x low), the first the buttons and modifier keys held (mk). For the wheel, the first
    // parameter's high half is the signed distance turned (120 a notch, positive away from the
    // user).
    mouse_move = 512,
    left_button_down = 513,
    left_button_up = 514,
    right_button_down = 516,
    right_button_up = 517,
    middle_button_down = 519,
    middle_button_up = 520,
    mouse_wheel = 522,
};
}  // namespace wm

// What the first parameter of a mouse message says is held.
namespace mk {
enum : std::uint32_t { left = 0x1, right = 0x2, shift = 0x4, control = 0x8, middle = 0x10 };
}  // namespace mk

// Virtual-key codes used by the library and produced by the backends.
namespace vk {
enum : int {
    back = 8,
    tab = 9,
    clear = 12,
    enter = 13,
    shift = 16,
    control = 17,
    escape = 27,
    space = 32,
    prior = 33,  // Page Up
    next = 34,   // Page Down
    end = 35,
    home = 36,
    left = 37,
    up = 38,
    right = 39,
    down = 40,
    insert = 45,
    del = 46,
    numpad0 = 96,
    multiply = 106,
    separator = 108,
    divide = 111,
    f1 = 112,
    f24 = 135,
    // Punctuation keys, 186 to 192 and 219 to 223; the comments name a US keyboard's characters.
    oem_1 = 186,      // ; and :
    oem_minus = 189,  // - and _
    oem_3 = 192,      // ` and ~
    oem_4 = 219,      // [ and {
    oem_5 = 220,      // backslash and |
    oem_6 = 221,      // ] and }
    oem_8 = 223,
    oem_102 = 226,  // the extra key next to the left Shift on 102-key keyboards
};
}  // namespace vk

// Window styles.
namespace ws {
enum : std::uint32_t {
    overlapped = 0x00000000u,
    popup = 0x80000000u,
    child = 0x40000000u,
    visible = 0x10000000u,
    caption = 0x00C00000u,
    border = 0x00800000u,
    sys_menu = 0x00080000u,
    thick_frame = 0x00040000u,
    group = 0x00020000u,
    minimize_box = 0x00020000u,
    tab_stop = 0x00010000u,
    maximize_box = 0x00010000u,
    overlapped_window = overlapped | caption | sys_menu | thick_frame | minimize_box | maximize_box,
};
}  // namespace ws

// Class styles.
namespace cs {
enum : std::uint32_t { vredraw = 1, hredraw = 2 };
}  // namespace cs

// Show commands.
namespace sw {
enum : int { hide = 0, show_normal = 1, show = 5 };
}  // namespace sw

// Menu item flags.
namespace mf {
enum : std::uint32_t {
    string = 0x0000,
    grayed = 0x0001,
    disabled = 0x0002,
    unchecked = 0x0000,
    checked = 0x0008,
    popup = 0x0010,
    separator = 0x0800,
    by_command = 0x0000,
};
}  // namespace mf

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct Message {
    Window window = nullptr;
    std::uint32_t code = 0;
    WParam wparam = 0;
    LParam lparam = 0;
};

struct WindowClass {
    std::string name;
    WndProc proc = nullptr;
    std::uint32_t style = 0;
    std::uint32_t background = 0x00FFFFFF;  // 0x00RRGGBB of the background brush
    std::string menu_name;
};

// Connects to what the backend shows windows on (the X display on FLTK) before anything else is
// called; false with a reason when it cannot. The headless backend always can.
bool open_display(std::string* reason);

// Windows and classes.
bool register_class(const WindowClass& cls);
// Delivers wm::create and then wm::size to the class procedure before it returns; returns null when
// the class is unknown or the procedure answers wm::create with -1.
Window create_window(const char* class_name, const char* title, std::uint32_t style, int x, int y,
                     int width, int height, Window parent);
bool show_window(Window window, int show_command);
bool destroy_window(Window window);  // delivers wm::destroy, then the handle is dead
bool is_window(Window window);
bool is_window_visible(Window window);
Rect client_rect(Window window);  // always at (0, 0)
Rect window_rect(Window window);  // outer rectangle in screen coordinates
std::string window_title(Window window);
LResult def_window_proc(Window window, std::uint32_t msg, WParam wparam, LParam lparam);
LResult send_message(Window window, std::uint32_t msg, WParam wparam, LParam lparam);
void invalidate(Window window);  // the window gets a wm::paint when the queue is otherwise empty
int screen_width();
int screen_height();

// The thread's message queue. Posted and input messages come out first in order; then wm::paint for
// windows that need painting; then wm::timer for due timers.
bool peek_message(Message* out);  // non-blocking, removes the message
bool translate_message(const Message& msg);
LResult dispatch_message(const Message& msg);
bool post_message(Window window, std::uint32_t msg, WParam wparam, LParam lparam);
void post_quit_message(int exit_code);
// post_quit_message(0) for a signal handler: safe to call there (it only sets a flag), and the
// quit message comes out of the next peek. A wait that sleeps wakes for it at its next timer at
// the latest.
void post_quit_from_signal();
// Sleeps until a message can be peeked or the next timer is due. Returns at once if one already
// can.
void wait_message();
// True when peek_message would return a message now.
bool message_ready();
// False when no input can come any more: a backend driven by a test (headless) with nothing
// left scheduled. A desktop always may have input coming.
bool input_can_arrive();

// The character message (wm::character) that a key-down produces, by the original platform's rule,
// or -1 when the key produces none. `character` is what the keyboard layout gives for the key with
// Shift and AltGr applied but without Ctrl (Latin-1, -1 for none); `ctrl` tells whether Ctrl is
// held. Only the character keys produce characters: letters, digits, space, punctuation, the
// keypad's digits and operators, Backspace (8), Tab (9), Enter (13) and Escape (27). Delete, the
// cursor and navigation keys, Insert, the function keys and the modifiers produce none, whatever
// the native layer says. With Ctrl held, letters give 1 to 26 and a few keys give other control
// characters. Every backend passes its key-downs through this one rule.
int key_character(int vk, int character, bool ctrl);

// Key-down parameters carry the character the key produced (if any), so that a key-down that is
// re-posted elsewhere translates to the same character.
LParam make_key_lparam(int character);    // character -1: the key produces none
int key_lparam_character(LParam lparam);  // -1 when none
// A key-up's parameters: a repeat count of 1, and the previous-state and transition bits set.
LParam make_key_up_lparam();
// A mouse message's first parameter: the buttons and keys held (mk), and for the wheel the
// distance.
inline WParam make_mouse_wparam(std::uint32_t held, int wheel_delta = 0) {
    return static_cast<WParam>((static_cast<std::uint32_t>(wheel_delta & 0xFFFF) << 16) |
                               (held & 0xFFFF));
}
inline LParam make_point_lparam(int x, int y) {
    return static_cast<LParam>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<std::uint32_t>(x & 0xFFFF));
}

// Timers: at most one wm::timer per timer waits in the queue; the next one is due a period after
// the last one was taken.
bool set_timer(Window window, WParam id, unsigned period_ms);
bool kill_timer(Window window, WParam id);

// Menus.
Menu create_menu();
Menu create_popup_menu();
// For mf::popup the id is the popup's handle (reinterpret_cast to WParam).
bool append_menu(Menu menu, std::uint32_t flags, WParam id, const char* text);
bool set_menu(Window window, Menu menu);
bool draw_menu_bar(Window window);
// Returns the previous state (mf::checked or mf::unchecked), or -1 when no item has that id.
int check_menu_item(Menu menu, std::uint32_t id, std::uint32_t check);
Menu get_menu(Window window);

struct MenuItemInfo {
    std::string text;
    std::uint32_t id = 0;
    bool separator = false;
    bool grayed = false;
    bool checked = false;
    Menu popup = nullptr;
};
std::vector<MenuItemInfo> menu_items(Menu menu);
// Posts wm::command with the item's id to the window, as choosing it does; false when the window's
// menu bar has no enabled item with that id.
bool choose_menu_command(Window window, std::uint32_t id);

// The modal dialog. The template is a plain record with the fields of the classic in-memory format;
// positions and sizes are in dialog units. Control classes (the predefined class atoms) and the
// styles of the dialog and its controls:
namespace dlg {
enum : std::uint16_t { button = 0x0080, edit = 0x0081, static_text = 0x0082 };
}  // namespace dlg
namespace ds {
enum : std::uint32_t { modal_frame = 0x80 };
}  // namespace ds
namespace es {
enum : std::uint32_t { multiline = 0x4, auto_vscroll = 0x40 };
}  // namespace es
namespace bs {
enum : std::uint32_t { def_push_button = 0x1 };
}  // namespace bs
namespace ss {
enum : std::uint32_t { left = 0x0 };
}  // namespace ss
struct DialogItem {
    std::uint16_t class_atom = 0;
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::string text;
};
struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string title;
    std::vector<DialogItem> items;
};
using DialogProc = LResult (*)(Window dialog, std::uint32_t msg, WParam wparam, LParam lparam);
// Runs the dialog modally (the owner is disabled; other windows keep their timers and paints).
// Returns the value passed to end_dialog, or -1 when the dialog cannot be run.
LResult dialog_box(const DialogTemplate& tmpl, Window owner, DialogProc proc, LParam init);
int get_dlg_item_text(Window dialog, int item_id, char* buffer, int buffer_size);
bool end_dialog(Window dialog, LResult result);
// Dialog units to pixels with the system font's base units.
int dialog_base_unit_x();
int dialog_base_unit_y();
// A rectangle of a dialog template (x, y, cx, cy in dialog units) in pixels, as left, top, right
// and bottom: a horizontal unit is a quarter of the base width, a vertical one an eighth of the
// base height.
Rect dialog_units_to_pixels(int x, int y, int cx, int cy);

}  // namespace plat
