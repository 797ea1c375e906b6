// The text console: the ring of the last 25 messages, the line it draws, and the repaint.
#include <string>

#include "draw_helpers.h"

using namespace velta_test;

namespace {

std::string numbered(int i) {
    return "message " + std::to_string(i) + "\n";
}

}  // namespace

class ConsoleTest : public VeltaTest {
  protected:
    void start() {
        init();
        // Let start-up's paints run so that later output is not painted over.
        for (int i = 0; i < 10; ++i) velta_pump();
        velta_console_reset();
        plat::DC dc = plat::get_dc(text());
        plat::select_object(dc, plat::get_stock_object(plat::stock::ansi_fixed_font));
        plat::TextMetrics m;
        plat::get_text_metrics(dc, &m);
        plat::release_dc(text(), dc);
        h = m.height + m.external_leading;
    }
    const plat::Surface& screen() { return plat::headless::surface(text()); }
    void mark(int x, int y, plat::Color c) {
        plat::DC dc = plat::get_dc(text());
        plat::set_pixel(dc, x, y, c);
        plat::release_dc(text(), dc);
    }
    int h = 0;
};

TEST_F(ConsoleTest, RingFillsFromSlotZeroWrapsAndDropsTheOldest) {
    EXPECT_EQ(velta_ring_start(), -1);
    EXPECT_EQ(velta_ring_next(), 0);
    velta_print("message %d\n", 0);
    EXPECT_STREQ(velta_console_slot(0), "message 0\n");
    EXPECT_EQ(velta_ring_start(), 0);
    EXPECT_EQ(velta_ring_next(), 1);
    for (int i = 1; i < 25; ++i) velta_print("message %d\n", i);
    EXPECT_STREQ(velta_console_slot(24), "message 24\n");
    EXPECT_EQ(velta_ring_start(), 0);
    EXPECT_EQ(velta_ring_next(), 0);
    velta_print("message %d\n", 25);
    EXPECT_STREQ(velta_console_slot(0), "message 25\n");
    EXPECT_EQ(velta_ring_start(), 1);
    EXPECT_EQ(velta_ring_next(), 1);
    std::vector<std::string> log = console_log();
    ASSERT_EQ(log.size(), 25u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(log[i], numbered(i + 1));
    // Many more wraps keep exactly the last 25, in order.
    for (int i = 26; i < 103; ++i) velta_print("message %d\n", i);
    log = console_log();
    ASSERT_EQ(log.size(), 25u);
    EXPECT_EQ(log.front(), numbered(78));
    EXPECT_EQ(log.back(), numbered(102));
    EXPECT_EQ(velta_console_slot(-1), nullptr);
    EXPECT_EQ(velta_console_slot(25), nullptr);
}

TEST_F(ConsoleTest, PrintReturnsThePrintfCountAndStoresTheTextAsFormatted) {
    EXPECT_EQ(velta_print("Flushing the graphics window\n"), 29);
    EXPECT_EQ(velta_print("%s", ""), 0);
    EXPECT_EQ(velta_print("%d|%5s|%c", -42, "ab", 'z'), 11);
    EXPECT_EQ(console_log(),
              (std::vector<std::string>{"Flushing the graphics window\n", "", "-42|   ab|z"}));
}

TEST_F(ConsoleTest, LongMessagesAreKeptWholeWithoutOverrun) {
    // Also exercised under the sanitizers: nothing may be written past any buffer.
    std::string long_text(5000, 'x');
    long_text[4999] = 'y';
    EXPECT_EQ(velta_print("%s\n", long_text.c_str()), 5001);
    EXPECT_EQ(console_log().back(), long_text + "\n");
    for (int n : {1022, 1023, 1024, 1025}) {
        std::string text(static_cast<std::size_t>(n), 'a');
        EXPECT_EQ(velta_print("%s", text.c_str()), n);
        EXPECT_EQ(console_log().back(), text) << n;
    }
    // A long message formed from several values, so that the arguments are read twice.
    std::string pad(1500, '-');
    EXPECT_EQ(velta_print("%s%d%s%d", pad.c_str(), 7, pad.c_str(), 8), 3002);
    EXPECT_EQ(console_log().back(), pad + "7" + pad + "8");
}

TEST_F(ConsoleTest, OutputWithoutATextWindowIsHarmless) {
    velta_print("before start-up %d\n", 1);
    start();
    plat::headless::close(text());
    for (int i = 0; i < 5; ++i) velta_pump();
    EXPECT_FALSE(plat::is_window(text()));
    EXPECT_EQ(velta_print("after closing %d\n", 2), 16);
    velta_console_line("direct");
    EXPECT_EQ(console_log(), std::vector<std::string>{"after closing 2\n"});
}

TEST_F(ConsoleTest, EachMessageScrollsByOneLineAndClearsTheBottomStrip) {
    start();
    ASSERT_GT(h, 0);
    const plat::Surface& s = screen();
    int bottom = plat::client_rect(text()).bottom;
    mark(0, bottom - 1, kRed);
    mark(2, bottom - h - 1, kBlue);
    // An empty message draws no glyph but still scrolls and clears.
    velta_print("%s", "");
    EXPECT_EQ(s.at(0, bottom - h - 1), kRed);
    EXPECT_EQ(s.at(2, bottom - 2 * h - 1), kBlue);
    EXPECT_EQ(s.at(0, bottom - 1), kWhite);
    EXPECT_EQ(count_colour(s, kWhite), s.width * s.height - 2);
    EXPECT_STREQ(velta_console_slot(0), "");
}

TEST_F(ConsoleTest, MessageIsDrawnOnTheBottomLineWithoutItsTrailingNewline) {
    start();
    const plat::Surface& s = screen();
    velta_print("Flushing the graphics window\n");
    std::vector<plat::Color> with_newline = s.pixels;
    ASSERT_LT(count_colour(s, kWhite), s.width * s.height) << "the message drew nothing";
    int bottom = plat::client_rect(text()).bottom;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.at(x, y) != kWhite) {
                EXPECT_GE(y, bottom - h);
                EXPECT_GE(x, 5);
            }
    // The same text without the newline looks the same.
    reset();
    start();
    velta_print("Flushing the graphics window");
    EXPECT_EQ(screen().pixels, with_newline);
    // Only one trailing newline is dropped: a second one is drawn as a glyph.
    reset();
    start();
    velta_print("Flushing the graphics window\n\n");
    EXPECT_NE(screen().pixels, with_newline);
}

TEST_F(ConsoleTest, RepaintReplaysTheRingOldestFirst) {
    start();
    const plat::Surface& s = screen();
    // Nothing stored: the repaint leaves a white window.
    mark(3, 3, kRed);
    velta_text_paint(text());
    EXPECT_EQ(count_colour(s, kWhite), s.width * s.height);

    // The 26th message displaces the first; the repaint must show messages 1..25 as printing them
    // afresh onto a white window does.
    for (int i = 1; i <= 25; ++i) velta_print("message %d\n", i);
    std::vector<plat::Color> expected = s.pixels;
    ASSERT_LT(count_colour(s, kWhite), s.width * s.height);
    velta_console_reset();
    reset();
    start();
    for (int i = 0; i <= 25; ++i) velta_print("message %d\n", i);
    mark(3, 3, kRed);
    velta_text_paint(text());
    EXPECT_EQ(screen().pixels, expected);
    // The repaint reads the ring; it does not add to it.
    EXPECT_EQ(console_log().front(), numbered(1));
    EXPECT_EQ(console_log().size(), 25u);

    // The platform's own paint request goes through the same replay.
    mark(3, 3, kRed);
    plat::invalidate(text());
    for (int i = 0; i < 5; ++i) velta_pump();
    EXPECT_EQ(screen().pixels, expected);
}
