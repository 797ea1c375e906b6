#include "sim/road.h"

#include <cmath>
#include <cstdlib>

namespace {

// Closer than this, a vehicle waits for the one ahead of it.
constexpr int kSpacingUnits = 20;
constexpr double kSpacing = kSpacingUnits;
// The most a vehicle covers in one step: a fast vehicle's two units.
constexpr int kLongestStep = 2;

}  // namespace

Road::Road() : Road(Location()) {}

// Both end points start as copies of one record.
Road::Road(const Location& unset)
    : end_elements{nullptr, nullptr},
      end_points{unset, unset},
      end_point_set{0, 0},
      direction_(NORTH),
      head(nullptr),
      tail(nullptr),
      count(0) {}

Road::~Road() {
    while (head) {
        QueueNode* next = head->next;
        delete head;
        head = next;
    }
    tail = nullptr;
    count = 0;
}

void Road::draw(Display& display) {
    const Location& s = end_points[0];
    const Location& e = end_points[1];
    display.rectangle(s.x(), s.y(), e.x(), e.y(), kBlack, kFilled);
    display.rectangle(s.x(), s.y(), e.x(), e.y(), kWhite, 1);
    for (QueueNode* node = head; node; node = node->next) node->vehicle->draw(display);
}

void Road::step() {
    if (!head) return;
    // Each vehicle is compared with the one ahead as that one stands after its own move.
    Location ahead = head->vehicle->location();
    Location current = ahead;
    QueueNode* node = head;
    for (int i = 0; i < count && node; ++i) {
        if (!too_close(ahead, current, i) && !at_end(*node->vehicle)) node->vehicle->advance(1);
        ahead = node->vehicle->location();
        node = node->next;
        if (node) current = node->vehicle->location();
    }
}

void Road::set_end_element(NetworkElement* element, int end) {
    if (valid_end(end)) end_elements[end] = element;
}

void Road::set_endpoint(Location location, int end) {
    if (!valid_end(end)) return;
    end_points[end] = location;
    end_point_set[end] = 1;
    if (end_point_set[0] && end_point_set[1]) derive_direction();
}

void Road::accept(Vehicle* vehicle) {
    if (!vehicle) return;
    QueueNode* node = new QueueNode{vehicle, nullptr};
    if (!head) {
        head = node;
    } else {
        tail->next = node;
    }
    tail = node;
    ++count;
    vehicle->set_location(entry_point());
    vehicle->set_heading(direction_);
}

bool Road::has_room(Road* road) {
    if (!tail) return true;
    // Every caller asks a road about itself; any other argument is answered for this road.
    Road& asked = (road && road->tail) ? *road : *this;
    return !too_close(asked.entry_point(), asked.tail->vehicle->location(), 3);
}

Vehicle* Road::take_front() {
    if (!head) return nullptr;
    QueueNode* node = head;
    head = node->next;
    --count;
    if (count == 0) {
        head = nullptr;
        tail = nullptr;
    }
    Vehicle* vehicle = node->vehicle;
    delete node;
    return vehicle;
}

bool Road::front_ready() {
    return head && at_end(*head->vehicle);
}

Direction Road::front_heading() {
    return head ? head->vehicle->heading() : -1;
}

bool Road::too_close(Location ahead, Location behind, int position) {
    if (position == 0) return false;
    double difference = ahead.x() == behind.x() ? static_cast<double>(behind.y()) - ahead.y()
                                                : static_cast<double>(behind.x()) - ahead.x();
    return std::sqrt(difference * difference) <= kSpacing;
}

Vehicle* Road::front() {
    return head ? head->vehicle : nullptr;
}

int Road::capacity() const {
    const Location& s = end_points[0];
    const Location& e = end_points[1];
    bool vertical = direction_ == NORTH || direction_ == SOUTH;
    int length = std::abs(vertical ? e.y() - s.y() : e.x() - s.x());
    // The front stops at the first point at or past the end, which a fast step can overshoot by
    // one unit. A vehicle moves only while it is more than the spacing behind the one ahead, so a
    // fast step can close to 19 units. From one unit past the end back to the entry point, the
    // lane therefore holds at most one vehicle every 19 units, both ends included; a spawn may put
    // one more on the entry point over the last of them.
    int on_lane = (length + kLongestStep - 1) / (kSpacingUnits + 1 - kLongestStep) + 1;
    return on_lane + 1;
}

void Road::derive_direction() {
    int dx = end_points[1].x() - end_points[0].x();
    int dy = end_points[1].y() - end_points[0].y();
    if (dx > 0 && dy > 0) {
        direction_ = EAST;
    } else if (dx > 0 && dy < 0) {
        direction_ = SOUTH;
    } else if (dx < 0 && dy < 0) {
        direction_ = WEST;
    } else {
        direction_ = NORTH;
    }
}

Location Road::entry_point() {
    const Location& s = end_points[0];
    const Location& e = end_points[1];
    if (direction_ == EAST || direction_ == WEST) return Location(s.x(), (s.y() + e.y()) / 2);
    return Location((s.x() + e.x()) / 2, s.y());
}

bool Road::at_end(Vehicle& vehicle) {
    Location p = vehicle.location();
    const Location& e = end_points[1];
    switch (direction_) {
        case NORTH:
            return p.y() >= e.y();
        case EAST:
            return p.x() >= e.x();
        case SOUTH:
            return p.y() <= e.y();
        case WEST:
            return p.x() <= e.x();
        default:
            return false;
    }
}

NetworkElement* Road::end_element(int end) const {
    return valid_end(end) ? end_elements[end] : nullptr;
}

Location Road::end_point(int end) const {
    return end_points[valid_end(end) ? end : 0];
}
