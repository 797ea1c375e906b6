// The public side of the headless library for tests and grading (velta/velta_test.h): input on
// the headless backend's virtual clock at picture coordinates, the picture, and the console.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "library_state.h"
#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "testing/png_writer.h"
#include "velta/velta.h"
#include "velta/velta_test.h"

namespace velta_test {
namespace {

namespace hl = plat::headless;
namespace fs = std::filesystem;

std::uint64_t at(int after_ms) {
    return after_ms > 0 ? static_cast<std::uint64_t>(after_ms) : 0;
}

// Input goes to the graphics window that exists when it arrives.
void to_graphics(int after_ms, std::function<void(plat::Window)> action) {
    hl::after(at(after_ms), [action] {
        if (plat::is_window(velta_state.graphics)) action(velta_state.graphics);
    });
}

}  // namespace

void reset() {
    velta_reset_for_tests();
    hl::reset();
    velta_keep_transcript(true);
}

void click(int x, int y, int after_ms) {
    to_graphics(after_ms, [x, y](plat::Window w) {
        int cx = velta_state.origin_x + x, cy = velta_state.origin_y - y;
        hl::mouse_button(w, 1, true, cx, cy);
        hl::mouse_button(w, 1, false, cx, cy);
    });
}

void type(const std::string& text, int after_ms) {
    to_graphics(after_ms, [text](plat::Window w) { hl::type_text(w, text); });
}

void key(int code, int after_ms) {
    to_graphics(after_ms, [code](plat::Window w) {
        hl::key_down(w, code);
        hl::key_up(w, code);
    });
}

void command(char letter, int after_ms) {
    // Chosen in the Run menu, as Ctrl+letter would run it, without key events of its own.
    static const char kLetters[] = "ahflrpoq";
    char lower = letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
    const char* found = lower != '\0' ? std::strchr(kLetters, lower) : nullptr;
    if (found == nullptr) return;
    auto number = static_cast<std::uint32_t>(found - kLetters + 1);
    to_graphics(after_ms, [number](plat::Window w) { hl::choose_menu(w, number); });
}

void quit(int after_ms) {
    to_graphics(after_ms, [](plat::Window w) { hl::choose_menu(w, CMD_QUIT); });
}

void key_down(int code, int after_ms) {
    to_graphics(after_ms, [code](plat::Window w) { hl::key_down(w, code); });
}

void key_up(int code, int after_ms) {
    to_graphics(after_ms, [code](plat::Window w) { hl::key_up(w, code); });
}

void mouse_move(int x, int y, int after_ms) {
    to_graphics(after_ms, [x, y](plat::Window w) {
        hl::mouse_move(w, velta_state.origin_x + x, velta_state.origin_y - y);
    });
}

void press(int button, int x, int y, int after_ms) {
    to_graphics(after_ms, [button, x, y](plat::Window w) {
        hl::mouse_button(w, button, true, velta_state.origin_x + x, velta_state.origin_y - y);
    });
}

void release(int button, int x, int y, int after_ms) {
    to_graphics(after_ms, [button, x, y](plat::Window w) {
        hl::mouse_button(w, button, false, velta_state.origin_x + x, velta_state.origin_y - y);
    });
}

void wheel(int x, int y, int delta, int after_ms) {
    to_graphics(after_ms, [x, y, delta](plat::Window w) {
        hl::mouse_wheel(w, velta_state.origin_x + x, velta_state.origin_y - y, delta);
    });
}

void pass_time(int ms) {
    hl::advance(at(ms));
}

long long now_ms() {
    return static_cast<long long>(hl::now());
}

long pixel(int x, int y) {
    const VeltaState& s = velta_state;
    plat::Surface* image = plat::dc_surface(s.memory_dc);
    if (image == nullptr) return -1;
    long long column = static_cast<long long>(s.origin_x) + x;
    long long row = static_cast<long long>(s.origin_y) - y;
    if (column < 0 || row < 0 || column >= image->width || row >= image->height) return -1;
    return static_cast<long>(image->at(static_cast<int>(column), static_cast<int>(row)) & 0xFFFFFF);
}

bool write_png(const std::string& path) {
    plat::Surface* image = plat::dc_surface(velta_state.memory_dc);
    return image != nullptr && png_writer::write(*image, path);
}

std::vector<std::string> console() {
    return velta_transcript();
}

int run_with_script(int (*main_routine)(), const std::string& script) {
    if (main_routine == nullptr) return -1;
    std::error_code error;
    fs::path source = fs::absolute(script, error);
    fs::path home = fs::current_path(error);
    std::random_device random;
    fs::path folder;
    do {
        folder = fs::temp_directory_path(error) / ("velta-run-" + std::to_string(random()));
    } while (!fs::create_directory(folder, error) && !error);
    if (error) return -1;
    fs::copy_file(source, folder / "VELTA.SCR", error);
    fs::current_path(folder, error);
    command('l');  // logging on: the drawing calls go to the console
    command('p');  // and the script plays from its first line
    int result = main_routine();
    fs::current_path(home, error);
    fs::remove_all(folder, error);
    return result;
}

}  // namespace velta_test
