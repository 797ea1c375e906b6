#include "sim/location.h"

#include "sim/random.h"

Direction next_clockwise(Direction d) {
    switch (d) {
        case NORTH:
            return EAST;
        case EAST:
            return SOUTH;
        case SOUTH:
            return WEST;
        default:
            return NORTH;
    }
}

Direction opposite(Direction d) {
    switch (d) {
        case NORTH:
            return SOUTH;
        case EAST:
            return WEST;
        case SOUTH:
            return NORTH;
        case WEST:
            return EAST;
        default:
            return NORTH;
    }
}

bool is_valid_direction(Direction d) {
    return d >= NORTH && d <= WEST;
}

Location::Location() : x_(0), y_(0), dest_x_(0), dest_y_(0) {
    draw_destination();
}

Location::Location(int x, int y) : x_(x), y_(y), dest_x_(0), dest_y_(0) {
    draw_destination();
}

Location::Location(int x, int y, int dest_x, int dest_y)
    : x_(x), y_(y), dest_x_(dest_x), dest_y_(dest_y) {}

void Location::draw_destination() {
    const int* row = kDestinationTable[sim_random() % kDestinationRows];
    dest_x_ = row[0];
    dest_y_ = row[1];
}

void Location::move(Direction d, int distance) {
    switch (d) {
        case NORTH:
            y_ += distance;
            break;
        case EAST:
            x_ += distance;
            break;
        case SOUTH:
            y_ -= distance;
            break;
        case WEST:
            x_ -= distance;
            break;
        default:
            break;
    }
}

void Location::rotate_about(Location centre, int turns) {
    // Counting quarter turns with next_clockwise never reaches a count outside 0..3, so such a
    // count is taken modulo 4 (a negative one turning anticlockwise) instead of looping forever.
    Direction target = ((turns % 4) + 4) % 4;
    int dx = x_ - centre.x();
    int dy = y_ - centre.y();
    for (Direction c = NORTH; c != target; c = next_clockwise(c)) {
        int turned_dx = dy;
        dy = -dx;
        dx = turned_dx;
    }
    x_ = centre.x() + dx;
    y_ = centre.y() + dy;
}
