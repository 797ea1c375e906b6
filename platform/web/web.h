// Internals of the web backend, shared by its source files.
#pragma once

#include <memory>
#include <string>

#include "platform/backend.h"

namespace plat {
namespace web {

// The frame the page draws around a window's client area (page.js draws the same): a border, a
// caption bar, and a menu bar for a window with a menu.
constexpr int kFrameBorder = 1;
constexpr int kCaption = 24;
constexpr int kMenuBar = 24;

// Makes and shows the native side of a modal dialog (an HTML dialog on the page).
std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window dialog,
                                            Window owner);
// What the user did in the open dialog, as page.js reports it: 0 a button (with its id), 1 Enter,
// 2 Escape, 3 the close box.
void dialog_input(int kind, int item_id);

// Appends text as a JSON string for the page.
void append_json_string(std::string& out, const std::string& text);

}  // namespace web
}  // namespace plat
