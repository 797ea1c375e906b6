// A memory context drawing onto a white bitmap, pictures of its pixels as text rows, and the seeded
// numbers and tools of the tests that draw many random shapes.
#pragma once

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace raster_test {

constexpr plat::Color kWhite = 0xFFFFFF;
constexpr plat::Color kPen = 0xFF0000;
constexpr plat::Color kBrush = 0x0000FF;

class Canvas {
  public:
    Canvas(int w, int h) {
        dc = plat::create_compatible_dc(nullptr);
        bitmap = plat::create_compatible_bitmap(dc, w, h);
        old_bitmap = plat::select_object(dc, bitmap);
        clear();
    }
    ~Canvas() {
        restore();
        plat::select_object(dc, old_bitmap);
        plat::delete_dc(dc);
        plat::delete_object(bitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    plat::Surface& surface() { return *plat::dc_surface(dc); }
    void clear(plat::Color c = kWhite) {
        for (auto& p : surface().pixels) p = c;
    }

    // Selects a solid pen (width w, or ps::null when w < 0) and a solid or hollow brush, deleting
    // what this canvas selected before.
    void use(int pen_width, bool brush) {
        restore();
        pen = pen_width < 0 ? plat::create_pen(plat::ps::null, 0, 0)
                            : plat::create_pen(plat::ps::solid, pen_width, kPen);
        old_pen = plat::select_object(dc, pen);
        fill = brush ? plat::create_solid_brush(kBrush)
                     : plat::get_stock_object(plat::stock::null_brush);
        old_brush = plat::select_object(dc, fill);
    }

    // Rows y0..y1-1 of columns x0..x1-1: '.' white, 'P' pen, 'b' brush, '?' anything else.
    std::vector<std::string> picture(int x0, int y0, int x1, int y1) {
        std::vector<std::string> rows;
        for (int y = y0; y < y1; ++y) {
            std::string row;
            for (int x = x0; x < x1; ++x) {
                plat::Color c = surface().at(x, y);
                row += c == kWhite ? '.' : c == kPen ? 'P' : c == kBrush ? 'b' : '?';
            }
            rows.push_back(row);
        }
        return rows;
    }
    std::vector<std::string> picture() { return picture(0, 0, surface().width, surface().height); }

    int count(plat::Color c) {
        int n = 0;
        for (auto p : surface().pixels) n += p == c;
        return n;
    }

    plat::DC dc = nullptr;

  private:
    void restore() {
        if (pen != nullptr) {
            plat::select_object(dc, old_pen);
            plat::select_object(dc, old_brush);
            plat::delete_object(pen);
            plat::delete_object(fill);
            pen = fill = nullptr;
        }
    }

    plat::GdiHandle bitmap = nullptr, old_bitmap = nullptr;
    plat::GdiHandle pen = nullptr, fill = nullptr, old_pen = nullptr, old_brush = nullptr;
};

// Integers from the generator's raw output, so that every standard library draws the same ones.
class Dice {
  public:
    explicit Dice(unsigned seed) : rng_(seed) {}
    std::int64_t between(std::int64_t lo, std::int64_t hi) {  // inclusive
        const std::uint64_t span = static_cast<std::uint64_t>(hi - lo) + 1;
        const std::uint64_t r = (static_cast<std::uint64_t>(rng_()) << 32) | rng_();
        return lo + static_cast<std::int64_t>(r % span);
    }
    bool one_in(int n) { return between(0, n - 1) == 0; }

    // A coordinate on an axis of the given size: mostly near the surface, sometimes far off, and
    // sometimes at or near the limits of int.
    int coordinate(int size, int huge_one_in) {
        if (one_in(huge_one_in)) {
            switch (between(0, 3)) {
                case 0:
                    return static_cast<int>(between(INT_MIN, INT_MAX));
                case 1:
                    return static_cast<int>(between(INT_MIN, INT_MIN + 3));
                case 2:
                    return static_cast<int>(between(INT_MAX - 3, INT_MAX));
                default:
                    return static_cast<int>(
                        between(-(std::int64_t{1} << 20), std::int64_t{1} << 20));
            }
        }
        if (one_in(4))
            return static_cast<int>(one_in(3) ? between(-40000, 40000) : between(-300, size + 300));
        return static_cast<int>(between(-6, size + 6));
    }

  private:
    std::mt19937 rng_;
};

// Selects a new solid pen (width w, or a null pen when w < 0) and a solid or hollow brush, and
// deletes what was selected before (stock objects are never deleted).
inline void select_tools(plat::DC dc, int pen_width, plat::Color pen, bool brush,
                         plat::Color fill) {
    plat::GdiHandle old_pen =
        plat::select_object(dc, pen_width < 0 ? plat::create_pen(plat::ps::null, 0, 0)
                                              : plat::create_pen(plat::ps::solid, pen_width, pen));
    plat::GdiHandle old_brush =
        plat::select_object(dc, brush ? plat::create_solid_brush(fill)
                                      : plat::get_stock_object(plat::stock::null_brush));
    plat::delete_object(old_pen);
    plat::delete_object(old_brush);
}

// Selects the stock pen and brush again and deletes what select_tools left selected.
inline void release_tools(plat::DC dc) {
    plat::delete_object(plat::select_object(dc, plat::get_stock_object(plat::stock::black_pen)));
    plat::delete_object(plat::select_object(dc, plat::get_stock_object(plat::stock::white_brush)));
}

}  // namespace raster_test
