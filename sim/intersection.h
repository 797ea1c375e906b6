// Intersections: 40 x 40 junctions with an incoming and an outgoing road on each of their four
// sides, and a traffic light that shows one colour to north-south and another to east-west traffic.
#pragma once

#include <cstdint>

#include "sim/location.h"
#include "sim/road.h"
#include "sim/sim_object.h"
#include "sim/vehicle.h"

// Which end of a side's road lies at the intersection.
enum Lane : int {
    incoming = 0,  // the road ends at this side
    outgoing = 1,  // the road starts at this side
};

// The road end (0 start, 1 end) that lies at an intersection for its lane: end 1 for an incoming
// road, end 0 for an outgoing one.
int other_lane(int lane);

// Always one colour green and the other red.
class TrafficLight {
  public:
    explicit TrafficLight(Location centre);

    // Four wedges meeting at the centre: north and south in ns_color, west and east in ew_color.
    void draw(Display& display) const;
    void toggle();
    // Whether the front vehicle of the incoming road sees a light other than red.
    bool may_pass(Road& incoming_road) const;

    Location loc;
    std::int32_t ns_color;
    std::int32_t ew_color;
};

class Intersection : public NetworkElement {
  public:
    explicit Intersection(Location centre);
    // The roads are not owned: destroying an intersection destroys neither roads nor vehicles.
    ~Intersection() override = default;

    void draw(Display& display) override;
    // Serves each side's incoming road in turn: destroys an arrived front vehicle (which ends the
    // step) or hands it on to an outgoing road when the light and the road's room allow.
    void step() override;
    virtual void set_location(Location l);
    // Records the road at the side and lane and gives it this intersection as the end element
    // and the attachment point as the end point that lies here.
    virtual void connect_road(Road* road, int side, int lane);
    // The coordinate of the edge on the side: y for north and south, x for east and west.
    virtual int edge(int side);
    virtual Location location();
    virtual void toggle_light();

    // Within 25 units of its own destination.
    bool has_arrived(Vehicle& vehicle);
    // The outgoing road on the side the vehicle chooses; null only when no side has one.
    Road* choose_outgoing(Vehicle& vehicle);

    // Inspection.
    Road* road(int side, int lane) const;
    const TrafficLight& traffic_light() const { return light; }

  private:
    Location loc;
    TrafficLight light;
    Road* roads[4][2];
};
