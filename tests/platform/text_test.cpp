// Text: cell metrics, extents and the pixels that text output paints.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "raster_support.h"

using raster_test::Canvas;
using raster_test::kWhite;

namespace {

constexpr plat::Color kInk = 0x123456;
constexpr plat::Color kPaper = 0xABCDEF;
constexpr plat::Color kOld = 0x808080;

plat::GdiHandle font(int height, const char* face = "VELTA-font", int weight = 400) {
    return plat::create_font(height, 0, 0, 0, weight, false, false, false, 0, 0, 0, 0, 0, face);
}

// A canvas with a font selected for as long as it lives.
class TextCanvas : public Canvas {
  public:
    TextCanvas(int w, int h, plat::GdiHandle f) : Canvas(w, h), font_(f) {
        old_ = plat::select_object(dc, f);
        plat::set_text_color(dc, kInk);
        plat::get_text_metrics(dc, &metrics);
    }
    ~TextCanvas() {
        plat::select_object(dc, old_);
        plat::delete_object(font_);
    }
    plat::Size extent(const std::string& s) {
        plat::Size size;
        plat::get_text_extent_point(dc, s.data(), static_cast<int>(s.size()), &size);
        return size;
    }
    void out(int x, int y, const std::string& s) {
        plat::text_out(dc, x, y, s.data(), static_cast<int>(s.size()));
    }
    plat::TextMetrics metrics;

  private:
    plat::GdiHandle font_, old_;
};

}  // namespace

TEST(TextMetrics, StockFixedFontIsA13PixelCourierLikeCell) {
    TextCanvas c(10, 10, plat::get_stock_object(plat::stock::ansi_fixed_font));
    EXPECT_EQ(c.metrics.height, 13);
    EXPECT_EQ(c.metrics.ascent, 11);
    EXPECT_EQ(c.metrics.descent, 2);
    EXPECT_EQ(c.metrics.internal_leading, 0);
    EXPECT_EQ(c.metrics.external_leading, 0);
    ASSERT_GT(c.metrics.ave_char_width, 0);
    // Monospace: every character advances by the average width, newline and Latin-1 included.
    const std::string s = "iW.\n\xe9M";
    EXPECT_EQ(c.extent(s).cx, c.metrics.ave_char_width * static_cast<int>(s.size()));
    EXPECT_EQ(c.extent(s).cy, 13);
    EXPECT_EQ(c.extent("").cx, 0);
}

TEST(TextMetrics, HeightsGiveCharacterOrCellHeight) {
    for (int px : {12, 16, 20}) {
        TextCanvas c(10, 10, font(-px));
        const auto& m = c.metrics;
        EXPECT_EQ(m.height - m.internal_leading, px);
        EXPECT_EQ(m.ascent + m.descent, m.height);
        EXPECT_GT(m.descent, 0);
        EXPECT_GT(m.ave_char_width, 0);
        EXPECT_EQ(c.extent("AB").cy, m.height);
        EXPECT_EQ(c.extent("AB").cx, c.extent("A").cx + c.extent("B").cx);
        EXPECT_LT(c.extent("iii").cx, c.extent("WWW").cx);  // proportional face
    }
    TextCanvas cell(10, 10, font(20));
    EXPECT_EQ(cell.metrics.height, 20);
    EXPECT_EQ(cell.metrics.ascent + cell.metrics.descent, 20);
    TextCanvas sys(10, 10, plat::get_stock_object(plat::stock::system_font));
    EXPECT_EQ(sys.metrics.height, 16);
    // Absurd sizes are bounded and still consistent.
    TextCanvas huge(10, 10, font(INT_MIN));
    EXPECT_GT(huge.metrics.height, 0);
    EXPECT_EQ(huge.metrics.ascent + huge.metrics.descent, huge.metrics.height);
}

TEST(TextOutput, GlyphsStayInsideTheCell) {
    TextCanvas c(120, 40, font(-16));
    c.clear(kOld);
    plat::set_bk_mode(c.dc, plat::bk::transparent);
    const std::string s = "Wgj|y_\xc5(";
    const plat::Size e = c.extent(s);
    c.out(10, 8, s);
    int ink = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const plat::Color p = c.surface().at(x, y);
            const bool in_cell = x >= 10 && x < 10 + e.cx && y >= 8 && y < 8 + e.cy;
            EXPECT_TRUE(p == kOld || (p == kInk && in_cell)) << x << "," << y;
            ink += p == kInk;
        }
    EXPECT_GT(ink, 30);

    // Opaque mode paints the same glyph pixels and the rest of the cell in the background colour.
    Canvas transparent(120, 40);
    transparent.surface().pixels = c.surface().pixels;
    c.clear(kOld);
    plat::set_bk_mode(c.dc, plat::bk::opaque);
    const plat::Color bk = plat::get_bk_color(c.dc);
    c.out(10, 8, s);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool in_cell = x >= 10 && x < 10 + e.cx && y >= 8 && y < 8 + e.cy;
            const plat::Color t = transparent.surface().at(x, y);
            const plat::Color want = t == kInk ? kInk : in_cell ? bk : kOld;
            EXPECT_EQ(c.surface().at(x, y), want) << x << "," << y;
        }
    EXPECT_EQ(bk, kWhite);  // a fresh context's background colour
}

TEST(TextOutput, DifferentTextDiffersAndSameTextRepeats) {
    TextCanvas a(80, 20, font(-12)), b(80, 20, font(-12));
    a.out(0, 0, "Hello");
    b.out(0, 0, "Hellp");
    EXPECT_NE(a.picture(), b.picture());
    b.clear();
    b.out(0, 0, "Hello");
    EXPECT_EQ(a.picture(), b.picture());
    // Latin-1: an accented letter is its own glyph.
    a.clear();
    b.clear();
    a.out(0, 0, "e");
    b.out(0, 0, "\xe9");
    EXPECT_NE(a.picture(), b.picture());
}

TEST(TextOutput, UnknownFaceFallsBackToNormalSans) {
    TextCanvas unknown(100, 30, font(-16, "VELTA-font")), sans(100, 30, font(-16, "DejaVu Sans"));
    TextCanvas bold(100, 30, font(-16, "DejaVu Sans", 700));
    unknown.out(2, 2, "Traffic 42");
    sans.out(2, 2, "Traffic 42");
    bold.out(2, 2, "Traffic 42");
    EXPECT_EQ(unknown.picture(), sans.picture());
    EXPECT_NE(unknown.picture(), bold.picture());
    // Fonts are created per command: equal descriptions share one loaded face.
    auto* f1 = static_cast<plat::FontObject*>(font(-16));
    auto* f2 = static_cast<plat::FontObject*>(font(-16));
    Canvas c(4, 4);
    for (auto* f : {f1, f2}) {
        plat::GdiHandle old = plat::select_object(c.dc, f);
        plat::TextMetrics m;
        plat::get_text_metrics(c.dc, &m);
        plat::select_object(c.dc, old);
    }
    EXPECT_NE(f1->loaded, nullptr);
    EXPECT_EQ(f1->loaded, f2->loaded);
    plat::delete_object(f1);
    plat::delete_object(f2);
}

TEST(TextOutput, ClippedAtSurfaceEdgesAndFarAway) {
    TextCanvas c(40, 20, font(-14));
    TextCanvas whole(80, 60, font(-14));
    whole.out(20, 20, "Mgq");
    c.out(-5, -6, "Mgq");  // cut at the top and left: matches the same part of the whole text
    EXPECT_EQ(c.picture(), whole.picture(25, 26, 65, 46));
    c.clear(kOld);
    c.out(INT_MAX - 3, 0, "WWWW");
    c.out(INT_MIN, INT_MIN, "WWWW");
    c.out(0, INT_MAX, "W");
    c.out(38, 18, "W");
    EXPECT_NE(c.surface().at(38, 18), kOld);  // the part on the surface is drawn
    EXPECT_FALSE(plat::text_out(c.dc, 0, 0, "x", -1));
    EXPECT_FALSE(plat::text_out(c.dc, 0, 0, nullptr, 3));
}
