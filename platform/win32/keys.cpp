// Keys: Windows' virtual-key codes are the platform's own; the character of a key-down is the one
// that Windows' translation (TranslateMessage) makes, passed through the one rule of all backends
// (key_character). Alt combinations are system keys (WM_SYSKEYDOWN) and never come here: they
// open the menu.
#include "platform/win32/rules.h"
#include "platform/win32/win32.h"

namespace plat {
namespace win32 {

void post_key(Window window, const MSG& msg) {
    const int vk = static_cast<int>(msg.wParam);
    if (msg.message == WM_KEYUP) {
        post_input(Message{window, wm::key_up, static_cast<WParam>(vk), make_key_up_lparam()});
        return;
    }
    // AltGr is Ctrl and Alt together: the characters it types are not Ctrl characters.
    const bool ctrl =
        (GetKeyState(VK_CONTROL) & 0x8000) != 0 && (GetKeyState(VK_MENU) & 0x8000) == 0;
    TranslateMessage(&msg);
    // The translation is posted at once, ahead of any later input: take it now.
    int translated = -1;
    MSG typed;
    if (PeekMessageW(&typed, msg.hwnd, WM_CHAR, WM_CHAR, PM_REMOVE))
        translated = static_cast<int>(typed.wParam & 0xFFFF);
    while (PeekMessageW(&typed, msg.hwnd, WM_DEADCHAR, WM_DEADCHAR, PM_REMOVE)) {
    }
    int character = key_character(vk, character_without_ctrl(translated, ctrl), ctrl);
    post_input(Message{window, wm::key_down, static_cast<WParam>(vk), make_key_lparam(character)});
}

}  // namespace win32
}  // namespace plat
