// The road network: the list of every intersection and road. It draws and steps them, releases new
// vehicles onto the entry roads and switches the traffic lights together.
#pragma once

#include <vector>

#include "sim/sim_object.h"

class RoadNetwork : public SimObject {
  public:
    struct ListNode {
        NetworkElement* element;
        ListNode* next;
    };

    RoadNetwork() = default;
    // Releases the list only; the elements are not destroyed.
    ~RoadNetwork() override;

    // Every element, from the head of the list.
    void draw(Display& display) override;
    void step() override;
    // Puts the element at the head of the list, so the list runs in reverse order of adding.
    virtual void add(NetworkElement* element);
    // Places a new vehicle, fast or pulsing at even odds, on the road at list position 20 to 23,
    // at even odds, even over one still standing on the entry point; a road that already holds its
    // capacity gets none, though the random draws are the same.
    virtual void spawn(Display& display);
    // Switches the lights of the intersections at list positions 0 to 7.
    virtual void toggle_lights();

    // Inspection.
    const ListNode* first() const { return head; }
    // The element at a list position, counted from 0 at the head; null past the end.
    NetworkElement* element_at(int position) const;
    std::vector<NetworkElement*> elements() const;

  private:
    ListNode* head = nullptr;
};
