// The Win32 backend's rules that need neither <windows.h> nor a display, tested on their own: the
// in-memory dialog template and the character a key types without Ctrl.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace plat::win32 {

// The dialog template in the classic in-memory layout (a DLGTEMPLATE header, then one
// DLGITEMTEMPLATE per item, each on a 4-byte boundary), as 16-bit words that CreateDialogIndirect
// reads: no menu, the predefined dialog class, the title, and for each item its class atom (edit
// 0x0081, button 0x0080, static 0x0082) and text. Strings are Latin-1, written as UTF-16;
// positions and sizes stay in dialog units. The template's own font is not set, so the dialog
// uses the system font.
std::vector<std::uint16_t> dialog_template_words(const DialogTemplate& tmpl);

// What a key types without Ctrl, from the character that Windows' translation made for it (-1 for
// none) while Ctrl was held or not: with Ctrl, Windows turns the keys that type @ and A to Z, [, \,
// ], ^ and _ into the control characters 0 to 31, which are turned back here, so that
// key_character can apply the one rule that all backends share.
int character_without_ctrl(int translated, bool ctrl);

}  // namespace plat::win32
