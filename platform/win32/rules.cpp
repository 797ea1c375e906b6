// The Win32 backend's rules that need neither <windows.h> nor a display.
#include "platform/win32/rules.h"

namespace plat::win32 {
namespace {

void put_dword(std::vector<std::uint16_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint16_t>(value & 0xFFFF));
    out.push_back(static_cast<std::uint16_t>(value >> 16));
}

void put_short(std::vector<std::uint16_t>& out, int value) {
    out.push_back(static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
}

void put_string(std::vector<std::uint16_t>& out, const std::string& text) {
    for (char c : text) out.push_back(static_cast<unsigned char>(c));
    out.push_back(0);
}

// Items start on a 4-byte boundary of the template, which itself starts on one.
void align_dword(std::vector<std::uint16_t>& out) {
    if (out.size() % 2 != 0) out.push_back(0);
}

}  // namespace

std::vector<std::uint16_t> dialog_template_words(const DialogTemplate& tmpl) {
    std::vector<std::uint16_t> out;
    put_dword(out, tmpl.style);
    put_dword(out, tmpl.ex_style);
    out.push_back(static_cast<std::uint16_t>(tmpl.items.size()));
    put_short(out, tmpl.x);
    put_short(out, tmpl.y);
    put_short(out, tmpl.cx);
    put_short(out, tmpl.cy);
    out.push_back(0);  // no menu
    out.push_back(0);  // the predefined dialog class
    put_string(out, tmpl.title);
    for (const DialogItem& item : tmpl.items) {
        align_dword(out);
        put_dword(out, item.style);
        put_dword(out, item.ex_style);
        put_short(out, item.x);
        put_short(out, item.y);
        put_short(out, item.cx);
        put_short(out, item.cy);
        out.push_back(static_cast<std::uint16_t>(item.id));
        out.push_back(0xFFFF);  // a predefined class, named by its atom
        out.push_back(item.class_atom);
        put_string(out, item.text);
        out.push_back(0);  // no creation data
    }
    return out;
}

int character_without_ctrl(int translated, bool ctrl) {
    if (translated < 0) return -1;
    if (ctrl && translated < ' ') return translated + '@';
    return translated;
}

}  // namespace plat::win32
