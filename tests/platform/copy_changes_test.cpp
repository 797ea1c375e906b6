// copy_changes: a picture copied again and again between the same two surfaces, where only what
// was written since the last copy is copied. Checked against plain copies after every kind of
// write to either surface.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/gdi.h"
#include "raster_support.h"

namespace {

using raster_test::Canvas;
using raster_test::Dice;
using raster_test::release_tools;
using raster_test::select_tools;

plat::Color any_colour(Dice& d) {
    return static_cast<plat::Color>(d.between(0, 0xFFFFFF));
}

// One seeded write of any kind onto the context's surface, most of them near or across its edges.
void scribble(Dice& d, plat::DC dc, plat::DC other) {
    const plat::Surface& s = *plat::dc_surface(dc);
    auto x = [&] { return d.coordinate(s.width, 30); };
    auto y = [&] { return d.coordinate(s.height, 30); };
    static const int pens[] = {0, 1, 2, 3, 5, 8};
    const plat::Color colour = any_colour(d);
    select_tools(dc, pens[d.between(0, 5)], colour, !d.one_in(3), colour ^ 0x00FF00);
    switch (d.between(0, 8)) {
        case 0:
            plat::rectangle(dc, x(), y(), x(), y());
            break;
        case 1:
            plat::ellipse(dc, x(), y(), x(), y());
            break;
        case 2: {
            const plat::Point p[4] = {{x(), y()}, {x(), y()}, {x(), y()}, {x(), y()}};
            plat::polygon(dc, p, d.between(2, 4));
            break;
        }
        case 3:
            plat::move_to(dc, x(), y());
            plat::line_to(dc, x(), y());
            break;
        case 4:
            plat::set_pixel(dc, x(), y(), any_colour(d));
            break;
        case 5:
            plat::text_out(dc, x(), y(), "Wg", 2);
            break;
        case 6:
            plat::scroll_dc(dc, d.between(-3, 3), d.between(-3, 3));
            break;
        case 7:
            plat::bit_blt(dc, x(), y(), d.between(1, 20), d.between(1, 20), other, d.between(-5, 9),
                          d.between(-5, 9));
            break;
        default:
            plat::dc_surface(dc)->put(x(), y(), any_colour(d));
            break;
    }
}

// The destination after each copy_changes must be what plain copies make of the same writes.
void check_against_plain_copies(unsigned seed, int x, int y, int src_x, int src_y) {
    Dice d(seed);
    Canvas src(61, 47), dst(53, 41), plain(53, 41), other(23, 19), third(30, 30);
    for (int i = 0; i < 40; ++i) scribble(d, other.dc, src.dc);
    for (int round = 0; round < 400; ++round) {
        for (int n = d.between(0, 6); n > 0; --n) scribble(d, src.dc, other.dc);
        if (d.one_in(5)) {  // the destination is drawn on too, the same way on both
            const unsigned s = static_cast<unsigned>(d.between(0, 1 << 30));
            Dice a(s), b(s);
            scribble(a, dst.dc, other.dc);
            scribble(b, plain.dc, other.dc);
        }
        if (d.one_in(25)) {  // a direct write, marked as the contract asks
            src.surface().pixels[static_cast<std::size_t>(d.between(0, 61 * 47 - 1))] = 0x123456;
            src.surface().changed_all();
        }
        if (d.one_in(40)) {  // a new picture on the destination
            dst.surface().resize(53, 41, 0x00AA00);
            plain.surface().resize(53, 41, 0x00AA00);
        }
        if (d.one_in(30))  // the source copied elsewhere in between
            plat::copy_changes(third.dc, 0, 0, 30, 30, src.dc, d.between(-4, 4), 2);
        const bool moved = d.one_in(30);  // another rectangle now and then
        const int w = moved ? d.between(1, 70) : 70, h = moved ? d.between(1, 70) : 60;
        plat::copy_changes(dst.dc, x, y, w, h, src.dc, src_x, src_y);
        plat::bit_blt(plain.dc, x, y, w, h, src.dc, src_x, src_y);
        ASSERT_EQ(dst.surface().pixels, plain.surface().pixels)
            << "seed " << seed << " round " << round;
    }
    for (Canvas* c : {&src, &dst, &plain, &other, &third}) release_tools(c->dc);
}

TEST(CopyChanges, EachCopyLeavesWhatAPlainCopyWould) {
    check_against_plain_copies(1, 0, 0, 0, 0);  // an image shown at the window's top-left
    check_against_plain_copies(2, 3, -2, 5, 4);
    check_against_plain_copies(3, -7, 6, -2, -3);
}

TEST(CopyChanges, OnlyWhatWasWrittenSinceTheLastCopyIsCopied) {
    Canvas src(40, 30), dst(40, 30);
    plat::copy_changes(dst.dc, 0, 0, 40, 30, src.dc, 0, 0);
    // A direct write that is not marked is not seen: the rest of the picture is known to match.
    src.surface().pixels[0] = raster_test::kPen;
    select_tools(src.dc, 0, raster_test::kPen, true, raster_test::kBrush);
    plat::rectangle(src.dc, 30, 20, 35, 25);
    plat::copy_changes(dst.dc, 0, 0, 40, 30, src.dc, 0, 0);
    EXPECT_EQ(dst.surface().at(32, 22), raster_test::kBrush);
    EXPECT_EQ(dst.surface().at(0, 0), raster_test::kWhite);
    // Marked, or copied by plain bit_blt, it arrives.
    src.surface().changed_all();
    plat::copy_changes(dst.dc, 0, 0, 40, 30, src.dc, 0, 0);
    EXPECT_EQ(dst.surface().at(0, 0), raster_test::kPen);
    // A write on the destination is undone by the next copy, as a plain copy would.
    plat::set_pixel(dst.dc, 39, 29, raster_test::kPen);
    plat::copy_changes(dst.dc, 0, 0, 40, 30, src.dc, 0, 0);
    EXPECT_EQ(dst.surface().at(39, 29), raster_test::kWhite);
    // Within one surface it is a plain copy.
    plat::copy_changes(src.dc, 1, 0, 40, 30, src.dc, 0, 0);
    EXPECT_EQ(src.surface().at(1, 0), raster_test::kPen);
    EXPECT_FALSE(plat::copy_changes(dst.dc, 0, 0, 0, 30, src.dc, 0, 0));
    EXPECT_FALSE(plat::copy_changes(nullptr, 0, 0, 40, 30, src.dc, 0, 0));
    release_tools(src.dc);
}

}  // namespace
