// Internals of the Win32 backend, shared by its source files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace plat {

// The Win32 side of one platform window: the native window and its menu bar.
class NativeWindow {
  public:
    explicit NativeWindow(Window record) : rec(record) {}
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;
    ~NativeWindow();

    // Brings the native menu bar in step with the window's menu records.
    void update_menu();

    Window rec;
    HWND hwnd = nullptr;
    HMENU menu = nullptr;
    // The menu's shape when it was built: a change in it rebuilds the menu, a change in check
    // marks or gray state only updates its items.
    MenuShape menu_shape;
    // How many times the surface has been put on the screen (the end-to-end tests' probe reads
    // it).
    std::uint64_t presented = 0;
    // Device pixels to a logical one, from the window's DPI (see scale_for_dpi).
    int scale = 1;
};

namespace win32 {

// The native window procedure of every platform window.
LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// The platform window behind a native one; null for any other window (a dialog, its controls, a
// menu).
NativeWindow* native_of(HWND hwnd);
// The native side of a platform window; null when it has none or the handle is dead.
NativeWindow* native_of(Window window);
// The Win32 class for a platform class name, registered on first use.
const wchar_t* native_class(const std::string& name);
// Shows the window's client surface in the paint context: a 32-bit top-down DIB, each pixel a
// scale x scale block.
void present(const WindowRec& window, HDC dc, const RECT& area, int scale);

// High-density screens. The program declares itself aware of each monitor's density (its
// manifest says so too, for traffic.exe), so Windows never stretches its windows; the backend
// scales them itself by a whole number: the DPI over 96, rounded down, never below 1.
void declare_dpi_awareness();
int scale_for_dpi(unsigned dpi);
// The DPI of a window, or of the system for none.
unsigned dpi_of(HWND hwnd);
// Device to logical coordinates (a device pixel inside a logical pixel's block is that pixel).
inline int to_logical(int device, int scale) {
    return device >= 0 ? device / scale : -((-device + scale - 1) / scale);
}

// Posts the key message for a native key-down or key-up taken from the queue. For a key-down the
// character comes from Windows' own translation (TranslateMessage), filtered by key_character.
void post_key(Window window, const MSG& msg);

// Makes and shows the native side of a modal dialog.
std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window dialog,
                                            Window owner);
// The modal dialog that is running, if any: it sees the native messages first.
class Win32Dialog;
Win32Dialog* active_dialog();
// True when the dialog took the message (its keys, Enter and Escape).
bool dialog_takes(Win32Dialog& dialog, MSG& msg);

// Latin-1 to UTF-16 and back; characters outside Latin-1 become '?'.
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

// Moves what arrived in the native queue into the core's; never blocks.
void pump();

}  // namespace win32
}  // namespace plat
