// The FLTK widgets inside a platform window: the canvas that shows the client surface and the menu
// bar, and the window manager hints that a window's style asks for.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cstring>

#include "platform/fltk/fltk.h"
#include "platform/fltk/keys.h"
#include "platform/fltk/motif_hints.h"

namespace plat {
namespace fltk {
namespace {

// Our own redraw requests (a picture that FLTK's drawing must convert, or a window not shown yet)
// carry this damage bit; any other damage means FLTK is repainting an uncovered or newly mapped
// window.
constexpr uchar kPresentDamage = FL_DAMAGE_USER1;

// Menu item labels: the text before the tab on the left (with its & mnemonic), the text after it
// right-aligned, as a shortcut column.
constexpr int kShortcutGap = 30;

void split_label(const char* text, std::string* left, std::string* right) {
    const char* tab = text != nullptr ? std::strchr(text, '\t') : nullptr;
    if (tab == nullptr) {
        *left = text != nullptr ? text : "";
        right->clear();
    } else {
        left->assign(text, tab);
        *right = tab + 1;
    }
}

void draw_menu_label(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
    std::string left, right;
    split_label(label->value, &left, &right);
    fl_font(label->font, label->size);
    fl_color(static_cast<Fl_Color>(label->color));
    fl_draw(left.c_str(), x, y, w, h, align, nullptr, 0);
    if (!right.empty()) {
        fl_draw(right.c_str(), x, y, w - 4, h,
                static_cast<Fl_Align>((align & ~FL_ALIGN_LEFT) | FL_ALIGN_RIGHT), nullptr, 0);
    }
}

void measure_menu_label(const Fl_Label* label, int& w, int& h) {
    std::string left, right;
    split_label(label->value, &left, &right);
    fl_font(label->font, label->size);
    int lw = 0, lh = 0, rw = 0, rh = 0;
    fl_measure(left.c_str(), lw, lh, 0);
    if (!right.empty()) fl_measure(right.c_str(), rw, rh, 0);
    w = lw + (right.empty() ? 0 : kShortcutGap + rw + 4);
    h = std::max(lh, rh);
}

}  // namespace

Fl_Labeltype menu_label_type() {
    static Fl_Labeltype type = [] {
        auto t = static_cast<Fl_Labeltype>(FL_FREE_LABELTYPE);
        Fl::set_labeltype(t, draw_menu_label, measure_menu_label);
        return t;
    }();
    return type;
}

// ---- canvas ----

Canvas::Canvas(NativeWindow& owner, int x, int y, int w, int h)
    : Fl_Widget(x, y, w, h), owner_(owner) {}

Canvas::~Canvas() {
    if (gc_ != nullptr) XFreeGC(fl_display, gc_);
}

void Canvas::present(const Surface& surface) {
    image_.store(surface, scale());
    if (!image_.direct() || !owner_.shown()) {
        damage(kPresentDamage);
        return;
    }
    ::Window xid = fl_xid(&owner_);
    if (gc_ == nullptr) gc_ = XCreateGC(fl_display, xid, 0, nullptr);
    image_.put(xid, gc_, x(), y(), w(), h());
}

void Canvas::draw() {
    if (damage() & ~kPresentDamage) invalidate(owner_.rec);
    int w_shown = std::min(w(), image_.width());
    int h_shown = std::min(h(), image_.height());
    if (w_shown > 0 && h_shown > 0) {
        if (image_.direct())
            image_.put(fl_window, fl_gc, x(), y(), w_shown, h_shown);
        else
            image_.draw_converted(x(), y(), w_shown, h_shown);
    }
    const WindowRec* r = window_record(owner_.rec);
    Color bg = r != nullptr ? r->background : Color{0x00FFFFFF};
    fl_color(static_cast<uchar>(bg >> 16), static_cast<uchar>(bg >> 8), static_cast<uchar>(bg));
    if (w() > w_shown) fl_rectf(x() + w_shown, y(), w() - w_shown, h());
    if (h() > h_shown && w_shown > 0) fl_rectf(x(), y() + h_shown, w_shown, h() - h_shown);
}

namespace {

// The buttons and modifier keys held, as mouse messages carry them.
std::uint32_t mouse_held() {
    int state = Fl::event_state();
    return ((state & FL_BUTTON1) ? mk::left : 0u) | ((state & FL_BUTTON3) ? mk::right : 0u) |
           ((state & FL_BUTTON2) ? mk::middle : 0u) | ((state & FL_SHIFT) ? mk::shift : 0u) |
           ((state & FL_CTRL) ? mk::control : 0u);
}

}  // namespace

void Canvas::post_mouse(std::uint32_t message, int wheel_delta) {
    if (!is_window(owner_.rec) || !window_record(owner_.rec)->enabled) return;
    // The core counts in logical pixels: a device position inside a logical pixel's block is
    // that pixel.
    int s = scale();
    int cx = Fl::event_x() - x(), cy = Fl::event_y() - y();
    cx = cx >= 0 ? cx / s : -((-cx + s - 1) / s);
    cy = cy >= 0 ? cy / s : -((-cy + s - 1) / s);
    post_input(Message{owner_.rec, message, make_mouse_wparam(mouse_held(), wheel_delta),
                       make_point_lparam(cx, cy)});
}

int Canvas::handle(int event) {
    switch (event) {
        case FL_FOCUS:
        case FL_UNFOCUS:
        case FL_ENTER:
        case FL_LEAVE:
            return 1;
        case FL_MOVE:
        case FL_DRAG:
            post_mouse(wm::mouse_move);
            return 1;
        case FL_RELEASE:
            switch (Fl::event_button()) {
                case FL_LEFT_MOUSE:
                    post_mouse(wm::left_button_up);
                    break;
                case FL_RIGHT_MOUSE:
                    post_mouse(wm::right_button_up);
                    break;
                case FL_MIDDLE_MOUSE:
                    post_mouse(wm::middle_button_up);
                    break;
                default:
                    break;
            }
            return 1;
        case FL_MOUSEWHEEL:
            // FLTK counts notches downward (toward the user); a notch is 120, away is positive.
            if (Fl::event_dy() != 0) post_mouse(wm::mouse_wheel, -120 * Fl::event_dy());
            return 1;
        case FL_PUSH:
            if (Fl::focus() != this) Fl::focus(this);
            switch (Fl::event_button()) {
                case FL_LEFT_MOUSE:
                    post_mouse(wm::left_button_down);
                    break;
                case FL_RIGHT_MOUSE:
                    post_mouse(wm::right_button_down);
                    break;
                case FL_MIDDLE_MOUSE:
                    post_mouse(wm::middle_button_down);
                    break;
                default:
                    break;
            }
            return 1;
        case FL_KEYBOARD:
            return owner_.post_key(true) ? 1 : 0;
        case FL_KEYUP:
            return owner_.post_key(false) ? 1 : 0;
        default:
            return Fl_Widget::handle(event);
    }
}

// ---- menu bar ----

int MenuBar::handle(int event) {
    // With shortcut texts shown only as labels, plain and Ctrl keys belong to the window; Alt opens
    // the menu through its & mnemonics.
    if (event == FL_SHORTCUT && !Fl::event_state(FL_ALT)) return 0;
    return Fl_Menu_Bar::handle(event);
}

namespace {

// Interning an atom can take a round trip to the server, which would send the map request ahead
// of the hints: show_with_hints interns it before the window is made.
Atom motif_hints_atom() {
    static Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
    return atom;
}

}  // namespace

void show_with_hints(Fl_Window& window, std::uint32_t style) {
    if (window.shown()) {
        window.show();
        return;
    }
    motif_hints_atom();
    XFlush(fl_display);
    window.show();
    set_wm_hints(window, style);
}

void set_wm_hints(Fl_Window& window, std::uint32_t style) {
    if (!window.shown() || window.parent() != nullptr) return;
    MotifHints h = motif_hints(style);
    // Format 32 properties are passed as longs.
    long fields[5] = {static_cast<long>(h.flags), static_cast<long>(h.functions),
                      static_cast<long>(h.decorations), h.input_mode, static_cast<long>(h.status)};
    Atom atom = motif_hints_atom();
    XChangeProperty(fl_display, fl_xid(&window), atom, atom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(fields), 5);
}

}  // namespace fltk
}  // namespace plat
