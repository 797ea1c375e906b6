#include "sim/network.h"

#include "sim/intersection.h"
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
