#include "sim/intersection.h"

#include <cmath>

namespace {

// Half the side of the junction square.
constexpr int kHalfSide = 20;
// Half the side of the light's square.
constexpr int kLightHalf = 10;
// A vehicle closer than this to its destination has arrived.
constexpr double kArrivalDistance = 25.0;

bool valid_lane(int lane) {
    return lane == incoming || lane == outgoing;
}

}  // namespace

int other_lane(int lane) {
    return lane == incoming ? outgoing : incoming;
}

TrafficLight::TrafficLight(Location centre) : loc(centre), ns_color(kGreen), ew_color(kRed) {}

void TrafficLight::draw(Display& display) const {
    int a = loc.x();
    int b = loc.y();
    int d = kLightHalf;
    display.triangle(a, b, a + d, b + d, a - d, b + d, ns_color, kFilled);
    display.triangle(a, b, a + d, b - d, a - d, b - d, ns_color, kFilled);
    display.triangle(a, b, a - d, b - d, a - d, b + d, ew_color, kFilled);
    display.triangle(a, b, a + d, b + d, a + d, b - d, ew_color, kFilled);
}

void TrafficLight::toggle() {
    if (ns_color == kGreen) {
        ns_color = kRed;
        ew_color = kGreen;
    } else {
        ns_color = kGreen;
        ew_color = kRed;
    }
}

bool TrafficLight::may_pass(Road& incoming_road) const {
    switch (incoming_road.front_heading()) {
        case NORTH:
        case SOUTH:
            return ns_color != kRed;
        case EAST:
        case WEST:
            return ew_color != kRed;
        default:
            return false;
    }
}

Intersection::Intersection(Location centre) : loc(centre), light(centre), roads{} {}

void Intersection::draw(Display& display) {
    int north = edge(NORTH);
    int east = edge(EAST);
    int south = edge(SOUTH);
    int west = edge(WEST);
    display.rectangle(west, south, east, north, kBlack, kFilled);
    light.draw(display);
}

void Intersection::step() {
    for (int side = NORTH; side <= WEST; ++side) {
        Road* in = roads[side][incoming];
        if (!in || !in->front_ready()) continue;
        Vehicle* vehicle = in->front();
        if (has_arrived(*vehicle)) {
            delete in->take_front();
            // One arrival per intersection and tick: the remaining sides wait for the next one.
            return;
        }
        Road* out = choose_outgoing(*vehicle);
        bool green = light.may_pass(*in);
        bool room = out && out->has_room(out);
        // Otherwise the vehicle stays in front and chooses afresh on the next tick.
        if (room && green) out->accept(in->take_front());
    }
}

void Intersection::set_location(Location l) {
    loc = l;
}

void Intersection::connect_road(Road* road, int side, int lane) {
    // Only the four sides and two lanes exist; anything else would write outside the table.
    if (!road || !is_valid_direction(side) || !valid_lane(lane)) return;
    roads[side][lane] = road;
    road->set_end_element(this, other_lane(lane));
    // Placed for the north side, then turned to the road's side: incoming roads end at the middle
    // of the edge, outgoing roads start at the corner clockwise from it.
    int x0 = lane == incoming ? loc.x() : edge(EAST);
    int y0 = edge(NORTH);
    Location point(x0, y0);
    point.rotate_about(loc, side);
    road->set_endpoint(point, other_lane(lane));
}

int Intersection::edge(int side) {
    switch (side) {
        case NORTH:
            return loc.y() + kHalfSide;
        case EAST:
            return loc.x() + kHalfSide;
        case SOUTH:
            return loc.y() - kHalfSide;
        case WEST:
            return loc.x() - kHalfSide;
        default:
            return 0;
    }
}

Location Intersection::location() {
    return loc;
}

void Intersection::toggle_light() {
    light.toggle();
}

bool Intersection::has_arrived(Vehicle& vehicle) {
    Location l = vehicle.location();
    double dx = static_cast<double>(l.x()) - l.dest_x();
    double dy = static_cast<double>(l.y()) - l.dest_y();
    return std::sqrt(dx * dx + dy * dy) < kArrivalDistance;
}

Road* Intersection::choose_outgoing(Vehicle& vehicle) {
    // Without any outgoing road the choice could never succeed; the vehicle then waits.
    bool any = false;
    for (int side = NORTH; side <= WEST; ++side) any = any || roads[side][outgoing];
    if (!any) return nullptr;
    for (;;) {
        Direction d = vehicle.choose_direction();
        if (is_valid_direction(d) && roads[d][outgoing]) return roads[d][outgoing];
    }
}

Road* Intersection::road(int side, int lane) const {
    return is_valid_direction(side) && valid_lane(lane) ? roads[side][lane] : nullptr;
}
