#include <map>
#include <set>
#include <string>

#include "sim_helpers.h"

using sim_test::at;

namespace {

struct RoadRow {
    const char* label;
    int sx, sy, ex, ey;
    Direction direction;
    int entry_x, entry_y;
};

// Roads at list positions 8 to 23, with the geometry the wiring must give them.
const RoadRow kRoadsByPosition[16] = {
    {"R0", 20, 20, 0, 80, NORTH, 10, 20},       {"R2", -20, 80, 0, 20, SOUTH, -10, 80},
    {"R8", -20, -20, 0, -180, SOUTH, -10, -20}, {"R5", -20, 120, -80, 100, WEST, -20, 110},
    {"R6", 20, 80, 80, 100, EAST, 20, 90},      {"R1", 20, 120, 0, 180, NORTH, 10, 120},
    {"R7", 80, 120, 20, 100, WEST, 80, 110},    {"R10", -20, 20, -180, 0, WEST, -20, 10},
    {"R12", 120, 20, 100, 80, NORTH, 110, 20},  {"R13", 80, 80, 100, 20, SOUTH, 90, 80},
    {"R14", 20, -20, 80, 0, EAST, 20, -10},     {"R15", 80, 20, 20, 0, WEST, 80, 10},
    {"R9", 20, -180, 0, -20, NORTH, 10, -180},  {"R11", -180, -20, -20, 0, EAST, -180, -10},
    {"R3", -20, 180, 0, 120, SOUTH, -10, 180},  {"R4", -80, 80, -20, 100, EAST, -80, 90},
};

struct IntersectionRow {
    int x, y;
    const char* roads[4][2];  // per side: incoming, outgoing
};

// Intersections at list positions 0 to 7: I7 down to I0.
const IntersectionRow kIntersectionsByPosition[8] = {
    {100, 0, {{"R13", "R12"}, {}, {}, {"R14", "R15"}}},
    {-200, 0, {{}, {"R10", "R11"}, {}, {}}},
    {0, -200, {{"R8", "R9"}, {}, {}, {}}},
    {100, 100, {{}, {}, {"R12", "R13"}, {"R6", "R7"}}},
    {-100, 100, {{}, {"R5", "R4"}, {}, {}}},
    {0, 200, {{}, {}, {"R1", "R3"}, {}}},
    {0, 100, {{"R3", "R1"}, {"R7", "R6"}, {"R0", "R2"}, {"R4", "R5"}}},
    {0, 0, {{"R2", "R0"}, {"R15", "R14"}, {"R9", "R8"}, {"R11", "R10"}}},
};

}  // namespace

TEST_F(LayoutTest, ListHoldsIntersectionsThenRoadsWiredAsTheGridNeeds) {
    ASSERT_EQ(network.elements().size(), 24u);
    std::map<std::string, Road*> by_label;
    for (int i = 0; i < 16; ++i) {
        const RoadRow& row = kRoadsByPosition[i];
        Road* r = road(8 + i);
        ASSERT_NE(r, nullptr) << row.label;
        by_label[row.label] = r;
        EXPECT_EQ(r->end_point(0).x(), row.sx) << row.label;
        EXPECT_EQ(r->end_point(0).y(), row.sy) << row.label;
        EXPECT_EQ(r->end_point(1).x(), row.ex) << row.label;
        EXPECT_EQ(r->end_point(1).y(), row.ey) << row.label;
        EXPECT_EQ(r->direction(), row.direction) << row.label;
        Location entry = r->entry_point();
        EXPECT_EQ(entry.x(), row.entry_x) << row.label;
        EXPECT_EQ(entry.y(), row.entry_y) << row.label;
        // The end is reached on the end point's coordinate along the direction, not before.
        FastVehicle probe;
        Location end = at(row.entry_x, row.entry_y);
        Location before = end;
        int along = (row.direction == NORTH || row.direction == SOUTH) ? row.ey - row.entry_y
                                                                       : row.ex - row.entry_x;
        int distance = along < 0 ? -along : along;
        end.move(row.direction, distance);
        before.move(row.direction, distance - 1);
        probe.set_location(end);
        EXPECT_TRUE(r->at_end(probe)) << row.label;
        probe.set_location(before);
        EXPECT_FALSE(r->at_end(probe)) << row.label;
    }
    for (int i = 0; i < 8; ++i) {
        const IntersectionRow& row = kIntersectionsByPosition[i];
        Intersection* in = intersection(i);
        ASSERT_NE(in, nullptr) << i;
        EXPECT_EQ(in->location().x(), row.x) << i;
        EXPECT_EQ(in->location().y(), row.y) << i;
        for (int side = 0; side < 4; ++side) {
            for (int lane = 0; lane < 2; ++lane) {
                const char* label = row.roads[side][lane];
                Road* want = label ? by_label.at(label) : nullptr;
                EXPECT_EQ(in->road(side, lane), want) << i << " side " << side << " lane " << lane;
                if (want) {
                    EXPECT_EQ(want->end_element(other_lane(lane)), in);
                }
            }
        }
    }
}

TEST_F(LayoutTest, SpawnsLandOnlyOnTheFourEntryRoads) {
    std::set<Road*> used;
    int fast = 0, pulsing = 0;
    Display display;
    int total = 0;
    // Each spawn's vehicle is looked at and taken off again, so no entry road ever fills up.
    for (int n = 0; n < 200; ++n) {
        network.spawn(display);
        for (int pos = 8; pos < 24; ++pos) {
            Road* r = road(pos);
            if (pos < 20) {
                EXPECT_EQ(r->size(), 0) << pos;
                continue;
            }
            total += r->size();
            if (r->size() > 0) used.insert(r);
            Location entry = r->entry_point();
            for (const Road::QueueNode* node = r->queue_head(); node; node = node->next) {
                EXPECT_EQ(node->vehicle->location().x(), entry.x());
                EXPECT_EQ(node->vehicle->location().y(), entry.y());
                EXPECT_EQ(node->vehicle->heading(), r->direction());
                bool table_destination = false;
                for (const auto& row : kDestinationTable)
                    table_destination =
                        table_destination || (row[0] == node->vehicle->location().dest_x() &&
                                              row[1] == node->vehicle->location().dest_y());
                EXPECT_TRUE(table_destination);
                fast += dynamic_cast<FastVehicle*>(node->vehicle) != nullptr;
                pulsing += dynamic_cast<PulsingVehicle*>(node->vehicle) != nullptr;
            }
            sim_test::clear_road(*r);
        }
    }
    EXPECT_EQ(total, 200);
    EXPECT_EQ(used.size(), 4u);
    EXPECT_GT(fast, 60);
    EXPECT_GT(pulsing, 60);
}

TEST_F(LayoutTest, ToggleLightsSwitchesAllEightIntersectionsTogether) {
    network.toggle_lights();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(intersection(i)->traffic_light().ns_color, kRed) << i;
        EXPECT_EQ(intersection(i)->traffic_light().ew_color, kGreen) << i;
    }
    network.toggle_lights();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(intersection(i)->traffic_light().ns_color, kGreen);
}
