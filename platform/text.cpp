// Text output through the text service that is linked in (text_service.h): the text cell, the
// opaque background, clipping to the cell, and metrics when no font can be had.
#include <algorithm>
#include <cstdint>

#include "platform/gdi_internal.h"
#include "platform/text_service.h"

namespace plat {
namespace {

using i64 = std::int64_t;

// Sizes beyond this are treated as this size.
constexpr int kMaxPixelSize = 1024;

bool is_stock_fixed(const FontObject& f) {
    return f.stock && f.fixed_pitch;
}

// The font behind a font object, asked for on first use; null when none can be had.
Font* font_for(FontObject* f) {
    if (f == nullptr) return nullptr;
    if (!f->loaded) {
        FontRequest request;
        request.height = f->height;
        request.weight = f->weight;
        request.face = f->face;
        request.fixed_pitch = f->fixed_pitch;
        request.italic = f->italic;
        request.underline = f->underline;
        request.strike_out = f->strike_out;
        request.charset = f->charset;
        request.pitch_and_family = f->pitch_and_family;
        request.stock_fixed = is_stock_fixed(*f);
        f->loaded = text_service().font(request);
    }
    return f->loaded.get();
}

// Metrics when no font is available, so that callers can still lay out lines.
TextMetrics metrics_without_font(const FontObject* f) {
    int cell = 16;
    if (f != nullptr && is_stock_fixed(*f))
        cell = 13;
    else if (f != nullptr && f->height > 0)
        cell = std::min(f->height, kMaxPixelSize);
    else if (f != nullptr && f->height < 0)
        cell = std::min(f->height == INT32_MIN ? kMaxPixelSize : -f->height, kMaxPixelSize) * 6 / 5;
    TextMetrics m;
    m.height = std::max(cell, 1);
    m.ascent = m.height * 4 / 5;
    m.descent = m.height - m.ascent;
    m.ave_char_width = std::max(m.height / 2, 1);
    return m;
}

bool valid_text(const char* text, int length) {
    return length >= 0 && (text != nullptr || length == 0);
}

}  // namespace

// Draws with the top-left of the text cell at (x, y). Glyph pixels are kept inside the cell, so
// a glyph that overhangs it (a bearing past the first or last advance) is cut there: text then
// paints exactly the cell that the extent reports, in both background modes.
bool text_out(DC dc, int x, int y, const char* text, int length) {
    Surface* s = dc_surface(dc);
    if (s == nullptr || !valid_text(text, length)) return false;
    Font* font = font_for(dc->font);
    if (font == nullptr) return false;
    const TextMetrics& m = font->metrics();
    const i64 cx = font->advance(text, length);
    const i64 cell_l = x, cell_r = static_cast<i64>(x) + cx;  // exclusive
    const i64 cell_t = y, cell_b = static_cast<i64>(y) + m.height;
    Rect clip;
    clip.left = static_cast<int>(std::max<i64>(cell_l, 0));
    clip.right = static_cast<int>(std::min<i64>(cell_r, s->width));
    clip.top = static_cast<int>(std::max<i64>(cell_t, 0));
    clip.bottom = static_cast<int>(std::min<i64>(cell_b, s->height));
    if (dc->bk_mode == bk::opaque)
        for (int r = clip.top; r < clip.bottom; ++r)
            for (int c = clip.left; c < clip.right; ++c) s->put(c, r, dc->bk_color);
    if (clip.left < clip.right && clip.top < clip.bottom)
        font->draw(*s, x, y, text, length, dc->text_color, clip);
    surface_touched(dc);
    return true;
}

bool get_text_extent_point(DC dc, const char* text, int length, Size* size) {
    if (dc == nullptr || size == nullptr || !valid_text(text, length)) return false;
    Font* font = font_for(dc->font);
    if (font == nullptr) {
        TextMetrics m = metrics_without_font(dc->font);
        *size = Size{
            static_cast<int>(std::min<i64>(static_cast<i64>(length) * m.ave_char_width, INT32_MAX)),
            m.height};
        return true;
    }
    *size = Size{static_cast<int>(std::min<i64>(font->advance(text, length), INT32_MAX)),
                 font->metrics().height};
    return true;
}

bool get_text_metrics(DC dc, TextMetrics* metrics) {
    if (dc == nullptr || metrics == nullptr) return false;
    Font* font = font_for(dc->font);
    *metrics = font != nullptr ? font->metrics() : metrics_without_font(dc->font);
    return true;
}

}  // namespace plat
