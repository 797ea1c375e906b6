// The native side of platform windows: their Win32 classes, the window procedure that turns
// native input into the core's input, presentation of the client surface, and the menu bar.
#include <algorithm>
#include <map>

#include "platform/win32/win32.h"

namespace plat {
namespace win32 {
NativeWindow* native_of(HWND hwnd) {
    // Only our own windows' user data is a NativeWindow.
    if (hwnd == nullptr ||
        reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != window_proc)
        return nullptr;
    return reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

NativeWindow* native_of(Window window) {
    const WindowRec* r = window_record(window);
    return r != nullptr ? r->native : nullptr;
}

std::wstring widen(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
}

std::string narrow(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(c < 256 ? static_cast<char>(c) : '?');
    return out;
}

const wchar_t* native_class(const std::string& name) {
    static std::map<std::string, std::wstring> registered;
    auto it = registered.find(name);
    if (it != registered.end()) return it->second.c_str();
    std::wstring wide = widen(name);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    // Every pixel of the client area comes from the surface, so there is no background to erase.
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = window_proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.lpszClassName = wide.c_str();
    RegisterClassExW(&cls);
    return registered.emplace(name, std::move(wide)).first->second.c_str();
}

void declare_dpi_awareness() {
    static bool done = false;
    if (done) return;
    done = true;
    // Windows 10's per-monitor awareness (v2), where it exists; older systems stay as they are.
    using SetContext = BOOL(WINAPI*)(HANDLE);
    auto set = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (set != nullptr) set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)));
}

int scale_for_dpi(unsigned dpi) {
    int scale = static_cast<int>(dpi / 96);
    return scale < 1 ? 1 : scale > 8 ? 8 : scale;
}

unsigned dpi_of(HWND hwnd) {
    using ForWindow = UINT(WINAPI*)(HWND);
    static auto for_window = reinterpret_cast<ForWindow>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (hwnd != nullptr && for_window != nullptr) {
        UINT dpi = for_window(hwnd);
        if (dpi > 0) return dpi;
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96u;
}

void present(const WindowRec& w, HDC dc, const RECT& area, int scale) {
    const Surface& s = w.surface;
    const int dw = s.width * scale, dh = s.height * scale;
    if (s.width > 0 && s.height > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = s.width;
        info.bmiHeader.biHeight = -s.height;  // top row first, as the surface stores it
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;  // 0x00RRGGBB: the surface's own layout
        info.bmiHeader.biCompression = BI_RGB;
        if (scale == 1) {
            SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(s.width), static_cast<DWORD>(s.height),
                              0, 0, 0, static_cast<UINT>(s.height), s.pixels.data(), &info,
                              DIB_RGB_COLORS);
        } else {
            // Whole-number stretching without smoothing: each pixel an exact square block.
            int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
            StretchDIBits(dc, 0, 0, dw, dh, 0, 0, s.width, s.height, s.pixels.data(), &info,
                          DIB_RGB_COLORS, SRCCOPY);
            SetStretchBltMode(dc, old_mode);
        }
    }
    // A client area larger than the surface (while a resize reaches the core) shows the window's
    // background there.
    HBRUSH background = CreateSolidBrush(
        RGB((w.background >> 16) & 0xFF, (w.background >> 8) & 0xFF, w.background & 0xFF));
    if (area.right > dw) {
        RECT r{dw, area.top, area.right, area.bottom};
        FillRect(dc, &r, background);
    }
    if (area.bottom > dh) {
        RECT r{area.left, dh, std::min<LONG>(area.right, dw), area.bottom};
        FillRect(dc, &r, background);
    }
    DeleteObject(background);
}

namespace {

// A mouse message's point, in the core's logical coordinates.
LParam logical_point(const NativeWindow* native, LPARAM lparam) {
    return make_point_lparam(to_logical(static_cast<short>(LOWORD(lparam)), native->scale),
                             to_logical(static_cast<short>(HIWORD(lparam)), native->scale));
}

}  // namespace

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        auto* native = static_cast<NativeWindow*>(create->lpCreateParams);
        if (native != nullptr) {
            native->hwnd = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native));
        }
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
    NativeWindow* native = native_of(hwnd);
    if (native == nullptr) return DefWindowProcW(hwnd, msg, wparam, lparam);
    Window rec = native->rec;
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT client{};
            GetClientRect(hwnd, &client);
            if (const WindowRec* r = window_record(rec)) present(*r, dc, client, native->scale);
            EndPaint(hwnd, &ps);
            ++native->presented;
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOVE:
        case WM_SIZE:
            native_moved(rec);  // the core hears of it at its next pump
            return 0;
        case WM_DPICHANGED: {
            // Moved to a monitor of another density: the window takes the size Windows suggests
            // for it there, and its pictures the new scale.
            native->scale = scale_for_dpi(LOWORD(wparam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            InvalidateRect(hwnd, nullptr, FALSE);
            native_moved(rec);
            return 0;
        }
        case WM_CLOSE:
            // The close box asks; the program decides (the default procedure destroys).
            post_input(Message{rec, wm::close, 0, 0});
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            // A drag that leaves the window still reports where it goes, and its release.
            SetCapture(hwnd);
            post_input(Message{rec, msg, make_mouse_wparam(LOWORD(wparam)),
                               logical_point(native, lparam)});
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if ((wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) ReleaseCapture();
            post_input(Message{rec, msg, make_mouse_wparam(LOWORD(wparam)),
                               logical_point(native, lparam)});
            return 0;
        case WM_MOUSEMOVE:
            post_input(Message{rec, wm::mouse_move, make_mouse_wparam(LOWORD(wparam)),
                               logical_point(native, lparam)});
            return 0;
        case WM_MOUSEWHEEL: {
            // Windows reports the wheel at a point on the screen; the core counts in the client.
            POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            ScreenToClient(hwnd, &p);
            post_input(Message{
                rec, wm::mouse_wheel,
                make_mouse_wparam(LOWORD(wparam), static_cast<short>(HIWORD(wparam))),
                make_point_lparam(to_logical(p.x, native->scale), to_logical(p.y, native->scale))});
            return 0;
        }
        case WM_COMMAND:
            // Menu choices (controls send their own notifications, with a window handle).
            if (lparam == 0 && HIWORD(wparam) == 0)
                post_input(Message{rec, wm::command, LOWORD(wparam), 0});
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

}  // namespace win32

NativeWindow::~NativeWindow() {
    if (hwnd != nullptr) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        HWND gone = hwnd;
        hwnd = nullptr;
        // The window takes its menu bar with it.
        DestroyWindow(gone);
        menu = nullptr;
    }
    if (menu != nullptr) DestroyMenu(menu);
}

}  // namespace plat
