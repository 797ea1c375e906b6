// Points and compass directions: the simulation's geometric vocabulary. Coordinates are the
// Display's logical units, origin at the centre of the picture, x to the right, y upward.
#pragma once

#include <cstdint>

// A compass code, also a count of clockwise quarter turns starting from north.
using Direction = std::int32_t;
enum : Direction {
    NORTH = 0,
    EAST = 1,
    SOUTH = 2,
    WEST = 3,
};

Direction next_clockwise(Direction d);
Direction opposite(Direction d);
bool is_valid_direction(Direction d);

// A position with a destination. Every record built from coordinates alone draws its destination
// at random from the destination table; copies keep the destination they copy.
class Location {
  public:
    // Position (0, 0), random destination.
    Location();
    // Position (x, y), random destination.
    Location(int x, int y);
    // Position and destination given; draws nothing. Used where only the point matters.
    Location(int x, int y, int dest_x, int dest_y);

    int x() const { return x_; }
    int y() const { return y_; }
    int dest_x() const { return dest_x_; }
    int dest_y() const { return dest_y_; }

    // Shifts the position along d; a code outside 0..3 leaves it where it is.
    void move(Direction d, int distance);
    // Turns the position clockwise about the centre's position by the given quarter turns.
    void rotate_about(Location centre, int turns);

  private:
    void draw_destination();

    std::int32_t x_;
    std::int32_t y_;
    std::int32_t dest_x_;
    std::int32_t dest_y_;
};

// The destinations a new Location may draw: one row per value mod 6. (100, 100) stands twice.
constexpr int kDestinationRows = 6;
constexpr int kDestinationTable[kDestinationRows][2] = {
    {0, 200}, {100, 100}, {0, -200}, {100, 0}, {100, 100}, {-200, 0},
};
