// Shapes: rectangles, ellipses, polygons and lines with the classic aliased pixel rules.
//
// Coordinates reach the rasterizer as int (the library saturates its positions to int before it
// calls here, velta/draw.cpp), so every distance along an axis is below 2^32 pixels. All geometry
// runs in 64-bit integers, with the bounds stated where they matter, and every primitive is
// clipped to the surface once, before its pixels are written as runs: coordinates far off the
// surface, or near the limits of int, neither overflow nor cost time in proportion to their size.
// Work is bounded by the surface's rows and columns, not by the shape's extent, and drawing
// allocates nothing once its reused buffers have grown to the largest shapes drawn.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/gdi_internal.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define VELTA_RASTER_SSE2 1
#endif

namespace plat {
namespace {

using i64 = std::int64_t;
using u64 = std::uint64_t;

i64 floor_div(i64 n, i64 d) {  // d > 0
    i64 q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}
i64 ceil_div(i64 n, i64 d) {  // d > 0, n > INT64_MIN
    return -floor_div(-n, d);
}

// a b = q c + r with 0 <= r < c, for 0 < c < 2^63 and a quotient below 2^64. A product below 2^64
// takes one division. A larger one (only the bands of wide pens far off the surface, or very wide
// pens, reach it) is reduced bit by bit: with a = qa c + ra, it is qa b c plus ra b, whose
// quotient and remainder build up from b's top bit down with every intermediate below 2^64
// (r < c < 2^63, so 2r and r + ra stay below 2^64).
struct QuotRem {
    u64 q, r;
};
QuotRem mul_div_wide(u64 a, u64 b, u64 c) {
    const u64 qa = a / c, ra = a % c;
    u64 q = 0, r = 0;
    for (int bit = 63; bit >= 0; --bit) {
        q <<= 1;
        r <<= 1;
        if (r >= c) {
            r -= c;
            ++q;
        }
        if ((b >> bit) & 1) {
            r += ra;
            if (r >= c) {
                r -= c;
                ++q;
            }
        }
    }
    return {qa * b + q, r};
}
inline QuotRem mul_div(u64 a, u64 b, u64 c) {
    if (a >> 32 == 0 && b >> 32 == 0) {
        const u64 p = a * b;
        return {p / c, p % c};
    }
    return mul_div_wide(a, b, c);
}

// floor(t v / d) and the remainder t v - floor(t v / d) d, in [0, d), for t >= 0 and
// 0 < d < 2^63, when the quotient's magnitude is below 2^63.
inline void floor_mul_div(i64 t, i64 v, i64 d, i64* q, i64* r) {
    const u64 magnitude = v < 0 ? 0 - static_cast<u64>(v) : static_cast<u64>(v);
    const QuotRem qr = mul_div(static_cast<u64>(t), magnitude, static_cast<u64>(d));
    const i64 q0 = static_cast<i64>(qr.q), r0 = static_cast<i64>(qr.r);
    if (v >= 0) {
        *q = q0;
        *r = r0;
    } else if (r0 == 0) {
        *q = -q0;
        *r = 0;
    } else {
        *q = -q0 - 1;
        *r = d - r0;
    }
}

// ---- Runs of pixels ----------------------------------------------------------------------------
// Each primitive is clipped once; rows are then filled as runs, which the compiler vectorises.

std::uint32_t* row_at(Surface& s, i64 y) {
    return s.pixels.data() + y * static_cast<i64>(s.width);
}

// Writes n > 0 copies of c from p on. With SSE2 (every x86-64) a run is written 16 bytes at a
// time, its start from p and its end by stores that end at the run's end and overlap pixels
// already written with the same colour, so that runs up to 32 pixels take no loop at all and
// longer ones a loop over whole blocks of 16 pixels only. Elsewhere the compiler vectorises.
void fill_run(std::uint32_t* p, i64 n, Color c) {
#if VELTA_RASTER_SSE2
    if (n >= 4) {
        const __m128i v = _mm_set1_epi32(static_cast<int>(c));
        auto store = [v](std::uint32_t* at) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
        };
        std::uint32_t* const end = p + n;
        if (n <= 8) {
            store(p);
            store(end - 4);
            return;
        }
        if (n <= 16) {
            store(p);
            store(p + 4);
            store(end - 8);
            store(end - 4);
            return;
        }
        for (; end - p > 32; p += 16) {
            store(p);
            store(p + 4);
            store(p + 8);
            store(p + 12);
        }
        // 17 to 32 pixels left
        store(p);
        store(p + 4);
        store(p + 8);
        store(p + 12);
        store(end - 16);
        store(end - 12);
        store(end - 8);
        store(end - 4);
        return;
    }
    p[0] = c;  // 1 to 3 pixels
    if (n > 1) p[1] = c;
    if (n > 2) p[2] = c;
#else
    std::fill_n(p, n, c);
#endif
}

// Records what a primitive may write: the inclusive box [x0, x1] x [y0, y1] grown by `reach`
// pixels on every side, clipped to the surface. Each public drawing service records its
// primitive's box once, rather than every run it writes.
void mark(Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, i64 reach = 0) {
    x0 = std::max<i64>(x0 - reach, 0);
    y0 = std::max<i64>(y0 - reach, 0);
    x1 = std::min<i64>(x1 + reach, s.width - 1);
    y1 = std::min<i64>(y1 + reach, s.height - 1);
    if (x0 <= x1 && y0 <= y1)
        s.changed(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                  static_cast<int>(y1));
}

// Paints the inclusive span [x0, x1] of row y, clipped to the surface.
void span(Surface& s, i64 y, i64 x0, i64 x1, Color c) {
    if (y < 0 || y >= s.height) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, s.width - 1);
    if (x0 > x1) return;
    fill_run(row_at(s, y) + x0, x1 - x0 + 1, c);
}

// Paints the inclusive box [x0, x1] x [y0, y1], clipped.
void box(Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, Color c) {
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, s.width - 1);
    y0 = std::max<i64>(y0, 0);
    y1 = std::min<i64>(y1, s.height - 1);
    if (x0 > x1 || y0 > y1) return;
    const i64 n = x1 - x0 + 1;
    if (n == s.width) {  // whole rows: one run
        fill_run(row_at(s, y0), n * (y1 - y0 + 1), c);
        return;
    }
    const i64 w = s.width;  // a local: the stores could alias the surface's fields
    std::uint32_t* p = row_at(s, y0) + x0;
    for (i64 y = y0; y < y1; ++y, p += w) fill_run(p, n, c);
    fill_run(p, n, c);
}

// Paints the inclusive column [y0, y1] of column x, clipped.
void column(Surface& s, i64 x, i64 y0, i64 y1, Color c) {
    if (x < 0 || x >= s.width) return;
    y0 = std::max<i64>(y0, 0);
    y1 = std::min<i64>(y1, s.height - 1);
    if (y0 > y1) return;
    const i64 w = s.width;  // a local: the stores could alias the surface's fields
    std::uint32_t* p = row_at(s, y0) + x;
    for (i64 y = y0; y < y1; ++y, p += w) *p = c;
    *p = c;
}

// ---- Polygon fill ------------------------------------------------------------------------------
// Pixel (x, y) is inside when the point (x, y) is: scanline y takes the edges with
// top <= y < bottom, each crossing it at its exact x, and a span runs from the ceiling of the left
// crossing (inclusive) to the ceiling of the right one (exclusive), crossings paired odd/even.
// Vertices are in units of 1 / kUnit pixel: kUnit is 1 for integer polygons and kOne for the
// bands of wide pens, whose corners are not on the pixel grid, so that both use the same rule.
//
// Each edge is stepped from row to row: its crossing of the current row is x + r / dy units, with
// 0 <= r < dy, and moves by kUnit dx / dy units a row, kept as a whole part and a remainder.
// Bounds: integer vertices lie within [-2^31, 2^31) and band corners within 2^48 units of the
// origin (a pen's half width is below 2^30 pixels), so dx and dy are below 2^49; a crossing stays
// between its edge's ends (or one step past them), r + step_r < 2 dy, and an edge stepped over two
// rows or more has dy >= kUnit, so its step is at most |dx| + 1. The crossing of the first row is
// t dx / dy with 0 <= t < dy, a product that for integer polygons is below 2^64 (one division) and
// for bands may be larger (mul_div).

constexpr i64 kOne = 1 << 16;

struct Fx {
    i64 x;
    i64 y;
};

struct Edge {
    i64 row0, row1;  // the rows of the surface it crosses, [row0, row1)
    i64 x, r, dy;    // crossing of the current row: x + r / dy units
    i64 step_q, step_r;
};

// Buffers of the fill, kept from one polygon to the next.
struct FillScratch {
    std::vector<Edge> edges;
    std::vector<i64> cuts;
    std::vector<Edge*> active;
    std::vector<i64> xs;
};
FillScratch& fill_scratch() {
    thread_local FillScratch scratch;
    return scratch;
}

// The first pixel at or right of the crossing x + r / dy units: ceil(x / kUnit) when r is 0, and
// otherwise, the crossing lying strictly between x and x + 1, floor(x / kUnit) + 1.
template <i64 kUnit>
i64 crossing_pixel(const Edge& e) {
    if constexpr (kUnit == 1) {
        return e.x + (e.r != 0 ? 1 : 0);
    } else {
        return e.r == 0 ? ceil_div(e.x, kUnit) : floor_div(e.x, kUnit) + 1;
    }
}

void next_row(Edge& e) {
    e.x += e.step_q;
    e.r += e.step_r;
    if (e.r >= e.dy) {
        e.r -= e.dy;
        ++e.x;
    }
}

// The edge between a and b, in either order, on the rows of the surface that it crosses, stepped
// to the first of them; false when it crosses none (it is horizontal, or off the surface).
template <i64 kUnit>
bool make_edge(Fx a, Fx b, i64 height, Edge* e) {
    if (a.y == b.y) return false;
    if (a.y > b.y) std::swap(a, b);
    e->row0 = std::max<i64>(ceil_div(a.y, kUnit), 0);
    e->row1 = std::min<i64>(ceil_div(b.y, kUnit), height);
    if (e->row0 >= e->row1) return false;
    e->dy = b.y - a.y;
    const i64 dx = b.x - a.x;
    i64 q;
    floor_mul_div(e->row0 * kUnit - a.y, dx, e->dy, &q, &e->r);
    e->x = a.x + q;
    if (e->row1 - e->row0 > 1) {
        floor_mul_div(kUnit, dx, e->dy, &e->step_q, &e->step_r);
    } else {
        e->step_q = e->step_r = 0;
    }
    return true;
}

// Rows [y0, y1) of the surface where only edges a and b cross, both stepped to row y0: one span a
// row, from the nearer crossing to the farther one, clipped to the surface's width.
template <i64 kUnit>
void two_edge_band(Surface& s, Edge& edge_a, Edge& edge_b, i64 y0, i64 y1, Color c) {
    if (y0 >= y1) return;
    Edge a = edge_a, b = edge_b;  // locals, kept in registers
    const i64 w = s.width;
    std::uint32_t* row = row_at(s, y0);
    for (i64 y = y0;;) {
        const i64 xa = crossing_pixel<kUnit>(a), xb = crossing_pixel<kUnit>(b);
        const i64 lo = std::max<i64>(std::min(xa, xb), 0), hi = std::min(std::max(xa, xb), w);
        if (lo < hi) fill_run(row + lo, hi - lo, c);
        next_row(a);
        next_row(b);
        if (++y == y1) break;
        row += w;
    }
    edge_a = a;
    edge_b = b;
}

// Fills the polygon of n vertices point(0) .. point(n - 1), in units of 1 / kUnit pixel.
//
// Between two consecutive rows where an edge starts or ends, the same edges cross every row, so
// the rows are taken in such bands: the edges of a band are found once, and a band crossed by two
// edges (every band of a triangle, and of any convex polygon) is one span a row, from the nearer
// crossing to the farther one, with no sorting. A triangle's bands are known at once: with its
// vertices in order of height, the edge from the top to the bottom one crosses every row, the
// upper band with the edge from the top to the middle vertex and the lower one with the edge from
// the middle to the bottom vertex.
template <i64 kUnit, typename PointAt>
void fill_alternate(Surface& s, std::size_t n, PointAt point, Color c) {
    if (n < 3 || s.width <= 0 || s.height <= 0) return;
    if (n == 3) {
        Fx v0 = point(0), v1 = point(1), v2 = point(2);
        if (v1.y < v0.y) std::swap(v0, v1);
        if (v2.y < v1.y) std::swap(v1, v2);
        if (v1.y < v0.y) std::swap(v0, v1);
        Edge upper, lower, along;
        if (!make_edge<kUnit>(v0, v2, s.height, &along)) return;
        if (make_edge<kUnit>(v0, v1, s.height, &upper))
            two_edge_band<kUnit>(s, upper, along, upper.row0, upper.row1, c);
        if (make_edge<kUnit>(v1, v2, s.height, &lower))
            two_edge_band<kUnit>(s, lower, along, lower.row0, lower.row1, c);
        return;
    }
    FillScratch& f = fill_scratch();
    std::vector<Edge>& edges = f.edges;
    std::vector<i64>& cuts = f.cuts;
    edges.clear();
    cuts.clear();
    for (std::size_t i = 0; i < n; ++i) {
        Edge e;
        if (!make_edge<kUnit>(point(i), point(i + 1 == n ? 0 : i + 1), s.height, &e)) continue;
        edges.push_back(e);
        cuts.push_back(e.row0);
        cuts.push_back(e.row1);
    }
    if (edges.empty()) return;
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<Edge*>& active = f.active;
    std::vector<i64>& xs = f.xs;
    if (xs.size() < edges.size()) xs.resize(edges.size());
    for (std::size_t band = 0; band + 1 < cuts.size(); ++band) {
        const i64 y0 = cuts[band], y1 = cuts[band + 1];
        active.clear();
        for (Edge& e : edges)
            if (e.row0 <= y0 && y0 < e.row1) active.push_back(&e);
        if (active.size() == 2) {
            two_edge_band<kUnit>(s, *active[0], *active[1], y0, y1, c);
            continue;
        }
        const std::size_t k = active.size();
        for (i64 y = y0; y < y1; ++y) {
            for (std::size_t i = 0; i < k; ++i) {
                xs[i] = crossing_pixel<kUnit>(*active[i]);
                next_row(*active[i]);
            }
            if (k <= 16) {  // a handful of crossings: insertion sort
                for (std::size_t i = 1; i < k; ++i)
                    for (std::size_t j = i; j > 0 && xs[j - 1] > xs[j]; --j)
                        std::swap(xs[j - 1], xs[j]);
            } else {
                std::sort(xs.begin(), xs.begin() + static_cast<std::ptrdiff_t>(k));
            }
            for (std::size_t i = 0; i + 1 < k; i += 2)
                if (xs[i] < xs[i + 1]) span(s, y, xs[i], xs[i + 1] - 1, c);
        }
    }
}

// ---- Ellipse rows ------------------------------------------------------------------------------
// Row tables come from a pool of buffers that keep their capacity, so that an ellipse or a wide
// pen's disc allocates only while its tables grow past the largest drawn so far. Buffers above
// kKeep rows (ellipses far larger than any window) are freed rather than kept.
class RowBuffer {
  public:
    RowBuffer() {
        std::vector<std::vector<i64>>& free = pool();
        if (!free.empty()) {
            rows_ = std::move(free.back());
            free.pop_back();
        }
    }
    ~RowBuffer() {
        if (rows_.capacity() > kKeep) return;
        rows_.clear();
        pool().push_back(std::move(rows_));
    }
    RowBuffer(const RowBuffer&) = delete;
    RowBuffer& operator=(const RowBuffer&) = delete;

    std::vector<i64>& rows() { return rows_; }
    const std::vector<i64>& rows() const { return rows_; }

  private:
    static constexpr std::size_t kKeep = std::size_t{1} << 16;
    static std::vector<std::vector<i64>>& pool() {
        thread_local std::vector<std::vector<i64>> free;
        return free;
    }
    std::vector<i64> rows_;
};

// The integer ellipse that touches all four sides of a w x h box, described row by row relative to
// the box's top-left: the outline pixels of row j are [outer_l, outer_r] less the open interval
// (hole_l, hole_r), which is the interior.
struct EllipseRow {
    i64 outer_l, outer_r, hole_l, hole_r;
};

class EllipseRows {
  public:
    // Above this size the exact stepping would cost too much; such an ellipse is far larger than
    // any surface, so its visible rows are computed from the equation instead.
    static constexpr i64 kExactLimit = 1 << 15;

    EllipseRows(i64 w, i64 h) : w_(w), h_(h) {
        if (w <= 2 || h <= 2) return;  // a box: every row full, no interior
        if (w > kExactLimit || h > kExactLimit) {
            analytic_ = true;
            return;
        }
        step_quadrant();
    }

    EllipseRow row(i64 j) const {
        if (w_ <= 2 || h_ <= 2) return {0, w_ - 1, 0, 0};
        i64 outer_r, run_r;
        if (analytic_) {
            // The row's outline runs from where the curve crosses its boundary nearer the middle
            // (outermost) to just past where it crosses the farther one; the middle row reaches
            // the box's side, and a row whose farther boundary lies beyond the curve is the flat
            // top or bottom, all outline.
            const double cy = static_cast<double>(h_ - 1) / 2, y = static_cast<double>(j);
            const bool upper = y < cy;
            const double near = upper ? y + 0.5 : y - 0.5, far = upper ? y - 0.5 : y + 0.5;
            outer_r = std::abs(y - cy) <= 0.5 ? w_ - 1 : analytic_x(near);
            run_r = std::abs(far - cy) >= cy ? 0 : std::min(outer_r, analytic_x(far) + 1);
        } else {
            std::size_t k = static_cast<std::size_t>(2 * j >= h_ - 1 ? j : h_ - 1 - j);
            outer_r = outer_.rows()[k];
            run_r = inner_.rows()[k];
        }
        return {w_ - 1 - outer_r, outer_r, w_ - 1 - run_r, run_r};
    }

  private:
    // Midpoint stepping over the lower right quadrant, from the right column of the middle row
    // outward, with the error terms of an ellipse of diameters a = w-1 and c = h-1. Rows of the
    // upper half mirror those of the lower half.
    void step_quadrant() {
        const i64 a = w_ - 1, c = h_ - 1, odd = c % 2;
        outer_.rows().assign(static_cast<std::size_t>(h_), -1);
        inner_.rows().assign(static_cast<std::size_t>(h_), -1);
        i64 dx = 4 * c * c * (1 - a);
        i64 dy = 4 * a * a * (1 + odd);
        i64 err = dx + dy + a * a * odd;
        i64 x = a, y = h_ / 2, last_x = x, last_y = y;
        while (x >= w_ / 2 && y < h_) {
            plot(x, y);
            last_x = x;
            last_y = y;
            i64 e = 2 * err;
            if (e >= dx) {
                --x;
                dx += 8 * c * c;
                err += dx;
            }
            if (e <= dy) {
                ++y;
                dy += 8 * a * a;
                err += dy;
            }
        }
        // Very narrow ellipses reach the middle column before the bottom row: the outline goes
        // on straight down from the last pixel so that it stays closed.
        for (i64 yy = last_y + 1; yy < h_; ++yy) plot(last_x, yy);
    }

    void plot(i64 x, i64 y) {
        auto k = static_cast<std::size_t>(y);
        std::vector<i64>& outer = outer_.rows();
        std::vector<i64>& inner = inner_.rows();
        if (outer[k] < 0 || x > outer[k]) outer[k] = x;
        if (inner[k] < 0 || x < inner[k]) inner[k] = x;
    }

    // The right half's x where the ellipse through the box's sides crosses row position y.
    i64 analytic_x(double y) const {
        const double a = static_cast<double>(w_ - 1) / 2, c = static_cast<double>(h_ - 1) / 2;
        const double t = (y - c) / c;
        const double half = a * std::sqrt(std::max(0.0, 1.0 - t * t));
        return std::clamp<i64>(std::llround(a + half), (w_ - 1) / 2, w_ - 1);
    }

    i64 w_, h_;
    bool analytic_ = false;
    RowBuffer outer_, inner_;  // per lower-half row: rightmost and leftmost outline x
};

// Paints, for each row of the box at (left, top) that lies on the surface, the ellipse's whole
// row (fill) or only its interior.
enum class Part { Fill, Interior };
void paint_ellipse(Surface& s, const EllipseRows& e, i64 left, i64 top, i64 h, Part part, Color c) {
    i64 j0 = std::max<i64>(0, -top), j1 = std::min<i64>(h, s.height - top);
    for (i64 j = j0; j < j1; ++j) {
        EllipseRow r = e.row(j);
        if (part == Part::Fill)
            span(s, top + j, left + r.outer_l, left + r.outer_r, c);
        else
            span(s, top + j, left + r.hole_l + 1, left + r.hole_r - 1, c);
    }
}

// Paints the outer ellipse's rows less the inner ellipse's interior: a ring.
void paint_ring(Surface& s, const EllipseRows& outer, i64 ol, i64 ot, i64 oh,
                const EllipseRows* inner, i64 il, i64 it, i64 ih, Color c) {
    i64 j0 = std::max<i64>(0, -ot), j1 = std::min<i64>(oh, s.height - ot);
    for (i64 j = j0; j < j1; ++j) {
        const i64 y = ot + j;
        EllipseRow r = outer.row(j);
        i64 x0 = ol + r.outer_l, x1 = ol + r.outer_r;
        if (inner != nullptr && y >= it && y < it + ih) {
            EllipseRow q = inner->row(y - it);
            i64 h0 = il + q.hole_l + 1, h1 = il + q.hole_r - 1;
            if (h0 <= h1) {
                span(s, y, x0, h0 - 1, c);
                span(s, y, h1 + 1, x1, c);
                continue;
            }
        }
        span(s, y, x0, x1, c);
    }
}

// ---- Wide pens ---------------------------------------------------------------------------------
// A pen w > 1 pixels wide is round: across a line it covers the offsets -floor(w/2) ..
// w-1-floor(w/2) (even widths put the extra pixel up or left), and at every end and corner it
// paints a disc, the filled integer ellipse of a w x w box on those same offsets (w = 3 gives a
// plus, w = 2 a square).
class WidePen {
  public:
    WidePen(i64 w, Color c) : w_(w), f_(w / 2), disc_(w, w), color_(c) {}

    void disc(Surface& s, i64 x, i64 y) const {
        paint_ellipse(s, disc_, x - f_, y - f_, w_, Part::Fill, color_);
    }

    // The band of the segment: the rectangle of width w centred on it from end to end, filled by
    // the polygon rule. Along an axis this is [min, max) along times the offsets across.
    void band(Surface& s, i64 x0, i64 y0, i64 x1, i64 y1) const {
        if (x0 == x1 && y0 == y1) return;
        const double dx = static_cast<double>(x1 - x0), dy = static_cast<double>(y1 - y0);
        const double scale = static_cast<double>(w_) / 2 / std::hypot(dx, dy) * kOne;
        const i64 nx = std::llround(-dy * scale), ny = std::llround(dx * scale);
        const i64 ax = x0 * kOne, ay = y0 * kOne, bx = x1 * kOne, by = y1 * kOne;
        const Fx corners[4] = {
            {ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}};
        fill_alternate<kOne>(
            s, 4, [&](std::size_t i) { return corners[i]; }, color_);
    }

    // A closed chain of segments with a disc at every vertex.
    void closed(Surface& s, const Point* p, int n) const {
        for (int i = 0; i < n; ++i) {
            const Point& a = p[i];
            const Point& b = p[(i + 1) % n];
            band(s, a.x, a.y, b.x, b.y);
        }
        for (int i = 0; i < n; ++i) disc(s, p[i].x, p[i].y);
    }

    i64 width() const { return w_; }
    i64 up_left() const { return f_; }              // pen pixels on the up/left side of a line
    i64 down_right() const { return w_ - 1 - f_; }  // and on the down/right side

  private:
    i64 w_, f_;
    EllipseRows disc_;
    Color color_;
};

bool has_pen(const DeviceContext* dc) {
    return dc->pen != nullptr && dc->pen->style != ps::null;
}
bool wide_pen(const DeviceContext* dc) {
    return has_pen(dc) && dc->pen->width > 1;
}
bool has_brush(const DeviceContext* dc) {
    return dc->brush != nullptr && !dc->brush->hollow;
}
// How far a context's pen may paint beyond the points it is given: a wide pen's band and discs
// stay within its width of them, a one-pixel pen on them.
i64 pen_reach(const DeviceContext* dc) {
    return wide_pen(dc) ? dc->pen->width : 0;
}

// One-pixel line from (x0, y0) towards (x1, y1): max(|dx|, |dy|) pixels, the start included and
// the end left out. Along the major axis every pixel is taken; the minor coordinate is the exact
// one rounded to nearest, halves to the smaller coordinate whatever the direction, so both
// directions light the same pixels. Only steps whose major coordinate is on the surface are
// visited.
//
// At step k the exact minor offset is k dminor / n, and rounded to nearest with halves down it is
// floor((k dminor + h) / n) with h = floor((n - 1) / 2). That quotient m and its remainder e are
// stepped: each step adds dminor = dq n + dr, 0 <= dr < n (|dminor| <= n, so dq is -1, 0 or 1).
// Bounds: n and |dminor| are below 2^32 (int end points), so the first step's k dminor is below
// 2^64 in magnitude and e + dr < 2^33.
void thin_line(Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, Color c) {
    const i64 dx = x1 - x0, dy = y1 - y0;
    const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool x_major = adx > ady;
    const i64 n = x_major ? adx : ady;
    if (n == 0) return;
    const i64 major0 = x_major ? x0 : y0, minor0 = x_major ? y0 : x0;
    const i64 dmajor = x_major ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
    const i64 dminor = x_major ? dy : dx;
    const i64 limit = x_major ? s.width : s.height;
    const u64 minor_limit = static_cast<u64>(x_major ? s.height : s.width);
    // Steps k in [0, n) with major0 + k * dmajor in [0, limit).
    i64 k0, k1;
    if (dmajor > 0) {
        k0 = -major0;
        k1 = limit - 1 - major0;
    } else {
        k0 = major0 - (limit - 1);
        k1 = major0;
    }
    k0 = std::max<i64>(k0, 0);
    k1 = std::min<i64>(k1, n - 1);
    if (k0 > k1) return;
    if (dminor == 0) {  // along an axis: one run
        const i64 a = major0 + k0 * dmajor, b = major0 + k1 * dmajor;
        if (x_major)
            span(s, minor0, std::min(a, b), std::max(a, b), c);
        else
            column(s, minor0, std::min(a, b), std::max(a, b), c);
        return;
    }
    i64 m, e;
    floor_mul_div(k0, dminor, n, &m, &e);
    e += (n - 1) / 2;
    if (e >= n) {
        e -= n;
        ++m;
    }
    m += minor0;
    const i64 dq = floor_div(dminor, n), dr = dminor - dq * n;
    // Pixel (major, minor) is at index major * along + minor * across. The index is kept modulo
    // 2^64 (unsigned), which is exact for every pixel written, however far off the minor
    // coordinate is while the line is off the surface.
    const u64 along = static_cast<u64>(x_major ? 1 : s.width);
    const u64 across = static_cast<u64>(x_major ? s.width : 1);
    const u64 step = static_cast<u64>(dmajor) * along + static_cast<u64>(dq) * across;
    std::uint32_t* const pixels = s.pixels.data();
    u64 at = static_cast<u64>(major0 + k0 * dmajor) * along + static_cast<u64>(m) * across;
    for (i64 k = k0; k <= k1; ++k) {
        if (static_cast<u64>(m) < minor_limit) pixels[at] = c;
        at += step;
        m += dq;
        e += dr;
        if (e >= n) {
            e -= n;
            ++m;
            at += across;
        }
    }
}

// The one-pixel ring of the inclusive box [l, r] x [t, b].
void thin_ring(Surface& s, i64 l, i64 t, i64 r, i64 b, Color c) {
    span(s, t, l, r, c);
    if (b != t) span(s, b, l, r, c);
    column(s, l, t + 1, b - 1, c);
    if (r != l) column(s, r, t + 1, b - 1, c);
}

void normalise(int& l, int& t, int& r, int& b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
}

// Rectangle on normalised, non-empty coordinates.
void draw_rectangle(DeviceContext* dc, Surface& s, i64 l, i64 t, i64 r, i64 b) {
    if (r - l == 1 && b - t == 1) return;  // a 1 x 1 box draws nothing
    const bool pen = has_pen(dc);
    if (has_brush(dc) && pen && !wide_pen(dc) && dc->brush->color == dc->pen->color) {
        box(s, l, t, r - 1, b - 1, dc->pen->color);  // the ring and the brush inside it: one box
        return;
    }
    if (has_brush(dc)) {
        if (pen && !wide_pen(dc))
            box(s, l + 1, t + 1, r - 2, b - 2, dc->brush->color);
        else  // no pen, or a wide one that covers the brush's edges anyway
            box(s, l, t, r - 2, b - 2, dc->brush->color);
    }
    if (!pen) return;
    if (wide_pen(dc)) {
        WidePen wp(dc->pen->width, dc->pen->color);
        const Point corners[4] = {{static_cast<int>(l), static_cast<int>(t)},
                                  {static_cast<int>(r - 1), static_cast<int>(t)},
                                  {static_cast<int>(r - 1), static_cast<int>(b - 1)},
                                  {static_cast<int>(l), static_cast<int>(b - 1)}};
        wp.closed(s, corners, 4);
    } else {
        thin_ring(s, l, t, r - 1, b - 1, dc->pen->color);
    }
}

}  // namespace

bool rectangle(DC dc, int left, int top, int right, int bottom) {
    Surface* s = dc_surface(dc);
    if (s == nullptr) return false;
    normalise(left, top, right, bottom);
    if (left == right || top == bottom) return true;
    mark(*s, left, top, static_cast<i64>(right) - 1, static_cast<i64>(bottom) - 1, pen_reach(dc));
    draw_rectangle(dc, *s, left, top, right, bottom);
    surface_touched(dc);
    return true;
}

// Ellipse choices where no pixel rule is known:
// - Null pen: the brush fills the ellipse of the box one pixel smaller at the right and bottom,
//   as the rectangle's brush stops one pixel short there.
// - Wide pen: the pen paints the ring between two ellipses, the one whose box is grown by the
//   pen's outer offsets and the interior of the one whose box is shrunk by its inner offsets, so
//   that the band is centred on the one-pixel outline exactly as a wide rectangle's band is on its
//   ring. The brush fills the one-pixel ellipse first and shows only inside the ring.
bool ellipse(DC dc, int left, int top, int right, int bottom) {
    Surface* s = dc_surface(dc);
    if (s == nullptr) return false;
    normalise(left, top, right, bottom);
    const i64 l = left, t = top, w = static_cast<i64>(right) - left,
              h = static_cast<i64>(bottom) - top;
    if (w == 0 || h == 0) return true;
    mark(*s, l, t, l + w - 1, t + h - 1, pen_reach(dc));
    if (w <= 2 || h <= 2) {
        draw_rectangle(dc, *s, l, t, right, bottom);
        surface_touched(dc);
        return true;
    }
    const bool pen = has_pen(dc);
    if (!pen) {
        if (has_brush(dc))
            paint_ellipse(*s, EllipseRows(w - 1, h - 1), l, t, h - 1, Part::Fill, dc->brush->color);
        surface_touched(dc);
        return true;
    }
    EllipseRows centre(w, h);
    if (has_brush(dc)) paint_ellipse(*s, centre, l, t, h, Part::Fill, dc->brush->color);
    if (!wide_pen(dc)) {
        paint_ring(*s, centre, l, t, h, &centre, l, t, h, dc->pen->color);
    } else {
        const i64 pw = dc->pen->width, out = pw / 2, in = pw - 1 - pw / 2;
        const i64 ow = w + pw - 1, oh = h + pw - 1, iw = w - pw + 1, ih = h - pw + 1;
        EllipseRows outer(ow, oh);
        if (iw > 0 && ih > 0) {
            EllipseRows inner(iw, ih);
            paint_ring(*s, outer, l - out, t - out, oh, &inner, l + in, t + in, ih, dc->pen->color);
        } else {
            paint_ring(*s, outer, l - out, t - out, oh, nullptr, 0, 0, 0, dc->pen->color);
        }
    }
    surface_touched(dc);
    return true;
}

bool polygon(DC dc, const Point* points, int count) {
    Surface* s = dc_surface(dc);
    if (s == nullptr || points == nullptr) return false;
    if (count < 2) return true;
    i64 x0 = points[0].x, y0 = points[0].y, x1 = x0, y1 = y0;
    for (int i = 1; i < count; ++i) {
        x0 = std::min<i64>(x0, points[i].x);
        x1 = std::max<i64>(x1, points[i].x);
        y0 = std::min<i64>(y0, points[i].y);
        y1 = std::max<i64>(y1, points[i].y);
    }
    mark(*s, x0, y0, x1, y1, pen_reach(dc));
    if (has_brush(dc) && count >= 3)
        fill_alternate<1>(
            *s, static_cast<std::size_t>(count),
            [points](std::size_t i) {
                return Fx{points[i].x, points[i].y};
            },
            dc->brush->color);
    if (wide_pen(dc)) {
        WidePen(dc->pen->width, dc->pen->color).closed(*s, points, count);
    } else if (has_pen(dc)) {
        for (int i = 0; i < count; ++i) {
            const Point& a = points[i];
            const Point& b = points[(i + 1) % count];
            thin_line(*s, a.x, a.y, b.x, b.y, dc->pen->color);
        }
    }
    surface_touched(dc);
    return true;
}

bool move_to(DC dc, int x, int y, Point* previous) {
    if (dc == nullptr) return false;
    if (previous) *previous = dc->position;
    dc->position = Point{x, y};
    return true;
}

bool line_to(DC dc, int x, int y) {
    Surface* s = dc_surface(dc);
    if (s == nullptr) return false;
    const Point from = dc->position;
    dc->position = Point{x, y};
    if (!has_pen(dc)) return true;
    mark(*s, std::min(from.x, x), std::min(from.y, y), std::max(from.x, x), std::max(from.y, y),
         pen_reach(dc));
    if (wide_pen(dc)) {
        // Both ends get a round cap, so a zero-length line with a wide pen paints one disc.
        WidePen wp(dc->pen->width, dc->pen->color);
        wp.band(*s, from.x, from.y, x, y);
        wp.disc(*s, from.x, from.y);
        wp.disc(*s, x, y);
    } else {
        thin_line(*s, from.x, from.y, x, y, dc->pen->color);
    }
    surface_touched(dc);
    return true;
}

}  // namespace plat
