// The modal message dialog: a prompt, a multi-line input box and an "Okay" button. Its one use in
// the system is the error shown before the program stops.
#include <cstring>
#include <string>
#include <utility>

#include "library_state.h"
#include "velta/velta.h"

namespace {

constexpr int kPromptLength = 79;
constexpr int kReplySize = 256;
constexpr int kInputId = 102;
constexpr int kOkayId = 101;
constexpr int kPromptId = 103;

// The reply buffer of the innermost running dialog.
char* dialog_reply = nullptr;

// The prompt always takes exactly 79 characters: padded with spaces, or cut.
std::string padded_prompt(const char* prompt) {
    std::string text(kPromptLength, ' ');
    if (prompt != nullptr) {
        std::size_t n = std::strlen(prompt);
        if (n > static_cast<std::size_t>(kPromptLength)) n = kPromptLength;
        text.replace(0, n, prompt, n);
    }
    return text;
}

plat::DialogItem item(std::uint16_t class_atom, std::uint32_t style, int x, int y, int cx, int cy,
                      int id, std::string text) {
    plat::DialogItem i;
    i.class_atom = class_atom;
    i.style = plat::ws::child | plat::ws::visible | style;
    i.x = x;
    i.y = y;
    i.cx = cx;
    i.cy = cy;
    i.id = id;
    i.text = std::move(text);
    return i;
}

// The dialog's description, rebuilt on every call: positions and sizes in dialog units.
plat::DialogTemplate build_template(const char* prompt) {
    plat::DialogTemplate t;
    t.style = plat::ws::popup | plat::ws::visible | plat::ws::caption | plat::ws::sys_menu |
              plat::ds::modal_frame;
    t.x = 50;
    t.y = 50;
    t.cx = 185;
    t.cy = 92;
    t.title = "VELTA_gets";
    t.items = {
        item(plat::dlg::edit,
             plat::ws::border | plat::ws::tab_stop | plat::es::multiline | plat::es::auto_vscroll,
             8, 30, 167, 37, kInputId, ""),
        item(plat::dlg::button, plat::ws::tab_stop | plat::bs::def_push_button, 67, 74, 50, 14,
             kOkayId, "Okay"),
        item(plat::dlg::static_text, plat::ws::group | plat::ss::left, 8, 3, 167, 24, kPromptId,
             padded_prompt(prompt)),
    };
    return t;
}

}  // namespace

int velta_message(const char* prompt, char* reply) {
    plat::DialogTemplate t = build_template(prompt);
    // A dialog opened while another runs (from a window procedure inside the outer dialog's loop)
    // has a reply of its own; the outer one gets its buffer back when the inner one ends.
    char* outer_reply = dialog_reply;
    plat::LResult result = plat::dialog_box(t, velta_state.graphics, velta_message_proc,
                                            reinterpret_cast<plat::LParam>(reply));
    dialog_reply = outer_reply;  // the caller's buffer is not ours once the dialog is over
    return result == -1 ? 0 : 1;
}

plat::LResult velta_message_proc(plat::Window dialog, std::uint32_t msg, plat::WParam wparam,
                                 plat::LParam lparam) {
    switch (msg) {
        case plat::wm::init_dialog:
            dialog_reply = reinterpret_cast<char*>(lparam);
            return 1;  // the focus goes to the first control with a tab stop, the input box
        case plat::wm::command:
            if (wparam != static_cast<plat::WParam>(kOkayId)) return 0;
            if (dialog_reply != nullptr)
                plat::get_dlg_item_text(dialog, kInputId, dialog_reply, kReplySize);
            plat::end_dialog(dialog, 1);
            return 1;
        default:
            return 0;
    }
}
