// The text service on FreeType: glyphs rendered in monochrome, so that text is exact 32-bit pixels
// in the text colour, with cell metrics in the classic style. Font files come from find_font_file.
//
// Fonts are created and deleted around every text command, so everything costly is cached here
// for the life of the process: the file a font description resolves to, and per (file, size) the
// loaded FreeType face, its metrics and its rendered glyphs. A font object only holds a shared
// reference to its cached face.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/freetype/font_files.h"
#include "platform/text_service.h"

namespace plat {
namespace {

using i64 = std::int64_t;

// Sizes beyond this are rendered at this em size: larger glyphs would only cost memory.
constexpr int kMaxPixelSize = 1024;

struct Glyph {
    bool loaded = false;
    int left = 0;  // from the pen position to the bitmap's left column
    int top = 0;   // from the baseline up to the bitmap's top row
    int width = 0;
    int rows = 0;
    int advance = 0;
    std::vector<std::uint8_t> ink;  // width * rows, 1 where the glyph paints
};

class FreeTypeFont final : public Font {
  public:
    FT_Face face = nullptr;
    TextMetrics cell;

    FreeTypeFont() = default;
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;
    ~FreeTypeFont() override {
        if (face != nullptr) FT_Done_Face(face);
    }

    const TextMetrics& metrics() override { return cell; }

    i64 advance(const char* text, int length) override {
        i64 sum = 0;
        for (int i = 0; i < length; ++i) sum += glyph(static_cast<unsigned char>(text[i])).advance;
        return sum;
    }

    void draw(Surface& s, int x, int y, const char* text, int length, Color color,
              const Rect& clip) override {
        const i64 baseline = static_cast<i64>(y) + cell.ascent;
        i64 pen = x;
        for (int i = 0; i < length && pen < clip.right; ++i) {
            const Glyph& g = glyph(static_cast<unsigned char>(text[i]));
            const i64 gx = pen + g.left, gy = baseline - g.top;
            for (int r = 0; r < g.rows; ++r) {
                const i64 py = gy + r;
                if (py < clip.top || py >= clip.bottom) continue;
                for (int c = 0; c < g.width; ++c) {
                    const i64 px = gx + c;
                    if (px < clip.left || px >= clip.right) continue;
                    if (g.ink[static_cast<std::size_t>(r) * static_cast<std::size_t>(g.width) +
                              static_cast<std::size_t>(c)])
                        s.put(static_cast<int>(px), static_cast<int>(py), color);
                }
            }
            pen += g.advance;
        }
    }

    // Bytes are Latin-1, so a byte is its own Unicode code point. Codes without a glyph (control
    // characters among them) show the face's missing-glyph shape, as the classic services do.
    const Glyph& glyph(unsigned char code) {
        Glyph& g = glyphs_[code];
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

  private:
    std::array<Glyph, 256> glyphs_;
};

int scale(i64 units, i64 ppem, i64 upem) {
    return static_cast<int>(std::llround(static_cast<double>(units) * static_cast<double>(ppem) /
                                         static_cast<double>(upem)));
}

// Cell metrics in the classic style: ascent and descent from the face's Windows metrics (which
// are made to enclose every glyph), internal leading = cell height less the em size.
//   height < 0: an em of -height pixels; height > 0: a cell of height pixels; 0: a 16-pixel cell.
//   The stock fixed-pitch font imitates the classic 13-pixel Courier raster font: ascent 11,
//   descent 2, no leading, with the face drawn at a 12-pixel em whose glyphs fit that cell.
bool set_up(FreeTypeFont& ff, const FontRequest& f) {
    FT_Face face = ff.face;
    const i64 upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    i64 win_a = os2 && os2->usWinAscent > 0 ? os2->usWinAscent : face->ascender;
    i64 win_d = os2 && os2->usWinAscent > 0 ? os2->usWinDescent : -face->descender;
    if (win_a <= 0) win_a = upem * 4 / 5;
    if (win_d < 0) win_d = 0;
    TextMetrics& m = ff.cell;
    int ppem;
    if (f.stock_fixed) {
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
        f.stock_fixed ? 0 : std::max(0, scale(face->height - (win_a + win_d), ppem, upem));
    if (FT_IS_FIXED_WIDTH(face) || os2 == nullptr || os2->xAvgCharWidth <= 0)
        m.ave_char_width = ff.glyph('x').advance;
    else
        m.ave_char_width = std::max(1, scale(os2->xAvgCharWidth, ppem, upem));
    return true;
}

class FreeTypeService final : public TextService {
  public:
    std::shared_ptr<Font> font(const FontRequest& f) override {
        if (library_ == nullptr) {
            if (library_failed_) return nullptr;
            if (FT_Init_FreeType(&library_) != 0) {
                library_ = nullptr;
                library_failed_ = true;
                report_once("FreeType could not be initialised");
                return nullptr;
            }
        }
        FontFile file = file_for(f);
        if (file.path.empty()) {
            report_once("no font file was found");
            return nullptr;
        }
        auto key =
            std::make_tuple(file.path, file.index, f.stock_fixed ? 0 : f.height, f.stock_fixed);
        auto it = faces_.find(key);
        if (it == faces_.end()) {
            auto ff = std::make_shared<FreeTypeFont>();
            if (FT_New_Face(library_, file.path.c_str(), file.index, &ff->face) != 0) {
                ff->face = nullptr;
                report_once(("FreeType could not load " + file.path).c_str());
                return nullptr;
            }
            if (!set_up(*ff, f)) {
                report_once(("FreeType could not size " + file.path).c_str());
                return nullptr;
            }
            // Sizes nobody holds any more are dropped once the cache grows large.
            if (faces_.size() >= 64)
                for (auto e = faces_.begin(); e != faces_.end();)
                    e = e->second.use_count() == 1 ? faces_.erase(e) : std::next(e);
            it = faces_.emplace(key, std::move(ff)).first;
        }
        return it->second;
    }

  private:
    // The lookup is asked once per family, weight and pitch.
    FontFile file_for(const FontRequest& f) {
        const bool bold = f.weight >= 600;
        std::string key = f.face + '\n' + (bold ? 'b' : 'r') + (f.fixed_pitch ? 'm' : 'p');
        auto it = files_.find(key);
        if (it == files_.end())
            it = files_.emplace(key, find_font_file(f.face, bold, f.fixed_pitch)).first;
        return it->second;
    }

    void report_once(const char* what) {
        if (reported_) return;
        reported_ = true;
        std::fprintf(stderr, "platform: %s; text will not be drawn\n", what);
    }

    FT_Library library_ = nullptr;
    bool library_failed_ = false;
    bool reported_ = false;
    std::map<std::string, FontFile> files_;
    std::map<std::tuple<std::string, int, int, bool>, std::shared_ptr<FreeTypeFont>> faces_;
};

}  // namespace

// Never destroyed: fonts held by stock objects outlive every static destructor.
TextService& text_service() {
    static TextService* instance = new FreeTypeService;
    return *instance;
}

}  // namespace plat
