// A Windows console program for the end-to-end tests under Wine: prints what Windows reports for
// the top-level window with the given title, in screen coordinates (which are the X screen's when
// Wine has no virtual desktop). Usage:
//   win_info client <title>   the client area: "x y width height"
//   win_info window <title>   the window rectangle: "x y width height"
//   win_info focus <title>    makes the window the foreground window (and so gives it the keys)
//   win_info foreground       the title of the foreground window
//   win_info base-units       the system font's dialog base units: "x y"
// Exits 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "base-units") == 0) {
        LONG units = GetDialogBaseUnits();
        std::printf("%d %d\n", LOWORD(units), HIWORD(units));
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "foreground") == 0) {
        char title[256] = {};
        HWND foreground = GetForegroundWindow();
        if (foreground == nullptr) return 1;
        GetWindowTextA(foreground, title, sizeof title);
        std::printf("%s\n", title);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s client|window|focus <title>\n", argv[0]);
        return 2;
    }
    HWND hwnd = FindWindowA(nullptr, argv[2]);
    if (hwnd == nullptr) return 1;
    RECT r{};
    if (std::strcmp(argv[1], "client") == 0) {
        GetClientRect(hwnd, &r);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        OffsetRect(&r, origin.x, origin.y);
    } else if (std::strcmp(argv[1], "window") == 0) {
        GetWindowRect(hwnd, &r);
    } else if (std::strcmp(argv[1], "focus") == 0) {
        return SetForegroundWindow(hwnd) ? 0 : 1;
    } else {
        return 2;
    }
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}
