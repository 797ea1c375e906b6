// The contract tests' driver for the FLTK backend: real windows on the X server that DISPLAY
// names, the real clock, and clicks sent to the native windows as X delivers them (a ButtonPress
// event that FLTK reads from its connection), which the backend then turns into the core's input.
#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "contract_driver.h"
#include "platform/fltk/fltk.h"

namespace contract {
namespace {

// Where a client position of the window lies in its X window, and which X window that is.
bool target(plat::Window window, int x, int y, ::Window* xid, int* wx, int* wy) {
    const plat::WindowRec* r = plat::window_record(window);
    if (r == nullptr || r->native == nullptr || !r->native->shown()) return false;
    *xid = fl_xid(r->native);
    *wx = r->native->canvas->x() + x;
    *wy = r->native->canvas->y() + y;
    return true;
}

void send_click(Display* display, ::Window xid, int x, int y) {
    XEvent event{};
    event.xbutton.type = ButtonPress;
    event.xbutton.display = display;
    event.xbutton.window = xid;
    event.xbutton.root = DefaultRootWindow(display);
    event.xbutton.subwindow = None;
    event.xbutton.time = CurrentTime;
    event.xbutton.x = x;
    event.xbutton.y = y;
    event.xbutton.button = Button1;
    event.xbutton.same_screen = True;
    // The press alone, as the other drivers post it: the contract is about the press's message.
    XSendEvent(display, xid, True, ButtonPressMask, &event);
    XFlush(display);
}

class FltkDriver final : public Driver {
  public:
    ~FltkDriver() override { join(); }

    void reset() override {
        join();
        std::string reason;
        if (!plat::open_display(&reason)) {
            std::fprintf(stderr, "fltk contract tests: %s\n", reason.c_str());
            std::exit(1);
        }
        for (plat::Window w : plat::all_windows()) plat::destroy_window(w);
        plat::backend().pump_native();
        plat::reset_core();
    }
    std::uint64_t now() override { return plat::backend().now_ms(); }
    void pass_time(std::uint64_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms + 1));
    }
    // A window manager frames and exposes a new window some time after it is mapped.
    void settle() override {
        XSync(fl_display, False);
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
        while (std::chrono::steady_clock::now() < until) Fl::wait(0.01);
    }
    void click(plat::Window window, int x, int y) override {
        ::Window xid = 0;
        int wx = 0, wy = 0;
        if (!target(window, x, y, &xid, &wx, &wy)) return;
        send_click(fl_display, xid, wx, wy);
        // Once the server has answered a round trip, the event it sent back is in Xlib's queue;
        // FLTK then reads it and the backend posts the click.
        XSync(fl_display, False);
        plat::backend().pump_native();
    }
    void click_later(std::uint64_t delay_ms, plat::Window window, int x, int y) override {
        ::Window xid = 0;
        int wx = 0, wy = 0;
        if (!target(window, x, y, &xid, &wx, &wy)) return;
        // Another connection on another thread, as the user is: the click arrives while this one
        // waits.
        threads_.emplace_back([=] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
            Display* display = XOpenDisplay(nullptr);
            if (display == nullptr) return;
            send_click(display, xid, wx, wy);
            XCloseDisplay(display);
        });
    }

  private:
    void join() {
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }
    std::vector<std::thread> threads_;
};

}  // namespace

Driver& driver() {
    static FltkDriver d;
    return d;
}

}  // namespace contract
