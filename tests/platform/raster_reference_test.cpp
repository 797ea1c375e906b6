// The shape services against references over many seeded random shapes: the polygon fill and the
// one-pixel line checked pixel by pixel against their rules evaluated directly (exact comparisons
// of products, whatever the coordinates), and every kind of shape against the hashes of the
// pictures that the rasterizer drew when these tests were written.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "raster_support.h"

namespace {

using i64 = std::int64_t;
using u64 = std::uint64_t;
using raster_test::Canvas;
using raster_test::Dice;
using raster_test::kBrush;
using raster_test::kPen;
using raster_test::kWhite;
using raster_test::release_tools;
using raster_test::select_tools;

// ---- exact products ----------------------------------------------------------------------------
// A signed 128-bit value as two 64-bit halves, for products of operands below 2^63 in magnitude.
struct Wide {
    i64 hi;
    u64 lo;
};

Wide product(i64 a, i64 b) {
    const bool negative = (a < 0) != (b < 0);
    const u64 ua = a < 0 ? 0 - static_cast<u64>(a) : static_cast<u64>(a);
    const u64 ub = b < 0 ? 0 - static_cast<u64>(b) : static_cast<u64>(b);
    const u64 a0 = ua & 0xFFFFFFFFu, a1 = ua >> 32, b0 = ub & 0xFFFFFFFFu, b1 = ub >> 32;
    const u64 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const u64 mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    u64 lo = (p00 & 0xFFFFFFFFu) | (mid << 32);
    u64 hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
    if (negative) {
        lo = ~lo + 1;
        hi = ~hi + (lo == 0 ? 1 : 0);
    }
    return {static_cast<i64>(hi), lo};
}

bool operator<(const Wide& x, const Wide& y) {
    return x.hi != y.hi ? x.hi < y.hi : x.lo < y.lo;
}
bool operator<=(const Wide& x, const Wide& y) {
    return !(y < x);
}

// ---- the rules ---------------------------------------------------------------------------------
// Fill: pixel (x, y) is inside when an odd number of the non-horizontal edges with
// top <= y < bottom cross row y at or left of x (spans run from the ceiling of one crossing to the
// ceiling of the next, and ceil(c) <= x exactly when c <= x).
bool inside(const std::vector<plat::Point>& p, i64 x, i64 y) {
    const std::size_t n = p.size();
    if (n < 3) return false;
    bool odd = false;
    for (std::size_t i = 0; i < n; ++i) {
        plat::Point a = p[i], b = p[(i + 1) % n];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        if (y < a.y || y >= b.y) continue;
        // crossing a.x + (y - a.y) dx / dy <= x, with dy > 0
        const i64 dx = static_cast<i64>(b.x) - a.x, dy = static_cast<i64>(b.y) - a.y;
        if (product(y - a.y, dx) <= product(x - a.x, dy)) odd = !odd;
    }
    return odd;
}

// One-pixel line from a towards b, its end left out: step k along the major axis in [0, n) and
// the minor offset d rounded to nearest, halves down: (2d - 1) n < 2 k dminor <= (2d + 1) n.
bool on_line(plat::Point a, plat::Point b, i64 x, i64 y) {
    const i64 dx = static_cast<i64>(b.x) - a.x, dy = static_cast<i64>(b.y) - a.y;
    const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool x_major = adx > ady;
    const i64 n = x_major ? adx : ady;
    if (n == 0) return false;
    const i64 major = x_major ? x - a.x : y - a.y, minor = x_major ? y - a.y : x - a.x;
    const i64 dmajor = x_major ? dx : dy, dminor = x_major ? dy : dx;
    const i64 k = dmajor < 0 ? -major : major;
    if (k < 0 || k >= n) return false;
    const Wide twice = product(2 * k, dminor);
    return product(2 * minor - 1, n) < twice && twice <= product(2 * minor + 1, n);
}

// ---- seeded shapes -----------------------------------------------------------------------------
// b + (b - a), modulo 2^32.
int onward(int a, int b) {
    const std::uint32_t ua = static_cast<std::uint32_t>(a), ub = static_cast<std::uint32_t>(b);
    return static_cast<int>(ub + (ub - ua));
}

// Random polygons of the kinds where the fill's crossings need care: vertices on a coarse grid, so
// that edges run through many pixel centres and vertices share rows; repeated and collinear points;
// self-crossing outlines; and vertices far off the surface or at the limits of int.
std::vector<plat::Point> random_polygon(Dice& d, int w, int h) {
    const int n = static_cast<int>(d.between(3, 9));
    std::vector<plat::Point> p;
    const int grid = static_cast<int>(d.between(1, 6));
    for (int i = 0; i < n; ++i) {
        plat::Point q{d.coordinate(w, 6), d.coordinate(h, 6)};
        if (grid > 1 && q.x > -1000 && q.x < 1000 && q.y > -1000 && q.y < 1000) {
            q.x -= q.x % grid;
            q.y -= q.y % grid;
        }
        if (!p.empty() && d.one_in(6)) q = p.back();      // a repeated point
        if (!p.empty() && d.one_in(6)) q.y = p.back().y;  // a horizontal edge
        if (p.size() >= 2 && d.one_in(8))  // collinear, wrapping around at the limits of int
            q = {onward(p[p.size() - 2].x, p.back().x), onward(p[p.size() - 2].y, p.back().y)};
        p.push_back(q);
    }
    return p;
}

// ---- the fill and the line against their rules ------------------------------------------------

TEST(RasterReference, PolygonFillFollowsTheCrossingRuleEverywhere) {
    Dice d(2024);
    const int w = 23, h = 17;
    for (int round = 0; round < 4000; ++round) {
        std::vector<plat::Point> p = random_polygon(d, w, h);
        Canvas c(w, h);
        c.use(-1, true);
        plat::polygon(c.dc, p.data(), static_cast<int>(p.size()));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool want = inside(p, x, y);
                if ((c.surface().at(x, y) == kBrush) != want) {
                    std::string points;
                    for (const plat::Point& q : p)
                        points += "(" + std::to_string(q.x) + "," + std::to_string(q.y) + ") ";
                    FAIL() << "round " << round << " pixel " << x << "," << y << " should be "
                           << (want ? "inside" : "outside") << " of " << points;
                }
            }
    }
}

TEST(RasterReference, PolygonOutlineIsTheClosedChainOfLinesOverTheFill) {
    Dice d(77);
    const int w = 19, h = 21;
    for (int round = 0; round < 2000; ++round) {
        std::vector<plat::Point> p = random_polygon(d, w, h);
        if (d.one_in(5)) p.resize(2);  // two points: there and back
        const std::size_t n = p.size();
        Canvas c(w, h);
        c.use(d.one_in(2) ? 0 : 1, true);
        plat::polygon(c.dc, p.data(), static_cast<int>(n));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool pen = false;
                for (std::size_t i = 0; i < n && !pen; ++i)
                    pen = on_line(p[i], p[(i + 1) % n], x, y);
                const plat::Color want = pen ? kPen : inside(p, x, y) ? kBrush : kWhite;
                ASSERT_EQ(c.surface().at(x, y), want)
                    << "round " << round << " at " << x << "," << y;
            }
    }
}

TEST(RasterReference, LinesFollowTheRoundingRuleWhateverTheirLength) {
    Dice d(5);
    const int w = 29, h = 13;
    for (int round = 0; round < 6000; ++round) {
        const plat::Point a{d.coordinate(w, 3), d.coordinate(h, 3)};
        plat::Point b{d.coordinate(w, 3), d.coordinate(h, 3)};
        if (d.one_in(4) && a.x > -(1 << 30) && a.x < 1 << 30 && a.y < 1 << 30)
            b = {a.x + static_cast<int>(d.between(-3, 3)) * 7, a.y + 7};  // through many centres
        Canvas c(w, h);
        c.use(0, false);
        plat::move_to(c.dc, a.x, a.y);
        plat::line_to(c.dc, b.x, b.y);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(c.surface().at(x, y) == kPen, on_line(a, b, x, y))
                    << "round " << round << " (" << a.x << "," << a.y << ") -> (" << b.x << ","
                    << b.y << ") at " << x << "," << y;
    }
}

// Runs are written in blocks with overlapping stores at their ends: every length from every
// starting column paints exactly its own pixels, in rows of a rectangle and of a triangle.
TEST(RasterReference, RunsOfEveryLengthPaintExactlyTheirPixels) {
    const int w = 90;
    Canvas c(w, 3);
    for (int length = 1; length <= 75; ++length)
        for (int x = 0; x + length <= w; x += 1 + length % 5) {
            c.clear();
            c.use(-1, true);
            plat::rectangle(c.dc, x, 1, x + length + 1, 3);  // the null pen's brush: one row
            const plat::Point tri[3] = {{x, 0}, {x + length, 0}, {x, 1}};
            plat::polygon(c.dc, tri, 3);  // row 0 only
            for (int y = 0; y < 3; ++y)
                for (int i = 0; i < w; ++i)
                    ASSERT_EQ(c.surface().at(i, y) == kBrush, y < 2 && i >= x && i < x + length)
                        << "length " << length << " from " << x << " at " << i << "," << y;
        }
}

// ---- every shape against recorded pictures ----------------------------------------------------
// FNV-1a, carried on over the pixels of each picture in turn.
void hash_surface(const plat::Surface& s, u64* h) {
    for (std::uint32_t px : s.pixels)
        for (int i = 0; i < 4; ++i) {
            *h ^= (px >> (8 * i)) & 0xFF;
            *h *= 1099511628211u;
        }
}

enum class Kind { Rectangle, Ellipse, Polygon, WidePolygon, Line, WideLine };

int random_pen(Dice& d, bool wide) {
    if (!wide) return static_cast<int>(d.between(-1, 1));
    if (d.one_in(20)) return d.one_in(2) ? 1 << 20 : INT_MAX;
    static const int widths[] = {2, 3, 4, 5, 6, 7, 8, 9, 12, 16, 33};
    return widths[d.between(0, 10)];
}

// Draws a seeded mix of shapes of one kind onto three surfaces (one roomy, two thin, so that
// clipping at every edge is met often) with a new pen and brush for each shape, the brush sometimes
// of the pen's own colour, and returns the hash of the picture after every shape, so that shapes
// drawn over later still count.
u64 draw_scene(Kind kind, unsigned seed, int huge_one_in) {
    Dice d(seed);
    u64 hash = 1469598103934665603u;
    for (const plat::Size size : {plat::Size{48, 36}, plat::Size{5, 60}, plat::Size{70, 3}}) {
        Canvas canvas(size.cx, size.cy);
        const int w = canvas.surface().width, h = canvas.surface().height;
        for (int i = 0; i < 120; ++i) {
            const bool wide = kind == Kind::WidePolygon || kind == Kind::WideLine ||
                              ((kind == Kind::Rectangle || kind == Kind::Ellipse) && d.one_in(2));
            const int pen = random_pen(d, wide);
            const plat::Color pen_colour = static_cast<plat::Color>(d.between(0, 0xFFFFFF));
            const bool brush = !d.one_in(4);
            const plat::Color fill =
                d.one_in(2) ? pen_colour : static_cast<plat::Color>(d.between(0, 0xFFFFFF));
            select_tools(canvas.dc, pen, pen_colour, brush, fill);
            const int x0 = d.coordinate(w, huge_one_in), y0 = d.coordinate(h, huge_one_in);
            const int x1 = d.coordinate(w, huge_one_in), y1 = d.coordinate(h, huge_one_in);
            switch (kind) {
                case Kind::Rectangle:
                    plat::rectangle(canvas.dc, x0, y0, x1, y1);
                    break;
                case Kind::Ellipse:
                    plat::ellipse(canvas.dc, x0, y0, x1, y1);
                    break;
                case Kind::Polygon:
                case Kind::WidePolygon: {
                    std::vector<plat::Point> p = random_polygon(d, w, h);
                    plat::polygon(canvas.dc, p.data(), static_cast<int>(p.size()));
                    break;
                }
                case Kind::Line:
                case Kind::WideLine:
                    plat::move_to(canvas.dc, x0, y0);
                    plat::line_to(canvas.dc, x1, y1);
                    if (d.one_in(3)) plat::line_to(canvas.dc, x0, y1);
                    break;
            }
            hash_surface(canvas.surface(), &hash);
        }
        release_tools(canvas.dc);
    }
    return hash;
}

struct Scene {
    Kind kind;
    const char* name;
    int huge_one_in;  // how often a coordinate is far off or at the limits of int
    u64 hash;         // of the pictures the rasterizer drew when the test was written
};

// The hashes were recorded from the rasterizer as it was before its edges were stepped
// incrementally, so any change to any pixel of these shapes shows here. Wide pens place their
// band's corners with std::hypot, so a C library whose hypot rounds differently could change a
// corner pixel, and the hash with it.

TEST(RasterReference, EveryKindOfShapeDrawsTheRecordedPictures) {
    const Scene scenes[] = {
        {Kind::Rectangle, "rectangles", 1000000, 0xeb8d242f2a9a8c98u},
        {Kind::Rectangle, "rectangles, huge", 5, 0x94b98ad6eef0050bu},
        {Kind::Ellipse, "ellipses", 1000000, 0x497e55e03d9d8eadu},
        {Kind::Ellipse, "ellipses, huge", 5, 0x42d898726e3daf8fu},
        {Kind::Polygon, "polygons", 1000000, 0xc56fc202c46e37u},
        {Kind::Polygon, "polygons, huge", 5, 0x1223164ac42cf911u},
        {Kind::WidePolygon, "wide polygons", 1000000, 0x7a11f97f2964df1eu},
        {Kind::WidePolygon, "wide polygons, huge", 5, 0x3f80c6e258283500u},
        {Kind::Line, "lines", 1000000, 0xfd5e5ceb2ff90de7u},
        {Kind::Line, "lines, huge", 3, 0x7577a37646a218d0u},
        {Kind::WideLine, "wide lines", 1000000, 0x83703a74be411b68u},
        {Kind::WideLine, "wide lines, huge", 3, 0x41f0143276fc36c4u},
    };
    unsigned seed = 1;
    for (const Scene& s : scenes) {
        const u64 got = draw_scene(s.kind, seed++, s.huge_one_in);
        EXPECT_EQ(got, s.hash) << s.name << ": 0x" << std::hex << got;
    }
}

}  // namespace
