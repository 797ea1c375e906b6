// Device contexts and GDI objects: creation, selection, deletion, and the drawing services that
// copy pixels (set_pixel, bit_blt, copy_changes, scroll_dc). Shapes are in raster.cpp, text in
// text.cpp.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/backend.h"
#include "platform/gdi_internal.h"

namespace plat {
namespace {

template <typename T>
T* stock(T* object) {
    object->stock = true;
    return object;
}

PenObject* stock_pen(int style, Color color) {
    auto* pen = new PenObject;
    pen->style = style;
    pen->width = 1;
    pen->color = color;
    return stock(pen);
}

BrushObject* stock_brush(bool hollow, Color color) {
    auto* brush = new BrushObject;
    brush->hollow = hollow;
    brush->color = color;
    return stock(brush);
}

FontObject* stock_font(bool fixed) {
    auto* font = new FontObject;
    font->fixed_pitch = fixed;
    font->face = fixed ? "" : "";
    font->height = fixed ? 13 : 16;
    font->weight = fixed ? 400 : 700;
    return stock(font);
}

// Stock objects live for the whole process.
GdiObject* stock_table(int which) {
    static PenObject* black_pen = stock_pen(ps::solid, 0);
    static PenObject* white_pen = stock_pen(ps::solid, 0x00FFFFFF);
    static PenObject* null_pen = stock_pen(ps::null, 0);
    static BrushObject* white_brush = stock_brush(false, 0x00FFFFFF);
    static BrushObject* null_brush = stock_brush(true, 0);
    static FontObject* ansi_fixed = stock_font(true);
    static FontObject* system_font = stock_font(false);
    switch (which) {
        case stock::black_pen:
            return black_pen;
        case stock::white_pen:
            return white_pen;
        case stock::null_pen:
            return null_pen;
        case stock::white_brush:
            return white_brush;
        case stock::null_brush:
            return null_brush;
        case stock::ansi_fixed_font:
            return ansi_fixed;
        case stock::system_font:
            return system_font;
        default:
            return nullptr;
    }
}

// Every new memory context starts with this shared 1 x 1 bitmap selected, as with the stock bitmap
// of the original platform; it is never deleted.
BitmapObject* one_pixel_bitmap() {
    static BitmapObject* bitmap = [] {
        auto* b = new BitmapObject;
        b->surface.resize(1, 1, 0);
        b->stock = true;
        return b;
    }();
    return bitmap;
}

void init_defaults(DeviceContext* dc) {
    dc->pen = static_cast<PenObject*>(stock_table(stock::black_pen));
    dc->brush = static_cast<BrushObject*>(stock_table(stock::white_brush));
    dc->font = static_cast<FontObject*>(stock_table(stock::system_font));
}

}  // namespace

namespace {

// Programs make a pen and a brush for every shape and delete them after it; the records of
// deleted pens and brushes are kept for the next ones, so that a shape costs no allocation.
constexpr std::size_t kSpareObjects = 64;
std::vector<std::unique_ptr<PenObject>>& spare_pens() {
    static std::vector<std::unique_ptr<PenObject>> spare;
    return spare;
}
std::vector<std::unique_ptr<BrushObject>>& spare_brushes() {
    static std::vector<std::unique_ptr<BrushObject>> spare;
    return spare;
}

template <typename Object>
Object* make(std::vector<std::unique_ptr<Object>>& spare) {
    if (spare.empty()) return new Object;
    Object* object = spare.back().release();
    spare.pop_back();
    *object = Object{};
    return object;
}

template <typename Object>
bool keep(std::vector<std::unique_ptr<Object>>& spare, GdiObject* object) {
    if (spare.size() >= kSpareObjects) return false;
    spare.emplace_back(static_cast<Object*>(object));
    return true;
}

}  // namespace

GdiHandle create_pen(int style, int width, Color color) {
    auto* pen = make(spare_pens());
    pen->style = style == ps::null ? ps::null : ps::solid;
    pen->width = width < 0 ? 0 : width;
    pen->color = color & 0x00FFFFFF;
    return pen;
}

GdiHandle create_solid_brush(Color color) {
    auto* brush = make(spare_brushes());
    brush->color = color & 0x00FFFFFF;
    return brush;
}

GdiHandle create_font(int height, int /*width*/, int /*escapement*/, int /*orientation*/,
                      int weight, bool italic, bool underline, bool strike_out, int charset,
                      int /*out_precision*/, int /*clip_precision*/, int /*quality*/,
                      int pitch_and_family, const char* face) {
    auto* font = new FontObject;
    font->height = height;
    font->weight = weight;
    font->face = face ? face : "";
    font->fixed_pitch = (pitch_and_family & 3) == 1;
    font->italic = italic;
    font->underline = underline;
    font->strike_out = strike_out;
    font->charset = charset;
    font->pitch_and_family = pitch_and_family;
    return font;
}

GdiHandle get_stock_object(int which) {
    return stock_table(which);
}

GdiHandle create_compatible_bitmap(DC, int width, int height) {
    auto* bitmap = new BitmapObject;
    // A new bitmap's content is undefined on the original platform; black is what it shows there.
    bitmap->surface.resize(width, height, 0);
    return bitmap;
}

bool delete_object(GdiHandle object) {
    if (object == nullptr) return false;
    if (object->stock) return true;
    if (object->kind == GdiKind::Bitmap && static_cast<BitmapObject*>(object)->selected)
        return false;
    if (object->kind == GdiKind::Pen && keep(spare_pens(), object)) return true;
    if (object->kind == GdiKind::Brush && keep(spare_brushes(), object)) return true;
    delete object;
    return true;
}

GdiHandle select_object(DC dc, GdiHandle object) {
    if (dc == nullptr || object == nullptr) return nullptr;
    switch (object->kind) {
        case GdiKind::Pen: {
            GdiHandle old = dc->pen;
            dc->pen = static_cast<PenObject*>(object);
            return old;
        }
        case GdiKind::Brush: {
            GdiHandle old = dc->brush;
            dc->brush = static_cast<BrushObject*>(object);
            return old;
        }
        case GdiKind::Font: {
            GdiHandle old = dc->font;
            dc->font = static_cast<FontObject*>(object);
            return old;
        }
        case GdiKind::Bitmap: {
            if (dc->window != nullptr || dc->bitmap == nullptr) return nullptr;
            auto* bitmap = static_cast<BitmapObject*>(object);
            if (!bitmap->stock && bitmap->selected && bitmap != dc->bitmap) return nullptr;
            GdiHandle old = dc->bitmap;
            if (!dc->bitmap->stock) dc->bitmap->selected = false;
            dc->bitmap = bitmap;
            if (!bitmap->stock) bitmap->selected = true;
            return old;
        }
    }
    return nullptr;
}

DC create_compatible_dc(DC) {
    auto* dc = new DeviceContext;
    init_defaults(dc);
    dc->bitmap = one_pixel_bitmap();
    return dc;
}

bool delete_dc(DC dc) {
    if (dc == nullptr || dc->window != nullptr) return false;
    if (dc->bitmap != nullptr && !dc->bitmap->stock) dc->bitmap->selected = false;
    delete dc;
    return true;
}

DC get_dc(Window window) {
    if (!is_window(window)) return nullptr;
    auto* dc = new DeviceContext;
    init_defaults(dc);
    dc->window = window;
    return dc;
}

int release_dc(Window window, DC dc) {
    if (dc == nullptr || dc->window != window) return 0;
    delete dc;
    return 1;
}

DC begin_paint(Window window) {
    if (!is_window(window)) return nullptr;
    WindowRec& w = *window_record(window);
    w.needs_paint = false;
    // The invalid area (always the whole client area here) is erased with the class background.
    std::fill(w.surface.pixels.begin(), w.surface.pixels.end(), w.background);
    w.surface.changed_all();
    DC dc = get_dc(window);
    surface_touched(dc);
    return dc;
}

bool end_paint(Window window, DC dc) {
    return release_dc(window, dc) == 1;
}

Surface* dc_surface(DC dc) {
    if (dc == nullptr) return nullptr;
    if (dc->window != nullptr)
        return is_window(dc->window) ? &window_record(dc->window)->surface : nullptr;
    return dc->bitmap != nullptr ? &dc->bitmap->surface : nullptr;
}

void surface_touched(DC dc) {
    if (dc != nullptr && dc->window != nullptr && is_window(dc->window))
        window_record(dc->window)->unpresented = true;
}

Color set_pixel(DC dc, int x, int y, Color color) {
    Surface* s = dc_surface(dc);
    if (s == nullptr || !s->contains(x, y)) return static_cast<Color>(-1);
    s->put(x, y, color & 0x00FFFFFF);  // put records the write
    surface_touched(dc);
    return color & 0x00FFFFFF;
}

Color set_text_color(DC dc, Color color) {
    if (dc == nullptr) return 0;
    Color old = dc->text_color;
    dc->text_color = color & 0x00FFFFFF;
    return old;
}

int set_bk_mode(DC dc, int mode) {
    if (dc == nullptr || (mode != bk::transparent && mode != bk::opaque)) return 0;
    int old = dc->bk_mode;
    dc->bk_mode = mode;
    return old;
}

int get_bk_mode(DC dc) {
    return dc ? dc->bk_mode : 0;
}
Color get_bk_color(DC dc) {
    return dc ? dc->bk_color : 0;
}

namespace {

using i64 = std::int64_t;

// A copy's rectangle clipped against both surfaces, in 64 bits so that far-off positions cannot
// overflow: offsets i in [x0, x1) and j in [y0, y1) are inside both.
struct CopyRect {
    i64 dx, dy, sx, sy, x0, y0, x1, y1;

    CopyRect(const Surface& d, const Surface& s, int x, int y, int width, int height, int src_x,
             int src_y)
        : dx(x), dy(y), sx(src_x), sy(src_y) {
        x0 = std::max<i64>({0, -dx, -sx});
        y0 = std::max<i64>({0, -dy, -sy});
        x1 = std::min<i64>({width, d.width - dx, s.width - sx});
        y1 = std::min<i64>({height, d.height - dy, s.height - sy});
    }
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

std::uint32_t* pixel_at(Surface* s, i64 col, i64 row) {
    return s->pixels.data() + row * s->width + col;
}
const std::uint32_t* pixel_at(const Surface* s, i64 col, i64 row) {
    return s->pixels.data() + row * s->width + col;
}

// Copies offsets [i0, i1) of rows [j0, j1) of the rectangle, recording nothing (the callers
// record what they copy). Within one surface rows are copied in the order that never reads an
// overwritten row, and memmove handles the overlap inside a row: the copy acts like one memmove.
void copy_rows(Surface* d, const Surface* s, const CopyRect& r, i64 i0, i64 j0, i64 i1, i64 j1) {
    if (i0 >= i1 || j0 >= j1) return;
    const auto bytes = static_cast<std::size_t>(i1 - i0) * sizeof(std::uint32_t);
    if (d == s && r.dy > r.sy) {
        for (i64 j = j1 - 1; j >= j0; --j)
            std::memmove(pixel_at(d, r.dx + i0, r.dy + j), pixel_at(s, r.sx + i0, r.sy + j), bytes);
    } else if (d == s) {
        for (i64 j = j0; j < j1; ++j)
            std::memmove(pixel_at(d, r.dx + i0, r.dy + j), pixel_at(s, r.sx + i0, r.sy + j), bytes);
    } else {  // two surfaces never overlap
        std::uint32_t* to = pixel_at(d, r.dx + i0, r.dy + j0);
        const std::uint32_t* from = pixel_at(s, r.sx + i0, r.sy + j0);
        for (i64 j = j0; j < j1; ++j, to += d->width, from += s->width) {
            std::memcpy(to, from, bytes);
            if (j + 1 == j1) break;  // no pointer past the last row
        }
    }
}

// Copies the parts of the rectangle that the bands of `changed`, a surface at offset (ox, oy) of
// the rectangle's offsets (the source's or the destination's position), say were written.
void copy_bands(Surface* d, const Surface* s, const CopyRect& r, const Surface& changed, i64 ox,
                i64 oy) {
    const std::vector<SurfaceChanges::Band>& bands = changed.changes.bands;
    for (std::size_t b = 0; b < bands.size(); ++b) {
        if (bands[b].lo > bands[b].hi) continue;
        const i64 top = static_cast<i64>(b) << SurfaceChanges::kBandShift;
        copy_rows(d, s, r, std::max<i64>(r.x0, bands[b].lo - ox), std::max<i64>(r.y0, top - oy),
                  std::min<i64>(r.x1, bands[b].hi + 1 - ox),
                  std::min<i64>(r.y1, top + SurfaceChanges::kBandRows - oy));
    }
}

// Starts a surface's record afresh: nothing written yet, and a new id.
void restart_changes(Surface* s) {
    static std::atomic<std::uint64_t> last_id{0};
    const std::size_t count =
        (static_cast<std::size_t>(s->height) + SurfaceChanges::kBandRows - 1) >>
        SurfaceChanges::kBandShift;
    s->changes.bands.assign(count, SurfaceChanges::Band{s->width, -1});
    s->changes.id = ++last_id;
}

}  // namespace

bool bit_blt(DC dest, int x, int y, int width, int height, DC src, int src_x, int src_y) {
    Surface* d = dc_surface(dest);
    Surface* s = dc_surface(src);
    if (d == nullptr || s == nullptr || width <= 0 || height <= 0) return false;
    const CopyRect r(*d, *s, x, y, width, height, src_x, src_y);
    if (!r.empty()) {
        copy_rows(d, s, r, r.x0, r.y0, r.x1, r.y1);
        d->changed(static_cast<int>(r.dx + r.x0), static_cast<int>(r.dy + r.y0),
                   static_cast<int>(r.dx + r.x1 - 1), static_cast<int>(r.dy + r.y1 - 1));
    }
    surface_touched(dest);
    return true;
}

bool copy_changes(DC dest, int x, int y, int width, int height, DC src, int src_x, int src_y) {
    Surface* d = dc_surface(dest);
    Surface* s = dc_surface(src);
    if (d == nullptr || s == nullptr || width <= 0 || height <= 0) return false;
    if (d == s) return bit_blt(dest, x, y, width, height, src, src_x, src_y);
    const CopyRect r(*d, *s, x, y, width, height, src_x, src_y);
    const i64 rect[8] = {r.dx, r.dy, r.sx, r.sy, r.x0, r.y0, r.x1, r.y1};
    // The destination holds the source's pixels of the last copy wherever neither has been
    // written since: the destination's record names that copy, from the source's present record,
    // of the same rectangle.
    const bool known = d->changes.copied_from != 0 && d->changes.copied_from == s->changes.id &&
                       !d->changes.bands.empty() && !s->changes.bands.empty() &&
                       std::equal(rect, rect + 8, d->changes.copied_rect);
    if (!r.empty()) {
        if (known) {
            copy_bands(d, s, r, *s, r.sx, r.sy);
            copy_bands(d, s, r, *d, r.dx, r.dy);
        } else {
            copy_rows(d, s, r, r.x0, r.y0, r.x1, r.y1);
        }
    }
    restart_changes(s);
    restart_changes(d);
    d->changes.copied_from = s->changes.id;
    std::copy(rect, rect + 8, d->changes.copied_rect);
    surface_touched(dest);
    return true;
}

bool scroll_dc(DC dc, int dx, int dy) {
    Surface* s = dc_surface(dc);
    if (s == nullptr) return false;
    bit_blt(dc, dx, dy, s->width, s->height, dc, 0, 0);
    return true;
}

}  // namespace plat
