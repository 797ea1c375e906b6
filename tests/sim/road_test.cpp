#include <cstring>
#include <string>

#include "sim_helpers.h"

using sim_test::at;
using sim_test::clear_road;
using sim_test::make_road;
using sim_test::place;
using sim_test::positions;

TEST(RoadTest, DirectionEntryPointAndEndFollowFromTheCorners) {
    struct Case {
        Location start, end;
        Direction direction;
        int entry_x, entry_y;
    };
    const Case cases[] = {
        {at(20, 20), at(0, 80), NORTH, 10, 20},
        {at(-80, 80), at(-20, 100), EAST, -80, 90},
        {at(-20, 80), at(0, 20), SOUTH, -10, 80},
        {at(-20, 120), at(-80, 100), WEST, -20, 110},
        // Degenerate rectangles count as north whatever the other difference.
        {at(0, 50), at(0, 0), NORTH, 0, 50},
        {at(10, 5), at(-30, 5), NORTH, -10, 5},
    };
    for (const Case& c : cases) {
        Road road;
        road.set_endpoint(c.start, 0);
        road.set_endpoint(c.end, 1);
        EXPECT_EQ(road.direction(), c.direction) << c.start.x() << "," << c.start.y();
        Location entry = road.entry_point();
        EXPECT_EQ(entry.x(), c.entry_x);
        EXPECT_EQ(entry.y(), c.entry_y);
    }
    // Moving an end later re-derives the direction at once.
    Road road;
    road.set_endpoint(at(20, 20), 0);
    road.set_endpoint(at(0, 80), 1);
    road.set_endpoint(at(-80, 100), 0);
    EXPECT_EQ(road.direction(), SOUTH);
}

TEST(RoadTest, AFastVehicleStopsWhereItLandsPastTheEnd) {
    Road* north = make_road(at(20, 20), at(0, 80));
    // A fast vehicle one unit short steps past the end and stays where it landed.
    Vehicle* v = place(*north, new FastVehicle(), at(10, 79));
    north->step();
    EXPECT_EQ(v->location().y(), 81);
    EXPECT_TRUE(north->front_ready());
    north->step();
    EXPECT_EQ(v->location().y(), 81);
    clear_road(*north);
    delete north;
}

TEST(RoadTest, SpacingUsesOneAxisAndTwentyCountsAsTooClose) {
    Road road;
    EXPECT_FALSE(road.too_close(at(5, 5), at(5, 5), 0));
    EXPECT_TRUE(road.too_close(at(5, 5), at(5, 5), 1));
    EXPECT_TRUE(road.too_close(at(0, 40), at(0, 20), 1));
    EXPECT_FALSE(road.too_close(at(0, 41), at(0, 20), 2));
    // Different x: x alone counts, however far apart in y.
    EXPECT_TRUE(road.too_close(at(0, 0), at(10, 500), 1));
    EXPECT_FALSE(road.too_close(at(0, 0), at(-21, 0), 1));
}

TEST(RoadTest, FollowersCompareWithTheMovedVehicleAhead) {
    Road* road = make_road(at(20, 20), at(0, 80));
    place(*road, new PulsingVehicle(), at(10, 60));
    place(*road, new PulsingVehicle(), at(10, 40));
    place(*road, new PulsingVehicle(), at(10, 25));
    road->step();
    auto p = positions(*road);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].y(), 61);
    EXPECT_EQ(p[1].y(), 41);
    EXPECT_EQ(p[2].y(), 25);
    EXPECT_EQ(p[2].x(), 10);
    clear_road(*road);
    delete road;
}

TEST(RoadTest, FrontStopsAtTheEndAndTheQueueBacksUpBehindIt) {
    Road* road = make_road(at(20, 20), at(0, 80));
    for (int i = 0; i < 4; ++i) {
        road->accept(new FastVehicle());
        for (int t = 0; t < 15; ++t) road->step();
    }
    for (int t = 0; t < 100; ++t) road->step();
    auto p = positions(*road);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].y(), 80);
    for (std::size_t i = 1; i < p.size(); ++i) {
        EXPECT_GT(p[i - 1].y() - p[i].y(), 18) << i;
        EXPECT_LE(p[i - 1].y() - p[i].y(), 22) << i;
    }
    EXPECT_TRUE(road->front_ready());
    clear_road(*road);
    delete road;
}

TEST(RoadTest, QueueKeepsOrderAndEmptiesCleanly) {
    Road* road = make_road(at(20, 20), at(0, 80));
    EXPECT_FALSE(road->front_ready());
    EXPECT_TRUE(road->has_room(road));
    road->step();
    EXPECT_EQ(road->front(), nullptr);
    EXPECT_EQ(road->take_front(), nullptr);

    Vehicle* a = new FastVehicle();
    road->accept(a);
    EXPECT_TRUE(sim_test::queue_consistent(*road));
    EXPECT_EQ(road->take_front(), a);
    EXPECT_EQ(road->queue_head(), nullptr);
    EXPECT_EQ(road->queue_tail(), nullptr);
    EXPECT_EQ(road->size(), 0);

    Vehicle* b = new FastVehicle();
    Vehicle* c = new PulsingVehicle();
    road->accept(b);
    EXPECT_EQ(road->queue_head(), road->queue_tail());
    road->accept(c);
    EXPECT_TRUE(sim_test::queue_consistent(*road));
    EXPECT_EQ(road->front(), b);
    EXPECT_EQ(road->front_heading(), NORTH);
    EXPECT_EQ(road->take_front(), b);
    EXPECT_EQ(road->front(), c);
    EXPECT_TRUE(sim_test::queue_consistent(*road));
    delete a;
    delete b;
    // The road's destructor releases its nodes and leaves the vehicle to its owner.
    delete road;
    EXPECT_EQ(c->heading(), NORTH);
    delete c;
}

TEST(RoadTest, RoomReturnsOnceTheLastVehicleIsMoreThanTwentyOn) {
    Road* road = make_road(at(20, 20), at(0, 80));
    Vehicle* v = place(*road, new PulsingVehicle(), at(10, 20));
    EXPECT_FALSE(road->has_room(road));
    v->set_location(at(10, 40));
    EXPECT_FALSE(road->has_room(road));
    v->set_location(at(10, 41));
    EXPECT_TRUE(road->has_room(road));
    // Asked about another road that is empty, a road answers for itself rather than failing.
    Road* other = make_road(at(20, 120), at(0, 180));
    v->set_location(at(10, 25));
    EXPECT_FALSE(road->has_room(other));
    clear_road(*road);
    delete road;
    delete other;
}

TEST(RoadTest, CapacityCountsAlongTheDirectionWithRoomForTheOvershootAndOneNewcomer) {
    struct Case {
        Location start, end;
        int capacity;
    };
    const Case cases[] = {
        // The grid's entry roads: R9 (north) and R11 (east), 160 long; R3 (south) and R4 (east),
        // 60 long. Nine or four stand 20 apart from the end back to the entry point.
        {at(20, -180), at(0, -20), 10},
        {at(-180, -20), at(-20, 0), 10},
        {at(-20, 180), at(0, 120), 5},
        {at(-80, 80), at(-20, 100), 5},
        // Only the length along the direction counts, not the width across it.
        {at(100, 20), at(0, 80), 5},
        {at(-20, 120), at(-80, 20), 5},
        // 75 long: a fast front can stop at 76, and four more fit 19 apart behind it.
        {at(20, 0), at(0, 75), 6},
        {at(20, 0), at(0, 74), 5},
    };
    for (const Case& c : cases) {
        Road road;
        road.set_endpoint(c.start, 0);
        road.set_endpoint(c.end, 1);
        EXPECT_EQ(road.capacity(), c.capacity) << c.start.x() << "," << c.start.y();
    }
}

TEST(RoadTest, AStuckLaneFedAtTheSpawnRateFillsToItsCapacityAndNoFurther) {
    // Vehicles arrive every 25 ticks, as spawns do, and the front is never taken, until the newest
    // cannot leave the entry point. Whatever the mix of kinds, the lane is then full and nothing
    // moves; one more newcomer on the entry point makes the capacity.
    const char* const mixes[] = {"F", "P", "FP", "PF", "FFP", "PPF", "FPP"};
    for (int length : {160, 60, 75, 95}) {
        for (const char* mix : mixes) {
            SCOPED_TRACE(std::to_string(length) + " " + mix);
            Road* road = make_road(at(20, 0), at(0, length));
            int fed = 0;
            bool held = false;
            while (!held && fed < 50) {
                bool fast = mix[fed % std::strlen(mix)] == 'F';
                road->accept(fast ? static_cast<Vehicle*>(new FastVehicle())
                                  : static_cast<Vehicle*>(new PulsingVehicle()));
                ++fed;
                for (int t = 0; t < 25; ++t) road->step();
                held = road->queue_tail()->vehicle->location().y() == 0;
            }
            // The queue has settled: nothing moves any more.
            auto settled = positions(*road);
            for (int t = 0; t < 200; ++t) road->step();
            auto later = positions(*road);
            ASSERT_EQ(later.size(), settled.size());
            for (std::size_t i = 0; i < later.size(); ++i)
                EXPECT_EQ(later[i].y(), settled[i].y()) << i;
            EXPECT_LE(later.front().y(), length + 1);
            for (std::size_t i = 1; i + 1 < later.size(); ++i)
                EXPECT_GE(later[i - 1].y() - later[i].y(), 19) << i;
            EXPECT_LE(road->size() + 1, road->capacity());
            // The grid's lengths leave nothing spare.
            if (length == 160 || length == 60) {
                EXPECT_EQ(road->size() + 1, road->capacity());
            }
            clear_road(*road);
            delete road;
        }
    }
}
