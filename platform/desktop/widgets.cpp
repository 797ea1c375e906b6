// The FLTK widgets of a platform window: the window itself, its menu bar and the canvas that shows
// the client surface.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cstring>

#include "platform/desktop/desktop.h"
#include "platform/desktop/keys.h"
#include "platform/desktop/motif_hints.h"

namespace plat {
namespace desktop {
namespace {

// Our own redraw requests carry this damage bit; any other damage means FLTK is repainting an
// uncovered or newly mapped window.
constexpr uchar kPresentDamage = FL_DAMAGE_USER1;

// True when the X visual stores pixels as 0x00RRGGBB in 32 bits, the surface's own layout, so the
// surface can be handed to the server as it is.
bool visual_matches_surface() {
    static int matches = -1;
    if (matches < 0) {
        const Visual* v = fl_visual != nullptr ? fl_visual->visual : nullptr;
        matches = v != nullptr && fl_visual->depth >= 24 && v->red_mask == 0xFF0000 &&
                  v->green_mask == 0x00FF00 && v->blue_mask == 0x0000FF;
    }
    return matches == 1;
}

void put_pixels(const std::uint32_t* pixels, int stride, int x, int y, int w, int h) {
    if (visual_matches_surface()) {
        XImage* image =
            XCreateImage(fl_display, fl_visual->visual, fl_visual->depth, ZPixmap, 0,
                         reinterpret_cast<char*>(const_cast<std::uint32_t*>(pixels)),
                         static_cast<unsigned>(w), static_cast<unsigned>(h), 32, stride * 4);
        if (image != nullptr && image->bits_per_pixel == 32) {
            // The buffer is in host order; Xlib converts if the server's order differs.
            image->byte_order =
                (*reinterpret_cast<const char*>("\x01\x00") == 1) ? LSBFirst : MSBFirst;
            XPutImage(fl_display, fl_window, fl_gc, image, 0, 0, x, y, static_cast<unsigned>(w),
                      static_cast<unsigned>(h));
            image->data = nullptr;  // not ours to free
            XDestroyImage(image);
            return;
        }
        if (image != nullptr) {
            image->data = nullptr;
            XDestroyImage(image);
        }
    }
    std::vector<uchar> rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            std::uint32_t c = pixels[static_cast<std::size_t>(row) * stride + col];
            uchar* out = &rgb[(static_cast<std::size_t>(row) * w + col) * 3];
            out[0] = static_cast<uchar>(c >> 16);
            out[1] = static_cast<uchar>(c >> 8);
            out[2] = static_cast<uchar>(c);
        }
    }
    fl_draw_image(rgb.data(), x, y, w, h, 3);
}

void close_box_pressed(Fl_Widget* widget, void*) {
    // Escape also lands here; only the close box asks the window to close.
    if (Fl::event() != FL_CLOSE) return;
    auto* native = static_cast<NativeWindow*>(widget);
    post_input(Message{native->rec, wm::close, 0, 0});
}

void menu_item_chosen(Fl_Widget* widget, void* data) {
    auto* native = static_cast<NativeWindow*>(widget->window());
    if (native == nullptr) return;
    // FLTK has already flipped a checked item's state; the library sets check marks itself.
    native->update_menu();
    post_input(Message{native->rec, wm::command, reinterpret_cast<WParam>(data), 0});
}

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

void Canvas::present(const Surface& surface) {
    shown_w_ = surface.width;
    shown_h_ = surface.height;
    shown_ = surface.pixels;
    damage(kPresentDamage);
}

void Canvas::draw() {
    if (damage() & ~kPresentDamage) invalidate(owner_.rec);
    int w_shown = std::min(w(), shown_w_);
    int h_shown = std::min(h(), shown_h_);
    if (w_shown > 0 && h_shown > 0) put_pixels(shown_.data(), shown_w_, x(), y(), w_shown, h_shown);
    Color bg = owner_.rec->background;
    fl_color(static_cast<uchar>(bg >> 16), static_cast<uchar>(bg >> 8), static_cast<uchar>(bg));
    if (w() > w_shown) fl_rectf(x() + w_shown, y(), w() - w_shown, h());
    if (h() > h_shown && w_shown > 0) fl_rectf(x(), y() + h_shown, w_shown, h() - h_shown);
}

int Canvas::handle(int event) {
    switch (event) {
        case FL_FOCUS:
        case FL_UNFOCUS:
        case FL_ENTER:
        case FL_LEAVE:
        case FL_MOVE:
        case FL_DRAG:
        case FL_RELEASE:
            return 1;
        case FL_PUSH:
            if (Fl::focus() != this) Fl::focus(this);
            if (Fl::event_button() == FL_LEFT_MOUSE && owner_.rec->enabled) {
                post_input(Message{owner_.rec, wm::left_button_down, 1,
                                   make_point_lparam(Fl::event_x() - x(), Fl::event_y() - y())});
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

// ---- window ----

NativeWindow::NativeWindow(Window record, int x, int y, int w, int h)
    : Fl_Window(x, y, w, h), rec(record) {
    copy_label(record->title.c_str());
    canvas = new Canvas(*this, 0, 0, w, h);
    end();
    Fl_Group::current(nullptr);
    callback(close_box_pressed);
    if (record->style & ws::thick_frame)
        size_range(100, 50);
    else
        size_range(w, h, w, h);
    color(FL_WHITE);
}

NativeWindow::~NativeWindow() = default;

void NativeWindow::layout_children() {
    int top = 0;
    if (menu_bar != nullptr && menu_bar->visible()) {
        menu_bar->resize(0, 0, w(), kMenuBarHeight);
        top = kMenuBarHeight;
    }
    canvas->resize(0, top, w(), std::max(0, h() - top));
    redraw();
}

void NativeWindow::resize(int x, int y, int w, int h) {
    bool sized = w != this->w() || h != this->h();
    bool moved = x != this->x() || y != this->y();
    Fl_Window::resize(x, y, w, h);
    if (sized) layout_children();
    if (sized || moved) geometry_dirty = true;
}

int NativeWindow::handle(int event) {
    if (event == FL_KEYBOARD || event == FL_KEYUP) {
        // Keys reach the window itself when the canvas does not have the focus.
        if (post_key(event == FL_KEYBOARD)) return 1;
    }
    if (event == FL_SHORTCUT && Fl::focus() == nullptr && !Fl::event_state(FL_ALT)) {
        // A key pressed while no widget had the focus: it is ours, and so are the next ones.
        Fl::focus(canvas);
        if (post_key(true)) return 1;
    }
    // FLTK's own hints forbid only resizing and maximising a window of fixed size; the style's
    // replace them before the focus is set below (see show_with_hints).
    if (event == FL_SHOW) set_wm_hints(*this, rec->style);
    if (event == FL_SHOW || event == FL_FOCUS) {
        int handled = Fl_Window::handle(event);
        if (Fl::focus() == nullptr || Fl::focus() == this) Fl::focus(canvas);
        return handled;
    }
    return Fl_Window::handle(event);
}

void NativeWindow::fix_size(int width, int height) {
    size_range(width, height, width, height);
    set_wm_hints(*this, rec->style);
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

bool NativeWindow::post_key(bool down) {
    int key = Fl::event_key();
    // Alt combinations are system keys: they open the menu and are not key messages.
    if (Fl::event_state(FL_ALT) || key == FL_Alt_L || key == FL_Alt_R) return false;
    if (!rec->enabled) return true;
    int vk = virtual_key(key, Fl::event_original_key());
    if (down) {
        // The platform's rule decides which keys type a character: Delete, the cursor keys and
        // the function keys type none, although X has text for some of them.
        bool ctrl = Fl::event_state(FL_CTRL) != 0;
        int layout = ctrl ? character_without_ctrl(fl_xevent)
                          : typed_character(Fl::event_text(), Fl::event_length());
        int ch = key_character(vk, layout, ctrl);
        if (vk == 0 && ch < 0) return true;
        post_input(Message{rec, wm::key_down, static_cast<WParam>(vk), make_key_lparam(ch)});
    } else {
        if (vk == 0) return true;
        post_input(Message{rec, wm::key_up, static_cast<WParam>(vk),
                           make_key_lparam(-1) | (LParam{3} << 30)});
    }
    return true;
}

void NativeWindow::update_menu() {
    Menu bar = rec->menu;
    if (bar == nullptr) {
        if (menu_bar != nullptr && menu_bar->visible()) {
            menu_bar->hide();
            layout_children();
        }
        return;
    }
    if (menu_bar == nullptr) {
        begin();
        menu_bar = new MenuBar(0, 0, w(), kMenuBarHeight);
        end();
        Fl_Group::current(nullptr);
        menu_bar->box(FL_FLAT_BOX);
        menu_bar->clear_visible_focus();
        layout_children();
    } else if (!menu_bar->visible()) {
        menu_bar->show();
        layout_children();
    }

    std::vector<std::string> labels;
    for (const MenuItem& top : bar->items) {
        labels.push_back(top.text);
        if ((top.flags & mf::popup) && top.popup != nullptr)
            for (const MenuItem& item : top.popup->items) labels.push_back(item.text);
    }
    bool same_labels = labels == labels_;
    if (!same_labels) labels_ = std::move(labels);
    std::vector<Fl_Menu_Item> items = build_items(bar);
    if (same_labels && items.size() == items_.size()) {
        // Only states changed: update in place, since an open menu or a running callback may
        // hold pointers to the current items.
        for (std::size_t i = 0; i < items.size(); ++i) items_[i].flags = items[i].flags;
    } else {
        items_ = std::move(items);
        menu_bar->menu(items_.data());
    }
    menu_bar->redraw();
}

std::vector<Fl_Menu_Item> NativeWindow::build_items(Menu bar) const {
    std::vector<Fl_Menu_Item> items;
    std::size_t label = 0;
    auto make_item = [&](const MenuItem& source) {
        Fl_Menu_Item item{};
        item.text = labels_[label++].c_str();
        item.labeltype_ = menu_label_type();
        item.labelsize_ = FL_NORMAL_SIZE;
        item.labelcolor_ = FL_FOREGROUND_COLOR;
        item.callback_ = menu_item_chosen;
        item.user_data_ = reinterpret_cast<void*>(static_cast<WParam>(source.id));
        if (source.flags & (mf::grayed | mf::disabled)) item.flags |= FL_MENU_INACTIVE;
        if (source.flags & mf::checked) item.flags |= FL_MENU_TOGGLE | FL_MENU_VALUE;
        return item;
    };
    for (const MenuItem& top : bar->items) {
        if (top.flags & mf::separator) {
            ++label;
            continue;
        }
        Fl_Menu_Item title = make_item(top);
        title.labeltype_ = FL_NORMAL_LABEL;
        if (!(top.flags & mf::popup) || top.popup == nullptr) {
            items.push_back(title);
            continue;
        }
        title.callback_ = nullptr;
        title.user_data_ = nullptr;
        title.flags |= FL_SUBMENU;
        items.push_back(title);
        std::size_t first = items.size();
        for (const MenuItem& item : top.popup->items) {
            if (item.flags & mf::separator) {
                ++label;
                // FLTK draws a divider under an item rather than as an item of its own.
                if (items.size() > first) items.back().flags |= FL_MENU_DIVIDER;
                continue;
            }
            items.push_back(make_item(item));
        }
        items.push_back(Fl_Menu_Item{});  // end of the submenu
    }
    items.push_back(Fl_Menu_Item{});  // end of the bar
    return items;
}

}  // namespace desktop
}  // namespace plat
