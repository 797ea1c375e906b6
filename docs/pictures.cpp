// Draws the pictures of the library reference with the library itself, on the headless backend,
// so that they show exactly what a program gets: the 24 named colours and the coordinate system.
// Usage: doc_pictures <output folder>; writes colours.png and coordinates.png (uncompressed; the
// docs/make-pictures script compresses them for the repository).
#include <cstdio>
#include <string>

#include "library_state.h"
#include "platform/headless/headless.h"
#include "testing/png_writer.h"
#include "velta/velta.h"

namespace {

constexpr int kBlack = 0;
constexpr int kWhite = 1;
constexpr int kGray = 22;

void colours() {
    // Four columns of six swatches, each with its index and name.
    for (int i = 0; i < VELTA_COLORS; ++i) {
        int column = i / 6;
        int row = i % 6;
        int left = -290 + column * 150;
        int top = 235 - row * 80;
        velta_rectangle(i, left, top, left + 40, top - 40, 0);
        velta_rectangle(kBlack, left, top, left + 40, top - 40, 1);
        velta_text(kBlack, left + 48, top - 14, std::to_string(i).c_str(), 13);
        velta_text(kBlack, left + 48, top - 30, palette[i].name, 13);
    }
}

void arrow(int x1, int y1, int x2, int y2) {
    velta_line(kBlack, x1, y1, x2, y2, 1);
    if (x1 == x2)
        velta_triangle(kBlack, x2, y2, x2 - 6, y2 - 12, x2 + 6, y2 - 12, 0);
    else
        velta_triangle(kBlack, x2, y2, x2 - 12, y2 + 6, x2 - 12, y2 - 6, 0);
}

void coordinates() {
    // The picture's edges, the axes through the origin and the four corners' coordinates.
    velta_rectangle(kGray, -300, 250, 300, -250, 1);
    arrow(-290, 0, 290, 0);
    arrow(0, -240, 0, 240);
    velta_text(kBlack, 272, 12, "x", 16);
    velta_text(kBlack, 10, 226, "y", 16);
    velta_text(kBlack, 6, -16, "(0, 0)", 13);
    velta_text(kBlack, -294, 232, "(-300, 250)", 13);
    velta_text(kBlack, 214, 232, "(300, 250)", 13);
    velta_text(kBlack, -294, -244, "(-300, -250)", 13);
    velta_text(kBlack, 206, -244, "(300, -250)", 13);
    // A filled rectangle and an outlined triangle, with the calls that drew them.
    velta_rectangle(4, 60, 150, 200, 60, 0);
    velta_text(kBlack, 60, 164, "rectangle(60, 150, 200, 60, 4, 0)", 13);
    velta_triangle(2, -220, -60, -80, -60, -150, -180, 3);
    velta_text(kBlack, -250, -200, "triangle(-220, -60, -80, -60, -150, -180, 2, 3)", 13);
    velta_pixel(kBlack, 100, -100);
    velta_text(kBlack, 106, -104, "pixel(100, -100, 0)", 13);
}

bool save(const std::string& path) {
    // What the graphics window shows: the image's part that covers its client area.
    const plat::Surface& image = *plat::dc_surface(velta_state.memory_dc);
    plat::Rect client = plat::client_rect(velta_state.graphics);
    plat::Surface shown(client.width(), client.height());
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x) shown.put(x, y, image.at(x, y));
    return png_writer::write(shown, path);
}

void fresh_picture() {
    velta_erase();
    velta_rectangle(kWhite, -300, 250, 300, -250, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    std::string folder = argv[1];
    plat::headless::reset();
    velta_init(nullptr, nullptr, nullptr, plat::sw::show_normal);
    velta_set_logging(0);
    fresh_picture();
    colours();
    bool ok = save(folder + "/colours.png");
    fresh_picture();
    coordinates();
    ok = save(folder + "/coordinates.png") && ok;
    velta_shutdown();
    if (!ok) std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], folder.c_str());
    return ok ? 0 : 1;
}
