// Window classes, windows, the message queue and timers: the backend-neutral core.
#include <algorithm>
#include <csignal>
#include <deque>
#include <memory>
#include <unordered_map>

#include "platform/backend.h"
#include "platform/pacing.h"
#include "platform/platform.h"

namespace plat {
namespace {

struct Timer {
    Window window;
    WParam id;
    unsigned period;
    std::uint64_t due;
};

struct Core {
    std::vector<WindowClass> classes;
    // The records of the windows that exist, by handle, and their handles in creation order. A
    // record is freed when its window ends; handles count up and are never reused.
    std::unordered_map<Window, std::unique_ptr<WindowRec>> records;
    std::vector<Window> order;
    std::uintptr_t last_handle = 0;
    struct Queued {
        Message msg;
        bool input;  // keyboard or mouse input from the user, not a posted message
    };
    std::deque<Queued> queue;
    bool last_was_input = false;  // what peek_message returned last
    std::vector<Timer> timers;
    bool quit_posted = false;
    int quit_code = 0;
};

Core& core() {
    static Core c;
    return c;
}

PresentPacer& pacer() {
    static PresentPacer p;
    return p;
}

// Set by post_quit_from_signal, in a signal handler; turned into a posted quit by the queue.
volatile std::sig_atomic_t quit_from_signal = 0;

void take_quit_from_signal() {
    if (quit_from_signal == 0) return;
    quit_from_signal = 0;
    core().quit_posted = true;
    core().quit_code = 0;
}

const WindowClass* find_class(const std::string& name) {
    for (const auto& cls : core().classes)
        if (cls.name == name) return &cls;
    return nullptr;
}

WindowRec* live(Window w) {
    WindowRec* r = window_record(w);
    return r != nullptr && r->alive ? r : nullptr;
}

LParam size_lparam(const Rect& r) {
    return make_point_lparam(r.width(), r.height());
}

void update_client(Window w, bool notify) {
    WindowRec* r = live(w);
    if (r == nullptr) return;
    Rect client = backend().client_area(*r);
    bool changed = client.width() != r->client_in_outer.width() ||
                   client.height() != r->client_in_outer.height();
    r->client_in_outer = client;
    if (changed || r->surface.width != client.width() || r->surface.height != client.height()) {
        r->surface.resize(client.width(), client.height(), r->background);
        r->needs_paint = true;
    }
    if (changed && notify && !r->creating)
        send_message(w, wm::size, 0, size_lparam(Rect{0, 0, client.width(), client.height()}));
}

bool paint_pending() {
    for (Window w : core().order) {
        const WindowRec* r = core().records.at(w).get();
        if (r->alive && r->visible && r->needs_paint) return true;
    }
    return false;
}

bool timer_due(std::uint64_t now) {
    for (const auto& t : core().timers)
        if (t.due <= now) return true;
    return false;
}

}  // namespace

// ---- classes and windows ----

bool open_display(std::string* reason) {
    return backend().open_display(reason);
}

bool register_class(const WindowClass& cls) {
    if (cls.name.empty() || find_class(cls.name) != nullptr) return false;
    core().classes.push_back(cls);
    return true;
}

Window create_window(const char* class_name, const char* title, std::uint32_t style, int x, int y,
                     int width, int height, Window parent) {
    const WindowClass* cls = find_class(class_name ? class_name : "");
    if (cls == nullptr) return nullptr;
    auto rec = std::make_unique<WindowRec>();
    rec->class_name = cls->name;
    rec->proc = cls->proc;
    rec->title = title ? title : "";
    rec->style = style;
    rec->background = cls->background;
    rec->outer = Rect{x, y, x + width, y + height};
    rec->parent = parent;
    rec->creating = true;
    Window w = add_window_record(std::move(rec));
    update_client(w, false);
    // A window whose native side cannot be made is not made: its handle is none.
    if (!backend().window_created(w)) {
        remove_window_record(w);
        return nullptr;
    }
    if (send_message(w, wm::create, 0, 0) == -1) {
        destroy_window(w);
        return nullptr;
    }
    // The procedure may have destroyed the window while it was being created.
    update_client(w, false);
    WindowRec* r = live(w);
    if (r == nullptr) return nullptr;
    r->creating = false;
    send_message(w, wm::size, 0, size_lparam(client_rect(w)));
    if (style & ws::visible) show_window(w, sw::show);
    return is_window(w) ? w : nullptr;
}

bool show_window(Window w, int cmd) {
    WindowRec* r = live(w);
    if (r == nullptr) return false;
    bool was = r->visible;
    r->visible = cmd != sw::hide;
    if (r->visible && !was) r->needs_paint = true;
    backend().window_shown(w, r->visible);
    return was;
}

bool destroy_window(Window w) {
    WindowRec* r = live(w);
    if (r == nullptr) return false;
    send_message(w, wm::destroy, 0, 0);
    r = window_record(w);
    if (r == nullptr) return true;  // the procedure destroyed it itself
    r->alive = false;
    r->visible = false;
    auto& c = core();
    c.timers.erase(std::remove_if(c.timers.begin(), c.timers.end(),
                                  [w](const Timer& t) { return t.window == w; }),
                   c.timers.end());
    c.queue.erase(std::remove_if(c.queue.begin(), c.queue.end(),
                                 [w](const Core::Queued& q) { return q.msg.window == w; }),
                  c.queue.end());
    backend().window_destroyed(w);
    remove_window_record(w);
    return true;
}

bool is_window(Window w) {
    return live(w) != nullptr;
}
bool is_window_visible(Window w) {
    WindowRec* r = live(w);
    return r != nullptr && r->visible;
}

Rect client_rect(Window w) {
    WindowRec* r = live(w);
    if (r == nullptr) return Rect{};
    return Rect{0, 0, r->client_in_outer.width(), r->client_in_outer.height()};
}

Rect window_rect(Window w) {
    WindowRec* r = live(w);
    return r != nullptr ? r->outer : Rect{};
}
std::string window_title(Window w) {
    WindowRec* r = live(w);
    return r != nullptr ? r->title : std::string();
}

LResult def_window_proc(Window w, std::uint32_t msg, WParam, LParam) {
    switch (msg) {
        case wm::paint:
            if (WindowRec* r = live(w)) r->needs_paint = false;
            return 0;
        case wm::close:
            destroy_window(w);
            return 0;
        default:
            return 0;
    }
}

LResult send_message(Window w, std::uint32_t msg, WParam wparam, LParam lparam) {
    WindowRec* r = window_record(w);
    if (r == nullptr || r->proc == nullptr) return 0;
    if (!r->alive && msg != wm::destroy) return 0;
    WndProc proc = r->proc;
    return proc(w, msg, wparam, lparam);
}

void invalidate(Window w) {
    if (WindowRec* r = live(w)) r->needs_paint = true;
}

int screen_width() {
    return backend().screen_width();
}
int screen_height() {
    return backend().screen_height();
}

void set_window_geometry(Window w, const Rect& outer, const Rect& client_in_outer) {
    WindowRec* r = live(w);
    if (r == nullptr) return;
    r->outer = outer;
    bool changed = client_in_outer.width() != r->client_in_outer.width() ||
                   client_in_outer.height() != r->client_in_outer.height();
    r->client_in_outer = client_in_outer;
    if (changed) {
        r->surface.resize(client_in_outer.width(), client_in_outer.height(), r->background);
        r->needs_paint = true;
        send_message(w, wm::size, 0, size_lparam(client_rect(w)));
    }
}

WindowRec* window_record(Window w) {
    if (w == nullptr) return nullptr;
    auto& records = core().records;
    auto it = records.find(w);
    return it == records.end() ? nullptr : it->second.get();
}

Window add_window_record(std::unique_ptr<WindowRec> record) {
    auto& c = core();
    c.last_handle += 4;
    Window w = reinterpret_cast<Window>(c.last_handle);
    record->handle = w;
    c.records.emplace(w, std::move(record));
    c.order.push_back(w);
    return w;
}

void remove_window_record(Window w) {
    auto& c = core();
    if (c.records.erase(w) == 0) return;
    c.order.erase(std::find(c.order.begin(), c.order.end(), w));
}

std::vector<Window> all_windows() {
    std::vector<Window> out;
    for (Window w : core().order)
        if (core().records.at(w)->alive) out.push_back(w);
    return out;
}

// ---- the queue ----

LParam make_key_lparam(int character) {
    LParam lp = 1;  // repeat count
    if (character >= 0) lp |= (static_cast<LParam>(character & 0xFF) << 16) | (LParam{1} << 25);
    return lp;
}

LParam make_key_up_lparam() {
    return make_key_lparam(-1) | (LParam{3} << 30);
}

int key_lparam_character(LParam lparam) {
    if ((lparam & (LParam{1} << 25)) == 0) return -1;
    return static_cast<int>((lparam >> 16) & 0xFF);
}

bool message_ready() {
    auto& c = core();
    take_quit_from_signal();
    return !c.queue.empty() || c.quit_posted || paint_pending() || timer_due(backend().now_ms());
}

namespace {

// The next message in the queue's order. A modal loop leaves a posted quit where it is
// (`take_quit` false): the quit is for the main loop once the dialog has ended, and meanwhile the
// loop goes on to the paints and timers behind it, and sleeps when there are none.
bool take_message(Message* out, bool take_quit) {
    auto& c = core();
    pump_backend();
    take_quit_from_signal();
    c.last_was_input = false;
    if (!c.queue.empty()) {
        *out = c.queue.front().msg;
        c.last_was_input = c.queue.front().input;
        c.queue.pop_front();
        return true;
    }
    if (c.quit_posted && take_quit) {
        c.quit_posted = false;
        *out = Message{nullptr, wm::quit, static_cast<WParam>(c.quit_code), 0};
        return true;
    }
    for (Window w : c.order) {
        const WindowRec* r = c.records.at(w).get();
        if (r->alive && r->visible && r->needs_paint) {
            // The flag stays set until the window validates itself (begin_paint or the default
            // procedure), as on the original platform.
            *out = Message{w, wm::paint, 0, 0};
            return true;
        }
    }
    std::uint64_t now = backend().now_ms();
    Timer* best = nullptr;
    for (auto& t : c.timers)
        if (t.due <= now && (best == nullptr || t.due < best->due)) best = &t;
    if (best != nullptr) {
        best->due = now + best->period;
        *out = Message{best->window, wm::timer, best->id, 0};
        return true;
    }
    return false;
}

}  // namespace

bool peek_message(Message* out) {
    return take_message(out, true);
}

bool translate_message(const Message& msg) {
    if (msg.code != wm::key_down) return false;
    int ch = key_lparam_character(msg.lparam);
    if (ch < 0) return false;
    // The character comes next, ahead of anything queued after the key-down.
    // It counts as input when the key-down did.
    core().queue.push_front(
        Core::Queued{Message{msg.window, wm::character, static_cast<WParam>(ch), msg.lparam},
                     core().last_was_input});
    return true;
}

LResult dispatch_message(const Message& msg) {
    WindowRec* r = live(msg.window);
    if (r == nullptr || r->proc == nullptr) return 0;
    WndProc proc = r->proc;
    return proc(msg.window, msg.code, msg.wparam, msg.lparam);
}

bool post_message(Window w, std::uint32_t msg, WParam wparam, LParam lparam) {
    if (w != nullptr && !live(w)) return false;
    core().queue.push_back(Core::Queued{Message{w, msg, wparam, lparam}, false});
    return true;
}

void post_input(const Message& msg) {
    if (msg.window != nullptr && !live(msg.window)) return;
    core().queue.push_back(Core::Queued{msg, true});
}

void post_quit_message(int exit_code) {
    core().quit_posted = true;
    core().quit_code = exit_code;
}

void post_quit_from_signal() {
    quit_from_signal = 1;
}

std::uint64_t next_timer_due() {
    std::uint64_t due = kNoDeadline;
    for (const auto& t : core().timers) due = std::min(due, t.due);
    return due;
}

bool input_can_arrive() {
    return backend().input_can_arrive();
}

void wait_message() {
    pump_backend();
    while (!message_ready()) idle_until(next_timer_due());
}

// ---- what backends report: native geometry and presentation ----

void native_moved(Window w) {
    if (WindowRec* r = live(w)) r->native_moved = true;
}

void pump_backend() {
    backend().pump_native();
    auto& c = core();
    // Telling a window its new size runs its procedure, which may make or end windows: go by
    // handle, one window at a time.
    for (std::size_t i = 0; i < c.order.size(); ++i) {
        Window w = c.order[i];
        WindowRec* r = live(w);
        if (r == nullptr || !r->native_moved) continue;
        r->native_moved = false;
        Rect outer, client;
        if (backend().native_geometry(w, &outer, &client)) set_window_geometry(w, outer, client);
    }
    present_changes(false);
}

void present_changes(bool before_sleep, std::uint64_t sleeping_until) {
    std::uint64_t now = backend().now_us();
    bool due = pacer().due(now);
    if (!due && before_sleep) {
        std::uint64_t now_ms = backend().now_ms();
        std::uint64_t wake =
            sleeping_until == kNoDeadline || sleeping_until > now_ms + 3'600'000
                ? now + 3'600'000'000ull
                : now + (sleeping_until > now_ms ? sleeping_until - now_ms : 0) * 1000;
        due = pacer().due_before_sleep(now, wake);
    }
    if (!due) return;
    bool presented = false;
    for (Window w : core().order) {
        WindowRec* r = live(w);
        if (r == nullptr || !r->unpresented || !r->visible) continue;
        r->unpresented = false;
        backend().present(w);  // puts pixels on the screen; runs no window procedure
        presented = true;
    }
    if (presented) pacer().presented(now);
}

void idle_until(std::uint64_t deadline) {
    present_changes(true, deadline);
    backend().sleep_until(deadline);
    pump_backend();
}

bool pump_one_message() {
    Message msg;
    if (!take_message(&msg, false)) return false;
    // A disabled window (the owner of a modal dialog) gets no input from the user; messages that
    // the program posts to it are still delivered.
    WindowRec* target = live(msg.window);
    if (core().last_was_input && target != nullptr && !target->enabled) return true;
    translate_message(msg);
    dispatch_message(msg);
    return true;
}

// ---- timers ----

bool set_timer(Window w, WParam id, unsigned period_ms) {
    if (!live(w)) return false;
    auto& timers = core().timers;
    std::uint64_t due = backend().now_ms() + period_ms;
    for (auto& t : timers) {
        if (t.window == w && t.id == id) {
            t.period = period_ms;
            t.due = due;
            return true;
        }
    }
    timers.push_back(Timer{w, id, period_ms, due});
    return true;
}

bool kill_timer(Window w, WParam id) {
    auto& timers = core().timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.window == w && t.id == id; });
    if (it == timers.end()) return false;
    timers.erase(it);
    return true;
}

// ---- reset ----

void reset_core() {
    auto& c = core();
    c.classes.clear();
    c.records.clear();
    c.order.clear();
    reset_menus();
    c.queue.clear();
    c.timers.clear();
    c.quit_posted = false;
    c.quit_code = 0;
    quit_from_signal = 0;
    pacer() = PresentPacer{};
}

}  // namespace plat
