#include "sim/network.h"

#include "sim/intersection.h"
#include "sim/location.h"
#include "sim/random.h"
#include "sim/road.h"
#include "sim/vehicle.h"

namespace {

// The layout keeps its four entry roads at these list positions and its intersections first.
constexpr int kFirstEntryRoad = 20;
constexpr int kEntryRoads = 4;
constexpr int kIntersections = 8;

}  // namespace

RoadNetwork::~RoadNetwork() {
    while (head) {
        ListNode* next = head->next;
        delete head;
        head = next;
    }
}

void RoadNetwork::draw(Display& display) {
    for (ListNode* node = head; node; node = node->next) node->element->draw(display);
}

void RoadNetwork::step() {
    for (ListNode* node = head; node; node = node->next) node->element->step();
}

void RoadNetwork::add(NetworkElement* element) {
    head = new ListNode{element, head};
}

void RoadNetwork::spawn(Display&) {
    NetworkElement* target = element_at(kFirstEntryRoad + sim_random() % kEntryRoads);
    bool pulsing = sim_random() % 2 + 1 == 2;
    // A list that does not hold a road there gets no vehicle rather than a misplaced one.
    Road* road = dynamic_cast<Road*>(target);
    if (!road) return;
    if (road->size() >= road->capacity()) {
        // The lane is full and a newcomer already stands on its entry point: one more would only be
        // stacked there too, waiting with the queue, and while the grid is locked that adds a
        // vehicle every 25 ticks for ever. None is made. What making and placing it would have
        // drawn (its record's destination, then the entry point's) is drawn all the same, so the
        // random sequence runs on as if it had been placed.
        static_cast<void>(Location());
        static_cast<void>(road->entry_point());
        return;
    }
    Vehicle* vehicle = pulsing ? static_cast<Vehicle*>(new PulsingVehicle())
                               : static_cast<Vehicle*>(new FastVehicle());
    road->accept(vehicle);
}

void RoadNetwork::toggle_lights() {
    ListNode* node = head;
    for (int i = 0; i < kIntersections && node; ++i, node = node->next) {
        if (Intersection* intersection = dynamic_cast<Intersection*>(node->element)) {
            intersection->toggle_light();
        }
    }
}

NetworkElement* RoadNetwork::element_at(int position) const {
    if (position < 0) return nullptr;
    ListNode* node = head;
    for (int i = 0; i < position && node; ++i) node = node->next;
    return node ? node->element : nullptr;
}

std::vector<NetworkElement*> RoadNetwork::elements() const {
    std::vector<NetworkElement*> all;
    for (ListNode* node = head; node; node = node->next) all.push_back(node->element);
    return all;
}
