// Shapes: rectangles, ellipses, polygons and lines with the classic aliased pixel rules.
//
// All geometry runs in 64-bit integers (128-bit for products), and every span is clipped to the
// surface before it is written, so coordinates far off the surface, or near the limits of int,
// neither overflow nor cost time in proportion to their size: work is bounded by the surface's
// rows and columns, not by the shape's extent.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/gdi_internal.h"

namespace plat {
namespace {

using i64 = std::int64_t;
using i128 = __int128;

i128 floor_div(i128 n, i128 d) {  // d > 0
    i128 q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}
i128 ceil_div(i128 n, i128 d) {
    return -floor_div(-n, d);
}

// Paints the inclusive span [x0, x1] of row y, clipped to the surface.
void span(Surface& s, i64 y, i64 x0, i64 x1, Color c) {
    if (y < 0 || y >= s.height) return;
    x0 = std::max<i64>(x0, 0);
    x1 = std::min<i64>(x1, s.width - 1);
    if (x0 > x1) return;
    auto row = s.pixels.begin() + static_cast<std::ptrdiff_t>(y * s.width);
    std::fill(row + x0, row + x1 + 1, c);
}

// Paints the inclusive box [x0, x1] x [y0, y1], clipped.
void box(Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, Color c) {
    y0 = std::max<i64>(y0, 0);
    y1 = std::min<i64>(y1, s.height - 1);
    for (i64 y = y0; y <= y1; ++y) span(s, y, x0, x1, c);
}

// ---- Polygon fill ------------------------------------------------------------------------------
// Vertices in fixed point (kOne units per pixel) so that wide-pen bands, whose corners are not on
// the pixel grid, use the same rule as integer polygons: pixel (x, y) is inside when the integer
// point (x, y) is, scanline y takes the edges with top <= y < bottom, and a span runs from the
// ceiling of the left crossing (inclusive) to the ceiling of the right one (exclusive).

constexpr i64 kOne = 1 << 16;

struct Fx {
    i64 x;
    i64 y;
};

void fill_alternate(Surface& s, const std::vector<Fx>& pts, Color c) {
    const std::size_t n = pts.size();
    if (n < 3) return;
    i64 min_y = pts[0].y, max_y = pts[0].y;
    for (const Fx& p : pts) {
        min_y = std::min(min_y, p.y);
        max_y = std::max(max_y, p.y);
    }
    i64 row0 = std::max<i64>(static_cast<i64>(ceil_div(min_y, kOne)), 0);
    i64 row1 = std::min<i64>(static_cast<i64>(ceil_div(max_y, kOne)), s.height);  // exclusive
    std::vector<i64> xs;
    for (i64 y = row0; y < row1; ++y) {
        const i64 sy = y * kOne;
        xs.clear();
        for (std::size_t i = 0; i < n; ++i) {
            Fx a = pts[i], b = pts[(i + 1) % n];
            if (a.y == b.y) continue;
            if (a.y > b.y) std::swap(a, b);
            if (sy < a.y || sy >= b.y) continue;
            // x = a.x + (sy - a.y) (b.x - a.x) / (b.y - a.y), in pixels, rounded up.
            i128 num =
                static_cast<i128>(a.x) * (b.y - a.y) + static_cast<i128>(sy - a.y) * (b.x - a.x);
            i128 den = static_cast<i128>(b.y - a.y) * kOne;
            xs.push_back(static_cast<i64>(ceil_div(num, den)));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
            if (xs[i] < xs[i + 1]) span(s, y, xs[i], xs[i + 1] - 1, c);
    }
}

// ---- Ellipse rows ------------------------------------------------------------------------------
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
            outer_r = outer_[k];
            run_r = inner_[k];
        }
        return {w_ - 1 - outer_r, outer_r, w_ - 1 - run_r, run_r};
    }

  private:
    // Midpoint stepping over the lower right quadrant, from the right column of the middle row
    // outward, with the error terms of an ellipse of diameters a = w-1 and c = h-1. Rows of the
    // upper half mirror those of the lower half.
    void step_quadrant() {
        const i64 a = w_ - 1, c = h_ - 1, odd = c % 2;
        outer_.assign(static_cast<std::size_t>(h_), -1);
        inner_.assign(static_cast<std::size_t>(h_), -1);
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
        if (outer_[k] < 0 || x > outer_[k]) outer_[k] = x;
        if (inner_[k] < 0 || x < inner_[k]) inner_[k] = x;
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
    std::vector<i64> outer_, inner_;  // per lower-half row: rightmost and leftmost outline x
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
        fill_alternate(
            s, {{ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}},
            color_);
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

// One-pixel line from (x0, y0) towards (x1, y1): max(|dx|, |dy|) pixels, the start included and
// the end left out. Along the major axis every pixel is taken; the minor coordinate is the exact
// one rounded to nearest, halves to the smaller coordinate whatever the direction, so both
// directions light the same pixels. Only steps whose major coordinate is on the surface are
// visited.
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
    for (i64 k = k0; k <= k1; ++k) {
        // round-half-down(k * dminor / n) = ceil((2 k dminor - n) / 2n)
        i64 minor = minor0 + static_cast<i64>(ceil_div(static_cast<i128>(2) * k * dminor - n,
                                                       static_cast<i128>(2) * n));
        i64 major = major0 + k * dmajor;
        if (x_major) {
            if (minor >= 0 && minor < s.height)
                s.put(static_cast<int>(major), static_cast<int>(minor), c);
        } else if (minor >= 0 && minor < s.width) {
            s.put(static_cast<int>(minor), static_cast<int>(major), c);
        }
    }
}

// The one-pixel ring of the inclusive box [l, r] x [t, b].
void thin_ring(Surface& s, i64 l, i64 t, i64 r, i64 b, Color c) {
    span(s, t, l, r, c);
    span(s, b, l, r, c);
    box(s, l, t, l, b, c);
    box(s, r, t, r, b, c);
}

void normalise(int& l, int& t, int& r, int& b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
}

// Rectangle on normalised, non-empty coordinates.
void draw_rectangle(DeviceContext* dc, Surface& s, i64 l, i64 t, i64 r, i64 b) {
    if (r - l == 1 && b - t == 1) return;  // a 1 x 1 box draws nothing
    const bool pen = has_pen(dc);
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
    if (has_brush(dc) && count >= 3) {
        std::vector<Fx> fx(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            fx[static_cast<std::size_t>(i)] = {points[i].x * kOne, points[i].y * kOne};
        fill_alternate(*s, fx, dc->brush->color);
    }
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
