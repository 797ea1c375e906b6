// The frame that a window manager puts around our X windows. A window's outer rectangle (title bar
// and borders included) is what the library places, so the X window goes inside it, moved by the
// frame's left and top sizes and shrunk by all four.
#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "platform/fltk/fltk.h"

namespace plat {
namespace fltk {
namespace {

// No sane frame is this thick; larger values come from a frame that is still being built.
constexpr int kMaxFrameSide = 200;

Atom atom(const char* name) {
    return XInternAtom(fl_display, name, False);
}

// True when the window manager lists the atom in _NET_SUPPORTED.
bool wm_supports(const char* name) {
    ::Window root = RootWindow(fl_display, fl_screen);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(fl_display, root, atom("_NET_SUPPORTED"), 0, 4096, False, XA_ATOM, &type,
                           &format, &count, &after, &data) != Success ||
        data == nullptr)
        return false;
    Atom wanted = atom(name);
    bool found = false;
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == wanted;
    XFree(data);
    return found;
}

bool sane(const Frame& f) {
    return f.left >= 0 && f.top >= 0 && f.right >= 0 && f.bottom >= 0 && f.left < kMaxFrameSide &&
           f.top < kMaxFrameSide && f.right < kMaxFrameSide && f.bottom < kMaxFrameSide;
}

// The frame sizes published by the window manager on the window (left, right, top, bottom).
bool read_frame_extents(::Window xid, Frame* frame) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(fl_display, xid, atom("_NET_FRAME_EXTENTS"), 0, 4, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) != Success ||
        data == nullptr)
        return false;
    bool ok = type == XA_CARDINAL && format == 32 && count == 4;
    if (ok) {
        // Format 32 properties come back as longs.
        const long* v = reinterpret_cast<const long*>(data);
        Frame f;
        f.left = static_cast<int>(v[0]);
        f.right = static_cast<int>(v[1]);
        f.top = static_cast<int>(v[2]);
        f.bottom = static_cast<int>(v[3]);
        ok = sane(f);
        if (ok) *frame = f;
    }
    XFree(data);
    return ok;
}

// Measures the frame from the window tree: the ancestor just below the root is the frame window.
// Fails while the window is not reparented, or while the frame does not yet enclose it (a window
// manager makes the frame 1 x 1 and sizes it after reparenting).
bool measure_tree_frame(::Window xid, Frame* frame) {
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
    if (top == xid) return false;
    XWindowAttributes frame_attr, client_attr;
    if (!XGetWindowAttributes(fl_display, top, &frame_attr) ||
        !XGetWindowAttributes(fl_display, xid, &client_attr))
        return false;
    int cx = 0, cy = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(fl_display, xid, root, 0, 0, &cx, &cy, &child)) return false;
    // The frame window's position is that of its X border's outer corner; its size leaves the
    // border out.
    int outer_w = frame_attr.width + 2 * frame_attr.border_width;
    int outer_h = frame_attr.height + 2 * frame_attr.border_width;
    Frame f;
    f.left = cx - frame_attr.x;
    f.top = cy - frame_attr.y;
    f.right = frame_attr.x + outer_w - (cx + client_attr.width);
    f.bottom = frame_attr.y + outer_h - (cy + client_attr.height);
    if (!sane(f)) return false;
    *frame = f;
    return true;
}

// Polls `done` every few milliseconds until it holds or the time is up. Only X round trips happen
// meanwhile: FLTK dispatches the events that arrive later, in its own loop.
template <typename Done>
bool poll_until(double seconds, Done done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        XSync(fl_display, False);
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

bool window_manager_present() {
    static int present = -1;
    if (present < 0) {
        XWindowAttributes attr;
        present = XGetWindowAttributes(fl_display, RootWindow(fl_display, fl_screen), &attr) &&
                  (attr.all_event_masks & SubstructureRedirectMask) != 0;
    }
    return present == 1;
}

bool request_frame(bool sizing, Frame* frame) {
    static int supported = -1;
    if (supported < 0) supported = wm_supports("_NET_REQUEST_FRAME_EXTENTS");
    if (!supported) return false;
    ::Window root = RootWindow(fl_display, fl_screen);
    // An unmapped stand-in with the size hints of the window to come: the frame of a window that
    // cannot be resized may differ from that of one that can.
    ::Window probe = XCreateSimpleWindow(fl_display, root, 0, 0, 100, 100, 0, 0, 0);
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
        if (!sizing) {
            hints->flags = PMinSize | PMaxSize;
            hints->min_width = hints->max_width = 100;
            hints->min_height = hints->max_height = 100;
        }
        XSetWMNormalHints(fl_display, probe, hints);
        XFree(hints);
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = probe;
    event.xclient.message_type = atom("_NET_REQUEST_FRAME_EXTENTS");
    event.xclient.format = 32;
    XSendEvent(fl_display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    bool ok = poll_until(5.0, [&] { return read_frame_extents(probe, frame); });
    XDestroyWindow(fl_display, probe);
    XSync(fl_display, False);
    return ok;
}

bool wait_for_frame(unsigned long xid, Frame* frame) {
    return poll_until(5.0, [&] {
        Frame tree;
        if (!measure_tree_frame(xid, &tree)) {
            // A window manager that does not reparent publishes an empty frame.
            Frame published;
            if (read_frame_extents(xid, &published) && published.left == 0 && published.top == 0 &&
                published.right == 0 && published.bottom == 0) {
                *frame = published;
                return true;
            }
            return false;
        }
        // Prefer what the window manager says; the tree tells when the frame has been built.
        if (!read_frame_extents(xid, frame)) *frame = tree;
        return true;
    });
}

bool wait_for_geometry(unsigned long xid, int x, int y, int width, int height) {
    ::Window root = RootWindow(fl_display, fl_screen);
    return poll_until(5.0, [&] {
        XWindowAttributes attr;
        int rx = 0, ry = 0;
        ::Window child = 0;
        return XGetWindowAttributes(fl_display, xid, &attr) &&
               XTranslateCoordinates(fl_display, xid, root, 0, 0, &rx, &ry, &child) && rx == x &&
               ry == y && attr.width == width && attr.height == height;
    });
}

}  // namespace fltk
}  // namespace plat
