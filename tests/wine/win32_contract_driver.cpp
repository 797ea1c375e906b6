// The contract tests' driver for the Win32 backend: real windows, the real clock, and clicks
// posted to the native windows as Windows delivers them (WM_LBUTTONDOWN in the thread's queue),
// which the backend then turns into the core's input.
#include <windows.h>

#include <thread>
#include <vector>

#include "contract_driver.h"
#include "platform/win32/win32.h"

namespace contract {
namespace {

void post_click(HWND hwnd, int x, int y) {
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

HWND native_window(plat::Window window) {
    plat::NativeWindow* native = plat::win32::native_of(window);
    return native != nullptr ? native->hwnd : nullptr;
}

class Win32Driver final : public Driver {
  public:
    ~Win32Driver() override { join(); }

    void reset() override {
        join();
        for (plat::Window w : plat::all_windows()) plat::destroy_window(w);
        // What Windows still had queued for the windows that are gone goes nowhere.
        plat::backend().pump_native();
        plat::reset_core();
    }
    std::uint64_t now() override { return plat::backend().now_ms(); }
    void pass_time(std::uint64_t ms) override {
        std::uint64_t until = now() + ms;
        while (now() < until) Sleep(static_cast<DWORD>(until - now()));
    }
    void click(plat::Window window, int x, int y) override {
        post_click(native_window(window), x, y);
        plat::backend().pump_native();
    }
    void click_later(std::uint64_t delay_ms, plat::Window window, int x, int y) override {
        HWND hwnd = native_window(window);
        // Another thread, as the user is: the click arrives while this one waits.
        threads_.emplace_back([=] {
            Sleep(static_cast<DWORD>(delay_ms));
            post_click(hwnd, x, y);
        });
    }
    // A real dialog waits for a real user, who does nothing here.

  private:
    void join() {
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }
    std::vector<std::thread> threads_;
};

}  // namespace

Driver& driver() {
    static Win32Driver d;
    return d;
}

}  // namespace contract
