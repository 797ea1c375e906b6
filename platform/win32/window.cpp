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

void present(const WindowRec& w, HDC dc, const RECT& area) {
    const Surface& s = w.surface;
    if (s.width > 0 && s.height > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = s.width;
        info.bmiHeader.biHeight = -s.height;  // top row first, as the surface stores it
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;  // 0x00RRGGBB: the surface's own layout
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(s.width), static_cast<DWORD>(s.height), 0, 0,
                          0, static_cast<UINT>(s.height), s.pixels.data(), &info, DIB_RGB_COLORS);
    }
    // A client area larger than the surface (while a resize reaches the core) shows the window's
    // background there.
    HBRUSH background = CreateSolidBrush(
        RGB((w.background >> 16) & 0xFF, (w.background >> 8) & 0xFF, w.background & 0xFF));
    if (area.right > s.width) {
        RECT r{s.width, area.top, area.right, area.bottom};
        FillRect(dc, &r, background);
    }
    if (area.bottom > s.height) {
        RECT r{area.left, s.height, std::min<LONG>(area.right, s.width), area.bottom};
        FillRect(dc, &r, background);
    }
    DeleteObject(background);
}

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
            if (const WindowRec* r = window_record(rec)) present(*r, dc, client);
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
                               make_point_lparam(static_cast<short>(LOWORD(lparam)),
                                                 static_cast<short>(HIWORD(lparam)))});
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if ((wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) ReleaseCapture();
            post_input(Message{rec, msg, make_mouse_wparam(LOWORD(wparam)),
                               make_point_lparam(static_cast<short>(LOWORD(lparam)),
                                                 static_cast<short>(HIWORD(lparam)))});
            return 0;
        case WM_MOUSEMOVE:
            post_input(Message{rec, wm::mouse_move, make_mouse_wparam(LOWORD(wparam)),
                               make_point_lparam(static_cast<short>(LOWORD(lparam)),
                                                 static_cast<short>(HIWORD(lparam)))});
            return 0;
        case WM_MOUSEWHEEL: {
            // Windows reports the wheel at a point on the screen; the core counts in the client.
            POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            ScreenToClient(hwnd, &p);
            post_input(
                Message{rec, wm::mouse_wheel,
                        make_mouse_wparam(LOWORD(wparam), static_cast<short>(HIWORD(wparam))),
                        make_point_lparam(p.x, p.y)});
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
