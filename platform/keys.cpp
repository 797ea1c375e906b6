// Which key-downs produce a character message, and which character: the original platform's rule,
// kept in one place so that every backend delivers the same messages for the same keys.
#include "platform/platform.h"

namespace plat {
namespace {

// The keys that can produce a character. Code 0 is a key that the backend could not name but that
// typed something; the character decides.
bool is_character_key(int vk) {
    return vk == 0 || vk == vk::back || vk == vk::tab || vk == vk::enter || vk == vk::escape ||
           vk == vk::space || (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') ||
           (vk >= vk::numpad0 && vk <= vk::divide) || (vk >= vk::oem_1 && vk <= vk::oem_3) ||
           (vk >= vk::oem_4 && vk <= vk::oem_8) || vk == vk::oem_102;
}

// Ctrl with a character key: letters give 1 to 26 whatever the layout types for them; the keys
// that type @ [ \ ] ^ _ give the control characters 0 and 27 to 31 (on a US layout Ctrl+Shift+2,
// Ctrl+[, Ctrl+\, Ctrl+], Ctrl+Shift+6, Ctrl+Shift+-); Space stays a space. Any other key,
// digits and the keypad included, gives none.
int control_character(int vk, int character) {
    if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 1;
    if (vk == vk::space) return ' ';
    if (vk >= vk::numpad0 && vk <= vk::divide) return -1;
    switch (character) {
        case '@':
            return 0;
        case '[':
            return 27;
        case '\\':
            return 28;
        case ']':
            return 29;
        case '^':
            return 30;
        case '_':
            return 31;
        default:
            return -1;
    }
}

}  // namespace

int key_character(int vk, int character, bool ctrl) {
    if (!is_character_key(vk)) return -1;
    // These four always type their control code, whatever the layout reports; Ctrl changes two.
    switch (vk) {
        case vk::back:
            return ctrl ? 127 : 8;
        case vk::tab:
            return ctrl ? -1 : 9;
        case vk::enter:
            return ctrl ? 10 : 13;
        case vk::escape:
            return 27;
        default:
            break;
    }
    if (ctrl) return control_character(vk, character);
    // Without Ctrl only printable characters come from the other keys: no control codes and no
    // DEL (127), which only Ctrl+Backspace types.
    if (character < ' ' || character > 255 || character == 127) return -1;
    return character;
}

}  // namespace plat
