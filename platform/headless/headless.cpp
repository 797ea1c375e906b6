// The headless backend: no display, a virtual clock and injected input. Where a wait would sleep,
// the clock jumps to the next due timer or scheduled input, so tests take no real time.
#include "platform/headless/headless.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/backend.h"

namespace plat {
namespace {

// The classic platform's standard frame metrics.
constexpr int kFixedBorder = 3;
constexpr int kSizingBorder = 4;
constexpr int kCaption = 23;
constexpr int kMenuBar = 21;

class HeadlessBackend final : public Backend {
  public:
    std::uint64_t clock = 0;
    int screen_w = 1024;
    int screen_h = 768;
    std::uint64_t sleeps = 0;
    std::uint64_t sequence = 0;
    std::multimap<std::pair<std::uint64_t, std::uint64_t>, std::function<void()>> actions;
    std::function<void(headless::DialogControl&)> responder;
    // Ctrl is held from its key-down to its key-up, as injected.
    bool ctrl_held = false;

    std::uint64_t now_ms() override { return clock; }
    int screen_width() override { return screen_w; }
    int screen_height() override { return screen_h; }

    Rect client_area(const WindowRec& w) override {
        int border = 0;
        if (w.style & ws::thick_frame)
            border = kSizingBorder;
        else if (w.style & (ws::caption | ws::border))
            border = kFixedBorder;
        int top = border;
        if ((w.style & ws::caption) == ws::caption) top += kCaption;
        if (w.menu != nullptr) top += kMenuBar;
        int width = w.outer.width() - 2 * border;
        int height = w.outer.height() - top - border;
        return Rect{border, top, border + (width < 0 ? 0 : width), top + (height < 0 ? 0 : height)};
    }

    void run_due() {
        while (!actions.empty() && actions.begin()->first.first <= clock) {
            auto action = std::move(actions.begin()->second);
            actions.erase(actions.begin());
            action();
        }
    }

    // A program that polls without ever sleeping would never move the virtual clock; stop it with
    // a clear message instead of hanging the test run.
    std::uint64_t polls_without_sleep = 0;
    void pump_native() override {
        if (++polls_without_sleep > 10'000'000) {
            std::fprintf(stderr, "headless: the program polls without ever sleeping\n");
            std::abort();
        }
        run_due();
    }

    void sleep_until(std::uint64_t deadline) override {
        std::uint64_t target = deadline;
        if (!actions.empty() && actions.begin()->first.first < target)
            target = actions.begin()->first.first;
        if (target == kNoDeadline) {
            std::fprintf(stderr,
                         "headless: a wait with no timer and no scheduled input would never "
                         "return\n");
            std::abort();
        }
        ++sleeps;
        polls_without_sleep = 0;
        if (target > clock) clock = target;
        run_due();
    }

    bool input_can_arrive() override { return !actions.empty(); }

    void schedule(std::uint64_t time, std::function<void()> action) {
        actions.emplace(std::make_pair(time, sequence++), std::move(action));
    }

    std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window dialog,
                                                Window owner) override;

    // What a screen would have been shown: the number of presentations of each window.
    std::map<Window, std::uint64_t> presented;
    void present(Window w) override { ++presented[w]; }
};

HeadlessBackend& headless_backend() {
    static HeadlessBackend b;
    return b;
}

// The headless dialog: its edit controls hold what the responder types, and the responder plays
// the user, called whenever the dialog's loop waits for one.
class HeadlessDialog final : public NativeDialog, public headless::DialogControl {
  public:
    HeadlessDialog(const DialogTemplate& tmpl, Window dialog) : tmpl_(tmpl), dialog_(dialog) {
        for (const auto& item : tmpl.items) text_[item.id] = item.text;
    }

    // NativeDialog
    void set_focus(int id) override { focus_ = id; }
    std::string edit_text(int id) override { return item_text(id); }
    void wait_for_user(std::uint64_t, DialogUser& user) override {
        if (++rounds_ > 1000) {
            std::fprintf(stderr, "headless: the dialog responder never closed the dialog\n");
            std::abort();
        }
        user_ = &user;
        headless_backend().responder(*this);
        user_ = nullptr;
    }

    // DialogControl
    Window dialog() override { return dialog_; }
    std::string title() override { return tmpl_.title; }
    std::string item_text(int id) override {
        auto it = text_.find(id);
        return it == text_.end() ? std::string() : it->second;
    }
    int focus() override { return focus_; }
    void type(const std::string& text) override {
        const DialogItem* item = find(focus_);
        if (item != nullptr && item->class_atom == dlg::edit) text_[focus_] += text;
    }
    void press_enter() override {
        if (user_ != nullptr) user_->enter_pressed();
    }
    void press_escape() override {
        if (user_ != nullptr) user_->escape_pressed();
    }
    void press_close_box() override {
        if (user_ != nullptr) user_->close_box_pressed();
    }
    void press_button(int id) override {
        if (user_ != nullptr) user_->button_pressed(id);
    }
    void wait(std::uint64_t ms) override {
        auto& b = headless_backend();
        std::uint64_t target = b.clock + ms;
        for (;;) {
            while (pump_one_message()) {
            }
            std::uint64_t due = next_timer_due();
            if (!b.actions.empty()) due = std::min(due, b.actions.begin()->first.first);
            if (due > target) break;
            if (due > b.clock) b.clock = due;
            ++b.sleeps;
            b.run_due();
        }
        b.clock = target;
        b.run_due();
    }

  private:
    const DialogItem* find(int id) const {
        for (const auto& item : tmpl_.items)
            if (item.id == id) return &item;
        return nullptr;
    }

    const DialogTemplate& tmpl_;
    Window dialog_;
    std::map<int, std::string> text_;
    int focus_ = 0;
    int rounds_ = 0;
    DialogUser* user_ = nullptr;
};

std::unique_ptr<NativeDialog> HeadlessBackend::create_dialog(const DialogTemplate& tmpl,
                                                             Window dialog, Window) {
    if (!responder) return nullptr;
    return std::make_unique<HeadlessDialog>(tmpl, dialog);
}

int vk_for_char(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) return std::toupper(u);
    if (std::isdigit(u) || u == ' ') return u;
    if (u == '\n' || u == '\r') return vk::enter;
    if (u == '\t') return vk::tab;
    if (u == '\b') return vk::back;
    if (u == 0x1B) return vk::escape;
    return vk::oem_8;  // some other key of the main block
}

}  // namespace

Backend& backend() {
    return headless_backend();
}

namespace headless {

void reset(int screen_width, int screen_height) {
    auto& b = headless_backend();
    reset_core();
    b.screen_w = screen_width;
    b.screen_h = screen_height;
    reset_clock();
}

void reset_clock() {
    auto& b = headless_backend();
    b.clock = 0;
    b.sleeps = 0;
    b.polls_without_sleep = 0;
    b.actions.clear();
    b.responder = nullptr;
    b.ctrl_held = false;
    b.presented.clear();
}

std::uint64_t presentations(Window window) {
    auto& presented = headless_backend().presented;
    auto it = presented.find(window);
    return it == presented.end() ? 0 : it->second;
}

std::uint64_t now() {
    return headless_backend().clock;
}

void advance(std::uint64_t ms) {
    auto& b = headless_backend();
    std::uint64_t target = b.clock + ms;
    while (!b.actions.empty() && b.actions.begin()->first.first <= target) {
        if (b.actions.begin()->first.first > b.clock) b.clock = b.actions.begin()->first.first;
        b.run_due();
    }
    b.clock = target;
}

void at(std::uint64_t time_ms, std::function<void()> action) {
    headless_backend().schedule(time_ms, std::move(action));
}

void after(std::uint64_t delay_ms, std::function<void()> action) {
    headless_backend().schedule(headless_backend().clock + delay_ms, std::move(action));
}

std::uint64_t sleep_count() {
    return headless_backend().sleeps;
}

void key_down(Window window, int vk, int character) {
    auto& b = headless_backend();
    if (vk == vk::control) b.ctrl_held = true;
    int typed = key_character(vk, character, b.ctrl_held);
    post_input(Message{window, wm::key_down, static_cast<WParam>(vk), make_key_lparam(typed)});
}

void key_up(Window window, int vk) {
    if (vk == vk::control) headless_backend().ctrl_held = false;
    post_input(Message{window, wm::key_up, static_cast<WParam>(vk), make_key_up_lparam()});
}

void type_char(Window window, char c) {
    int vk = vk_for_char(c);
    key_down(window, vk, static_cast<unsigned char>(c));
    key_up(window, vk);
}

void type_text(Window window, const std::string& text) {
    for (char c : text) type_char(window, c);
}

void ctrl_key(Window window, int vk) {
    key_down(window, vk::control);
    key_down(window, vk);
    key_up(window, vk);
    key_up(window, vk::control);
}

void click(Window window, int client_x, int client_y) {
    post_input(Message{window, wm::left_button_down, 1, make_point_lparam(client_x, client_y)});
}

void mouse_button(Window window, int button, bool down, int client_x, int client_y) {
    static const std::uint32_t downs[] = {wm::left_button_down, wm::right_button_down,
                                          wm::middle_button_down};
    static const std::uint32_t ups[] = {wm::left_button_up, wm::right_button_up,
                                        wm::middle_button_up};
    static const std::uint32_t held[] = {mk::left, mk::right, mk::middle};
    if (button < 1 || button > 3) return;
    std::size_t i = static_cast<std::size_t>(button - 1);
    post_input(Message{window, down ? downs[i] : ups[i], make_mouse_wparam(down ? held[i] : 0),
                       make_point_lparam(client_x, client_y)});
}

void mouse_move(Window window, int client_x, int client_y, std::uint32_t held) {
    post_input(Message{window, wm::mouse_move, make_mouse_wparam(held),
                       make_point_lparam(client_x, client_y)});
}

void mouse_wheel(Window window, int client_x, int client_y, int delta) {
    post_input(Message{window, wm::mouse_wheel, make_mouse_wparam(0, delta),
                       make_point_lparam(client_x, client_y)});
}

bool choose_menu(Window window, std::uint32_t command) {
    return choose_menu_command(window, command);
}

void close(Window window) {
    post_input(Message{window, wm::close, 0, 0});
}

Window find_window(const std::string& title) {
    for (Window w : all_windows())
        if (window_title(w) == title) return w;
    return nullptr;
}

const Surface& surface(Window window) {
    static const Surface none;
    const WindowRec* r = window_record(window);
    return r != nullptr ? r->surface : none;
}

void set_dialog_responder(std::function<void(DialogControl&)> responder) {
    headless_backend().responder = std::move(responder);
}

}  // namespace headless
}  // namespace plat
