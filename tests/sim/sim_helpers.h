// Helpers for the simulation tests: a seeded generator, roads and vehicles placed by hand, the
// console read back as drawing calls, and clean-up of what a test made.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim.h"
#include "support/velta_fixture.h"

namespace sim_test {

// A record with the given position and destination.
inline Location at(int x, int y, int dest_x = 1000, int dest_y = 1000) {
    return Location(x, y, dest_x, dest_y);
}

// A road from start to end, without intersections at its ends.
inline Road* make_road(Location start, Location end) {
    Road* road = new Road();
    road->set_endpoint(start, 0);
    road->set_endpoint(end, 1);
    return road;
}

// Puts the vehicle on the road's queue, then moves it to the given place, keeping the road's
// heading.
inline Vehicle* place(Road& road, Vehicle* vehicle, Location where) {
    road.accept(vehicle);
    vehicle->set_location(where);
    return vehicle;
}

// Destroys the vehicles still queued on the road, as the network's owner must.
inline void clear_road(Road& road) {
    while (road.size() > 0) delete road.take_front();
}

inline std::vector<Location> positions(const Road& road) {
    std::vector<Location> out;
    for (const Road::QueueNode* n = road.queue_head(); n; n = n->next)
        out.push_back(n->vehicle->location());
    return out;
}

// Whether the queue's links, count and tail agree.
inline testing::AssertionResult queue_consistent(const Road& road) {
    int reachable = 0;
    const Road::QueueNode* last = nullptr;
    for (const Road::QueueNode* n = road.queue_head(); n; n = n->next) {
        ++reachable;
        last = n;
        if (reachable > 10000) return testing::AssertionFailure() << "queue loops";
    }
    if (reachable != road.size())
        return testing::AssertionFailure() << reachable << " nodes, count " << road.size();
    if (road.queue_tail() != last)
        return testing::AssertionFailure() << "tail is not the last node";
    if ((road.queue_head() == nullptr) != (road.queue_tail() == nullptr))
        return testing::AssertionFailure() << "head and tail disagree";
    return testing::AssertionSuccess();
}

// The console's stored lines, oldest first.
inline std::vector<std::string> console_lines() {
    std::vector<std::string> out;
    int start = velta_ring_start();
    if (start < 0) return out;
    int slot = start;
    do {
        if (const char* text = velta_console_slot(slot)) out.emplace_back(text);
        slot = (slot + 1) % kRingSlots;
    } while (slot != velta_ring_next() && slot != start);
    return out;
}

}  // namespace sim_test

// A fixed seed for every test, and a library that starts fresh.
class SimTest : public VeltaTest {
  protected:
    void SetUp() override {
        VeltaTest::SetUp();
        sim_seed(20240601u);
    }
};

// A network holding the fixed grid, torn down with its elements and vehicles at the end.
class LayoutTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        build_layout(&network);
    }
    void TearDown() override {
        destroy_elements(network.elements());
        SimTest::TearDown();
    }
    Intersection* intersection(int list_position) {
        return dynamic_cast<Intersection*>(network.element_at(list_position));
    }
    Road* road(int list_position) { return dynamic_cast<Road*>(network.element_at(list_position)); }

    RoadNetwork network;
};
