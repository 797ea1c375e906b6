// What the simulation's objects draw, read back from the library's log of drawing calls.
#include <string>
#include <vector>

#include "sim_helpers.h"

using sim_test::at;
using Lines = std::vector<std::string>;

namespace {

std::string rect(const char* colour, int left, int top, int right, int bottom) {
    return std::string(colour) + " rectangle with bounding box (" + std::to_string(left) + "," +
           std::to_string(top) + ") to (" + std::to_string(right) + "," + std::to_string(bottom) +
           "), filled\n";
}

std::string tri(const char* colour, int x1, int y1, int x2, int y2, int x3, int y3) {
    char line[128];
    std::snprintf(line, sizeof line, "%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", colour, x1, y1,
                  x2, y2, x3, y3);
    return line;
}

}  // namespace

class DrawingTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        display = new Display();
        velta_set_logging(1);
        velta_console_reset();
    }
    void TearDown() override {
        delete display;
        SimTest::TearDown();
    }
    // The lines logged by one drawing.
    template <typename Drawable>
    Lines drawn(Drawable& object) {
        velta_console_reset();
        object.draw(*display);
        return sim_test::console_lines();
    }
    Display* display = nullptr;
};

TEST_F(DrawingTest, FastVehicleIsAYellowSquareWithARedArrow) {
    FastVehicle v;
    v.set_location(at(0, 0));
    v.set_heading(EAST);
    EXPECT_EQ(drawn(v), (Lines{rect("yellow", -5, 5, 5, -5), tri("red", 5, 5, 5, -5, 10, 0)}));
    v.set_location(at(30, -40));
    v.set_heading(SOUTH);
    EXPECT_EQ(drawn(v),
              (Lines{rect("yellow", 25, -35, 35, -45), tri("red", 35, -45, 25, -45, 30, -50)}));
}

TEST_F(DrawingTest, PulsingBodyShrinksAlongItsHeadingWithTheArrowOnItsFront) {
    PulsingVehicle v;
    v.set_location(at(0, 0));
    v.set_heading(NORTH);
    // Body lengths 10, 8, 6, 4, 2 and 10 again, moving one unit north per advance.
    for (int y = 0; y < 6; ++y) {
        int m = y % 5;
        EXPECT_EQ(drawn(v), (Lines{rect("green", -5, y - m + 5, 5, y + m - 5),
                                   tri("yellow", -5, y + 5 - m, 5, y + 5 - m, 0, y + 10 - m)}))
            << "after " << y << " advances";
        v.advance(1);
    }
    // Turning does not restart the pulse (six advances: m = 1); being placed does.
    v.set_heading(WEST);
    EXPECT_EQ(drawn(v), (Lines{rect("green", -4, 11, 4, 1), tri("yellow", -4, 1, -4, 11, -9, 6)}));
    v.set_location(at(0, 0));
    EXPECT_EQ(drawn(v)[0], rect("green", -5, 5, 5, -5));
}

TEST_F(DrawingTest, IntersectionIsABlackSquareUnderItsFourWedgeLight) {
    Intersection crossing(at(0, 0));
    const Lines green_ns = {
        rect("black", -20, 20, 20, -20),       tri("green", 0, 0, 10, 10, -10, 10),
        tri("green", 0, 0, 10, -10, -10, -10), tri("red", 0, 0, -10, -10, -10, 10),
        tri("red", 0, 0, 10, 10, 10, -10),
    };
    EXPECT_EQ(drawn(crossing), green_ns);
    crossing.toggle_light();
    Lines toggled = drawn(crossing);
    ASSERT_EQ(toggled.size(), 5u);
    EXPECT_EQ(toggled[1], tri("red", 0, 0, 10, 10, -10, 10));
    EXPECT_EQ(toggled[2], tri("red", 0, 0, 10, -10, -10, -10));
    EXPECT_EQ(toggled[3], tri("green", 0, 0, -10, -10, -10, 10));
    EXPECT_EQ(toggled[4], tri("green", 0, 0, 10, 10, 10, -10));
}

TEST_F(DrawingTest, RoadDrawsItsLaneThenItsVehiclesFrontFirst) {
    Road* road = sim_test::make_road(at(-80, 80), at(-20, 100));
    const std::string fill = rect("black", -80, 100, -20, 80);
    const std::string outline =
        "white rectangle with bounding box (-80,100) to (-20,80) with line width 1\n";
    EXPECT_EQ(drawn(*road), (Lines{fill, outline}));
    sim_test::place(*road, new FastVehicle(), at(-40, 90));
    sim_test::place(*road, new FastVehicle(), at(-70, 90));
    EXPECT_EQ(drawn(*road),
              (Lines{fill, outline, rect("yellow", -45, 95, -35, 85),
                     tri("red", -35, 95, -35, 85, -30, 90), rect("yellow", -75, 95, -65, 85),
                     tri("red", -65, 95, -65, 85, -60, 90)}));
    sim_test::clear_road(*road);
    delete road;
}
