// The modal message dialog: a prompt, a multi-line input box and an "Okay" button. Its one use in
// the system is the error shown before the program stops.
#include <cstring>

#include "velta/state.h"
#include "velta/velta.h"

namespace {

constexpr int kPromptLength = 79;
constexpr int kReplySize = 256;
constexpr int kInputId = 102;
constexpr int kOkayId = 101;
constexpr int kPromptId = 103;

// The reply buffer of the running dialog; one dialog runs at a time.
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

plat::DialogTemplate build_template(const char* prompt) {
    plat::DialogTemplate t;
    t.style = plat::WS_POPUP | plat::WS_VISIBLE | plat::WS_CAPTION | plat::WS_SYSMENU |
              plat::DS_MODALFRAME;
    t.x = 50;
    t.y = 50;
    t.cx = 185;
    t.cy = 92;
    t.title = "VELTA_gets";
    plat::DialogItem input;
    input.class_atom = plat::DLG_EDIT;
    input.style = plat::WS_CHILD | plat::WS_VISIBLE | plat::WS_BORDER | plat::WS_TABSTOP |
                  plat::ES_MULTILINE | plat::ES_AUTOVSCROLL;
    input.x = 8;
    input.y = 30;
    input.cx = 167;
    input.cy = 37;
    input.id = kInputId;
    plat::DialogItem button;
    button.class_atom = plat::DLG_BUTTON;
    button.style = plat::WS_CHILD | plat::WS_VISIBLE | plat::WS_TABSTOP | plat::BS_DEFPUSHBUTTON;
    button.x = 67;
    button.y = 74;
    button.cx = 50;
    button.cy = 14;
    button.id = kOkayId;
    button.text = "Okay";
    plat::DialogItem label;
    label.class_atom = plat::DLG_STATIC;
    label.style = plat::WS_CHILD | plat::WS_VISIBLE | plat::WS_GROUP | plat::SS_LEFT;
    label.x = 8;
    label.y = 3;
    label.cx = 167;
    label.cy = 24;
    label.id = kPromptId;
    label.text = padded_prompt(prompt);
    t.items = {input, button, label};
    return t;
}

}  // namespace

int velta_message(const char* prompt, char* reply) {
    plat::DialogTemplate t = build_template(prompt);
    plat::LResult result = plat::dialog_box(t, velta_state.graphics, velta_message_proc,
                                            reinterpret_cast<plat::LParam>(reply));
    return result == -1 ? 0 : 1;
}

plat::LResult velta_message_proc(plat::Window dialog, std::uint32_t msg, plat::WParam wparam,
                                 plat::LParam lparam) {
    switch (msg) {
        case plat::WM_INITDIALOG:
            dialog_reply = reinterpret_cast<char*>(lparam);
            return 1;  // the focus goes to the first control with a tab stop, the input box
        case plat::WM_COMMAND:
            if (wparam != static_cast<plat::WParam>(kOkayId)) return 0;
            if (dialog_reply != nullptr)
                plat::get_dlg_item_text(dialog, kInputId, dialog_reply, kReplySize);
            plat::end_dialog(dialog, 1);
            return 1;
        default:
            return 0;
    }
}
