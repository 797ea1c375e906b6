// Menus: a menu bar of popups, each a list of items with check and gray states set by command id.
#include <deque>
#include <memory>

#include "platform/backend.h"
#include "platform/platform.h"

namespace plat {
namespace {

std::deque<std::unique_ptr<MenuRec>>& menus() {
    static std::deque<std::unique_ptr<MenuRec>> all;
    return all;
}

Menu make_menu(bool popup) {
    menus().push_back(std::make_unique<MenuRec>());
    menus().back()->is_popup = popup;
    return menus().back().get();
}

// The texts and kinds of a menu and its popups, in order.
void describe(Menu menu, std::vector<std::string>& shape, int depth) {
    if (menu == nullptr || depth > 8) return;
    for (const MenuItem& item : menu->items) {
        char kind = (item.flags & mf::separator) ? '-' : (item.flags & mf::popup) ? '>' : ' ';
        shape.push_back(kind + item.text);
        if ((item.flags & mf::popup) && item.popup != nullptr) {
            describe(item.popup, shape, depth + 1);
            shape.push_back("<");
        }
    }
}

}  // namespace

bool MenuShape::changed(Menu bar) {
    std::vector<std::string> shape{"bar"};
    describe(bar, shape, 0);
    if (shape == shape_) return false;
    shape_ = std::move(shape);
    return true;
}

void reset_menus() {
    menus().clear();
}

namespace {

MenuItem* find_item(Menu menu, std::uint32_t id) {
    if (menu == nullptr) return nullptr;
    for (auto& item : menu->items) {
        if (item.flags & mf::popup) {
            if (MenuItem* inner = find_item(item.popup, id)) return inner;
        } else if (!(item.flags & mf::separator) && item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

void notify_windows_using(Menu menu) {
    for (Window w : all_windows()) {
        Menu bar = window_record(w)->menu;
        if (bar == nullptr) continue;
        bool uses = bar == menu;
        for (const auto& item : bar->items)
            if (item.popup == menu) uses = true;
        if (uses) backend().menu_changed(w);
    }
}

}  // namespace

Menu create_menu() {
    return make_menu(false);
}
Menu create_popup_menu() {
    return make_menu(true);
}

bool append_menu(Menu menu, std::uint32_t flags, WParam id, const char* text) {
    if (menu == nullptr) return false;
    MenuItem item;
    item.flags = flags;
    if (flags & mf::popup) {
        item.popup = reinterpret_cast<Menu>(id);
    } else if (!(flags & mf::separator)) {
        item.id = static_cast<std::uint32_t>(id);
    }
    if (text != nullptr && !(flags & mf::separator)) item.text = text;
    menu->items.push_back(item);
    return true;
}

bool set_menu(Window w, Menu menu) {
    if (!is_window(w)) return false;
    WindowRec& r = *window_record(w);
    r.menu = menu;
    Rect client = backend().client_area(r);
    if (!r.creating) set_window_geometry(w, r.outer, client);
    backend().menu_changed(w);
    return true;
}

bool draw_menu_bar(Window w) {
    if (!is_window(w)) return false;
    backend().menu_changed(w);
    return true;
}

int check_menu_item(Menu menu, std::uint32_t id, std::uint32_t check) {
    MenuItem* item = find_item(menu, id);
    if (item == nullptr) return -1;
    int previous = (item->flags & mf::checked) ? static_cast<int>(mf::checked) : 0;
    if (check & mf::checked)
        item->flags |= mf::checked;
    else
        item->flags &= ~static_cast<std::uint32_t>(mf::checked);
    notify_windows_using(menu);
    return previous;
}

Menu get_menu(Window w) {
    return is_window(w) ? window_record(w)->menu : nullptr;
}

std::vector<MenuItemInfo> menu_items(Menu menu) {
    std::vector<MenuItemInfo> out;
    if (menu == nullptr) return out;
    for (const auto& item : menu->items) {
        MenuItemInfo info;
        info.text = item.text;
        info.id = item.id;
        info.separator = (item.flags & mf::separator) != 0;
        info.grayed = (item.flags & (mf::grayed | mf::disabled)) != 0;
        info.checked = (item.flags & mf::checked) != 0;
        info.popup = item.popup;
        out.push_back(info);
    }
    return out;
}

bool choose_menu_command(Window w, std::uint32_t id) {
    if (!is_window(w) || !window_record(w)->enabled) return false;
    MenuItem* item = find_item(window_record(w)->menu, id);
    if (item == nullptr || (item->flags & (mf::grayed | mf::disabled))) return false;
    return post_message(w, wm::command, id, 0);
}

}  // namespace plat
