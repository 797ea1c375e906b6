// Internals of the FLTK backend (FLTK 1.3 on X11), shared by its source files.
#pragma once

#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace plat {
namespace fltk {

// Height of the menu bar above the client area, in logical pixels.
constexpr int kMenuBarHeight = 25;

// The whole-number factor from logical to device pixels: the screen's density (Xft.dpi) over 96,
// rounded down, never below 1. The core counts in logical pixels; the backend multiplies what it
// gives X and divides what X tells it.
int scale();
int whole_scale(double dpi);

// Frame sizes that a window manager adds around the X window; all zero without one.
struct Frame {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The kept copy of what a canvas shows (screen_image.cpp), in a shared memory segment (MIT-SHM)
// where the X server offers one, else in the process's memory, and putting it on the screen.
class ScreenImage {
  public:
    ScreenImage();
    ~ScreenImage();
    ScreenImage(const ScreenImage&) = delete;
    ScreenImage& operator=(const ScreenImage&) = delete;

    // Copies the surface into the kept image (a new image when the size changed), once the server
    // has finished reading the last put, each pixel as a scale x scale block.
    void store(const Surface& surface, int scale = 1);
    // Whether put() can show the image: the visual has the surface's layout. Otherwise the image
    // is drawn with draw_converted() inside FLTK's drawing.
    bool direct() const;
    // Puts the image's top-left width x height pixels on the drawable at (x, y).
    void put(::Drawable drawable, GC gc, int x, int y, int width, int height);
    void draw_converted(int x, int y, int width, int height);

    bool shared() const { return shared_; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint64_t puts() const { return puts_; }

  private:
    void allocate(int width, int height);
    bool allocate_shared(int width, int height);
    void release();
    // Waits until the server has read the segment for the last put.
    void wait_for_server();
    // Marks puts complete as FLTK hands their completion events over.
    static int handle_system_event(void* event, void* data);

    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool shared_ = false;
    bool in_flight_ = false;
    std::vector<std::uint32_t> pixels_;  // the image's pixels when they are not shared
    int width_ = 0;
    int height_ = 0;
    std::uint64_t puts_ = 0;
};

// Shows the window's client surface from a copy of what was last presented, so that an uncovered
// window is repainted without asking the library; forwards keys and clicks as messages.
class Canvas : public Fl_Widget {
  public:
    Canvas(NativeWindow& owner, int x, int y, int w, int h);
    ~Canvas() override;
    void draw() override;
    int handle(int event) override;

    // Copies the surface into the kept image and puts it on the screen (inside FLTK's next
    // drawing, for a visual that needs converting or a window not shown yet).
    void present(const Surface& surface);
    const ScreenImage& image() const { return image_; }

  private:
    // Posts a mouse message for the current FLTK event to the owner, unless it is disabled.
    void post_mouse(std::uint32_t message, int wheel_delta = 0);

    NativeWindow& owner_;
    ScreenImage image_;
    GC gc_ = nullptr;  // for puts outside FLTK's drawing, made on the first
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
    // Posts a key message for the current FLTK key event; false when the key is not ours.
    bool post_key(bool down);

  private:
    std::vector<Fl_Menu_Item> build_items(Menu bar) const;

    std::vector<Fl_Menu_Item> items_;
    std::vector<std::string> labels_;
    MenuShape menu_shape_;
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
// Waits (at most 5 s: a loaded machine can be slow to answer) until the window manager has framed
// the mapped X window, and measures the frame; false when it never did.
bool wait_for_frame(unsigned long xid, Frame* frame);
// Waits (at most 5 s) until the X window sits at the given screen position with the given size.
bool wait_for_geometry(unsigned long xid, int x, int y, int width, int height);

// Makes and shows the native side of a modal dialog.
std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window owner);

// Connects to the X display named by $DISPLAY; on failure returns false with a reason.
bool open_display(std::string* reason);

// For tests: makes the server refuse the shared memory segments of the images made from now on,
// so that presenting falls back to XPutImage as with a server that cannot reach our memory.
void refuse_shm_attach_for_testing(bool refuse);

}  // namespace fltk
}  // namespace plat
