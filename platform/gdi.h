// Drawing services: 32-bit pixel surfaces, device contexts and the objects selected into them
// (pens, brushes, fonts, bitmaps), with the pixel rules of the classic GDI so that every backend
// shows the same pixels and tests can check them exactly. Colours are 0x00RRGGBB.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace plat {

using Color = std::uint32_t;
constexpr Color rgb(int r, int g, int b) {
    return (static_cast<Color>(r & 0xFF) << 16) | (static_cast<Color>(g & 0xFF) << 8) |
           static_cast<Color>(b & 0xFF);
}

// What copy_changes knows of a surface: the pixels written since the surface last took part in
// it, in bands of kBandRows rows (band i holds columns [lo, hi] covering every pixel written in
// rows kBandRows i .. kBandRows i + kBandRows - 1; lo > hi when none), and the copy the surface
// last received. Kept only for surfaces that copy_changes has copied from or to.
struct SurfaceChanges {
    static constexpr int kBandShift = 3;
    static constexpr int kBandRows = 1 << kBandShift;
    struct Band {
        int lo, hi;
    };
    std::vector<Band> bands;           // empty: writes are not recorded
    std::uint64_t id = 0;              // names this record; a new one after every copy; 0: none
    std::uint64_t copied_from = 0;     // the source record's id right after the last copy received
    std::int64_t copied_rect[8] = {};  // that copy's positions and clipped extent

    void add(int x0, int y0, int x1, int y1) {
        for (int b = y0 >> kBandShift, end = y1 >> kBandShift; b <= end; ++b) {
            Band& band = bands[static_cast<std::size_t>(b)];
            if (x0 < band.lo) band.lo = x0;
            if (x1 > band.hi) band.hi = x1;
        }
    }
};

struct Surface {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // row-major, top row first
    SurfaceChanges changes;

    Surface() = default;
    Surface(int w, int h, Color fill = 0) { resize(w, h, fill); }
    void resize(int w, int h, Color fill = 0) {
        width = w < 0 ? 0 : w;
        height = h < 0 ? 0 : h;
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
        changes = SurfaceChanges{};  // a new picture, which no copy has seen
    }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Color at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    void put(int x, int y, Color c) {
        if (contains(x, y)) {
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)] = c;
            changed(x, y, x, y);
        }
    }

    // Records that pixels of the inclusive box [x0, x1] x [y0, y1], which lies on the surface,
    // may have been written. The drawing services, put and resize record what they write; code
    // that writes pixels directly calls changed_all() afterwards.
    void changed(int x0, int y0, int x1, int y1) {
        if (!changes.bands.empty()) changes.add(x0, y0, x1, y1);
    }
    void changed_all() {
        if (!changes.bands.empty() && width > 0 && height > 0)
            changes.add(0, 0, width - 1, height - 1);
    }
};

struct Point {
    int x = 0;
    int y = 0;
};
struct Size {
    int cx = 0;
    int cy = 0;
};

struct GdiObject;
using GdiHandle = GdiObject*;
struct DeviceContext;
using DC = DeviceContext*;

// Pen styles, stock objects, background modes (values of the original platform, in namespaces
// named after the original prefixes).
namespace ps {
enum : int { solid = 0, null = 5 };
}  // namespace ps
namespace stock {
enum : int {
    white_brush = 0,
    null_brush = 5,
    white_pen = 6,
    black_pen = 7,
    null_pen = 8,
    ansi_fixed_font = 11,
    system_font = 13,
};
}  // namespace stock
namespace bk {
enum : int { transparent = 1, opaque = 2 };
}  // namespace bk

GdiHandle create_pen(int style, int width, Color color);
GdiHandle create_solid_brush(Color color);
// Height below zero asks for a character height (cell height less internal leading) of -height
// pixels; above zero for a cell height; zero for a default size. An unknown face falls back to a
// normal sans face; the stock fixed-pitch font maps to a monospace face.
GdiHandle create_font(int height, int width, int escapement, int orientation, int weight,
                      bool italic, bool underline, bool strike_out, int charset, int out_precision,
                      int clip_precision, int quality, int pitch_and_family, const char* face);
GdiHandle get_stock_object(int which);
GdiHandle create_compatible_bitmap(DC dc, int width, int height);
bool delete_object(GdiHandle object);  // stock objects are never deleted
// Returns the previously selected object of the same kind, or null on failure.
GdiHandle select_object(DC dc, GdiHandle object);

DC create_compatible_dc(DC dc);  // a memory context with a 1 x 1 bitmap selected
bool delete_dc(DC dc);
DC get_dc(Window window);  // draws onto the window's client surface
int release_dc(Window window, DC dc);
DC begin_paint(Window window);  // validates the window
bool end_paint(Window window, DC dc);

bool rectangle(DC dc, int left, int top, int right, int bottom);
bool ellipse(DC dc, int left, int top, int right, int bottom);
bool polygon(DC dc, const Point* points, int count);
bool move_to(DC dc, int x, int y, Point* previous = nullptr);
bool line_to(DC dc, int x, int y);
Color set_pixel(DC dc, int x, int y, Color color);
Color set_text_color(DC dc, Color color);
int set_bk_mode(DC dc, int mode);
int get_bk_mode(DC dc);
Color get_bk_color(DC dc);

struct TextMetrics {
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int internal_leading = 0;
    int external_leading = 0;
    int ave_char_width = 0;
};
bool text_out(DC dc, int x, int y, const char* text, int length);
bool get_text_extent_point(DC dc, const char* text, int length, Size* size);
bool get_text_metrics(DC dc, TextMetrics* metrics);

// Plain source copy; clipped to both surfaces.
bool bit_blt(DC dest, int x, int y, int width, int height, DC src, int src_x, int src_y);
// The same copy for a picture copied again and again between the same two surfaces (an off-screen
// image shown in a window): where the last copy_changes was between the same surfaces with the
// same rectangle, only the bands written since on either surface are copied, the rest holding the
// same pixels already; otherwise the whole rectangle is. Both surfaces are then written only
// through the drawing services, Surface::put and Surface::resize, or marked after direct writes
// with Surface::changed_all.
bool copy_changes(DC dest, int x, int y, int width, int height, DC src, int src_x, int src_y);
// Scrolls the whole surface by (dx, dy); the uncovered strip keeps its old pixels.
bool scroll_dc(DC dc, int dx, int dy);

// The surface a context draws onto (the selected bitmap, or the window's client surface).
Surface* dc_surface(DC dc);

}  // namespace plat
