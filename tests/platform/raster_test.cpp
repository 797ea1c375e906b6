// Exact pixels of the shape services on a plain memory surface.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "platform/gdi.h"
#include "raster_support.h"

using raster_test::Canvas;
using raster_test::kBrush;
using raster_test::kPen;
using raster_test::kWhite;
using Picture = std::vector<std::string>;

TEST(Rectangle, OnePixelPenRingAndBrushInside) {
    Canvas c(9, 7);
    c.use(0, true);
    plat::rectangle(c.dc, 2, 1, 7, 5);
    EXPECT_EQ(c.picture(), (Picture{".........", "..PPPPP..", "..PbbbP..", "..PbbbP..", "..PPPPP..",
                                    ".........", "........."}));
    // Swapped corners give the same shape; width 1 is the same pen as width 0.
    Canvas swapped(9, 7);
    swapped.use(1, true);
    plat::rectangle(swapped.dc, 7, 5, 2, 1);
    EXPECT_EQ(swapped.picture(), c.picture());
}

TEST(Rectangle, NullPenBrushStopsShortAtRightAndBottom) {
    Canvas c(8, 6);
    c.use(-1, true);
    plat::rectangle(c.dc, 1, 1, 6, 5);
    EXPECT_EQ(c.picture(),
              (Picture{"........", ".bbbb...", ".bbbb...", ".bbbb...", "........", "........"}));
}

TEST(Rectangle, TinyAndEmptyBoxes) {
    Canvas c(6, 6);
    c.use(0, true);
    plat::rectangle(c.dc, 1, 1, 2, 2);  // 1 x 1: nothing
    plat::rectangle(c.dc, 3, 1, 3, 5);  // zero width: nothing
    EXPECT_EQ(c.count(kWhite), 36);
    plat::rectangle(c.dc, 0, 0, 1, 3);  // 1 x 3: a column of pen
    plat::rectangle(c.dc, 3, 3, 5, 5);  // 2 x 2: four pen pixels
    EXPECT_EQ(c.picture(), (Picture{"P.....", "P.....", "P.....", "...PP.", "...PP.", "......"}));
}

TEST(Rectangle, WidePensAreCentredWithRoundCorners) {
    Canvas c(12, 10);
    c.use(2, true);
    plat::rectangle(c.dc, 2, 2, 10, 8);  // the pen spans x 1..9, y 1..7
    EXPECT_EQ(c.picture(), (Picture{"............", ".PPPPPPPPP..", ".PPPPPPPPP..", ".PPbbbbbPP..",
                                    ".PPbbbbbPP..", ".PPbbbbbPP..", ".PPPPPPPPP..", ".PPPPPPPPP..",
                                    "............", "............"}));
    c.clear();
    c.use(3, true);
    plat::rectangle(c.dc, 2, 2, 10, 8);  // x 1..10, y 1..8, extreme corners left out
    EXPECT_EQ(c.picture(), (Picture{"............", "..PPPPPPPP..", ".PPPPPPPPPP.", ".PPPPPPPPPP.",
                                    ".PPPbbbbPPP.", ".PPPbbbbPPP.", ".PPPPPPPPPP.", ".PPPPPPPPPP.",
                                    "..PPPPPPPP..", "............"}));
    // A hollow brush leaves the inside as it was.
    c.clear();
    c.use(3, false);
    plat::rectangle(c.dc, 2, 2, 10, 8);
    EXPECT_EQ(c.picture(4, 4, 8, 6), (Picture{"....", "...."}));
    EXPECT_EQ(c.count(kPen), 10 * 8 - 4 - 4 * 2);
}

TEST(Polygon, TriangleFillAndOutline) {
    Canvas c(25, 12);
    const plat::Point tri[3] = {{12, 0}, {22, 10}, {2, 10}};  // (0,0), (10,10), (-10,10) moved
    c.use(-1, true);
    plat::polygon(c.dc, tri, 3);
    EXPECT_EQ(c.count(kBrush), 90);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 25; ++x) {
            const int dx = x - 12;
            const bool inside = y >= 1 && y <= 9 && dx >= -y && dx <= y - 1;
            EXPECT_EQ(c.surface().at(x, y) == kBrush, inside) << x << "," << y;
        }
    c.clear();
    c.use(0, true);
    plat::polygon(c.dc, tri, 3);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 25; ++x) {
            const int dx = x - 12;
            char want = '.';
            if (y == 0 && dx == 0) want = 'P';
            if (y >= 1 && y <= 9 && (dx == y || dx == -y)) want = 'P';
            if (y >= 1 && y <= 9 && dx > -y && dx < y) want = 'b';
            if (y == 10 && dx >= -10 && dx <= 10) want = 'P';
            EXPECT_EQ(c.picture(x, y, x + 1, y + 1)[0][0], want) << x << "," << y;
        }
}

TEST(Polygon, DegenerateAndWideOutlines) {
    Canvas c(10, 6);
    c.use(0, true);
    const plat::Point one[1] = {{1, 1}};
    plat::polygon(c.dc, one, 1);
    EXPECT_EQ(c.count(kWhite), 60);
    // Two points: zero area, the outline there and back lights both ends.
    const plat::Point two[2] = {{1, 1}, {5, 1}};
    plat::polygon(c.dc, two, 2);
    EXPECT_EQ(c.picture(0, 1, 10, 2)[0], ".PPPPP....");
    EXPECT_EQ(c.count(kPen), 5);
    // A wide outline of a square is the wide rectangle with the same centre path.
    Canvas a(16, 16), b(16, 16);
    a.use(4, false);
    b.use(4, false);
    const plat::Point sq[4] = {{3, 4}, {11, 4}, {11, 12}, {3, 12}};
    plat::polygon(a.dc, sq, 4);
    plat::rectangle(b.dc, 3, 4, 12, 13);
    EXPECT_EQ(a.picture(), b.picture());
}

TEST(Ellipse, SmallShapesMatchTheIntegerOutline) {
    Canvas c(12, 8);
    c.use(0, true);
    plat::ellipse(c.dc, 1, 1, 4, 4);
    EXPECT_EQ(c.picture(0, 0, 5, 5), (Picture{".....", "..P..", ".PbP.", "..P..", "....."}));
    c.clear();
    plat::ellipse(c.dc, 1, 1, 10, 7);
    EXPECT_EQ(c.picture(),
              (Picture{"............", "...PPPPP....", "..PbbbbbP...", ".PbbbbbbbP..",
                       ".PbbbbbbbP..", "..PbbbbbP...", "...PPPPP....", "............"}));
    // Two pixels or less across: exactly the rectangle.
    Canvas r(8, 8);
    r.use(0, true);
    c.clear();
    c.use(0, true);
    plat::ellipse(c.dc, 1, 1, 3, 7);
    plat::rectangle(r.dc, 1, 1, 3, 7);
    EXPECT_EQ(c.picture(0, 0, 8, 8), r.picture());
}

TEST(Ellipse, NullPenBrushStopsShortAtRightAndBottom) {
    // As with the rectangle: the brush alone covers the ellipse of the box one pixel smaller.
    Canvas a(14, 10), b(14, 10);
    a.use(-1, true);
    b.use(0, true);
    plat::ellipse(a.dc, 1, 1, 12, 9);
    plat::ellipse(b.dc, 1, 1, 11, 8);
    Picture pa = a.picture(), pb = b.picture();
    for (auto& row : pb)
        for (auto& ch : row)
            if (ch == 'P') ch = 'b';
    EXPECT_EQ(pa, pb);
}

TEST(Ellipse, OutlinesAreClosedSymmetricAndHollowInside) {
    // Every row and column of the box is reached, the shape is mirror-symmetric, and with a
    // hollow brush the interior is left untouched, for many box sizes (thin ones included).
    for (int w = 3; w <= 24; w += 3)
        for (int h = 3; h <= 40; h += 5) {
            Canvas c(w + 2, h + 2);
            c.use(0, false);
            plat::ellipse(c.dc, 1, 1, 1 + w, 1 + h);
            Picture p = c.picture(1, 1, 1 + w, 1 + h);
            for (int y = 0; y < h; ++y) {
                EXPECT_NE(p[static_cast<std::size_t>(y)].find('P'), std::string::npos)
                    << w << "x" << h << " row " << y;
                std::string row = p[static_cast<std::size_t>(y)];
                EXPECT_EQ(row, std::string(row.rbegin(), row.rend())) << w << "x" << h;
                EXPECT_EQ(row, p[static_cast<std::size_t>(h - 1 - y)]) << w << "x" << h;
            }
            EXPECT_EQ(p[0].front(), '.') << w << "x" << h;
            EXPECT_EQ(p[static_cast<std::size_t>(h / 2)].front(), 'P') << w << "x" << h;
            EXPECT_EQ(c.count(kPen) + c.count(kWhite), (w + 2) * (h + 2));
        }
}

TEST(Ellipse, WidePenBandIsCentredOnTheOutline) {
    // The band of a w=3 pen covers the one-pixel outline and one pixel either side of it, and
    // the brush shows only inside the band.
    Canvas thin(40, 30), wide(40, 30);
    thin.use(0, false);
    wide.use(3, true);
    plat::ellipse(thin.dc, 5, 5, 35, 25);
    plat::ellipse(wide.dc, 5, 5, 35, 25);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if (thin.surface().at(x, y) == kPen)
                for (int d = -1; d <= 1; ++d) {
                    EXPECT_EQ(wide.surface().at(x + d, y), kPen) << x + d << "," << y;
                    EXPECT_EQ(wide.surface().at(x, y + d), kPen) << x << "," << y + d;
                }
    EXPECT_EQ(wide.surface().at(20, 15), kBrush);
    EXPECT_EQ(wide.surface().at(3, 15), kWhite);
    EXPECT_EQ(wide.surface().at(4, 15), kPen);
    EXPECT_EQ(wide.surface().at(35, 15), kPen);
    EXPECT_EQ(wide.surface().at(36, 15), kWhite);
}

TEST(Line, OnePixelRuleAndCurrentPosition) {
    Canvas c(6, 4);
    c.use(0, false);
    plat::move_to(c.dc, 0, 0);
    plat::line_to(c.dc, 4, 2);
    EXPECT_EQ(c.picture(), (Picture{"PP....", "..PP..", "......", "......"}));
    c.clear();
    plat::move_to(c.dc, 4, 2);
    plat::line_to(c.dc, 0, 0);
    EXPECT_EQ(c.picture(), (Picture{".P....", "..PP..", "....P.", "......"}));
    plat::Point prev;
    plat::move_to(c.dc, 1, 1, &prev);
    EXPECT_EQ(prev.x, 0);  // line_to moved the position to its end
    EXPECT_EQ(prev.y, 0);
    c.clear();
    plat::line_to(c.dc, 1, 1);  // zero length: nothing
    EXPECT_EQ(c.count(kWhite), 24);
    c.use(-1, false);  // null pen: nothing, the position still moves
    plat::line_to(c.dc, 5, 3);
    EXPECT_EQ(c.count(kWhite), 24);
    plat::move_to(c.dc, 0, 0, &prev);
    EXPECT_EQ(prev.x, 5);
}

TEST(Line, BothDirectionsLightTheSamePixels) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-5, 35);
    for (int n = 0; n < 300; ++n) {
        const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        Canvas a(31, 31), b(31, 31);
        a.use(0, false);
        b.use(0, false);
        plat::move_to(a.dc, x0, y0);
        plat::line_to(a.dc, x1, y1);
        plat::set_pixel(a.dc, x1, y1, kPen);
        plat::move_to(b.dc, x1, y1);
        plat::line_to(b.dc, x0, y0);
        plat::set_pixel(b.dc, x0, y0, kPen);
        ASSERT_EQ(a.picture(), b.picture()) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(Line, WidePenBandWithRoundCaps) {
    Canvas c(9, 3);
    c.use(3, false);
    plat::move_to(c.dc, 1, 1);
    plat::line_to(c.dc, 7, 1);
    EXPECT_EQ(c.picture(), (Picture{".PPPPPPP.", "PPPPPPPPP", ".PPPPPPP."}));
    // w=4: offsets -2..1 across, caps are the 4 x 4 square less its corners.
    Canvas four(12, 6);
    four.use(4, false);
    plat::move_to(four.dc, 9, 3);
    plat::line_to(four.dc, 3, 3);
    EXPECT_EQ(four.picture(), (Picture{"............", "..PPPPPPPP..", ".PPPPPPPPPP.",
                                       ".PPPPPPPPPP.", "..PPPPPPPP..", "............"}));
    // Zero length with a wide pen: the round cap alone, here the w=5 disc.
    Canvas dot(7, 7);
    dot.use(5, false);
    plat::move_to(dot.dc, 3, 3);
    plat::line_to(dot.dc, 3, 3);
    EXPECT_EQ(dot.picture(), (Picture{".......", "..PPP..", ".PPPPP.", ".PPPPP.", ".PPPPP.",
                                      "..PPP..", "......."}));
    // A diagonal wide line stays within w/2 + 1 of its centre line and covers it.
    Canvas d(30, 30);
    d.use(4, false);
    plat::move_to(d.dc, 5, 5);
    plat::line_to(d.dc, 24, 20);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const double t =
                std::clamp(((x - 5) * 19.0 + (y - 5) * 15.0) / (19.0 * 19 + 15 * 15), 0.0, 1.0);
            const double dist = std::hypot(x - (5 + 19 * t), y - (5 + 15 * t));
            if (dist <= 1.0) {
                EXPECT_EQ(d.surface().at(x, y), kPen) << x << "," << y;
            }
            if (dist >= 3.0) {
                EXPECT_EQ(d.surface().at(x, y), kWhite) << x << "," << y;
            }
        }
}

// The same shapes drawn on a large surface and on a small one whose edges cut them: the small one
// must show exactly the matching part, at and beyond every edge.
TEST(Clipping, EdgesCutShapesExactly) {
    const int big = 60, off = 20, small = 20;
    auto draw = [](plat::DC dc, int dx, int dy, int pen) {
        (void)pen;
        plat::rectangle(dc, -3 + dx, 5 + dy, 8 + dx, 30 + dy);
        plat::ellipse(dc, 12 + dx, -6 + dy, 27 + dx, 9 + dy);
        const plat::Point tri[3] = {{-8 + dx, -2 + dy}, {25 + dx, 10 + dy}, {4 + dx, 26 + dy}};
        plat::polygon(dc, tri, 3);
        plat::move_to(dc, -10 + dx, 18 + dy);
        plat::line_to(dc, 30 + dx, 3 + dy);
    };
    for (int pen : {0, 1, 3, 6}) {
        Canvas a(big, big), b(small, small);
        a.use(pen, true);
        b.use(pen, true);
        draw(a.dc, off, off, pen);
        draw(b.dc, 0, 0, pen);
        EXPECT_EQ(a.picture(off, off, off + small, off + small), b.picture()) << "pen " << pen;
    }
}

TEST(Clipping, HugeCoordinatesStayInBoundsAndExact) {
    Canvas c(16, 12);
    for (int pen : {0, 2, 5, 1 << 30}) {
        c.use(pen, true);
        plat::rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        plat::ellipse(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        plat::ellipse(c.dc, -2000000000, 5, 2000000000, 9);
        const plat::Point tri[3] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {0, INT_MAX}};
        plat::polygon(c.dc, tri, 3);
        plat::move_to(c.dc, INT_MIN, INT_MAX);
        plat::line_to(c.dc, INT_MAX, INT_MIN);
        plat::line_to(c.dc, INT_MAX, INT_MAX);
    }
    // A rectangle far larger than the surface: the brush covers every pixel.
    c.use(0, true);
    plat::rectangle(c.dc, -1000000000, -1000000000, 1000000000, 1000000000);
    EXPECT_EQ(c.count(kBrush), 16 * 12);
    // A line from far outside through the surface lights exactly the diagonal.
    c.clear();
    plat::move_to(c.dc, -1000000000, -1000000000);
    plat::line_to(c.dc, 1000000000, 1000000000);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(c.surface().at(x, y) == kPen, x == y);
    // A thin ellipse a billion pixels wide shows its flat top and bottom rows across the surface.
    c.clear();
    c.use(0, false);
    plat::ellipse(c.dc, -1000000000, 3, 1000000000, 9);
    EXPECT_EQ(c.picture(0, 3, 16, 4)[0], std::string(16, 'P'));
    EXPECT_EQ(c.picture(0, 8, 16, 9)[0], std::string(16, 'P'));
    EXPECT_EQ(c.picture(0, 5, 16, 6)[0], std::string(16, '.'));
}

TEST(Copy, SetPixelBitBltAndScroll) {
    Canvas c(5, 4);
    EXPECT_EQ(plat::set_pixel(c.dc, 4, 3, kPen), kPen);
    EXPECT_EQ(plat::set_pixel(c.dc, 5, 3, kPen), static_cast<plat::Color>(-1));
    EXPECT_EQ(plat::set_pixel(c.dc, INT_MIN, -1, kPen), static_cast<plat::Color>(-1));
    EXPECT_EQ(c.count(kPen), 1);
    // Rows 0..3 get distinct colours; overlapping copies within one surface act like memmove.
    auto rows = [&] {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) c.surface().put(x, y, static_cast<plat::Color>(y * 10 + x));
    };
    rows();
    plat::bit_blt(c.dc, 1, 1, 5, 4, c.dc, 0, 0);  // down-right by one
    EXPECT_EQ(c.surface().at(1, 1), 0u);
    EXPECT_EQ(c.surface().at(4, 3), 23u);
    EXPECT_EQ(c.surface().at(0, 3), 30u);  // not covered: unchanged
    rows();
    plat::bit_blt(c.dc, 0, 0, 5, 4, c.dc, 1, 1);  // up-left by one
    EXPECT_EQ(c.surface().at(0, 0), 11u);
    EXPECT_EQ(c.surface().at(3, 2), 34u);
    EXPECT_EQ(c.surface().at(4, 3), 34u);
    rows();
    plat::scroll_dc(c.dc, 0, -2);  // rows 2..3 move to 0..1, rows 2..3 keep their pixels
    EXPECT_EQ(c.surface().at(2, 0), 22u);
    EXPECT_EQ(c.surface().at(2, 1), 32u);
    EXPECT_EQ(c.surface().at(2, 2), 22u);
    EXPECT_EQ(c.surface().at(2, 3), 32u);
    // Far-off and huge rectangles neither crash nor write.
    rows();
    Canvas other(3, 3);
    plat::bit_blt(other.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, c.dc, INT_MAX, 0);
    plat::bit_blt(other.dc, -1, -1, INT_MAX, INT_MAX, c.dc, 0, 0);
    EXPECT_EQ(other.surface().at(0, 0), 11u);
    EXPECT_EQ(other.surface().at(2, 2), 33u);
    plat::scroll_dc(c.dc, INT_MIN, INT_MAX);
    EXPECT_EQ(c.surface().at(2, 2), 22u);
}
