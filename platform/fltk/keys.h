// Translation of FLTK key events into the library's virtual-key codes and typed characters.
#pragma once

union _XEvent;

namespace plat {
namespace fltk {

// The virtual-key code of a key, from FLTK's key code and the keysym before NumLock translation
// (Fl::event_key() and Fl::event_original_key()). Returns 0 for keys that have no code.
int virtual_key(int fltk_key, int original_key);

// The 8-bit character that a key-down produced, from the event text (UTF-8), or -1 for none.
// Code points above 255 have no 8-bit character.
int typed_character(const char* text, int length);

// The Latin-1 character that an X key press would type if Ctrl were not held (Shift and AltGr
// still apply), or -1 for none. With Ctrl held X types control codes itself, and by rules of its
// own; the platform's rule (key_character) wants the layout's character instead.
int character_without_ctrl(const _XEvent* event);

}  // namespace fltk
}  // namespace plat
