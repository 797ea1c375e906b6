// The desktop backend: FLTK 1.3 windows on X11, driven by the application's own loop. FLTK never
// runs its own loop except inside Fl::check() while a menu is open; messages that arrive then are
// queued like any other and handled once the menu closes.
#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>

#include "platform/desktop/desktop.h"

namespace plat {
namespace desktop {
namespace {

// The longest single sleep, so that a wait with no timer still looks at the queue now and then.
constexpr double kMaxSleepSeconds = 1.0;

// Dialog records carry the dialog's own state instead.
NativeWindow* native(const WindowRec& window) {
    return window.is_dialog ? nullptr : static_cast<NativeWindow*>(window.backend_data);
}

// The frame sizes last measured on a window with the same kind of border, for windows that have
// not been mapped yet.
Frame& typical_frame(bool sizing) {
    static Frame fixed, resizable;
    return sizing ? resizable : fixed;
}

// Measures the frame that a reparenting window manager put around the X window.
bool measure_frame(NativeWindow& win, Frame* frame) {
    ::Window xid = fl_xid(&win);
    ::Window root = RootWindow(fl_display, fl_screen);
    ::Window top = xid;
    for (;;) {
        ::Window root_return = 0, parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(fl_display, top, &root_return, &parent, &children, &count)) return false;
        if (children != nullptr) XFree(children);
        if (parent == root || parent == 0) break;
        top = parent;
    }
    if (top == xid) return false;  // not reparented (yet)
    XWindowAttributes frame_attr, client_attr;
    if (!XGetWindowAttributes(fl_display, top, &frame_attr) ||
        !XGetWindowAttributes(fl_display, xid, &client_attr))
        return false;
    int cx = 0, cy = 0;
    ::Window child = 0;
    XTranslateCoordinates(fl_display, xid, root, 0, 0, &cx, &cy, &child);
    frame->left = cx - frame_attr.x;
    frame->top = cy - frame_attr.y;
    frame->right = frame_attr.x + frame_attr.width - (cx + client_attr.width);
    frame->bottom = frame_attr.y + frame_attr.height - (cy + client_attr.height);
    return true;
}

class DesktopBackend final : public Backend {
  public:
    std::uint64_t now_ms() override {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(
            duration_cast<milliseconds>(steady_clock::now() - start_).count());
    }

    int screen_width() override { return DisplayWidth(fl_display, fl_screen); }
    int screen_height() override { return DisplayHeight(fl_display, fl_screen); }

    Rect client_area(const WindowRec& w) override {
        const Frame& f = frame_for(w);
        int top = f.top + (w.menu != nullptr ? kMenuBarHeight : 0);
        int right = std::max(f.left, w.outer.width() - f.right);
        int bottom = std::max(top, w.outer.height() - f.bottom);
        return Rect{f.left, top, right, bottom};
    }

    void pump_native() override {
        flush_changes();
        Fl::check();
        flush_changes();
    }

    void sleep_until(std::uint64_t deadline) override {
        flush_changes();
        std::uint64_t now = now_ms();
        double seconds = kMaxSleepSeconds;
        if (deadline != kNoDeadline) {
            if (deadline <= now) {
                Fl::check();
                return;
            }
            // Round up, so that the timer is due when the sleep ends.
            seconds = std::min(seconds, static_cast<double>(deadline - now) / 1000.0 + 0.0005);
        }
        Fl::wait(seconds);
        flush_changes();
    }

    void window_created(Window w) override {
        const Frame& f = frame_for(*w);
        int width = std::max(1, w->outer.width() - f.left - f.right);
        int height = std::max(1, w->outer.height() - f.top - f.bottom);
        auto* win =
            new NativeWindow(w, w->outer.left + f.left, w->outer.top + f.top, width, height);
        w->backend_data = win;
    }

    void window_destroyed(Window w) override {
        NativeWindow* win = native(*w);
        if (win == nullptr) return;
        w->backend_data = nullptr;
        // The keyboard focus moves to the canvas of a window that stays.
        if (Fl::focus() != nullptr && Fl::focus()->window() == win) {
            Fl::focus(nullptr);
            for (Window other : all_windows()) {
                NativeWindow* next = native(*other);
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
        NativeWindow* win = native(*w);
        if (win == nullptr) return;
        if (!visible) {
            win->hide();
            return;
        }
        bool first = !win->shown();
        win->show();
        if (!first) return;
        place(*w, *win);
    }

    void menu_changed(Window w) override {
        if (NativeWindow* win = native(*w)) win->update_menu();
    }

    void surface_changed(Window w) override {
        if (NativeWindow* win = native(*w)) win->surface_dirty = true;
    }

    LResult run_dialog(DialogRun& run) override { return desktop::run_dialog(run); }
    void sync_dialog_text(Window dialog) override { desktop::sync_dialog_text(dialog); }

  private:
    // Puts a newly mapped window where its record says. FLTK may have placed it elsewhere (or
    // clamped it to the screen); under a window manager the frame goes where the outer
    // rectangle is and the X window shrinks to fit inside it.
    void place(WindowRec& w, NativeWindow& win) {
        Frame& f = win_frame(win);
        if (window_manager_present()) {
            Fl::flush();
            XSync(fl_display, False);
            // The window manager reparents the window some time after it is mapped.
            for (int i = 0; i < 50 && !measure_frame(win, &f); ++i) Fl::wait(0.01);
            typical_frame((w.style & WS_THICKFRAME) != 0) = f;
        }
        int width = std::max(1, w.outer.width() - f.left - f.right);
        int height = std::max(1, w.outer.height() - f.top - f.bottom);
        XMoveResizeWindow(fl_display, fl_xid(&win), w.outer.left + f.left, w.outer.top + f.top,
                          static_cast<unsigned>(width), static_cast<unsigned>(height));
        win.Fl_Window::resize(w.outer.left + f.left, w.outer.top + f.top, width, height);
        win.layout_children();
        if ((w.style & WS_THICKFRAME) == 0) win.size_range(width, height, width, height);
        XSync(fl_display, False);
        win.geometry_dirty = true;
        Fl::focus(win.canvas);
    }

    Frame& win_frame(NativeWindow& win) { return frames_[&win]; }

    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();

  public:
    std::map<const NativeWindow*, Frame> frames_;
};

DesktopBackend& desktop_backend() {
    static DesktopBackend b;
    return b;
}

}  // namespace

Frame& frame_for(const WindowRec& window) {
    NativeWindow* win = native(window);
    auto& frames = desktop_backend().frames_;
    if (win != nullptr) {
        auto it = frames.find(win);
        if (it != frames.end() && win->shown()) return it->second;
    }
    return typical_frame((window.style & WS_THICKFRAME) != 0);
}

bool window_manager_present() {
    static int present = -1;
    if (present < 0) {
        XWindowAttributes attr;
        present = XGetWindowAttributes(fl_display, RootWindow(fl_display, fl_screen), &attr) &&
                  (attr.all_event_masks & SubstructureRedirectMask) != 0;
    }
    return present == 1;
}

void flush_changes() {
    for (Window w : all_windows()) {
        NativeWindow* win = native(*w);
        if (win == nullptr) continue;
        if (win->geometry_dirty) {
            win->geometry_dirty = false;
            const Frame& f = frame_for(*w);
            Rect outer{win->x() - f.left, win->y() - f.top, win->x() + win->w() + f.right,
                       win->y() + win->h() + f.bottom};
            int top = f.top + (w->menu != nullptr ? kMenuBarHeight : 0);
            Rect client{f.left, top, f.left + win->w(), std::max(top, f.top + win->h())};
            set_window_geometry(w, outer, client);
        }
        if (win->surface_dirty && w->visible) {
            win->surface_dirty = false;
            win->canvas->present(w->surface);
        }
    }
}

}  // namespace desktop

Backend& backend() {
    return desktop::desktop_backend();
}

}  // namespace plat
