// The windowing layer that the library is written against: a small, Win32-shaped set of services
// (message queue, window classes and windows, timers, menus, a modal dialog and screen metrics).
// Everything here is backend-neutral; the backend that is linked in (headless or desktop) supplies
// the clock, the screen, native input and presentation through platform/backend.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct WindowRec;
using Window = WindowRec*;
struct MenuRec;
using Menu = MenuRec*;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using WndProc = LResult (*)(Window, std::uint32_t msg, WParam, LParam);

// Message codes, with the values of the original platform.
enum : std::uint32_t {
    WM_CREATE = 1,
    WM_DESTROY = 2,
    WM_SIZE = 5,
    WM_PAINT = 15,
    WM_CLOSE = 16,
    WM_QUIT = 18,
    WM_KEYDOWN = 256,
    WM_KEYUP = 257,
    WM_CHAR = 258,
    WM_INITDIALOG = 272,
    WM_COMMAND = 273,
    WM_TIMER = 275,
    WM_LBUTTONDOWN = 513,
};

// Virtual-key codes used by the library and produced by the backends.
enum : int {
    VK_BACK = 8,
    VK_TAB = 9,
    VK_CLEAR = 12,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_NUMPAD0 = 96,
    VK_MULTIPLY = 106,
    VK_SEPARATOR = 108,
    VK_DIVIDE = 111,
    VK_F1 = 112,
    VK_F24 = 135,
    // Punctuation keys, 186 to 192 and 219 to 223; the comments name a US keyboard's characters.
    VK_OEM_1 = 186,      // ; and :
    VK_OEM_MINUS = 189,  // - and _
    VK_OEM_3 = 192,      // ` and ~
    VK_OEM_4 = 219,      // [ and {
    VK_OEM_5 = 220,      // backslash and |
    VK_OEM_6 = 221,      // ] and }
    VK_OEM_8 = 223,
    VK_OEM_102 = 226,  // the extra key next to the left Shift on 102-key keyboards
};

// Window styles (values of the original platform).
enum : std::uint32_t {
    WS_OVERLAPPED = 0x00000000u,
    WS_POPUP = 0x80000000u,
    WS_CHILD = 0x40000000u,
    WS_VISIBLE = 0x10000000u,
    WS_CAPTION = 0x00C00000u,
    WS_BORDER = 0x00800000u,
    WS_SYSMENU = 0x00080000u,
    WS_THICKFRAME = 0x00040000u,
    WS_GROUP = 0x00020000u,
    WS_MINIMIZEBOX = 0x00020000u,
    WS_TABSTOP = 0x00010000u,
    WS_MAXIMIZEBOX = 0x00010000u,
    WS_OVERLAPPEDWINDOW =
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
};

// Class styles.
enum : std::uint32_t { CS_VREDRAW = 1, CS_HREDRAW = 2 };

// Show commands.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

// Menu item flags.
enum : std::uint32_t {
    MF_STRING = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_UNCHECKED = 0x0000,
    MF_CHECKED = 0x0008,
    MF_POPUP = 0x0010,
    MF_SEPARATOR = 0x0800,
    MF_BYCOMMAND = 0x0000,
};

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

// Windows and classes.
bool register_class(const WindowClass& cls);
// Delivers WM_CREATE and then WM_SIZE to the class procedure before it returns; returns null when
// the class is unknown or the procedure answers WM_CREATE with -1.
Window create_window(const char* class_name, const char* title, std::uint32_t style, int x, int y,
                     int width, int height, Window parent);
bool show_window(Window window, int show_command);
bool destroy_window(Window window);  // delivers WM_DESTROY, then the handle is dead
bool is_window(Window window);
bool is_window_visible(Window window);
Rect client_rect(Window window);  // always at (0, 0)
Rect window_rect(Window window);  // outer rectangle in screen coordinates
std::string window_title(Window window);
LResult def_window_proc(Window window, std::uint32_t msg, WParam wparam, LParam lparam);
LResult send_message(Window window, std::uint32_t msg, WParam wparam, LParam lparam);
void invalidate(Window window);  // the window gets a WM_PAINT when the queue is otherwise empty
int screen_width();
int screen_height();

// The thread's message queue. Posted and input messages come out first in order; then WM_PAINT for
// windows that need painting; then WM_TIMER for due timers.
bool peek_message(Message* out);  // non-blocking, removes the message
bool translate_message(const Message& msg);
LResult dispatch_message(const Message& msg);
bool post_message(Window window, std::uint32_t msg, WParam wparam, LParam lparam);
void post_quit_message(int exit_code);
// Sleeps until a message can be peeked or the next timer is due. Returns at once if one already
// can.
void wait_message();

// The character message (WM_CHAR) that a key-down produces, by the original platform's rule, or -1
// when the key produces none. `character` is what the keyboard layout gives for the key with Shift
// and AltGr applied but without Ctrl (Latin-1, -1 for none); `ctrl` tells whether Ctrl is held.
// Only the character keys produce characters: letters, digits, space, punctuation, the keypad's
// digits and operators, Backspace (8), Tab (9), Enter (13) and Escape (27). Delete, the cursor
// and navigation keys, Insert, the function keys and the modifiers produce none, whatever the
// native layer says. With Ctrl held, letters give 1 to 26 and a few keys give other control
// characters. Every backend passes its key-downs through this one rule.
int key_character(int vk, int character, bool ctrl);

// Key-down parameters carry the character the key produced (if any), so that a key-down that is
// re-posted elsewhere translates to the same character.
LParam make_key_lparam(int character);    // character -1: the key produces none
int key_lparam_character(LParam lparam);  // -1 when none
inline LParam make_point_lparam(int x, int y) {
    return static_cast<LParam>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<std::uint32_t>(x & 0xFFFF));
}

// Timers: at most one WM_TIMER per timer waits in the queue; the next one is due a period after the
// last one was taken.
bool set_timer(Window window, WParam id, unsigned period_ms);
bool kill_timer(Window window, WParam id);

// Menus.
Menu create_menu();
Menu create_popup_menu();
// For MF_POPUP the id is the popup's handle (reinterpret_cast to WParam).
bool append_menu(Menu menu, std::uint32_t flags, WParam id, const char* text);
bool set_menu(Window window, Menu menu);
bool draw_menu_bar(Window window);
// Returns the previous state (MF_CHECKED or MF_UNCHECKED), or -1 when no item has that id.
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
// Posts WM_COMMAND with the item's id to the window, as choosing it does; false when the window's
// menu bar has no enabled item with that id.
bool choose_menu_command(Window window, std::uint32_t id);

// The modal dialog. The template is a plain record with the fields of the classic in-memory format;
// positions and sizes are in dialog units.
enum : std::uint16_t { DLG_BUTTON = 0x0080, DLG_EDIT = 0x0081, DLG_STATIC = 0x0082 };
enum : std::uint32_t {
    DS_MODALFRAME = 0x80,
    ES_MULTILINE = 0x4,
    ES_AUTOVSCROLL = 0x40,
    BS_DEFPUSHBUTTON = 0x1,
    SS_LEFT = 0x0,
};
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

}  // namespace plat
