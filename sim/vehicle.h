// Vehicles: they know where they are, where they head and where they want to go; they draw
// themselves, move when their road tells them to and choose a way on at intersections.
#pragma once

#include "sim/location.h"
#include "sim/sim_object.h"

class Vehicle : public SimObject {
  public:
    Vehicle() = default;
    ~Vehicle() override = 0;
    // Moves forward along the heading; each kind covers the distance at its own rate.
    virtual void advance(int distance) = 0;
    virtual void set_heading(Direction d) = 0;
    // Replaces the whole record: position and destination.
    virtual void set_location(Location l) = 0;
    virtual Location location() = 0;
    virtual Direction heading() = 0;

    // A direction toward the current destination, with one choice in five made at random; each
    // call draws afresh.
    Direction choose_direction();

  protected:
    Location loc;
    Direction facing = NORTH;
};

// A yellow square with a red arrow that covers two units per advance.
class FastVehicle : public Vehicle {
  public:
    FastVehicle() = default;
    ~FastVehicle() override = default;
    void draw(Display& display) override;
    void step() override {}
    void advance(int distance) override;
    void set_heading(Direction d) override { facing = d; }
    void set_location(Location l) override { loc = l; }
    Location location() override { return loc; }
    Direction heading() override { return facing; }
};

// A green body that shrinks along its heading as it moves, restarting every five advances, with a
// yellow arrow; covers one unit per advance.
class PulsingVehicle : public Vehicle {
  public:
    PulsingVehicle() = default;
    ~PulsingVehicle() override = default;
    void draw(Display& display) override;
    void step() override {}
    void advance(int distance) override;
    void set_heading(Direction d) override { facing = d; }
    void set_location(Location l) override;
    Location location() override { return loc; }
    Direction heading() override { return facing; }

  private:
    std::int32_t pulse = 0;
};
