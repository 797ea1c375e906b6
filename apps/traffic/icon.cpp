// Draws the traffic program's icon with the library itself, on the headless backend: a crossing of
// two roads with its four-wedge light (red for the north-south road, green for the east-west one),
// a fast vehicle driving off east on the green and a pulsing one waiting at the red, in the colours
// the program draws them in. Each size is drawn anew at its own scale, so that small icons stay
// sharp. Usage: traffic_icon <output folder> <size>...; writes <folder>/<size>/velta-traffic.png.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/headless/headless.h"
#include "testing/png_writer.h"
#include "library_state.h"
#include "velta/velta.h"

namespace {

constexpr int kBlack = 0;
constexpr int kWhite = 1;
constexpr int kRed = 2;
constexpr int kGreen = 3;
constexpr int kYellow = 5;
constexpr int kGray = 22;
constexpr int kFilled = 0;

// The design is on a 48-unit square, centred on the picture's origin; scale() turns its units
// into pixels of an icon of the given size.
class Icon {
  public:
    explicit Icon(int size) : size_(size) {}

    void draw() const {
        int half = size_ / 2;
        velta_rectangle(kWhite, -half, half, half - 1, -half + 1, kFilled);
        // The two roads.
        velta_rectangle(kBlack, s(-26), s(8), s(26), s(-8), kFilled);
        velta_rectangle(kBlack, s(-8), s(26), s(8), s(-26), kFilled);
        // The junction and its light.
        velta_rectangle(kBlack, s(-10), s(10), s(10), s(-10), kFilled);
        int d = s(8);
        velta_triangle(kRed, 0, 0, d, d, -d, d, kFilled);
        velta_triangle(kRed, 0, 0, d, -d, -d, -d, kFilled);
        velta_triangle(kGreen, 0, 0, -d, -d, -d, d, kFilled);
        velta_triangle(kGreen, 0, 0, d, d, d, -d, kFilled);
        // A fast vehicle heading east, a pulsing one heading south and waiting.
        vehicle(16, 0, kYellow, kRed, 1, 0);
        vehicle(0, 17, kGreen, kYellow, 0, -1);
        // A frame, so that the icon keeps its edge on a light background.
        velta_rectangle(kGray, -half, half, half - 1, -half + 1, std::max(1, s(1)));
    }

  private:
    int s(double units) const { return static_cast<int>(std::lround(units * size_ / 48.0)); }

    // A vehicle's square body with the arrow of its heading (dx, dy) on its front half.
    void vehicle(int x, int y, int body, int arrow, int dx, int dy) const {
        velta_rectangle(body, s(x - 5), s(y - 5), s(x + 5), s(y + 5), kFilled);
        int tip_x = x + 5 * dx, tip_y = y + 5 * dy;
        int back_x = x, back_y = y;
        velta_triangle(arrow, s(tip_x), s(tip_y), s(back_x + 4 * dy), s(back_y + 4 * dx),
                       s(back_x - 4 * dy), s(back_y - 4 * dx), kFilled);
    }

    int size_;
};

// The size x size square of the image around the picture's origin.
bool save(int size, const std::string& path) {
    const plat::Surface& image = *plat::dc_surface(velta_state.memory_dc);
    plat::Surface icon(size, size);
    int left = velta_state.origin_x - size / 2;
    int top = velta_state.origin_y - size / 2;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) icon.put(x, y, image.at(left + x, top + y));
    return png_writer::write(icon, path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <output folder> <size>...\n", argv[0]);
        return 2;
    }
    std::string folder = argv[1];
    plat::headless::reset();
    velta_init(nullptr, nullptr, nullptr, plat::sw::show_normal);
    velta_set_logging(0);
    bool ok = true;
    for (int i = 2; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        // The picture is 600 x 500: an icon larger than its height would not fit.
        if (size < 16 || size > 256) {
            std::fprintf(stderr, "%s: size %s is not from 16 to 256\n", argv[0], argv[i]);
            ok = false;
            continue;
        }
        velta_erase();
        Icon(size).draw();
        std::string dir = folder + "/" + argv[i];
        mkdir(folder.c_str(), 0755);
        mkdir(dir.c_str(), 0755);
        if (!save(size, dir + "/velta-traffic.png")) {
            std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], dir.c_str());
            ok = false;
        }
    }
    velta_shutdown();
    return ok ? 0 : 1;
}
