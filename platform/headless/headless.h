// Test control of the headless backend: a virtual clock, input injection that produces the messages
// a desktop would, and inspection of windows, menus and surfaces. No display is needed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/gdi.h"
#include "platform/platform.h"

namespace plat::headless {

// Forgets every window, class, timer and queued message and sets the clock to 0.
void reset(int screen_width = 1024, int screen_height = 768);
// Sets the clock back to 0 and forgets the scheduled actions, the sleep count, the dialog responder
// and the injected Ctrl key, but keeps the windows, classes, menus, timers and queue: a test that
// reuses its windows from one case to the next empties the queue and re-arms the timers itself.
void reset_clock();

std::uint64_t now();
// Moves the virtual clock forward, running scheduled actions as their times come.
void advance(std::uint64_t ms);
// Runs the action when the virtual clock reaches the time (absolute, or relative to now).
void at(std::uint64_t time_ms, std::function<void()> action);
void after(std::uint64_t delay_ms, std::function<void()> action);
// How often a wait slept (the clock jumped to the next timer or scheduled input).
std::uint64_t sleep_count();

// Input, delivered as the desktop delivers it. A key-down carries the character that the key
// produces by the platform's rule (key_character) from the character the layout would type for it
// (-1 for none) and whether Ctrl is held, that is, between key_down and key_up of vk::control.
void key_down(Window window, int vk, int character = -1);
void key_up(Window window, int vk);
// One character key: key-down with the key's code and the character, then key-up. Enter ('\r' or
// '\n'), Tab, Backspace and Escape use their own keys.
void type_char(Window window, char c);
void type_text(Window window, const std::string& text);
// Ctrl held around one key: key-down 17, key-down vk (with its control character for letters),
// key-up vk, key-up 17.
void ctrl_key(Window window, int vk);
void click(Window window, int client_x, int client_y);
// The rest of the mouse: buttons 1 left, 2 right, 3 middle pressed or released, motion with the
// buttons held (mk flags), the wheel turned by `delta` (120 a notch, positive away from the user).
void mouse_button(Window window, int button, bool down, int client_x, int client_y);
void mouse_move(Window window, int client_x, int client_y, std::uint32_t held = 0);
void mouse_wheel(Window window, int client_x, int client_y, int delta);
bool choose_menu(Window window, std::uint32_t command);
// The close box: the window is destroyed.
void close(Window window);

// Inspection.
Window find_window(const std::string& title);
const Surface& surface(Window window);
// How often the window's surface was put on the (virtual) screen.
std::uint64_t presentations(Window window);

// The modal dialog. While a dialog runs, the responder plays the user: it is called each time the
// dialog's loop waits for the user (first once the dialog is initialised and the messages waiting
// then are handled), until the dialog ends. Each press is handled before it returns. With no
// responder, the dialog cannot be run (-1).
class DialogControl {
  public:
    virtual ~DialogControl() = default;
    virtual Window dialog() = 0;
    virtual std::string title() = 0;
    virtual std::string item_text(int id) = 0;       // current text of a control
    virtual int focus() = 0;                         // id of the control with the focus
    virtual void type(const std::string& text) = 0;  // into the control with the focus
    virtual void press_enter() = 0;
    virtual void press_escape() = 0;
    virtual void press_close_box() = 0;
    virtual void press_button(int id) = 0;
    // Lets virtual time pass while the dialog is open (timers and paints keep flowing).
    virtual void wait(std::uint64_t ms) = 0;
};
void set_dialog_responder(std::function<void(DialogControl&)> responder);

}  // namespace plat::headless
