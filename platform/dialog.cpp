// The modal dialog: its loop and the template's rules, the same on every backend. The backend
// shows the native dialog and reports what the user does in it (NativeDialog, DialogUser).
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/backend.h"
#include "platform/platform.h"

namespace plat {
namespace {

// The command that Escape and the close box send; the procedure decides what it means.
constexpr int kCancelCommand = 2;

class RunningDialog final : public DialogUser {
  public:
    RunningDialog(const DialogTemplate& tmpl, Window window, DialogProc proc)
        : tmpl_(tmpl), window_(window), proc_(proc) {}

    // Shows the dialog and runs it until its procedure calls end_dialog; -1 when the backend
    // cannot show it.
    LResult run(Window owner, LParam init);

    Window window() const { return window_; }
    void end(LResult result) {
        ended_ = true;
        result_ = result;
    }
    std::string item_text(int id) const {
        const DialogItem* item = find(id);
        if (item == nullptr) return std::string();
        if (item->class_atom == dlg::edit && native_ != nullptr) return native_->edit_text(id);
        return item->text;
    }

    void button_pressed(int id) override {
        const DialogItem* item = find(id);
        if (item != nullptr && item->class_atom == dlg::button) command(id);
    }
    // Enter presses the default push button, in a multi-line edit too (none of ours wants Enter
    // for a new line).
    void enter_pressed() override {
        for (const auto& item : tmpl_.items) {
            if (item.class_atom == dlg::button && (item.style & 0xF) == bs::def_push_button) {
                command(item.id);
                return;
            }
        }
    }
    void escape_pressed() override { command(kCancelCommand); }
    void close_box_pressed() override { command(kCancelCommand); }

  private:
    const DialogItem* find(int id) const {
        for (const auto& item : tmpl_.items)
            if (item.id == id) return &item;
        return nullptr;
    }
    void command(int id) {
        if (ended_) return;
        proc_(window_, wm::command, static_cast<WParam>(id & 0xFFFF), 0);
    }

    const DialogTemplate& tmpl_;
    Window window_;
    DialogProc proc_;
    std::unique_ptr<NativeDialog> native_;
    bool ended_ = false;
    LResult result_ = 0;
};

// The dialogs being run, innermost last.
std::vector<RunningDialog*>& running() {
    static std::vector<RunningDialog*> dialogs;
    return dialogs;
}

RunningDialog* find_running(Window window) {
    if (!is_window(window)) return nullptr;
    for (RunningDialog* d : running())
        if (d->window() == window) return d;
    return nullptr;
}

LResult RunningDialog::run(Window owner, LParam init) {
    native_ = backend().create_dialog(tmpl_, window_, owner);
    if (native_ == nullptr) return -1;
    window_record(window_)->visible = true;
    running().push_back(this);
    // A procedure that answers TRUE leaves the focus to the dialog: the first control with a tab
    // stop takes it.
    if (proc_(window_, wm::init_dialog, 0, init) != 0) {
        auto first = std::find_if(tmpl_.items.begin(), tmpl_.items.end(),
                                  [](const DialogItem& item) { return item.style & ws::tab_stop; });
        if (first != tmpl_.items.end()) native_->set_focus(first->id);
    }
    while (!ended_) {
        // The other windows keep their timers, paints and posted messages; the core drops the
        // disabled owner's input.
        if (pump_one_message()) continue;
        // What the other windows drew goes on the screen before the dialog's loop sleeps.
        present_changes(true, next_timer_due());
        native_->wait_for_user(next_timer_due(), *this);
    }
    running().erase(std::find(running().begin(), running().end(), this));
    native_.reset();
    return result_;
}

}  // namespace

void DialogActions::report(DialogUser& user) {
    while (!actions_.empty()) {
        Action action = actions_.front();
        actions_.pop_front();
        switch (action.kind) {
            case Kind::button:
                user.button_pressed(action.id);
                break;
            case Kind::enter:
                user.enter_pressed();
                break;
            case Kind::escape:
                user.escape_pressed();
                break;
            case Kind::close_box:
                user.close_box_pressed();
                break;
        }
    }
}

LResult dialog_box(const DialogTemplate& tmpl, Window owner, DialogProc proc, LParam init) {
    if (proc == nullptr) return -1;
    auto record = std::make_unique<WindowRec>();
    record->class_name = "#32770";
    record->title = tmpl.title;
    record->style = tmpl.style;
    record->parent = owner;
    record->unpresented = false;  // the native dialog shows itself; it has no surface to present
    Window window = add_window_record(std::move(record));
    // The owner takes no input from the user while the dialog runs.
    WindowRec* owner_record = is_window(owner) ? window_record(owner) : nullptr;
    bool owner_enabled = owner_record != nullptr && owner_record->enabled;
    if (owner_record != nullptr) owner_record->enabled = false;
    RunningDialog dialog(tmpl, window, proc);
    LResult result = dialog.run(owner, init);
    // The owner may have ended while the dialog ran.
    owner_record = is_window(owner) ? window_record(owner) : nullptr;
    if (owner_record != nullptr) owner_record->enabled = owner_enabled || owner_record->enabled;
    remove_window_record(window);
    return result;
}

int get_dlg_item_text(Window dialog, int item_id, char* buffer, int buffer_size) {
    RunningDialog* running_dialog = find_running(dialog);
    if (running_dialog == nullptr || buffer == nullptr || buffer_size <= 0) return 0;
    std::string text = running_dialog->item_text(item_id);
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(buffer_size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

bool end_dialog(Window dialog, LResult result) {
    RunningDialog* running_dialog = find_running(dialog);
    if (running_dialog == nullptr) return false;
    running_dialog->end(result);
    return true;
}

// The system font's average character width and height, as on the classic platform at 96 dpi.
int dialog_base_unit_x() {
    return 8;
}
int dialog_base_unit_y() {
    return 16;
}

Rect dialog_units_to_pixels(int x, int y, int cx, int cy) {
    int left = x * dialog_base_unit_x() / 4, top = y * dialog_base_unit_y() / 8;
    return Rect{left, top, left + cx * dialog_base_unit_x() / 4,
                top + cy * dialog_base_unit_y() / 8};
}

}  // namespace plat
