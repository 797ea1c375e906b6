// A memory context drawing onto a white bitmap, and pictures of its pixels as text rows.
#pragma once

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

}  // namespace raster_test
