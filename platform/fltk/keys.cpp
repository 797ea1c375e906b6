// Key translation: FLTK key codes onto the original platform's virtual-key codes, one table, and
// the characters that X key presses type.
#include "platform/fltk/keys.h"

#include <FL/Enumerations.H>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace plat {
namespace fltk {
namespace {

struct KeyPair {
    int fltk;
    int vk;
};

constexpr KeyPair kSpecialKeys[] = {
    {FL_BackSpace, 8},  {FL_Tab, 9},        {FL_Enter, 13},     {FL_KP_Enter, 13},
    {FL_Pause, 19},     {FL_Caps_Lock, 20}, {FL_Escape, 27},    {' ', 32},
    {FL_Page_Up, 33},   {FL_Page_Down, 34}, {FL_End, 35},       {FL_Home, 36},
    {FL_Left, 37},      {FL_Up, 38},        {FL_Right, 39},     {FL_Down, 40},
    {FL_Print, 44},     {FL_Insert, 45},    {FL_Delete, 46},    {FL_Shift_L, 16},
    {FL_Shift_R, 16},   {FL_Control_L, 17}, {FL_Control_R, 17}, {FL_Alt_L, 18},
    {FL_Alt_R, 18},     {FL_Meta_L, 91},    {FL_Meta_R, 92},    {FL_Menu, 93},
    {FL_KP + '*', 106}, {FL_KP + '+', 107}, {FL_KP + ',', 108}, {FL_KP + '-', 109},
    {FL_KP + '.', 110}, {FL_KP + '/', 111}, {FL_Num_Lock, 144}, {FL_Scroll_Lock, 145},
    {';', 186},         {'=', 187},         {',', 188},         {'-', 189},
    {'.', 190},         {'/', 191},         {'`', 192},         {'[', 219},
    {'\\', 220},        {']', 221},         {'\'', 222},
};

// The keypad's navigation keysyms (NumLock off), XK_KP_Home 0xff95 to XK_KP_Delete 0xff9f, give
// the cursor keys' codes, as on the original platform.
constexpr int kKeypadHome = 0xff95;
constexpr int kKeypadNavigation[] = {36, 37, 38, 39, 40, 33, 34, 35, 12, 45, 46};

}  // namespace

int virtual_key(int key, int original) {
    if (original >= kKeypadHome && original < kKeypadHome + 11)
        return kKeypadNavigation[original - kKeypadHome];
    if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
    if (key >= '0' && key <= '9') return key;
    if (key >= FL_KP + '0' && key <= FL_KP + '9') return 96 + (key - FL_KP - '0');
    if (key > FL_F && key <= FL_F + 24) return 111 + (key - FL_F);
    for (const KeyPair& pair : kSpecialKeys)
        if (pair.fltk == key) return pair.vk;
    return 0;
}

int typed_character(const char* text, int length) {
    if (text == nullptr || length <= 0) return -1;
    const auto* u = reinterpret_cast<const unsigned char*>(text);
    if (u[0] < 0x80) return u[0];
    // A two-byte UTF-8 sequence for U+0080..U+00FF becomes its Latin-1 byte.
    if (length >= 2 && (u[0] & 0xE0) == 0xC0 && (u[1] & 0xC0) == 0x80) {
        int code = ((u[0] & 0x1F) << 6) | (u[1] & 0x3F);
        if (code < 256) return code;
    }
    return -1;
}

int character_without_ctrl(const XEvent* event) {
    if (event == nullptr || event->type != KeyPress) return -1;
    XKeyEvent key = event->xkey;
    key.state &= ~static_cast<unsigned>(ControlMask);
    char text[8];
    KeySym keysym = NoSymbol;
    // XLookupString types Latin-1 keysyms as their Latin-1 bytes, whatever the locale.
    int length = XLookupString(&key, text, sizeof text, &keysym, nullptr);
    return length >= 1 ? static_cast<unsigned char>(text[0]) : -1;
}

}  // namespace fltk
}  // namespace plat
