// A Windows console program for the end-to-end tests under Wine: prints what Windows reports for
// the top-level window with the given title, in screen coordinates (which are the X screen's when
// Wine has no virtual desktop). Usage:
//   win_info client <title>   the client area: "x y width height"
//   win_info window <title>   the window rectangle: "x y width height"
//   win_info focus <title>    makes the window the foreground window (and so gives it the keys)
//   win_info class <title>    the window's class name and its style (WS_ bits, in hex, without
//                             WS_VISIBLE and the clipping bits Windows adds)
//   win_info foreground       the title of the foreground window
//   win_info base-units       the system font's dialog base units: "x y"
//   win_info menu <title>     the window's menu bar, an item a line: its text (tab as "\t"), and
//                             "separator", "popup", "checked", "grayed" as they apply; a popup's
//                             items follow it, indented
// Exits 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void print_menu(HMENU menu, int depth) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        std::printf("%*s", depth * 2, "");
        for (const char* c = text; *c != '\0'; ++c) {
            if (*c == '\t')
                std::printf("\\t");
            else
                std::putchar(*c);
        }
        if (info.fType & MFT_SEPARATOR) std::printf("separator");
        if (info.hSubMenu != nullptr) std::printf(" popup");
        if (info.fState & MFS_CHECKED) std::printf(" checked");
        if (info.fState & MFS_GRAYED) std::printf(" grayed");
        std::printf("\n");
        if (info.hSubMenu != nullptr) print_menu(info.hSubMenu, depth + 1);
    }
}

}  // namespace

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
    } else if (std::strcmp(argv[1], "class") == 0) {
        char name[256] = {};
        GetClassNameA(hwnd, name, sizeof name);
        auto style = static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE));
        style &= ~static_cast<unsigned long>(WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
        std::printf("%s %08lX\n", name, style);
        return 0;
    } else if (std::strcmp(argv[1], "menu") == 0) {
        HMENU menu = GetMenu(hwnd);
        if (menu == nullptr) return 1;
        print_menu(menu, 0);
        return 0;
    } else if (std::strcmp(argv[1], "focus") == 0) {
        return SetForegroundWindow(hwnd) ? 0 : 1;
    } else {
        return 2;
    }
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}
