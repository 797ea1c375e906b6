// What a backend supplies to the platform core, and the core services that backends use. Exactly
// one backend library (headless or desktop) is linked into a program; it defines plat::backend().
// Only the platform layer and its backends include this header.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/platform.h"

namespace plat {

constexpr std::uint64_t kNoDeadline = std::numeric_limits<std::uint64_t>::max();

struct MenuItem {
    std::string text;
    std::uint32_t flags = 0;
    std::uint32_t id = 0;
    Menu popup = nullptr;
};

struct MenuRec {
    bool is_popup = false;
    std::vector<MenuItem> items;
};

struct WindowRec {
    std::string class_name;
    WndProc proc = nullptr;
    std::string title;
    std::uint32_t style = 0;
    Color background = 0x00FFFFFF;
    Rect outer;            // screen coordinates
    Rect client_in_outer;  // client area, relative to the outer rectangle's top-left
    bool alive = true;
    bool visible = false;
    bool needs_paint = false;
    bool creating = false;
    bool enabled = true;
    Menu menu = nullptr;
    Window parent = nullptr;
    Surface surface;  // the client area's pixels
    void* backend_data = nullptr;
    // Dialogs only.
    bool is_dialog = false;
    DialogProc dialog_proc = nullptr;
    bool dialog_ended = false;
    LResult dialog_result = 0;
    std::map<int, std::string> item_text;
};

// One modal dialog run, handed to the backend.
struct DialogRun {
    const DialogTemplate* tmpl = nullptr;
    Window owner = nullptr;
    Window dialog = nullptr;  // a window record made by the core for this dialog
    LParam init = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Milliseconds on the clock that timers run on.
    virtual std::uint64_t now_ms() = 0;
    virtual int screen_width() = 0;
    virtual int screen_height() = 0;
    // The client area inside a window's outer rectangle (frame, caption and menu bar excluded), in
    // coordinates relative to the outer rectangle's top-left corner.
    virtual Rect client_area(const WindowRec& window) = 0;
    // Turns native events that have arrived into messages (post_input); never blocks.
    virtual void pump_native() = 0;
    // Blocks until native input may have arrived or the deadline (on now_ms's clock) has come.
    virtual void sleep_until(std::uint64_t deadline_ms) = 0;
    // Notifications; the defaults do nothing.
    virtual void window_created(Window) {}
    virtual void window_destroyed(Window) {}
    virtual void window_shown(Window, bool /*visible*/) {}
    virtual void menu_changed(Window) {}
    virtual void surface_changed(Window) {}
    // Runs a modal dialog: calls the dialog procedure with wm::init_dialog, then feeds it the
    // user's commands until end_dialog is called, dispatching the other windows' messages meanwhile
    // with pump_other_windows(). Returns the end_dialog result, or -1 if it cannot run one.
    virtual LResult run_dialog(DialogRun& /*run*/) { return -1; }
    // Called by get_dlg_item_text so that the backend can bring item_text up to date first.
    virtual void sync_dialog_text(Window /*dialog*/) {}
};

Backend& backend();

// Core services for backends.
// Appends the user's input (keys, clicks, menu choices, the close box) to the queue. Unlike posted
// messages, input for a disabled window is dropped when a modal loop takes it.
void post_input(const Message& msg);
// The client area changed size (for example the user resized the window): resizes the surface,
// invalidates and sends wm::size.
void set_window_geometry(Window window, const Rect& outer, const Rect& client_in_outer);
std::vector<Window> all_windows();  // live windows in creation order
// Takes and dispatches at most one queued message that is not input for a disabled window;
// returns false when there was nothing to do. Used by modal loops.
bool pump_one_message();
// When the next timer is due (kNoDeadline if none).
std::uint64_t next_timer_due();
// True when peek_message would return a message now.
bool message_ready();
// Forgets every class, window, menu, timer and queued message (tests only).
void reset_core();
void reset_menus();  // part of reset_core

}  // namespace plat
