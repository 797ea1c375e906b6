// Internals of the FLTK backend (FLTK 1.3 on X11), shared by its source files.
#pragma once

#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace plat {
namespace fltk {

// Height of the menu bar above the client area.
constexpr int kMenuBarHeight = 25;

// Frame sizes that a window manager adds around the X window; all zero without one.
struct Frame {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Shows the window's client surface from a copy of what was last presented, so that an uncovered
// window is repainted without asking the library; forwards keys and clicks as messages.
class Canvas : public Fl_Widget {
  public:
    Canvas(NativeWindow& owner, int x, int y, int w, int h);
    void draw() override;
    int handle(int event) override;

    // Copies the surface into the kept image and schedules a redraw.
    void present(const Surface& surface);

  private:
    NativeWindow& owner_;
    std::vector<std::uint32_t> shown_;
    int shown_w_ = 0;
    int shown_h_ = 0;
};

// A menu bar that leaves plain keys alone: only Alt combinations reach its mnemonics.
class MenuBar : public Fl_Menu_Bar {
  public:
    MenuBar(int x, int y, int w, int h) : Fl_Menu_Bar(x, y, w, h) {}
    int handle(int event) override;
};

}  // namespace fltk

// The FLTK side of one platform window.
class NativeWindow : public Fl_Window {
  public:
    NativeWindow(Window rec, int x, int y, int w, int h);
    ~NativeWindow() override;

    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // Rebuilds the menu bar from the window's menu records (items, check marks, gray state).
    void update_menu();
    // Lays the menu bar and the canvas out for the current size.
    void layout_children();
    // Makes a window without a sizing border keep the given size. FLTK rewrites the window
    // manager hints whenever the size range changes; this puts the window's own back.
    void fix_size(int width, int height);

    Window rec;
    fltk::Canvas* canvas = nullptr;
    fltk::MenuBar* menu_bar = nullptr;
    bool surface_dirty = true;
    bool geometry_dirty = false;
    // Posts a key message for the current FLTK key event; false when the key is not ours.
    bool post_key(bool down);

  private:
    std::vector<Fl_Menu_Item> build_items(Menu bar) const;

    std::vector<Fl_Menu_Item> items_;
    std::vector<std::string> labels_;
};

namespace fltk {

// Writes the Motif window manager hints that the style (ws:: bits) asks for onto a shown top-level
// window, over those that FLTK wrote. FLTK writes its own when it makes the X window and whenever
// the size range changes.
void set_wm_hints(Fl_Window& window, std::uint32_t style);
// Shows a window with the style's hints. Window managers read the hints when the window asks to
// be mapped, and some never again, so they must reach the server right behind FLTK's request to
// map it, before the window manager hears of the window. Xlib's buffer is emptied first, so that
// the requests that make and map the X window leave in one write with those that write the hints,
// which are written as soon as FLTK returns. A window whose FL_SHOW handler may talk to the server
// (setting the keyboard focus can) calls set_wm_hints first thing there too: FLTK sends FL_SHOW
// right after asking for the map, unless it leaves that to the window manager's answer. (With a
// window manager that does not announce itself the EWMH way, FLTK raises a modal window while
// making it, which maps it before any of its properties are written.)
void show_with_hints(Fl_Window& window, std::uint32_t style);

// The label type that draws a menu item's text after the tab right-aligned.
Fl_Labeltype menu_label_type();

// The frame sizes of a window: measured once it has been mapped under a window manager, before
// that those that the window manager announced for a window of its kind.
Frame& frame_for(const WindowRec& window);

// Window manager support (frame.cpp). A window manager is present when the root window's event
// masks include SubstructureRedirectMask.
bool window_manager_present();
// Asks the window manager which frame it would put around a window that can (or cannot) be
// resized, before any such window is mapped; false when it does not answer.
bool request_frame(bool sizing, Frame* frame);
// Waits (at most 2 s) until the window manager has framed the mapped X window, and measures the
// frame; false when it never did.
bool wait_for_frame(unsigned long xid, Frame* frame);
// Waits (at most 1 s) until the X window sits at the given screen position with the given size.
bool wait_for_geometry(unsigned long xid, int x, int y, int width, int height);

// Makes and shows the native side of a modal dialog.
std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window owner);

// Connects to the X display named by $DISPLAY; on failure returns false with a reason.
bool open_display(std::string* reason);

// Presents changed surfaces and applies geometry changes that FLTK reported.
void flush_changes();

}  // namespace fltk
}  // namespace plat
