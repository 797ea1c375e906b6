// The modal dialog's native side: an FLTK window built from the dialog template, which reports
// the user's buttons, Enter, Escape and close box to the core's dialog loop.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include <map>
#include <memory>

#include "platform/fltk/fltk.h"

namespace plat {
namespace fltk {
namespace {

// A multi-line input box in which Enter is reported instead of starting a new line.
class DialogInput : public Fl_Multiline_Input {
  public:
    DialogInput(DialogActions& actions, int x, int y, int w, int h)
        : Fl_Multiline_Input(x, y, w, h), actions_(actions) {}
    int handle(int event) override {
        if (event == FL_KEYBOARD &&
            (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
            actions_.enter();
            return 1;
        }
        return Fl_Multiline_Input::handle(event);
    }

  private:
    DialogActions& actions_;
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

class FltkDialog final : public NativeDialog {
  public:
    FltkDialog(const DialogTemplate& tmpl, Window owner);
    ~FltkDialog() override;

    void set_focus(int id) override {
        auto it = widgets_.find(id);
        if (it != widgets_.end()) it->second->take_focus();
    }
    std::string edit_text(int id) override {
        auto it = inputs_.find(id);
        const char* value = it != inputs_.end() ? it->second->value() : nullptr;
        return value != nullptr ? value : "";
    }
    void wait_for_user(std::uint64_t deadline, DialogUser& user) override {
        if (actions_.empty()) backend().sleep_until(deadline);
        if (!window_->shown()) show_with_hints(*window_, style_);
        actions_.report(user);
    }

  private:
    static void button_pressed(Fl_Widget* widget, void* data) {
        static_cast<FltkDialog*>(data)->actions_.button(static_cast<int>(widget->argument()));
    }
    // FLTK calls the window's callback for Escape and for the close box; neither closes the
    // window by itself.
    static void window_callback(Fl_Widget*, void* data) {
        auto& actions = static_cast<FltkDialog*>(data)->actions_;
        if (Fl::event() == FL_CLOSE)
            actions.close_box();
        else
            actions.escape();
    }

    std::uint32_t style_;
    Window owner_;
    std::unique_ptr<Fl_Window> window_;
    std::map<int, Fl_Input_*> inputs_;
    std::map<int, Fl_Widget*> widgets_;
    DialogActions actions_;
};

FltkDialog::FltkDialog(const DialogTemplate& t, Window owner) : style_(t.style), owner_(owner) {
    // Dialog positions count from the top-left corner of the owner's client area.
    int origin_x = 0, origin_y = 0;
    const int s = scale();
    if (is_window(owner)) {
        const WindowRec& r = *window_record(owner);
        origin_x = (r.outer.left + r.client_in_outer.left) * s;
        origin_y = (r.outer.top + r.client_in_outer.top) * s;
    }
    Rect frame = dialog_units_to_pixels(t.x, t.y, t.cx, t.cy);
    auto* win = new DialogWindow(t.style, origin_x + frame.left * s, origin_y + frame.top * s,
                                 frame.width() * s, frame.height() * s);
    window_.reset(win);
    win->copy_label(t.title.c_str());
    for (const DialogItem& item : t.items) {
        Rect box = dialog_units_to_pixels(item.x, item.y, item.cx, item.cy);
        int x = box.left * s, y = box.top * s, w = box.width() * s, h = box.height() * s;
        Fl_Widget* widget = nullptr;
        switch (item.class_atom) {
            case dlg::edit: {
                Fl_Input_* input = nullptr;
                if (item.style & es::multiline)
                    input = new DialogInput(actions_, x, y, w, h);
                else
                    input = new Fl_Input(x, y, w, h);
                input->value(item.text.c_str());
                inputs_[item.id] = input;
                widget = input;
                break;
            }
            case dlg::button: {
                // The default push button looks the part and takes Enter where no input box does.
                Fl_Button* button = nullptr;
                if ((item.style & 0xF) == bs::def_push_button)
                    button = new Fl_Return_Button(x, y, w, h);
                else
                    button = new Fl_Button(x, y, w, h);
                button->callback(button_pressed, this);
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
        widgets_[item.id] = widget;
    }
    win->end();
    Fl_Group::current(nullptr);
    win->callback(window_callback, this);
    win->set_modal();
    win->size_range(win->w(), win->h(), win->w(), win->h());
    show_with_hints(*win, t.style);
}

FltkDialog::~FltkDialog() {
    window_->hide();
    window_.reset();
    // Give the keyboard back to the owner's canvas.
    if (is_window(owner_) && window_record(owner_)->native != nullptr) {
        NativeWindow* owner = window_record(owner_)->native;
        if (owner->shown()) {
            owner->show();
            Fl::focus(owner->canvas);
        }
    }
    Fl::check();
}

}  // namespace

std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window owner) {
    return std::make_unique<FltkDialog>(tmpl, owner);
}

}  // namespace fltk
}  // namespace plat
