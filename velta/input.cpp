// Input for games: the further event kinds a program may ask for (key presses and releases of
// every key, mouse motion, the other buttons, releases, the wheel), the record that carries all
// of an event, and the state of the keys, buttons and mouse that the events returned so far left.
// A program that asks for nothing gets exactly the four classic kinds, and records exactly the
// classic script lines.
#include "library_state.h"
#include "velta/velta.h"

namespace {

int button_bit(int button) {
    switch (button) {
        case VELTA_BUTTON_LEFT:
            return VELTA_BUTTON_LEFT_HELD;
        case VELTA_BUTTON_RIGHT:
            return VELTA_BUTTON_RIGHT_HELD;
        case VELTA_BUTTON_MIDDLE:
            return VELTA_BUTTON_MIDDLE_HELD;
        default:
            return 0;
    }
}

}  // namespace

int velta_set_input(int flags) {
    VeltaState& s = velta_state;
    if (s.graphics == nullptr) return 0;
    s.input_flags = flags & (VELTA_INPUT_KEYS | VELTA_INPUT_MOUSE);
    return 1;
}

void velta_note_input(int kind) {
    VeltaState& s = velta_state;
    switch (kind) {
        case EVENT_KEY_DOWN:
        case EVENT_KEY_UP:
            s.keys_down[s.pending_code & 0xFF] = kind == EVENT_KEY_DOWN ? 1 : 0;
            break;
        case EVENT_MOUSE:
        case EVENT_BUTTON_DOWN:
            s.buttons_held |=
                button_bit(kind == EVENT_MOUSE ? VELTA_BUTTON_LEFT : s.pending_button);
            s.mouse_x = s.pending_x;
            s.mouse_y = s.pending_y;
            break;
        case EVENT_BUTTON_UP:
            s.buttons_held &= ~button_bit(s.pending_button);
            s.mouse_x = s.pending_x;
            s.mouse_y = s.pending_y;
            break;
        case EVENT_MOUSE_MOVE:
            s.buttons_held = s.pending_button;
            s.mouse_x = s.pending_x;
            s.mouse_y = s.pending_y;
            break;
        case EVENT_WHEEL:
            s.mouse_x = s.pending_x;
            s.mouse_y = s.pending_y;
            break;
        default:
            break;
    }
}

int velta_next_input(VeltaEvent* event) {
    int x = 0, y = 0;
    char key = 0;
    int kind = velta_wait_event(&x, &y, &key);
    if (event != nullptr) {
        const VeltaState& s = velta_state;
        *event = VeltaEvent{};
        event->kind = kind;
        event->x = x;
        event->y = y;
        event->key = key;
        event->code = s.pending_code;
        event->button = kind == EVENT_MOUSE ? VELTA_BUTTON_LEFT : s.pending_button;
        event->modifiers = s.pending_mods;
    }
    return kind;
}

int velta_key_is_down(int code) {
    return code >= 0 && code < 256 && velta_state.keys_down[code] ? 1 : 0;
}

int velta_button_is_down(int button) {
    int bit = button_bit(button);
    return bit != 0 && (velta_state.buttons_held & bit) ? 1 : 0;
}

void velta_mouse_position(int* x, int* y) {
    if (x != nullptr) *x = velta_state.mouse_x;
    if (y != nullptr) *y = velta_state.mouse_y;
}
