#include "sim/vehicle.h"

#include <array>

#include "sim/random.h"

namespace {

// The arrow for a north heading, turned about the position to the vehicle's heading. The points
// carry no destination of their own, so drawing takes nothing from the random sequence.
std::array<Location, 3> arrow_points(Location centre, Direction heading) {
    int x = centre.x();
    int y = centre.y();
    std::array<Location, 3> points = {Location(x - 5, y + 5, 0, 0), Location(x + 5, y + 5, 0, 0),
                                      Location(x, y + 10, 0, 0)};
    for (Location& p : points) p.rotate_about(centre, heading);
    return points;
}

}  // namespace

Vehicle::~Vehicle() = default;

Direction Vehicle::choose_direction() {
    if (sim_random() % 5 == 4) {
        switch (sim_random() % 4) {
            case 0:
                return NORTH;
            case 1:
                return SOUTH;
            case 2:
                return EAST;
            default:
                return WEST;
        }
    }
    bool odd = sim_random() % 2 == 1;
    int x = loc.x();
    int y = loc.y();
    if (loc.dest_x() > x && loc.dest_y() > y) return odd ? NORTH : EAST;
    if (loc.dest_x() > x && loc.dest_y() < y) return odd ? SOUTH : EAST;
    if (loc.dest_x() < x && loc.dest_y() > y) return odd ? NORTH : WEST;
    return odd ? NORTH : EAST;
}

void FastVehicle::draw(Display& display) {
    int x = loc.x();
    int y = loc.y();
    display.rectangle(x - 5, y - 5, x + 5, y + 5, kYellow, kFilled);
    std::array<Location, 3> p = arrow_points(loc, facing);
    display.triangle(p[0].x(), p[0].y(), p[1].x(), p[1].y(), p[2].x(), p[2].y(), kRed, kFilled);
}

void FastVehicle::advance(int distance) {
    loc.move(facing, distance);
    loc.move(facing, distance);
}

void PulsingVehicle::draw(Display& display) {
    int x = loc.x();
    int y = loc.y();
    int m = pulse % 5;
    if (facing == EAST || facing == WEST) {
        display.rectangle(x + m - 5, y - 5, x - m + 5, y + 5, kGreen, kFilled);
    } else {
        display.rectangle(x - 5, y + m - 5, x + 5, y - m + 5, kGreen, kFilled);
    }
    // The arrow keeps to the front edge of the shortened body.
    std::array<Location, 3> p = arrow_points(loc, facing);
    for (Location& point : p) point.move(opposite(facing), m);
    display.triangle(p[0].x(), p[0].y(), p[1].x(), p[1].y(), p[2].x(), p[2].y(), kYellow, kFilled);
}

void PulsingVehicle::advance(int distance) {
    loc.move(facing, distance);
    ++pulse;
}

void PulsingVehicle::set_location(Location l) {
    loc = l;
    pulse = 0;
}
