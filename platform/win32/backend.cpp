// The Win32 backend: real top-level windows on the Win32 user and GDI services, driven by the
// application's own loop. Windows' queue is emptied into the core's (pump); waits sleep in
// MsgWaitForMultipleObjectsEx until native input arrives or the core's next timer is due.
#include <algorithm>

#include "platform/win32/win32.h"

namespace plat {
namespace win32 {
namespace {

// The scale of the screen the windows are made on (the system's DPI).
int system_scale() {
    static int scale = scale_for_dpi(dpi_of(nullptr));
    return scale;
}

class Win32Backend final : public Backend {
  public:
    Win32Backend() {
        LARGE_INTEGER frequency{}, start{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        frequency_ = frequency.QuadPart > 0 ? frequency.QuadPart : 1000;
        start_ = start.QuadPart;
    }

    bool open_display(std::string* reason) override {
        declare_dpi_awareness();
        // Without a display Windows (Wine without an X server, in practice) makes no top-level
        // window: try one, hidden, before anything else is made.
        HWND probe = CreateWindowExW(0, native_class("#velta-probe"), L"", WS_POPUP, 0, 0, 1, 1,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (probe == nullptr) {
            *reason =
                "cannot open the display: no window can be made (under Wine, DISPLAY must name "
                "a running X server)";
            return false;
        }
        DestroyWindow(probe);
        return true;
    }

    std::uint64_t now_ms() override {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        const long long ticks = counter.QuadPart - start_;
        return static_cast<std::uint64_t>(ticks / frequency_ * 1000 +
                                          ticks % frequency_ * 1000 / frequency_);
    }

    // The screen and the windows in logical pixels: what Windows says in device pixels, over the
    // scale.
    int screen_width() override { return GetSystemMetrics(SM_CXSCREEN) / system_scale(); }
    int screen_height() override { return GetSystemMetrics(SM_CYSCREEN) / system_scale(); }

    // Whatever Windows reports for the window: its client rectangle inside its window rectangle.
    // Before the native window exists, what Windows would make of the style.
    Rect client_area(const WindowRec& w) override {
        if (w.native != nullptr && w.native->hwnd != nullptr) {
            HWND hwnd = w.native->hwnd;
            int s = w.native->scale;
            RECT outer{}, client{};
            POINT origin{0, 0};
            GetWindowRect(hwnd, &outer);
            GetClientRect(hwnd, &client);
            ClientToScreen(hwnd, &origin);
            int left = (origin.x - outer.left) / s, top = (origin.y - outer.top) / s;
            return Rect{left, top, left + client.right / s, top + client.bottom / s};
        }
        int s = system_scale();
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, w.style & ~static_cast<DWORD>(WS_VISIBLE), w.menu != nullptr, 0);
        int right = std::max<int>(-frame.left, w.outer.width() * s - frame.right);
        int bottom = std::max<int>(-frame.top, w.outer.height() * s - frame.bottom);
        return Rect{-frame.left / s, -frame.top / s, right / s, bottom / s};
    }

    void pump_native() override { pump(); }

    void sleep_until(std::uint64_t deadline) override {
        DWORD timeout = INFINITE;
        if (deadline != kNoDeadline) {
            std::uint64_t now = now_ms();
            if (deadline <= now) return;
            // One millisecond more, so that the timer is due when the wait ends.
            timeout = static_cast<DWORD>(std::min<std::uint64_t>(deadline - now + 1, 0x7FFFFFFF));
        }
        // MWMO_INPUTAVAILABLE: messages that are already queued end the wait too, not only those
        // that arrive during it.
        MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }

    bool window_created(Window w) override {
        WindowRec& r = *window_record(w);
        auto native = std::make_unique<NativeWindow>(w);
        r.native = native.get();
        std::wstring title = widen(r.title);
        DWORD style = r.style & ~static_cast<DWORD>(WS_VISIBLE);
        int s = system_scale();
        HWND hwnd =
            CreateWindowExW(0, native_class(r.class_name), title.c_str(), style, r.outer.left * s,
                            r.outer.top * s, r.outer.width() * s, r.outer.height() * s, nullptr,
                            nullptr, GetModuleHandleW(nullptr), native.get());
        if (hwnd != nullptr) native->scale = scale_for_dpi(dpi_of(hwnd));
        // Windows may have run procedures (and hooks) meanwhile: look the record up again.
        if (WindowRec* again = window_record(w))
            again->native = hwnd != nullptr ? native.get() : nullptr;
        if (hwnd == nullptr) return false;
        native.release();
        return true;
    }

    void window_destroyed(Window w) override {
        WindowRec& r = *window_record(w);
        NativeWindow* native = r.native;
        if (native == nullptr) return;
        r.native = nullptr;
        delete native;
    }

    void window_shown(Window w, bool visible) override {
        NativeWindow* native = native_of(w);
        if (native == nullptr) return;
        ShowWindow(native->hwnd, visible ? SW_SHOWNORMAL : SW_HIDE);
    }

    void menu_changed(Window w) override {
        if (NativeWindow* native = native_of(w)) native->update_menu();
    }

    // Painted from the surface at once; Windows paints it from there too whenever it asks.
    void present(Window w) override {
        if (NativeWindow* native = native_of(w))
            RedrawWindow(native->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }

    bool native_geometry(Window w, Rect* outer, Rect* client) override {
        NativeWindow* native = native_of(w);
        if (native == nullptr || native->hwnd == nullptr) return false;
        RECT r{};
        GetWindowRect(native->hwnd, &r);
        int s = native->scale;
        int left = to_logical(r.left, s), top = to_logical(r.top, s);
        *outer = Rect{left, top, left + (r.right - r.left) / s, top + (r.bottom - r.top) / s};
        *client = client_area(*window_record(w));
        return true;
    }

    std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window dialog,
                                                Window owner) override {
        return win32::create_dialog(tmpl, dialog, owner);
    }

  private:
    long long frequency_ = 1000;
    long long start_ = 0;
};

}  // namespace

Backend& the_backend() {
    static Win32Backend b;
    return b;
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;  // the core has its own quit
        if (Win32Dialog* dialog = active_dialog()) {
            if (dialog_takes(*dialog, msg)) continue;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) {
            NativeWindow* native = native_of(msg.hwnd);
            if (native != nullptr) {
                post_key(native->rec, msg);
                continue;
            }
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace win32

Backend& backend() {
    return win32::the_backend();
}

}  // namespace plat
