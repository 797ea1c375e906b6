// A stand-in window manager for the end-to-end tests. For every window that asks to be mapped it
// prints the window's name and the _MOTIF_WM_HINTS that the window has at that moment, which are
// the hints a real window manager reads when it takes the window on, and then maps it. It does not
// reparent: it publishes an empty frame and passes configure requests through. Like the window
// managers that users run it announces itself the EWMH way, so that FLTK asks it to activate a
// window instead of raising the window itself (which maps a modal window before its properties
// are written). Runs until killed.
// Prints "watching" once it is the window manager, then "<name>: <five fields>" (or "<name>: none")
// for each map request.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>

namespace {

bool other_manager = false;

int note_other_manager(::Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess) other_manager = true;
    return 0;
}

void print_hints(::Display* display, ::Window window, Atom motif) {
    char* name = nullptr;
    XFetchName(display, window, &name);
    std::printf("%s:", name != nullptr ? name : "");
    if (name != nullptr) XFree(name);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, motif, 0, 5, False, motif, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && type == motif && format == 32) {
        // Format 32 properties come back as longs.
        const long* fields = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < count; ++i) std::printf(" %ld", fields[i]);
    } else {
        std::printf(" none");
    }
    if (data != nullptr) XFree(data);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main() {
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "map_watch: cannot open the display\n");
        return 1;
    }
    ::Window root = DefaultRootWindow(display);
    XSetErrorHandler(note_other_manager);
    XSelectInput(display, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(display, False);
    if (other_manager) {
        std::fprintf(stderr, "map_watch: another window manager is running\n");
        return 1;
    }
    Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    // The EWMH announcement: a check window naming itself, and the supported atoms.
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    ::Window checker = XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
    XChangeProperty(display, checker, check, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&checker), 1);
    XChangeProperty(display, root, check, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&checker), 1);
    Atom supported[] = {XInternAtom(display, "_NET_ACTIVE_WINDOW", False), extents};
    XChangeProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(supported), 2);
    XSync(display, False);
    std::printf("watching\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapRequest) {
            ::Window window = event.xmaprequest.window;
            print_hints(display, window, motif);
            long none[4] = {0, 0, 0, 0};
            XChangeProperty(display, window, extents, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(none), 4);
            XMapWindow(display, window);
        } else if (event.type == ConfigureRequest) {
            const XConfigureRequestEvent& request = event.xconfigurerequest;
            XWindowChanges changes{};
            changes.x = request.x;
            changes.y = request.y;
            changes.width = request.width;
            changes.height = request.height;
            changes.border_width = request.border_width;
            changes.sibling = request.above;
            changes.stack_mode = request.detail;
            XConfigureWindow(display, request.window, static_cast<unsigned>(request.value_mask),
                             &changes);
        }
        XFlush(display);
    }
}
