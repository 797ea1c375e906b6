// The modal dialog: an FLTK window built from the dialog template, run by a loop that keeps the
// other windows' timers and paints flowing.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include <deque>
#include <memory>

#include "platform/desktop/desktop.h"

namespace plat {
namespace desktop {
namespace {

struct DialogState;

// A multi-line input box in which Enter presses the dialog's default button instead of starting a
// new line.
class DialogInput : public Fl_Multiline_Input {
  public:
    DialogInput(DialogState& state, int x, int y, int w, int h)
        : Fl_Multiline_Input(x, y, w, h), state_(state) {}
    int handle(int event) override;

  private:
    DialogState& state_;
};

// The dialog's window: its frame follows the template's style, as a platform window's does.
class DialogWindow : public Fl_Window {
  public:
    DialogWindow(std::uint32_t style, int x, int y, int w, int h)
        : Fl_Window(x, y, w, h), style_(style) {}
    int handle(int event) override {
        // Before the focus moves into the dialog (see show_with_hints).
        if (event == FL_SHOW) set_wm_hints(*this, style_);
        return Fl_Window::handle(event);
    }

  private:
    std::uint32_t style_;
};

struct DialogState {
    DialogRun* run = nullptr;
    std::unique_ptr<Fl_Window> window;
    std::map<int, Fl_Input_*> inputs;
    std::map<int, Fl_Widget*> widgets;
    int default_button = 0;
    std::deque<int> commands;  // button ids pressed, handled by the dialog loop
};

int DialogInput::handle(int event) {
    if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
        if (state_.default_button != 0) state_.commands.push_back(state_.default_button);
        return 1;
    }
    return Fl_Multiline_Input::handle(event);
}

void button_pressed(Fl_Widget* widget, void* data) {
    auto* state = static_cast<DialogState*>(data);
    state->commands.push_back(static_cast<int>(widget->argument()));
}

// Neither Escape nor the close box closes the dialog: it ends only through its procedure.
void ignore_close(Fl_Widget*, void*) {}

int to_px_x(int du) {
    return du * dialog_base_unit_x() / 4;
}
int to_px_y(int du) {
    return du * dialog_base_unit_y() / 8;
}

void build(DialogState& state) {
    const DialogTemplate& t = *state.run->tmpl;
    // Dialog positions count from the top-left corner of the owner's client area.
    int origin_x = 0, origin_y = 0;
    if (is_window(state.run->owner)) {
        Window owner = state.run->owner;
        origin_x = owner->outer.left + owner->client_in_outer.left;
        origin_y = owner->outer.top + owner->client_in_outer.top;
    }
    auto* win = new DialogWindow(t.style, origin_x + to_px_x(t.x), origin_y + to_px_y(t.y),
                                 to_px_x(t.cx), to_px_y(t.cy));
    state.window.reset(win);
    win->copy_label(t.title.c_str());
    for (const DialogItem& item : t.items) {
        int x = to_px_x(item.x), y = to_px_y(item.y), w = to_px_x(item.cx), h = to_px_y(item.cy);
        Fl_Widget* widget = nullptr;
        switch (item.class_atom) {
            case dlg::edit: {
                Fl_Input_* input = nullptr;
                if (item.style & es::multiline)
                    input = new DialogInput(state, x, y, w, h);
                else
                    input = new Fl_Input(x, y, w, h);
                input->value(item.text.c_str());
                state.inputs[item.id] = input;
                widget = input;
                break;
            }
            case dlg::button: {
                Fl_Button* button = nullptr;
                if ((item.style & 0xF) == bs::def_push_button) {
                    button = new Fl_Return_Button(x, y, w, h);
                    state.default_button = item.id;
                } else {
                    button = new Fl_Button(x, y, w, h);
                }
                button->callback(button_pressed, &state);
                button->argument(item.id);
                widget = button;
                break;
            }
            default: {
                auto* box = new Fl_Box(x, y, w, h);
                box->align(FL_ALIGN_INSIDE | FL_ALIGN_TOP | FL_ALIGN_LEFT | FL_ALIGN_WRAP);
                widget = box;
                break;
            }
        }
        if (item.class_atom != dlg::edit) widget->copy_label(item.text.c_str());
        if (!(item.style & ws::tab_stop)) widget->clear_visible_focus();
        state.widgets[item.id] = widget;
    }
    win->end();
    Fl_Group::current(nullptr);
    win->callback(ignore_close);
    win->set_modal();
    win->size_range(win->w(), win->h(), win->w(), win->h());
}

int first_tab_stop(const DialogTemplate& t) {
    for (const DialogItem& item : t.items)
        if (item.style & ws::tab_stop) return item.id;
    return 0;
}

}  // namespace

void sync_dialog_text(Window dialog) {
    if (dialog == nullptr || dialog->backend_data == nullptr) return;
    auto* state = static_cast<DialogState*>(dialog->backend_data);
    for (const auto& entry : state->inputs) {
        const char* value = entry.second->value();
        dialog->item_text[entry.first] = value != nullptr ? value : "";
    }
}

LResult run_dialog(DialogRun& run) {
    if (run.tmpl == nullptr || run.dialog == nullptr || run.dialog->dialog_proc == nullptr)
        return -1;
    DialogState state;
    state.run = &run;
    build(state);
    Window dialog = run.dialog;
    dialog->backend_data = &state;
    dialog->visible = true;
    show_with_hints(*state.window, run.tmpl->style);

    if (dialog->dialog_proc(dialog, wm::init_dialog, 0, run.init) != 0) {
        auto it = state.widgets.find(first_tab_stop(*run.tmpl));
        if (it != state.widgets.end()) it->second->take_focus();
    }
    while (!dialog->dialog_ended) {
        while (!state.commands.empty() && !dialog->dialog_ended) {
            int id = state.commands.front();
            state.commands.pop_front();
            sync_dialog_text(dialog);
            dialog->dialog_proc(dialog, wm::command, static_cast<WParam>(id & 0xFFFF), 0);
        }
        if (dialog->dialog_ended) break;
        // The other windows' messages (timers, paints, posted messages); input for the disabled
        // owner is dropped by the core.
        bool handled = false;
        for (int i = 0; i < 64 && pump_one_message(); ++i) handled = true;
        if (!handled && state.commands.empty()) backend().sleep_until(next_timer_due());
        if (!state.window->shown()) show_with_hints(*state.window, run.tmpl->style);
    }
    sync_dialog_text(dialog);
    dialog->backend_data = nullptr;
    dialog->visible = false;
    state.window->hide();
    state.window.reset();
    // Give the keyboard back to the owner's canvas.
    if (is_window(run.owner) && run.owner->backend_data != nullptr) {
        auto* owner = static_cast<NativeWindow*>(run.owner->backend_data);
        if (owner->shown()) {
            owner->show();
            Fl::focus(owner->canvas);
        }
    }
    Fl::check();
    return dialog->dialog_result;
}

}  // namespace desktop
}  // namespace plat
