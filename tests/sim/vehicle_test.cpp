#include <map>

#include "sim_helpers.h"

using sim_test::at;

TEST(VehicleTest, FastCoversTwiceThePulsingDistanceAndKeepsItsDestination) {
    FastVehicle fast;
    PulsingVehicle pulsing;
    fast.set_location(at(0, 0, 100, 0));
    fast.set_heading(EAST);
    pulsing.set_location(at(0, 0, 0, -200));
    pulsing.set_heading(SOUTH);
    for (int i = 0; i < 3; ++i) {
        fast.advance(1);
        pulsing.advance(1);
    }
    EXPECT_EQ(fast.location().x(), 6);
    EXPECT_EQ(fast.location().y(), 0);
    EXPECT_EQ(fast.location().dest_x(), 100);
    EXPECT_EQ(pulsing.location().y(), -3);
    EXPECT_EQ(pulsing.location().dest_y(), -200);
    EXPECT_EQ(pulsing.heading(), SOUTH);
}

namespace {

std::map<Direction, int> choices(Location where, int n) {
    PulsingVehicle v;
    v.set_location(where);
    std::map<Direction, int> counts;
    for (int i = 0; i < n; ++i) ++counts[v.choose_direction()];
    return counts;
}

}  // namespace

TEST(VehicleTest, RouteChoiceLeansTowardTheDestination) {
    sim_seed(5);
    const int n = 40000;
    auto north_east = choices(at(0, 0, 100, 100), n);
    EXPECT_NEAR(north_east[NORTH], 0.45 * n, 0.02 * n);
    EXPECT_NEAR(north_east[EAST], 0.45 * n, 0.02 * n);
    EXPECT_NEAR(north_east[SOUTH], 0.05 * n, 0.01 * n);
    EXPECT_NEAR(north_east[WEST], 0.05 * n, 0.01 * n);

    auto south_east = choices(at(0, 100, 100, 0), n);
    EXPECT_NEAR(south_east[SOUTH], 0.45 * n, 0.02 * n);
    EXPECT_NEAR(south_east[EAST], 0.45 * n, 0.02 * n);

    auto north_west = choices(at(0, 0, -200, 100), n);
    EXPECT_NEAR(north_west[NORTH], 0.45 * n, 0.02 * n);
    EXPECT_NEAR(north_west[WEST], 0.45 * n, 0.02 * n);

    // South-west of the position, or level with it, still answers north or east.
    for (Location where : {at(0, 0, -200, -200), at(0, 0, 0, 0), at(0, 0, 100, 0)}) {
        auto counts = choices(where, n);
        EXPECT_NEAR(counts[NORTH], 0.45 * n, 0.02 * n);
        EXPECT_NEAR(counts[EAST], 0.45 * n, 0.02 * n);
        EXPECT_NEAR(counts[SOUTH], 0.05 * n, 0.01 * n);
    }
}
