// The FLTK backend: FLTK 1.3 windows on X11, driven by the application's own loop. FLTK never
// runs its own loop except inside Fl::check() while a menu is open; messages that arrive then are
// queued like any other and handled once the menu closes.
#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <map>

#include "platform/fltk/fltk.h"

namespace plat {
namespace fltk {
namespace {

// The longest single sleep, so that a wait with no timer still looks at the queue now and then.
constexpr double kMaxSleepSeconds = 1.0;

// Dialog records have none: their native side belongs to the dialog's run.
NativeWindow* native(const WindowRec& window) {
    return window.native;
}

// The frame sizes that a window with the same kind of border has (or, until one has been mapped,
// would have), for windows that have not been mapped yet.
struct TypicalFrame {
    Frame frame;
    bool known = false;
};

TypicalFrame& typical_frame(bool sizing) {
    static TypicalFrame fixed, resizable;
    return sizing ? resizable : fixed;
}

bool sizing_border(const WindowRec& w) {
    return (w.style & ws::thick_frame) != 0;
}

// Device rectangles (what X and FLTK count in) to the core's logical ones, and back: the window
// manager's frame is in device pixels, the outer rectangle is the logical one times the scale.
Rect to_logical(const Rect& d) {
    int s = scale();
    return Rect{d.left / s, d.top / s, d.left / s + d.width() / s, d.top / s + d.height() / s};
}

// The client area inside a window of this outer size (device pixels) with this frame.
Rect device_client(int outer_w, int outer_h, const Frame& f, bool menu) {
    int top = f.top + (menu ? kMenuBarHeight * scale() : 0);
    int right = std::max(f.left, outer_w - f.right);
    int bottom = std::max(top, outer_h - f.bottom);
    return Rect{f.left, top, right, bottom};
}

class FltkBackend final : public Backend {
  public:
    bool open_display(std::string* reason) override { return fltk::open_display(reason); }

    std::uint64_t now_ms() override {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(
            duration_cast<milliseconds>(steady_clock::now() - start_).count());
    }

    int screen_width() override { return DisplayWidth(fl_display, fl_screen) / scale(); }
    int screen_height() override { return DisplayHeight(fl_display, fl_screen) / scale(); }

    Rect client_area(const WindowRec& w) override {
        return to_logical(device_client(w.outer.width() * scale(), w.outer.height() * scale(),
                                        frame_for(w), w.menu != nullptr));
    }

    std::uint64_t now_us() override {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(
            duration_cast<microseconds>(steady_clock::now() - start_).count());
    }

    void pump_native() override { Fl::check(); }

    void sleep_until(std::uint64_t deadline) override {
        std::uint64_t now = now_ms();
        if (deadline != kNoDeadline && deadline <= now) {
            Fl::check();
            return;
        }
        double seconds = kMaxSleepSeconds;
        // Round up, so that the timer is due when the sleep ends.
        if (deadline != kNoDeadline)
            seconds = std::min(seconds, static_cast<double>(deadline - now) / 1000.0 + 0.0005);
        Fl::wait(seconds);
    }

    void present(Window w) override {
        const WindowRec* r = window_record(w);
        NativeWindow* win = r != nullptr ? native(*r) : nullptr;
        if (win == nullptr) return;
        win->canvas->present(r->surface);
        XFlush(fl_display);
    }

    bool native_geometry(Window w, Rect* outer, Rect* client) override {
        const WindowRec* r = window_record(w);
        NativeWindow* win = r != nullptr ? native(*r) : nullptr;
        if (win == nullptr) return false;
        const Frame& f = frame_for(*r);
        Rect device{win->x() - f.left, win->y() - f.top, win->x() + win->w() + f.right,
                    win->y() + win->h() + f.bottom};
        *outer = to_logical(device);
        *client = to_logical(device_client(device.width(), device.height(), f, r->menu != nullptr));
        return true;
    }

    bool window_created(Window w) override {
        WindowRec& r = *window_record(w);
        // Ask the window manager for the frame first, so that the window is made, and mapped,
        // with the size and at the place that it keeps, and the client area that the core reads
        // after creation is already the final one.
        TypicalFrame& typical = typical_frame(sizing_border(r));
        if (window_manager_present() && !typical.known)
            typical.known = request_frame(sizing_border(r), &typical.frame);
        const Frame& f = frame_for(r);
        int s = scale();
        int width = std::max(1, r.outer.width() * s - f.left - f.right);
        int height = std::max(1, r.outer.height() * s - f.top - f.bottom);
        r.native =
            new NativeWindow(w, r.outer.left * s + f.left, r.outer.top * s + f.top, width, height);
        return true;
    }

    void window_destroyed(Window w) override {
        WindowRec& r = *window_record(w);
        NativeWindow* win = native(r);
        if (win == nullptr) return;
        r.native = nullptr;
        // The keyboard focus moves to the canvas of a window that stays.
        if (Fl::focus() != nullptr && Fl::focus()->window() == win) {
            Fl::focus(nullptr);
            for (Window other : all_windows()) {
                NativeWindow* next = native(*window_record(other));
                if (next != nullptr && next != win && next->shown()) {
                    Fl::focus(next->canvas);
                    break;
                }
            }
        }
        win->hide();
        Fl::delete_widget(win);
    }

    void window_shown(Window w, bool visible) override {
        WindowRec& r = *window_record(w);
        NativeWindow* win = native(r);
        if (win == nullptr) return;
        if (!visible) {
            win->hide();
            return;
        }
        bool first = !win->shown();
        show_with_hints(*win, r.style);
        if (!first) return;
        place(r, *win);
    }

    void menu_changed(Window w) override {
        if (NativeWindow* win = native(*window_record(w))) win->update_menu();
    }

    std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window,
                                                Window owner) override {
        return fltk::create_dialog(tmpl, owner);
    }

  private:
    // Puts a newly mapped window where its record says. FLTK may have placed it elsewhere (it
    // keeps a window it believes to be at (0, 0) off the screen's edges); under a window manager
    // the frame goes where the outer rectangle is and the X window shrinks to fit inside it.
    void place(WindowRec& w, NativeWindow& win) {
        Frame& f = win_frame(win);
        ::Window xid = fl_xid(&win);
        if (window_manager_present()) {
            Fl::flush();
            TypicalFrame& typical = typical_frame(sizing_border(w));
            f = typical.frame;
            // The window manager frames the window some time after it is mapped.
            Frame measured;
            if (wait_for_frame(xid, &measured)) {
                f = measured;
                typical.frame = measured;
                typical.known = true;
                // Until a window of the other kind is framed, this frame is the better guess.
                TypicalFrame& other = typical_frame(!sizing_border(w));
                if (!other.known) other.frame = measured;
            }
        }
        int s = scale();
        int x = w.outer.left * s + f.left;
        int y = w.outer.top * s + f.top;
        int width = std::max(1, w.outer.width() * s - f.left - f.right);
        int height = std::max(1, w.outer.height() * s - f.top - f.bottom);
        // A window manager refuses sizes outside the size range: set it to the new size first.
        if (!sizing_border(w)) win.fix_size(width, height);
        XMoveResizeWindow(fl_display, xid, x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height));
        win.Fl_Window::resize(x, y, width, height);
        win.layout_children();
        if (window_manager_present()) {
            // Let the window manager move the frame before anything is drawn in it.
            wait_for_geometry(xid, x, y, width, height);
        } else {
            XSync(fl_display, False);
        }
        native_moved(win.rec);
        Fl::focus(win.canvas);
    }

    Frame& win_frame(NativeWindow& win) { return frames_[&win]; }

    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();

  public:
    std::map<const NativeWindow*, Frame> frames_;
};

FltkBackend& fltk_backend() {
    static FltkBackend b;
    return b;
}

}  // namespace

Frame& frame_for(const WindowRec& window) {
    NativeWindow* win = native(window);
    auto& frames = fltk_backend().frames_;
    if (win != nullptr) {
        auto it = frames.find(win);
        if (it != frames.end() && win->shown()) return it->second;
    }
    return typical_frame(sizing_border(window)).frame;
}

}  // namespace fltk

Backend& backend() {
    return fltk::fltk_backend();
}

}  // namespace plat
