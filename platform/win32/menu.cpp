// The native menu bar, built from the window's menu records: the texts keep their & mnemonics and
// their tab-separated shortcut texts, which Windows shows right-aligned; check marks and gray
// state follow the records. No accelerator table is made, so Ctrl+letters stay key messages.
#include "platform/win32/win32.h"

namespace plat {
namespace {

constexpr std::uint32_t kStateFlags = mf::grayed | mf::disabled | mf::checked;

HMENU build(Menu menu, bool popup, int depth) {
    HMENU native = popup ? CreatePopupMenu() : CreateMenu();
    if (native == nullptr || depth > 8) return native;
    for (const MenuItem& item : menu->items) {
        if (item.flags & mf::separator) {
            AppendMenuW(native, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::wstring text = win32::widen(item.text);
        UINT flags = MF_STRING | (item.flags & kStateFlags);
        if ((item.flags & mf::popup) && item.popup != nullptr) {
            HMENU inner = build(item.popup, true, depth + 1);
            AppendMenuW(native, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(inner), text.c_str());
        } else {
            AppendMenuW(native, flags, item.id, text.c_str());
        }
    }
    return native;
}

// Check marks and gray state by position, in the same walk as build.
void update_states(Menu menu, HMENU native, int depth) {
    if (menu == nullptr || native == nullptr || depth > 8) return;
    UINT position = 0;
    for (const MenuItem& item : menu->items) {
        if (!(item.flags & mf::separator)) {
            CheckMenuItem(native, position,
                          MF_BYPOSITION | ((item.flags & mf::checked) ? MF_CHECKED : MF_UNCHECKED));
            EnableMenuItem(native, position,
                           MF_BYPOSITION | (item.flags & (mf::grayed | mf::disabled)));
            if ((item.flags & mf::popup) && item.popup != nullptr)
                update_states(item.popup, GetSubMenu(native, static_cast<int>(position)),
                              depth + 1);
        }
        ++position;
    }
}

}  // namespace

void NativeWindow::update_menu() {
    if (hwnd == nullptr) return;
    const WindowRec* r = window_record(rec);
    Menu bar = r != nullptr ? r->menu : nullptr;
    if (bar == nullptr) {
        if (menu != nullptr) {
            SetMenu(hwnd, nullptr);
            DestroyMenu(menu);
            menu = nullptr;
            menu_shape.forget();
            DrawMenuBar(hwnd);
        }
        return;
    }
    if (!menu_shape.changed(bar) && menu != nullptr) {
        update_states(bar, menu, 0);
    } else {
        HMENU old = menu;
        menu = build(bar, false, 0);
        SetMenu(hwnd, menu);
        if (old != nullptr) DestroyMenu(old);
    }
    DrawMenuBar(hwnd);
}

}  // namespace plat
