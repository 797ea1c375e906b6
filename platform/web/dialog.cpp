// The modal dialog's native side: an HTML dialog on the page, made from the template with the
// template's positions in pixels, which reports the user's buttons, Enter, Escape and close box to
// the core's dialog loop. The page keeps the program's windows from taking input while it is open.
#include <emscripten.h>

#include <cstdlib>
#include <string>

#include "platform/web/web.h"

// clang-format off
EM_JS(void, velta_web_open_dialog, (const char* json, int owner), {
    Module.velta.openDialog(JSON.parse(UTF8ToString(json)), owner);
});
EM_JS(void, velta_web_close_dialog, (), { Module.velta.closeDialog(); });
EM_JS(void, velta_web_dialog_focus, (int id), { Module.velta.dialogFocus(id); });
EM_JS(int, velta_web_dialog_text, (int id, char* out, int size), {
    const text = Module.velta.dialogText(id);
    if (size > 0) stringToUTF8(text, out, size);
    return lengthBytesUTF8(text) + 1;
});
// clang-format on

namespace plat {
namespace web {
namespace {

// UTF-8 from the page to the Latin-1 the program works in; other characters become '?'.
std::string to_latin1(const char* utf8) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p != 0;) {
        unsigned c = *p++;
        if (c >= 0x80) {
            int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
            c &= 0x3Fu >> more;
            for (int i = 0; i < more && (*p & 0xC0) == 0x80; ++i) c = (c << 6) | (*p++ & 0x3F);
        }
        out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    return out;
}

class WebDialog;
WebDialog* open_dialog = nullptr;

class WebDialog final : public NativeDialog {
  public:
    WebDialog(const DialogTemplate& t, Window owner) : outer_(open_dialog) {
        Rect frame = dialog_units_to_pixels(t.x, t.y, t.cx, t.cy);
        std::string json = "{\"title\":";
        append_json_string(json, t.title);
        json += ",\"x\":" + std::to_string(frame.left) + ",\"y\":" + std::to_string(frame.top) +
                ",\"width\":" + std::to_string(frame.width()) +
                ",\"height\":" + std::to_string(frame.height()) + ",\"items\":[";
        bool first = true;
        for (const DialogItem& item : t.items) {
            Rect box = dialog_units_to_pixels(item.x, item.y, item.cx, item.cy);
            if (!first) json += ',';
            first = false;
            const char* kind = item.class_atom == dlg::edit     ? "edit"
                               : item.class_atom == dlg::button ? "button"
                                                                : "static";
            json += "{\"id\":" + std::to_string(item.id) + ",\"kind\":\"" + kind + "\"";
            json += ",\"x\":" + std::to_string(box.left) + ",\"y\":" + std::to_string(box.top) +
                    ",\"width\":" + std::to_string(box.width()) +
                    ",\"height\":" + std::to_string(box.height()) + ",\"text\":";
            append_json_string(json, item.text);
            json += ",\"multiline\":";
            json += (item.style & es::multiline) ? "true" : "false";
            json += ",\"isDefault\":";
            json += (item.class_atom == dlg::button && (item.style & 0xF) == bs::def_push_button)
                        ? "true"
                        : "false";
            json += ",\"tabStop\":";
            json += (item.style & ws::tab_stop) ? "true" : "false";
            json += '}';
        }
        json += "]}";
        velta_web_open_dialog(json.c_str(),
                              static_cast<int>(reinterpret_cast<std::uintptr_t>(owner)));
        open_dialog = this;
    }
    ~WebDialog() override {
        velta_web_close_dialog();
        open_dialog = outer_;
    }

    void set_focus(int id) override { velta_web_dialog_focus(id); }
    std::string edit_text(int id) override {
        std::string utf8(static_cast<std::size_t>(velta_web_dialog_text(id, nullptr, 0)), '\0');
        velta_web_dialog_text(id, utf8.data(), static_cast<int>(utf8.size()));
        return to_latin1(utf8.c_str());
    }
    void wait_for_user(std::uint64_t deadline, DialogUser& user) override {
        if (actions_.empty()) {
            backend().sleep_until(deadline);
            backend().pump_native();
        }
        actions_.report(user);
    }

    DialogActions actions_;

  private:
    WebDialog* outer_;
};

}  // namespace

void dialog_input(int kind, int item_id) {
    if (open_dialog == nullptr) return;
    DialogActions& actions = open_dialog->actions_;
    switch (kind) {
        case 0:
            actions.button(item_id);
            break;
        case 1:
            actions.enter();
            break;
        case 2:
            actions.escape();
            break;
        default:
            actions.close_box();
            break;
    }
}

std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window, Window owner) {
    return std::make_unique<WebDialog>(tmpl, owner);
}

}  // namespace web
}  // namespace plat
