// The FLTK window of a platform window: its close box, keys, size and menu bar.
#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>

#include "platform/fltk/fltk.h"
#include "platform/fltk/keys.h"

namespace plat {
namespace {

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

}  // namespace

NativeWindow::NativeWindow(Window record, int x, int y, int w, int h)
    : Fl_Window(x, y, w, h), rec(record) {
    const WindowRec& r = *window_record(record);
    copy_label(r.title.c_str());
    canvas = new fltk::Canvas(*this, 0, 0, w, h);
    end();
    Fl_Group::current(nullptr);
    callback(close_box_pressed);
    if (r.style & ws::thick_frame)
        size_range(100 * fltk::scale(), 50 * fltk::scale());
    else
        size_range(w, h, w, h);
    color(FL_WHITE);
}

NativeWindow::~NativeWindow() = default;

void NativeWindow::layout_children() {
    int top = 0;
    if (menu_bar != nullptr && menu_bar->visible()) {
        menu_bar->resize(0, 0, w(), fltk::kMenuBarHeight * fltk::scale());
        top = fltk::kMenuBarHeight * fltk::scale();
    }
    canvas->resize(0, top, w(), std::max(0, h() - top));
    redraw();
}

void NativeWindow::resize(int x, int y, int w, int h) {
    bool sized = w != this->w() || h != this->h();
    bool moved = x != this->x() || y != this->y();
    Fl_Window::resize(x, y, w, h);
    if (sized) layout_children();
    if (sized || moved) native_moved(rec);
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
    if (event == FL_SHOW && window_record(rec) != nullptr)
        fltk::set_wm_hints(*this, window_record(rec)->style);
    if (event == FL_SHOW || event == FL_FOCUS) {
        int handled = Fl_Window::handle(event);
        if (Fl::focus() == nullptr || Fl::focus() == this) Fl::focus(canvas);
        return handled;
    }
    return Fl_Window::handle(event);
}

void NativeWindow::fix_size(int width, int height) {
    size_range(width, height, width, height);
    if (const WindowRec* r = window_record(rec)) fltk::set_wm_hints(*this, r->style);
}

bool NativeWindow::post_key(bool down) {
    int key = Fl::event_key();
    // Alt combinations are system keys: they open the menu and are not key messages.
    if (Fl::event_state(FL_ALT) || key == FL_Alt_L || key == FL_Alt_R) return false;
    const WindowRec* r = window_record(rec);
    if (r == nullptr || !r->enabled) return true;
    int vk = fltk::virtual_key(key, Fl::event_original_key());
    if (down) {
        // The platform's rule decides which keys type a character: Delete, the cursor keys and
        // the function keys type none, although X has text for some of them.
        bool ctrl = Fl::event_state(FL_CTRL) != 0;
        int layout = ctrl ? fltk::character_without_ctrl(fl_xevent)
                          : fltk::typed_character(Fl::event_text(), Fl::event_length());
        int ch = key_character(vk, layout, ctrl);
        if (vk == 0 && ch < 0) return true;
        post_input(Message{rec, wm::key_down, static_cast<WParam>(vk), make_key_lparam(ch)});
    } else {
        if (vk == 0) return true;
        post_input(Message{rec, wm::key_up, static_cast<WParam>(vk), make_key_up_lparam()});
    }
    return true;
}

void NativeWindow::update_menu() {
    const WindowRec* r = window_record(rec);
    Menu bar = r != nullptr ? r->menu : nullptr;
    if (bar == nullptr) {
        if (menu_bar != nullptr && menu_bar->visible()) {
            menu_bar->hide();
            layout_children();
        }
        return;
    }
    if (menu_bar == nullptr) {
        begin();
        menu_bar = new fltk::MenuBar(0, 0, w(), fltk::kMenuBarHeight * fltk::scale());
        end();
        Fl_Group::current(nullptr);
        menu_bar->box(FL_FLAT_BOX);
        menu_bar->clear_visible_focus();
        layout_children();
    } else if (!menu_bar->visible()) {
        menu_bar->show();
        layout_children();
    }

    bool rebuild = menu_shape_.changed(bar);
    if (rebuild) {
        // The items' texts live here, for as long as the items that point at them.
        labels_.clear();
        for (const MenuItem& top : bar->items) {
            labels_.push_back(top.text);
            if ((top.flags & mf::popup) && top.popup != nullptr)
                for (const MenuItem& item : top.popup->items) labels_.push_back(item.text);
        }
    }
    std::vector<Fl_Menu_Item> items = build_items(bar);
    if (!rebuild && items.size() == items_.size()) {
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
        item.labeltype_ = fltk::menu_label_type();
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

}  // namespace plat
