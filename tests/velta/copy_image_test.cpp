// The copy of the off-screen image to the graphics window, which copies only what was drawn since
// the last copy: after every show the window holds exactly the image, whatever happened to the
// window or the image in between.
#include <random>

#include "draw_helpers.h"

using namespace velta_test;

namespace {

class CopyImageTest : public DrawingTest {
  protected:
    int pick(int lo, int hi) {
        return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1));
    }
    std::mt19937 rng{11};
};

testing::AssertionResult window_shows_image() {
    const plat::Surface& window = plat::headless::surface(velta_state.graphics);
    const plat::Surface& img = image();
    for (int y = 0; y < window.height && y < img.height; ++y)
        for (int x = 0; x < window.width && x < img.width; ++x)
            if (window.at(x, y) != img.at(x, y))
                return testing::AssertionFailure() << "first difference at " << x << "," << y;
    return testing::AssertionSuccess();
}

TEST_F(CopyImageTest, AfterEveryShowTheWindowHoldsTheImage) {
    for (int i = 0; i < 10; ++i) velta_pump();  // start-up's paints
    ASSERT_GT(plat::headless::surface(graphics()).width, 100);
    for (int round = 0; round < 300; ++round) {
        for (int n = pick(1, 4); n > 0; --n) {  // each round draws, so the show copies
            const int colour = pick(0, VELTA_COLORS - 1), width = pick(0, 4);
            const int x1 = pick(-320, 320), y1 = pick(-270, 270), x2 = pick(-320, 320),
                      y2 = pick(-270, 270);
            switch (pick(0, 5)) {
                case 0:
                    velta_rectangle(colour, x1, y1, x1 + pick(0, 40), y1 - pick(0, 40), width);
                    break;
                case 1:
                    velta_oval(colour, x1, y1, x2, y2, width);
                    break;
                case 2:
                    velta_triangle(colour, x1, y1, x2, y2, x1 + pick(-30, 30), y2, width);
                    break;
                case 3:
                    velta_line(colour, x1, y1, x2, y2, width);
                    break;
                case 4:
                    velta_pixel(colour, x1, y1);
                    break;
                default:
                    velta_text(colour, x1, y1, "Ag", pick(0, 20));
                    break;
            }
        }
        switch (pick(0, 9)) {
            case 0: {  // the window erased by a paint that copies nothing
                plat::DC dc = plat::begin_paint(graphics());
                plat::end_paint(graphics(), dc);
                break;
            }
            case 1: {  // drawing onto the window itself
                plat::DC dc = plat::get_dc(graphics());
                plat::set_pixel(dc, pick(0, 594), pick(0, 489), plat::rgb(1, 2, 3));
                plat::rectangle(dc, pick(-5, 590), pick(-5, 480), pick(0, 600), pick(0, 500));
                plat::release_dc(graphics(), dc);
                break;
            }
            case 2:  // a repaint, which copies the whole image
                plat::invalidate(graphics());
                velta_pump();
                break;
            default:
                break;
        }
        velta_show();
        ASSERT_TRUE(window_shows_image()) << "round " << round;
    }
}

}  // namespace
