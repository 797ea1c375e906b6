// What a backend supplies to the platform core, and the core services that backends use. Exactly
// one backend library (headless, FLTK or Win32) is linked into a program; it defines
// plat::backend(). Only the platform layer and its backends include this header.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
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

// The backend's side of one window (its native window and whatever goes with it). Each backend
// that keeps native state defines this class; the core only stores the pointer.
class NativeWindow;

struct WindowRec {
    Window handle = nullptr;  // the window's own handle
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
    Surface surface;            // the client area's pixels
    bool unpresented = true;    // the surface changed since the backend last presented it
    bool native_moved = false;  // the native window moved or changed size (see native_moved)
    NativeWindow* native = nullptr;
};

// What the user did in a modal dialog, as the backend reports it. What each action means (the
// default push button, the cancel command, which items are buttons) is decided by the core.
class DialogUser {
  public:
    virtual void button_pressed(int item_id) = 0;
    virtual void enter_pressed() = 0;
    virtual void escape_pressed() = 0;
    virtual void close_box_pressed() = 0;

  protected:
    ~DialogUser() = default;
};

// Whether a native menu bar made from a menu still has the right items. A change in texts or
// kinds (items added, removed, renamed, turned into separators or popups) needs the native menu
// rebuilt; a change in check marks or gray state only its items' states updated, so that an open
// menu, or a callback that is running, keeps the items it holds.
class MenuShape {
  public:
    // True when `bar` no longer has the shape last seen (which then becomes the one to compare).
    bool changed(Menu bar);
    void forget() { shape_.clear(); }

  private:
    std::vector<std::string> shape_;
};

// What the user did in a native dialog, collected by the native side's callbacks (wherever the
// native toolkit runs them) and reported to the core's loop when it waits for the user.
class DialogActions {
  public:
    void button(int item_id) { actions_.push_back(Action{Kind::button, item_id}); }
    void enter() { actions_.push_back(Action{Kind::enter, 0}); }
    void escape() { actions_.push_back(Action{Kind::escape, 0}); }
    void close_box() { actions_.push_back(Action{Kind::close_box, 0}); }
    bool empty() const { return actions_.empty(); }
    // Reports and forgets the actions, oldest first.
    void report(DialogUser& user);

  private:
    enum class Kind { button, enter, escape, close_box };
    struct Action {
        Kind kind;
        int id;
    };
    std::deque<Action> actions_;
};

// A native modal dialog, made and shown by Backend::create_dialog and torn down by its destructor.
// The core runs the dialog's loop and its rules; the native dialog only shows the template's
// controls and reports what the user does with them.
class NativeDialog {
  public:
    virtual ~NativeDialog() = default;
    // Gives the control the keyboard focus.
    virtual void set_focus(int item_id) = 0;
    // The current text of an edit control, as the user has typed it.
    virtual std::string edit_text(int item_id) = 0;
    // Waits until the user may have done something in the dialog or the deadline (on now_ms's
    // clock) has come, and reports to `user` what they did since the last call. Native input for
    // the other windows that arrives meanwhile is queued with post_input as usual. The dialog may
    // end inside a report; the core ignores the reports after that.
    virtual void wait_for_user(std::uint64_t deadline_ms, DialogUser& user) = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;
    // See plat::open_display.
    virtual bool open_display(std::string* /*reason*/) { return true; }
    // Milliseconds on the clock that timers run on.
    virtual std::uint64_t now_ms() = 0;
    // Microseconds on the same clock, for presentation pacing.
    virtual std::uint64_t now_us() { return now_ms() * 1000; }
    virtual int screen_width() = 0;
    virtual int screen_height() = 0;
    // The client area inside a window's outer rectangle (frame, caption and menu bar excluded), in
    // coordinates relative to the outer rectangle's top-left corner.
    virtual Rect client_area(const WindowRec& window) = 0;
    // Turns native events that have arrived into messages (post_input); never blocks.
    virtual void pump_native() = 0;
    // Blocks until native input may have arrived or the deadline (on now_ms's clock) has come.
    virtual void sleep_until(std::uint64_t deadline_ms) = 0;
    // See plat::input_can_arrive.
    virtual bool input_can_arrive() { return true; }
    // Makes the native side of a new window; false when it cannot be made, and the window is not
    // made then either.
    virtual bool window_created(Window) { return true; }
    // Notifications; the defaults do nothing.
    virtual void window_destroyed(Window) {}
    virtual void window_shown(Window, bool /*visible*/) {}
    virtual void menu_changed(Window) {}
    // Puts the window's surface on the screen now. The core decides when (see present_changes):
    // at most once a display refresh while pictures keep changing, and before the program sleeps.
    virtual void present(Window) {}
    // Where the native window is now, after native_moved was called for it: its outer rectangle on
    // the screen and its client area inside it. False when it cannot tell.
    virtual bool native_geometry(Window, Rect* /*outer*/, Rect* /*client_in_outer*/) {
        return false;
    }
    // Makes and shows the native dialog for a template: `dialog` is the record the dialog
    // procedure knows it by, `owner` the window whose client area the template's position counts
    // from (it may be null). Returns null when this backend cannot show a dialog.
    virtual std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& /*tmpl*/,
                                                        Window /*dialog*/, Window /*owner*/) {
        return nullptr;
    }
};

Backend& backend();

// Core services for backends.
// The native window moved or changed size. Safe from inside native callbacks: the core asks
// Backend::native_geometry and tells the window (wm::size) at its next pump, never from there.
void native_moved(Window window);
// Lets native events in, settles native geometry and presents what is due (the core's own pump
// step; every wait and modal loop goes through it).
void pump_backend();
// Presents the changed surfaces of visible windows if the pacer says so; `sleeping_until` (on
// now_ms's clock, kNoDeadline for none) tells that the program is about to sleep until then, which
// presents what is pending unless the sleep ends before the next refresh.
void present_changes(bool before_sleep, std::uint64_t sleeping_until = kNoDeadline);
// Sleeps as a wait does (what is pending goes on the screen first) until the deadline or until
// native input may have arrived, then pumps the backend.
void idle_until(std::uint64_t deadline_ms);
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
// The record behind a handle: a live window's, or one being destroyed (during wm::destroy and
// Backend::window_destroyed); null for null, stale and unknown handles. The record lives until its
// window has ended; callers keep handles, not records, across anything that may end the window.
WindowRec* window_record(Window window);
// Adds a window record that the core made without a class (a dialog's) to the live windows and
// gives it its handle; remove_window_record ends it and frees the record.
Window add_window_record(std::unique_ptr<WindowRec> record);
void remove_window_record(Window window);
// Forgets every class, window, menu, timer and queued message (tests only).
void reset_core();
void reset_menus();  // part of reset_core

}  // namespace plat
