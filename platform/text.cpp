// Text output: faces found through fontconfig, glyphs rendered by FreeType in monochrome so that
// text is exact 32-bit pixels in the text colour, with cell metrics in the classic style.
//
// Fonts are created and deleted around every text command, so everything costly is cached here
// for the life of the process: the face a font description resolves to, and per (file, size) the
// loaded FreeType face, its metrics and its rendered glyphs. A font object only holds a shared
// reference to its cached face.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

#include "platform/gdi_internal.h"

namespace plat {

namespace {

using i64 = std::int64_t;

struct Glyph {
    bool loaded = false;
    int left = 0;  // from the pen position to the bitmap's left column
    int top = 0;   // from the baseline up to the bitmap's top row
    int width = 0;
    int rows = 0;
    int advance = 0;
    std::vector<std::uint8_t> ink;  // width * rows, 1 where the glyph paints
};

}  // namespace

struct FontFace {
    FT_Face face = nullptr;
    TextMetrics metrics;
    std::array<Glyph, 256> glyphs;

    FontFace() = default;
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
    ~FontFace() {
        if (face != nullptr) FT_Done_Face(face);
    }

    // Bytes are Latin-1, so a byte is its own Unicode code point. Codes without a glyph (control
    // characters among them) show the face's missing-glyph shape, as the classic services do.
    const Glyph& glyph(unsigned char code) {
        Glyph& g = glyphs[code];
        if (g.loaded) return g;
        g.loaded = true;
        if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return g;
        FT_GlyphSlot slot = face->glyph;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        const FT_Bitmap& bm = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(bm.width);
        g.rows = static_cast<int>(bm.rows);
        g.ink.assign(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.rows), 0);
        const int pitch = bm.pitch < 0 ? -bm.pitch : bm.pitch;
        for (int r = 0; r < g.rows; ++r) {
            const unsigned char* line =
                bm.buffer + static_cast<std::ptrdiff_t>(bm.pitch >= 0 ? r : g.rows - 1 - r) * pitch;
            for (int c = 0; c < g.width; ++c) {
                bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO
                              ? (line[c >> 3] & (0x80 >> (c & 7))) != 0
                              : line[c] >= 128;
                g.ink[static_cast<std::size_t>(r) * static_cast<std::size_t>(g.width) +
                      static_cast<std::size_t>(c)] = on ? 1 : 0;
            }
        }
        return g;
    }
};

namespace {

// Sizes beyond this are rendered at this em size: larger glyphs would only cost memory.
constexpr int kMaxPixelSize = 1024;

struct Resolved {
    std::string file;  // empty: fontconfig found nothing
    int index = 0;
};

struct TextCache {
    FT_Library library = nullptr;
    bool library_failed = false;
    bool reported = false;
    std::map<std::string, Resolved> resolved;
    std::map<std::tuple<std::string, int, int, bool>, std::shared_ptr<FontFace>> faces;
};

// Never destroyed: fonts held by stock objects outlive every static destructor.
TextCache& cache() {
    static TextCache* instance = new TextCache;
    return *instance;
}

void report_once(const char* what) {
    TextCache& c = cache();
    if (c.reported) return;
    c.reported = true;
    std::fprintf(stderr, "platform: %s; text will not be drawn\n", what);
}

// Fontconfig is initialised once and never finalised here: other libraries in the process (the
// desktop toolkit's font rendering) share its caches, and finalising them at exit while those still
// hold references aborts the program.
bool fontconfig_ready() {
    static const bool ready = [] { return FcInit() == FcTrue; }();
    return ready;
}

bool is_stock_fixed(const FontObject& f) {
    return f.stock && f.fixed_pitch;
}

// Asks fontconfig for the face: the requested family first, then DejaVu and the generic family,
// so that an unknown name such as "VELTA-font" gives a normal sans face (or a monospace one when
// fixed pitch is asked for).
Resolved resolve_file(const FontObject& f) {
    const bool bold = f.weight >= 600;
    std::string key = f.face + '\n' + (bold ? 'b' : 'r') + (f.fixed_pitch ? 'm' : 'p');
    TextCache& c = cache();
    auto it = c.resolved.find(key);
    if (it != c.resolved.end()) return it->second;
    Resolved out;
    if (fontconfig_ready()) {
        FcPattern* pattern = FcPatternCreate();
        if (pattern != nullptr) {
            auto family = [&](const char* name) {
                FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
            };
            if (!f.face.empty()) family(f.face.c_str());
            if (f.fixed_pitch) {
                family("DejaVu Sans Mono");
                family("monospace");
                FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
            } else {
                family("DejaVu Sans");
                family("sans-serif");
            }
            FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
            FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
            FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
            FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
            FcDefaultSubstitute(pattern);
            FcResult result = FcResultNoMatch;
            FcPattern* match = FcFontMatch(nullptr, pattern, &result);
            if (match != nullptr) {
                FcChar8* file = nullptr;
                int index = 0;
                if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
                    out.file = reinterpret_cast<const char*>(file);
                    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
                        out.index = index;
                }
                FcPatternDestroy(match);
            }
            FcPatternDestroy(pattern);
        }
    }
    c.resolved.emplace(key, out);
    return out;
}

int scale(i64 units, i64 ppem, i64 upem) {
    return static_cast<int>(std::llround(static_cast<double>(units) * static_cast<double>(ppem) /
                                         static_cast<double>(upem)));
}

// Cell metrics in the classic style: ascent and descent from the face's Windows metrics (which
// are made to enclose every glyph), internal leading = cell height less the em size.
//   height < 0: an em of -height pixels; height > 0: a cell of height pixels; 0: a 16-pixel cell.
//   The stock fixed-pitch font imitates the classic 13-pixel Courier raster font: ascent 11,
//   descent 2, no leading, with the face drawn at a 12-pixel em whose glyphs fit that cell.
bool set_up(FontFace& ff, const FontObject& f) {
    FT_Face face = ff.face;
    const i64 upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    i64 win_a = os2 && os2->usWinAscent > 0 ? os2->usWinAscent : face->ascender;
    i64 win_d = os2 && os2->usWinAscent > 0 ? os2->usWinDescent : -face->descender;
    if (win_a <= 0) win_a = upem * 4 / 5;
    if (win_d < 0) win_d = 0;
    TextMetrics& m = ff.metrics;
    int ppem;
    if (is_stock_fixed(f)) {
        ppem = 12;
        m.ascent = 11;
        m.descent = 2;
        m.height = 13;
        m.internal_leading = 0;
    } else if (f.height < 0) {
        ppem = std::clamp(f.height == INT32_MIN ? kMaxPixelSize : -f.height, 1, kMaxPixelSize);
        m.ascent = scale(win_a, ppem, upem);
        m.descent = scale(win_d, ppem, upem);
        m.height = m.ascent + m.descent;
        m.internal_leading = std::max(0, m.height - ppem);
    } else {
        const i64 cell = std::clamp(f.height == 0 ? 16 : f.height, 1,
                                    static_cast<int>(kMaxPixelSize * (win_a + win_d) / upem));
        ppem = std::clamp(scale(cell, upem, win_a + win_d), 1, kMaxPixelSize);
        m.height = static_cast<int>(cell);
        m.ascent = scale(win_a, cell, win_a + win_d);
        m.descent = m.height - m.ascent;
        m.internal_leading = std::max(0, m.height - ppem);
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) return false;
    m.external_leading =
        is_stock_fixed(f) ? 0 : std::max(0, scale(face->height - (win_a + win_d), ppem, upem));
    if (FT_IS_FIXED_WIDTH(face) || os2 == nullptr || os2->xAvgCharWidth <= 0)
        m.ave_char_width = ff.glyph('x').advance;
    else
        m.ave_char_width = std::max(1, scale(os2->xAvgCharWidth, ppem, upem));
    return true;
}

// The cached face for a font, loaded on first use; null when no face can be had.
FontFace* face_for(FontObject* f) {
    if (f == nullptr) return nullptr;
    if (f->loaded) return f->loaded.get();
    TextCache& c = cache();
    if (c.library == nullptr) {
        if (c.library_failed) return nullptr;
        if (FT_Init_FreeType(&c.library) != 0) {
            c.library = nullptr;
            c.library_failed = true;
            report_once("FreeType could not be initialised");
            return nullptr;
        }
    }
    Resolved r = resolve_file(*f);
    if (r.file.empty()) {
        report_once("fontconfig found no font");
        return nullptr;
    }
    auto key =
        std::make_tuple(r.file, r.index, is_stock_fixed(*f) ? 0 : f->height, is_stock_fixed(*f));
    auto it = c.faces.find(key);
    if (it == c.faces.end()) {
        auto ff = std::make_shared<FontFace>();
        if (FT_New_Face(c.library, r.file.c_str(), r.index, &ff->face) != 0) {
            ff->face = nullptr;
            report_once(("FreeType could not load " + r.file).c_str());
            return nullptr;
        }
        if (!set_up(*ff, *f)) {
            report_once(("FreeType could not size " + r.file).c_str());
            return nullptr;
        }
        // Sizes nobody holds any more are dropped once the cache grows large.
        if (c.faces.size() >= 64)
            for (auto e = c.faces.begin(); e != c.faces.end();)
                e = e->second.use_count() == 1 ? c.faces.erase(e) : std::next(e);
        it = c.faces.emplace(key, std::move(ff)).first;
    }
    f->loaded = it->second;
    return f->loaded.get();
}

// Metrics when no face is available, so that callers can still lay out lines.
TextMetrics metrics_without_face(const FontObject* f) {
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

i64 advance_sum(FontFace& ff, const char* text, int length) {
    i64 sum = 0;
    for (int i = 0; i < length; ++i) sum += ff.glyph(static_cast<unsigned char>(text[i])).advance;
    return sum;
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
    FontFace* ff = face_for(dc->font);
    if (ff == nullptr) return false;
    const TextMetrics& m = ff->metrics;
    const i64 cx = advance_sum(*ff, text, length);
    const i64 cell_l = x, cell_r = static_cast<i64>(x) + cx;  // exclusive
    const i64 cell_t = y, cell_b = static_cast<i64>(y) + m.height;
    const i64 col0 = std::max<i64>(cell_l, 0), col1 = std::min<i64>(cell_r, s->width);
    const i64 row0 = std::max<i64>(cell_t, 0), row1 = std::min<i64>(cell_b, s->height);
    if (dc->bk_mode == bk::opaque)
        for (i64 r = row0; r < row1; ++r)
            for (i64 c = col0; c < col1; ++c)
                s->put(static_cast<int>(c), static_cast<int>(r), dc->bk_color);
    const i64 baseline = cell_t + m.ascent;
    i64 pen = x;
    for (int i = 0; i < length && pen < col1; ++i) {
        const Glyph& g = ff->glyph(static_cast<unsigned char>(text[i]));
        const i64 gx = pen + g.left, gy = baseline - g.top;
        for (int r = 0; r < g.rows; ++r) {
            const i64 py = gy + r;
            if (py < row0 || py >= row1) continue;
            for (int c = 0; c < g.width; ++c) {
                const i64 px = gx + c;
                if (px < col0 || px >= col1) continue;
                if (g.ink[static_cast<std::size_t>(r) * static_cast<std::size_t>(g.width) +
                          static_cast<std::size_t>(c)])
                    s->put(static_cast<int>(px), static_cast<int>(py), dc->text_color);
            }
        }
        pen += g.advance;
    }
    surface_touched(dc);
    return true;
}

bool get_text_extent_point(DC dc, const char* text, int length, Size* size) {
    if (dc == nullptr || size == nullptr || !valid_text(text, length)) return false;
    FontFace* ff = face_for(dc->font);
    if (ff == nullptr) {
        TextMetrics m = metrics_without_face(dc->font);
        *size = Size{
            static_cast<int>(std::min<i64>(static_cast<i64>(length) * m.ave_char_width, INT32_MAX)),
            m.height};
        return true;
    }
    *size = Size{static_cast<int>(std::min<i64>(advance_sum(*ff, text, length), INT32_MAX)),
                 ff->metrics.height};
    return true;
}

bool get_text_metrics(DC dc, TextMetrics* metrics) {
    if (dc == nullptr || metrics == nullptr) return false;
    FontFace* ff = face_for(dc->font);
    *metrics = ff != nullptr ? ff->metrics : metrics_without_face(dc->font);
    return true;
}

}  // namespace plat
