#include "sim_helpers.h"

using sim_test::at;
using sim_test::clear_road;
using sim_test::place;

TEST(TrafficLightTest, ToggleSwapsTheAxesAndDecidesWhoMayPass) {
    TrafficLight light(at(0, 0));
    EXPECT_EQ(light.ns_color, kGreen);
    EXPECT_EQ(light.ew_color, kRed);
    Road* road = sim_test::make_road(at(20, 20), at(0, 80));
    EXPECT_FALSE(light.may_pass(*road));  // nobody waiting
    Vehicle* v = new FastVehicle();
    road->accept(v);
    const bool ns_green_expect[4] = {true, false, true, false};
    for (Direction h = NORTH; h <= WEST; ++h) {
        v->set_heading(h);
        EXPECT_EQ(light.may_pass(*road), ns_green_expect[h]) << h;
    }
    light.toggle();
    EXPECT_EQ(light.ns_color, kRed);
    EXPECT_EQ(light.ew_color, kGreen);
    for (Direction h = NORTH; h <= WEST; ++h) {
        v->set_heading(h);
        EXPECT_EQ(light.may_pass(*road), !ns_green_expect[h]) << h;
    }
    light.toggle();
    EXPECT_EQ(light.ns_color, kGreen);
    clear_road(*road);
    delete road;
}

TEST(IntersectionTest, ConnectRoadAttachesAtTheEdgeMiddleOrTheClockwiseCorner) {
    Intersection centre(at(100, 100));
    EXPECT_EQ(centre.edge(NORTH), 120);
    EXPECT_EQ(centre.edge(EAST), 120);
    EXPECT_EQ(centre.edge(SOUTH), 80);
    EXPECT_EQ(centre.edge(WEST), 80);
    EXPECT_EQ(centre.edge(4), 0);
    // Offsets from the centre: incoming end point, outgoing start point.
    const int expected[4][2][2] = {
        {{0, 20}, {20, 20}}, {{20, 0}, {20, -20}}, {{0, -20}, {-20, -20}}, {{-20, 0}, {-20, 20}}};
    Road roads[4][2];
    for (int side = 0; side < 4; ++side) {
        for (int lane = 0; lane < 2; ++lane) {
            Road& r = roads[side][lane];
            centre.connect_road(&r, side, lane);
            int end = other_lane(lane);
            EXPECT_EQ(centre.road(side, lane), &r);
            EXPECT_EQ(r.end_element(end), &centre);
            EXPECT_EQ(r.end_element(1 - end), nullptr);
            EXPECT_EQ(r.end_point(end).x() - 100, expected[side][lane][0]) << side << lane;
            EXPECT_EQ(r.end_point(end).y() - 100, expected[side][lane][1]) << side << lane;
        }
    }
    // Sides and lanes that do not exist are refused rather than written past the table.
    Road stray;
    centre.connect_road(&stray, 4, incoming);
    centre.connect_road(&stray, NORTH, 2);
    centre.connect_road(&stray, -1, outgoing);
    EXPECT_EQ(stray.end_element(0), nullptr);
    EXPECT_EQ(stray.end_element(1), nullptr);
    EXPECT_EQ(centre.road(NORTH, incoming), &roads[NORTH][incoming]);
}

TEST(IntersectionTest, ArrivalIsStrictlyWithinTwentyFive) {
    Intersection i(at(0, 0));
    FastVehicle v;
    v.set_location(at(10, 20, 0, 0));
    EXPECT_TRUE(i.has_arrived(v));
    v.set_location(at(115, 20, 100, 0));
    EXPECT_FALSE(i.has_arrived(v));
    v.set_location(at(-15, -220, 0, -200));
    EXPECT_FALSE(i.has_arrived(v));
}

TEST(IntersectionTest, WithoutAnyOutgoingRoadTheVehicleWaits) {
    Intersection lonely(at(0, 0));
    Road* in = sim_test::make_road(at(20, -180), at(0, -20));
    lonely.connect_road(in, SOUTH, incoming);
    Vehicle* v = place(*in, new FastVehicle(), at(10, -20, 0, 200));
    EXPECT_EQ(lonely.choose_outgoing(*v), nullptr);
    lonely.step();
    EXPECT_EQ(in->front(), v);
    clear_road(*in);
    delete in;
}

// The hub I0 at (0, 0) of the grid: incoming R2 north, R15 east, R9 south, R11 west; outgoing R0
// north, R14 east, R8 south, R10 west.
class HubTest : public LayoutTest {
  protected:
    Intersection* hub() { return intersection(7); }
    Road* in(int side) { return hub()->road(side, incoming); }
    Road* out(int side) { return hub()->road(side, outgoing); }
    int vehicles_leaving_hub() {
        int n = 0;
        for (int side = 0; side < 4; ++side) n += out(side)->size();
        return n;
    }
};

TEST_F(HubTest, RedLightAndFullRoadHoldTheFrontVehicle) {
    // Northbound at the end of R9, bound for I2 far north.
    Vehicle* v = place(*in(SOUTH), new PulsingVehicle(), at(10, -20, 0, 200));
    hub()->toggle_light();  // north-south red
    for (int t = 0; t < 5; ++t) hub()->step();
    EXPECT_EQ(in(SOUTH)->front(), v);
    EXPECT_EQ(v->location().y(), -20);
    EXPECT_EQ(vehicles_leaving_hub(), 0);

    // Green, but every outgoing road has a vehicle standing at its entry.
    hub()->toggle_light();
    Vehicle* blockers[4];
    for (int side = 0; side < 4; ++side) {
        blockers[side] = new FastVehicle();
        out(side)->accept(blockers[side]);
    }
    for (int t = 0; t < 5; ++t) hub()->step();
    EXPECT_EQ(in(SOUTH)->front(), v);
    EXPECT_EQ(v->location().x(), 10);
    EXPECT_EQ(v->location().y(), -20);

    // Room again: the vehicle moves on to one of the outgoing roads, at its entry.
    for (int side = 0; side < 4; ++side) EXPECT_EQ(out(side)->take_front(), blockers[side]);
    for (Vehicle* b : blockers) delete b;
    hub()->step();
    EXPECT_EQ(in(SOUTH)->size(), 0);
    ASSERT_EQ(vehicles_leaving_hub(), 1);
    for (int side = 0; side < 4; ++side) {
        if (out(side)->size() == 1) {
            EXPECT_EQ(out(side)->front(), v);
            EXPECT_EQ(v->heading(), out(side)->direction());
        }
    }
}

TEST_F(HubTest, AnArrivalEndsTheIntersectionsStep) {
    // At the end of R2, 22.4 from the hub's centre: arrived.
    place(*in(NORTH), new FastVehicle(), at(-10, 20, 0, 0));
    // Westbound at the end of R15 with east-west green: free to go.
    Vehicle* w = place(*in(EAST), new FastVehicle(), at(20, 10, -200, 0));
    hub()->toggle_light();
    hub()->step();
    EXPECT_EQ(in(NORTH)->size(), 0);
    EXPECT_EQ(in(EAST)->front(), w);
    EXPECT_EQ(vehicles_leaving_hub(), 0);
    hub()->step();
    EXPECT_EQ(in(EAST)->size(), 0);
    EXPECT_EQ(vehicles_leaving_hub(), 1);
}

TEST_F(HubTest, EachIncomingRoadReleasesAtMostOneVehiclePerStep) {
    Road* south = in(SOUTH);
    place(*south, new FastVehicle(), at(10, -20, 0, 200));
    place(*south, new FastVehicle(), at(10, -20, 0, 200));
    hub()->step();
    EXPECT_EQ(south->size(), 1);
    EXPECT_EQ(vehicles_leaving_hub(), 1);
}

TEST_F(HubTest, ADeadEndSendsEveryoneBackTheWayTheyCame) {
    // I2 at (0, 200) has one outgoing road, R3 southbound.
    Intersection* top = intersection(5);
    Road* r1 = top->road(SOUTH, incoming);
    Road* r3 = top->road(SOUTH, outgoing);
    Vehicle* v = place(*r1, new PulsingVehicle(), at(10, 180, 100, 0));
    top->step();
    EXPECT_EQ(r1->size(), 0);
    EXPECT_EQ(r3->front(), v);
    EXPECT_EQ(v->heading(), SOUTH);
    EXPECT_EQ(v->location().x(), -10);
    EXPECT_EQ(v->location().y(), 180);
}
