// Prints the ids of the X windows whose name (_NET_WM_NAME, else WM_NAME) is exactly the given
// title, one a line, level by level from the root (as xdotool search does). Usage:
//   find_window <title>
// Prints nothing when there is no such window; exits 1 only when the display cannot be opened.
//
// The walk runs with the server grabbed, so that no other client can destroy a window between our
// listing it and reading its name. Without the grab a window that a program makes and destroys at
// that moment (Wine does so at start-up, and when a second display is refused) ends the search
// with BadWindow, and xdotool search then prints nothing even though the window asked for exists.
#include <X11/Xlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The window's title as the tests name it; empty when it has none.
std::string window_name(::Display* display, ::Window window, Atom net_wm_name, Atom utf8) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, net_wm_name, 0, 1024, False, utf8, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && type == utf8 && format == 8) {
        name.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    if (!name.empty()) return name;
    char* fetched = nullptr;
    if (XFetchName(display, window, &fetched) != 0 && fetched != nullptr) name = fetched;
    if (fetched != nullptr) XFree(fetched);
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <title>\n", argv[0]);
        return 2;
    }
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XGrabServer(display);
    std::vector<::Window> level{DefaultRootWindow(display)};
    while (!level.empty()) {
        std::vector<::Window> next;
        for (::Window parent : level) {
            ::Window root = 0, up = 0;
            ::Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display, parent, &root, &up, &children, &count) == 0) continue;
            for (unsigned int i = 0; i < count; ++i) {
                if (window_name(display, children[i], net_wm_name, utf8) == argv[1])
                    std::printf("%lu\n", static_cast<unsigned long>(children[i]));
                next.push_back(children[i]);
            }
            if (children != nullptr) XFree(children);
        }
        level.swap(next);
    }
    XUngrabServer(display);
    XCloseDisplay(display);
    return 0;
}
