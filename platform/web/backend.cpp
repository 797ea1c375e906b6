// The web backend: the program's windows as boxes on a page, built with Emscripten. The program
// keeps its own loop: a wait that sleeps gives control back to the browser (Asyncify suspends the
// program in sleep_until and resumes it when input arrives or the next timer is due), and a
// program that never sleeps (an unpaced playback) still lets the browser run once a display
// refresh. The page (page.js) queues what the user does; pump_native takes it from there.
#include <emscripten.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/web/web.h"

// ---- the page's side, in page.js ----

// clang-format off
EM_JS(void, velta_web_create_window, (int id, const char* title, int x, int y, int w, int h,
                                      int resizable, int closable), {
    Module.velta.createWindow(id, UTF8ToString(title), x, y, w, h, !!resizable, !!closable);
});
EM_JS(void, velta_web_destroy_window, (int id), { Module.velta.destroyWindow(id); });
EM_JS(void, velta_web_show_window, (int id, int visible), {
    Module.velta.showWindow(id, !!visible);
});
EM_JS(void, velta_web_set_menu, (int id, const char* json), {
    Module.velta.setMenu(id, JSON.parse(UTF8ToString(json)));
});
EM_JS(void, velta_web_present, (int id, const void* rgba, int w, int h), {
    Module.velta.present(id, new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h);
});
EM_JS(int, velta_web_next_input, (int* out), {
    const input = Module.velta.nextInput();
    if (!input) return 0;
    for (let i = 0; i < 6; ++i) HEAP32[(out >> 2) + i] = input[i];
    return 1;
});
EM_JS(int, velta_web_desk_width, (), { return Module.velta.deskSize()[0]; });
EM_JS(int, velta_web_desk_height, (), { return Module.velta.deskSize()[1]; });
EM_JS(void, velta_web_save, (), { Module.velta.save(); });
EM_JS(int, velta_web_scale, (), { return Module.velta.scale(); });
EM_ASYNC_JS(void, velta_web_sleep, (double ms), { await Module.velta.sleep(ms); });
// clang-format on

namespace plat {
namespace web {
namespace {

// Every input kind page.js queues.
enum Input : int {
    key_down_input = 1,
    key_up_input = 2,
    click_input = 3,
    command_input = 4,
    close_input = 5,
    moved_input = 6,
    dialog_button_input = 7,
    dialog_enter_input = 8,
    dialog_escape_input = 9,
    dialog_close_input = 10,
    mouse_input = 11,
};

// The longest sleep, so that a wait with no timer still looks at the queue now and then.
constexpr double kMaxSleepMs = 1000.0;
// A program that keeps running without sleeping lets the browser have a turn this often, so that
// the page stays responsive and shows its pictures.
constexpr double kYieldEveryMs = 16.0;
// How often the script file is looked at for changes to keep.
constexpr double kSaveCheckMs = 250.0;

int id_of(Window w) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(w));
}
Window window_of(int id) {
    return reinterpret_cast<Window>(static_cast<std::uintptr_t>(static_cast<unsigned>(id)));
}

std::string menu_json(Menu bar) {
    std::string out = "[";
    bool first_top = true;
    if (bar != nullptr) {
        for (const MenuItem& top : bar->items) {
            if (top.flags & mf::separator) continue;
            if (!first_top) out += ',';
            first_top = false;
            out += "{\"text\":";
            append_json_string(out, top.text);
            out += ",\"id\":" + std::to_string(top.id) + ",\"popup\":[";
            if ((top.flags & mf::popup) && top.popup != nullptr) {
                bool first = true;
                for (const MenuItem& item : top.popup->items) {
                    if (!first) out += ',';
                    first = false;
                    out += "{\"text\":";
                    append_json_string(out, item.text);
                    out += ",\"id\":" + std::to_string(item.id);
                    out += ",\"separator\":";
                    out += (item.flags & mf::separator) ? "true" : "false";
                    out += ",\"grayed\":";
                    out += (item.flags & (mf::grayed | mf::disabled)) ? "true" : "false";
                    out += ",\"checked\":";
                    out += (item.flags & mf::checked) ? "true" : "false";
                    out += '}';
                }
            }
            out += "]}";
        }
    }
    out += ']';
    return out;
}

class WebBackend final : public Backend {
  public:
    std::uint64_t now_ms() override { return static_cast<std::uint64_t>(emscripten_get_now()); }
    std::uint64_t now_us() override {
        return static_cast<std::uint64_t>(emscripten_get_now() * 1000.0);
    }
    int screen_width() override { return velta_web_desk_width(); }
    int screen_height() override { return velta_web_desk_height(); }

    Rect client_area(const WindowRec& w) override {
        return client_in(w.outer.width(), w.outer.height(), w.menu != nullptr);
    }

    void pump_native() override {
        double now = emscripten_get_now();
        if (now - last_yield_ >= kYieldEveryMs) {
            last_yield_ = now;
            velta_web_sleep(0);
        }
        int input[6];
        while (velta_web_next_input(input)) take(input);
        if (now - last_save_check_ >= kSaveCheckMs) {
            last_save_check_ = now;
            keep_script_if_changed();
        }
    }

    void sleep_until(std::uint64_t deadline) override {
        double now = emscripten_get_now();
        double ms = kMaxSleepMs;
        if (deadline != kNoDeadline) ms = std::min(ms, static_cast<double>(deadline) - now + 0.5);
        if (ms < 0) ms = 0;
        velta_web_sleep(ms);
        last_yield_ = emscripten_get_now();
    }

    bool window_created(Window w) override {
        const WindowRec& r = *window_record(w);
        velta_web_create_window(id_of(w), r.title.c_str(), r.outer.left, r.outer.top,
                                r.outer.width(), r.outer.height(), (r.style & ws::thick_frame) != 0,
                                (r.style & ws::sys_menu) != 0);
        return true;
    }
    void window_destroyed(Window w) override {
        velta_web_destroy_window(id_of(w));
        moved_.erase(w);
    }
    void window_shown(Window w, bool visible) override {
        velta_web_show_window(id_of(w), visible ? 1 : 0);
    }
    void menu_changed(Window w) override {
        const WindowRec* r = window_record(w);
        if (r == nullptr) return;
        velta_web_set_menu(id_of(w), menu_json(r->menu).c_str());
    }

    // The surface as the canvas takes it: bytes red, green, blue and an opaque alpha, each pixel
    // a scale x scale block of the canvas's own (device) pixels.
    void present(Window w) override {
        const WindowRec* r = window_record(w);
        if (r == nullptr || r->surface.width <= 0 || r->surface.height <= 0) return;
        const Surface& s = r->surface;
        const int k = scale();
        const std::size_t width = static_cast<std::size_t>(s.width) * k;
        rgba_.resize(width * static_cast<std::size_t>(s.height) * k);
        for (int y = 0; y < s.height; ++y) {
            std::uint32_t* row = &rgba_[static_cast<std::size_t>(y) * k * width];
            const std::uint32_t* source = &s.pixels[static_cast<std::size_t>(y) * s.width];
            for (int x = 0; x < s.width; ++x) {
                std::uint32_t p = source[x];
                std::uint32_t c =
                    0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
                std::fill_n(row + static_cast<std::size_t>(x) * k, k, c);
            }
            for (int copy = 1; copy < k; ++copy)
                std::copy_n(row, width, row + static_cast<std::size_t>(copy) * width);
        }
        velta_web_present(id_of(w), rgba_.data(), s.width * k, s.height * k);
    }

    bool native_geometry(Window w, Rect* outer, Rect* client) override {
        auto it = moved_.find(w);
        const WindowRec* r = window_record(w);
        if (it == moved_.end() || r == nullptr) return false;
        *outer = it->second;
        *client = client_in(outer->width(), outer->height(), r->menu != nullptr);
        return true;
    }

    std::unique_ptr<NativeDialog> create_dialog(const DialogTemplate& tmpl, Window dialog,
                                                Window owner) override {
        return web::create_dialog(tmpl, dialog, owner);
    }

  private:
    // The whole-number scale of the page's canvases (see page.js), asked once.
    int scale() {
        if (scale_ == 0) scale_ = std::max(1, velta_web_scale());
        return scale_;
    }
    // A canvas (device) position in logical pixels.
    int logical(int device) {
        int k = scale();
        return device >= 0 ? device / k : -((-device + k - 1) / k);
    }

    static Rect client_in(int width, int height, bool menu) {
        int top = kFrameBorder + kCaption + (menu ? kMenuBar : 0);
        int right = std::max(kFrameBorder, width - kFrameBorder);
        int bottom = std::max(top, height - kFrameBorder);
        return Rect{kFrameBorder, top, right, bottom};
    }

    void take(const int* in) {
        Window w = window_of(in[1]);
        switch (in[0]) {
            case key_down_input: {
                int typed = key_character(in[2], in[3], in[4] != 0);
                post_input(
                    Message{w, wm::key_down, static_cast<WParam>(in[2]), make_key_lparam(typed)});
                break;
            }
            case key_up_input:
                post_input(
                    Message{w, wm::key_up, static_cast<WParam>(in[2]), make_key_up_lparam()});
                break;
            case click_input:
                post_input(Message{w, wm::left_button_down, 1,
                                   make_point_lparam(logical(in[2]), logical(in[3]))});
                break;
            case command_input:
                post_input(Message{w, wm::command, static_cast<WParam>(in[2]), 0});
                break;
            case close_input:
                post_input(Message{w, wm::close, 0, 0});
                break;
            case mouse_input:
                post_input(Message{w, static_cast<std::uint32_t>(in[2]),
                                   static_cast<WParam>(static_cast<std::uint32_t>(in[5])),
                                   make_point_lparam(logical(in[3]), logical(in[4]))});
                break;
            case moved_input:
                moved_[w] = Rect{in[2], in[3], in[2] + in[4], in[3] + in[5]};
                native_moved(w);
                break;
            case dialog_button_input:
            case dialog_enter_input:
            case dialog_escape_input:
            case dialog_close_input:
                dialog_input(in[0] - dialog_button_input, in[2]);
                break;
            default:
                break;
        }
    }

    // The script file lives in the page's file system; what changed in it is written to the
    // browser's storage, so that it is there after a reload.
    void keep_script_if_changed() {
        struct stat st {};
        long long stamp = -1;
        if (stat("VELTA.SCR", &st) == 0)
            stamp =
                (static_cast<long long>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000) *
                    1000003LL +
                st.st_size;
        if (stamp != script_stamp_) {
            script_stamp_ = stamp;
            velta_web_save();
        }
    }

    double last_yield_ = 0;
    double last_save_check_ = 0;
    long long script_stamp_ = -2;
    std::map<Window, Rect> moved_;
    std::vector<std::uint32_t> rgba_;
    int scale_ = 0;
};

WebBackend& the_backend() {
    static WebBackend b;
    return b;
}

}  // namespace

// A JSON string of Latin-1 text (the program's menu, dialog and title texts) in UTF-8; a tab or a
// line feed is kept, any other control character becomes a space.
void append_json_string(std::string& out, const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20) {
            out += ' ';
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

}  // namespace web

Backend& backend() {
    return web::the_backend();
}

}  // namespace plat
