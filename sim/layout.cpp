#include "sim/layout.h"

#include "sim/intersection.h"
#include "sim/road.h"

namespace {

constexpr int kIntersectionCount = 8;
constexpr int kRoadCount = 16;

// Centres of I0 to I7, in the order they are made.
constexpr int kCentres[kIntersectionCount][2] = {
    {0, 0}, {0, 100}, {0, 200}, {-100, 100}, {100, 100}, {0, -200}, {-200, 0}, {100, 0},
};

// One connect_road call: intersection, road, side, lane. Each road is connected as outgoing at the
// intersection it leaves and as incoming at the one it enters.
struct Connection {
    int intersection;
    int road;
    int side;
    int lane;
};

constexpr Connection kConnections[] = {
    {0, 0, NORTH, outgoing},  {0, 2, NORTH, incoming},  {1, 0, SOUTH, incoming},
    {1, 2, SOUTH, outgoing},  {1, 1, NORTH, outgoing},  {1, 3, NORTH, incoming},
    {2, 1, SOUTH, incoming},  {2, 3, SOUTH, outgoing},  {3, 4, EAST, outgoing},
    {3, 5, EAST, incoming},   {1, 4, WEST, incoming},   {1, 5, WEST, outgoing},
    {1, 6, EAST, outgoing},   {1, 7, EAST, incoming},   {4, 6, WEST, incoming},
    {4, 7, WEST, outgoing},   {5, 8, NORTH, incoming},  {5, 9, NORTH, outgoing},
    {0, 8, SOUTH, outgoing},  {0, 9, SOUTH, incoming},  {6, 10, EAST, incoming},
    {6, 11, EAST, outgoing},  {0, 10, WEST, outgoing},  {0, 11, WEST, incoming},
    {4, 12, SOUTH, incoming}, {4, 13, SOUTH, outgoing}, {7, 12, NORTH, outgoing},
    {7, 13, NORTH, incoming}, {7, 14, WEST, incoming},  {7, 15, WEST, outgoing},
    {0, 14, EAST, outgoing},  {0, 15, EAST, incoming},
};

// Roads in the order they are added; the intersections follow, I0 first. Adding puts each element
// at the head, so the entry roads R9, R11, R3 and R4 end at positions 20 to 23.
constexpr int kRoadAddOrder[kRoadCount] = {4, 3, 11, 9, 15, 14, 13, 12, 10, 7, 1, 6, 5, 8, 2, 0};

}  // namespace

void build_layout(RoadNetwork* network) {
    Intersection* intersections[kIntersectionCount];
    for (int i = 0; i < kIntersectionCount; ++i) {
        intersections[i] = new Intersection(Location(kCentres[i][0], kCentres[i][1]));
    }
    Road* roads[kRoadCount];
    for (Road*& road : roads) road = new Road();
    for (const Connection& c : kConnections) {
        intersections[c.intersection]->connect_road(roads[c.road], c.side, c.lane);
    }
    for (int r : kRoadAddOrder) network->add(roads[r]);
    for (Intersection* intersection : intersections) network->add(intersection);
}

void destroy_elements(const std::vector<NetworkElement*>& elements) {
    for (NetworkElement* element : elements) {
        if (Road* road = dynamic_cast<Road*>(element)) {
            while (road->size() > 0) delete road->take_front();
        }
    }
    for (NetworkElement* element : elements) delete element;
}
