// A road: one lane of one-way traffic between two intersections. Geometrically the rectangle
// between its start point and its end point, which fix the direction of travel; logically a
// first-in, first-out queue of the vehicles on it, front first.
#pragma once

#include <cstdint>

#include "sim/location.h"
#include "sim/sim_object.h"
#include "sim/vehicle.h"

class Road : public NetworkElement {
  public:
    // One queued vehicle and the node behind it (null at the tail).
    struct QueueNode {
        Vehicle* vehicle;
        QueueNode* next;
    };

    Road();
    // Releases the queue's nodes; the vehicles on it are not destroyed.
    ~Road() override;

    // The lane in black with a white outline, then the vehicles from front to back.
    void draw(Display& display) override;
    // Moves every vehicle one advance, holding back those too close to the one ahead and stopping
    // the front vehicle at the road's end.
    void step() override;
    // Remembers the element at end 0 (start) or 1 (end).
    virtual void set_end_element(NetworkElement* element, int end);
    // Takes the position of the record as end point 0 (start) or 1 (end); once both are set, the
    // direction follows from them.
    virtual void set_endpoint(Location location, int end);
    // Appends the vehicle and places it at the entry point with the road's direction and a freshly
    // drawn destination. The road owns it from then on.
    virtual void accept(Vehicle* vehicle);
    // Whether a vehicle may enter now: the vehicle that entered last is more than 20 units on.
    virtual bool has_room(Road* road);
    // Removes the front vehicle and hands it to the caller; null when the road is empty.
    virtual Vehicle* take_front();
    // True when a vehicle stands at the front and has reached the road's end.
    virtual bool front_ready();
    // The front vehicle's heading; -1, no direction, when the road is empty.
    virtual Direction front_heading();
    // Whether behind is held back by ahead: never for queue position 0, otherwise when the two are
    // at most 20 apart on one axis (y when their x agree, x otherwise).
    virtual bool too_close(Location ahead, Location behind, int position);
    // The front vehicle, left in place; null when the road is empty.
    virtual Vehicle* front();

    // How many vehicles the queue may hold before spawning stops adding to it: as many as the lane
    // holds at the closest spacing traffic reaches, plus one newcomer standing on the entry point.
    // Follows from the length along the direction, so a road whose ends are unset holds two.
    int capacity() const;

    void derive_direction();
    // The middle of the starting edge, with a fresh random destination.
    Location entry_point();
    bool at_end(Vehicle& vehicle);

    // Inspection.
    NetworkElement* end_element(int end) const;
    Location end_point(int end) const;
    Direction direction() const { return direction_; }
    std::int32_t size() const { return count; }
    const QueueNode* queue_head() const { return head; }
    const QueueNode* queue_tail() const { return tail; }

  private:
    explicit Road(const Location& unset);
    static bool valid_end(int end) { return end == 0 || end == 1; }

    NetworkElement* end_elements[2];
    Location end_points[2];
    std::uint8_t end_point_set[2];
    Direction direction_;
    QueueNode* head;
    QueueNode* tail;
    std::int32_t count;
};
