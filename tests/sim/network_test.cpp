#include <algorithm>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "sim_helpers.h"

namespace {

// An element that notes each visit in a shared log.
class Marker : public NetworkElement {
  public:
    Marker(std::string name, std::string* log) : name_(std::move(name)), log_(log) {}
    void draw(Display&) override { *log_ += "d" + name_; }
    void step() override { *log_ += "s" + name_; }

  private:
    std::string name_;
    std::string* log_;
};

}  // namespace

TEST_F(SimTest, NetworkVisitsElementsInReverseOrderOfAddingAndKeepsThem) {
    std::string log;
    Marker a("A", &log), b("B", &log), c("C", &log);
    Display display;
    {
        RoadNetwork network;
        network.add(&a);
        network.add(&b);
        network.add(&c);
        network.draw(display);
        network.step();
        EXPECT_EQ(network.element_at(0), &c);
        EXPECT_EQ(network.element_at(2), &a);
        EXPECT_EQ(network.element_at(3), nullptr);
    }
    // The network released its list only: the elements still answer.
    a.step();
    EXPECT_EQ(log, "dCdBdAsCsBsAsA");
}

TEST_F(SimTest, ShortOrMixedListsAreLeftAloneBySpawnAndToggle) {
    std::string log;
    Marker m("M", &log);
    Intersection crossing(sim_test::at(0, 0));
    Display display;
    RoadNetwork network;
    network.add(&crossing);
    network.add(&m);
    for (int i = 0; i < 20; ++i) network.spawn(display);
    network.toggle_lights();
    EXPECT_EQ(crossing.traffic_light().ns_color, kRed);
    EXPECT_EQ(log, "");
}

namespace {

// Records the loop's calls, tick by tick, and posts the quit after the last tick it wants.
class ScheduleProbe : public RoadNetwork {
  public:
    explicit ScheduleProbe(int last_tick) : last_tick_(last_tick) {}
    void step() override {
        ++steps;
        if (steps == last_tick_) plat::post_quit_message(0);
    }
    void draw(Display&) override { ++draws; }
    void spawn(Display&) override { calls.push_back("spawn " + std::to_string(steps)); }
    void toggle_lights() override { calls.push_back("toggle " + std::to_string(steps)); }

    int steps = 0;
    int draws = 0;
    std::vector<std::string> calls;

  private:
    int last_tick_;
};

class KindLog : public LoopObserver {
  public:
    void after_event(RoadNetwork&, int kind, int ticks) override {
        kinds.push_back(kind);
        last_ticks = ticks;
    }
    std::vector<int> kinds;
    int last_ticks = -1;
};

}  // namespace

TEST_F(SimTest, LoopSpawnsEveryTwentyFiveTicksBeforeSwitchingEveryThirty) {
    Display display;
    display.set_animation(2);
    ScheduleProbe probe(150);
    KindLog kinds;
    // A click between ticks redraws without stepping.
    plat::headless::at(1050, [] { plat::headless::click(velta_state.graphics, 10, 10); });
    int ticks = run_event_loop(display, probe, &kinds);

    EXPECT_EQ(ticks, 150);
    EXPECT_EQ(probe.steps, 150);
    const std::vector<std::string> expected = {
        "spawn 25",  "toggle 30",  "spawn 50",  "toggle 60", "spawn 75",   "toggle 90",
        "spawn 100", "toggle 120", "spawn 125", "spawn 150", "toggle 150",
    };
    EXPECT_EQ(probe.calls, expected);
    // One draw after every event: 150 ticks, the click and the quit.
    EXPECT_EQ(probe.draws, 152);
    ASSERT_EQ(kinds.kinds.size(), 152u);
    EXPECT_EQ(kinds.kinds.back(), EVENT_QUIT);
    EXPECT_EQ(std::count(kinds.kinds.begin(), kinds.kinds.end(), EVENT_MOUSE), 1);
    EXPECT_EQ(kinds.last_ticks, 150);
}

TEST_F(SimTest, QuitFromTheMenuEndsTheLoopAfterOneLastDraw) {
    Display display;
    display.set_animation(2);
    ScheduleProbe probe(-1);
    plat::headless::at(520, [] { plat::choose_menu_command(velta_state.graphics, 8); });
    run_event_loop(display, probe);
    EXPECT_GT(probe.steps, 0);
    EXPECT_EQ(probe.draws, probe.steps + 1);
}

namespace {

// Points on a road's lane, counted from its entry point, with a fixed destination (so that
// placing vehicles draws nothing from the random sequence).
Location along(const Road& road, int distance) {
    Location s = road.end_point(0), e = road.end_point(1);
    switch (road.direction()) {
        case NORTH:
            return sim_test::at((s.x() + e.x()) / 2, s.y() + distance);
        case SOUTH:
            return sim_test::at((s.x() + e.x()) / 2, s.y() - distance);
        case EAST:
            return sim_test::at(s.x() + distance, (s.y() + e.y()) / 2);
        default:
            return sim_test::at(s.x() - distance, (s.y() + e.y()) / 2);
    }
}

int length_of(const Road& road) {
    Location s = road.end_point(0), e = road.end_point(1);
    bool vertical = road.direction() == NORTH || road.direction() == SOUTH;
    int d = vertical ? e.y() - s.y() : e.x() - s.x();
    return d < 0 ? -d : d;
}

// A jammed lane: the front at the end and the rest 20 apart behind it, the last on the entry point.
void pack_lane(Road& road) {
    for (int d = length_of(road); d >= 0; d -= 20)
        sim_test::place(road, new FastVehicle(), along(road, d));
}

std::vector<const Vehicle*> queue_of(const Road& road) {
    std::vector<const Vehicle*> out;
    for (const Road::QueueNode* n = road.queue_head(); n; n = n->next) out.push_back(n->vehicle);
    return out;
}

}  // namespace

TEST_F(LayoutTest, SpawnsAddNothingToEntryRoadsThatHoldTheirCapacity) {
    std::vector<std::vector<const Vehicle*>> before;
    for (int pos = 20; pos < 24; ++pos) {
        Road& r = *road(pos);
        pack_lane(r);
        ASSERT_EQ(r.size() + 1, r.capacity()) << pos;
        sim_test::place(r, new PulsingVehicle(), along(r, 0));
        before.push_back(queue_of(r));
    }
    Display display;
    for (int n = 0; n < 100; ++n) network.spawn(display);
    for (int pos = 8; pos < 24; ++pos) {
        if (pos < 20) {
            EXPECT_EQ(road(pos)->size(), 0) << pos;
            continue;
        }
        EXPECT_EQ(queue_of(*road(pos)), before[pos - 20]) << pos;
        EXPECT_TRUE(sim_test::queue_consistent(*road(pos))) << pos;
    }
}

TEST_F(LayoutTest, ASpawnStillPlacesItsVehicleOverATailNearTheEntryPoint) {
    // A single vehicle five units in, and a jammed lane whose last vehicle stands on the entry
    // point one short of the capacity: either way the newcomer goes onto the entry point as before.
    Display display;
    for (bool jammed : {false, true}) {
        SCOPED_TRACE(jammed ? "jammed lane" : "one vehicle");
        for (int pos = 20; pos < 24; ++pos) {
            Road& r = *road(pos);
            sim_test::clear_road(r);
            if (jammed)
                pack_lane(r);
            else
                sim_test::place(r, new FastVehicle(), along(r, 5));
        }
        std::vector<int> sizes;
        for (int pos = 20; pos < 24; ++pos) sizes.push_back(road(pos)->size());
        network.spawn(display);
        int grown = 0;
        for (int pos = 20; pos < 24; ++pos) {
            Road& r = *road(pos);
            if (r.size() == sizes[pos - 20]) continue;
            ++grown;
            EXPECT_EQ(r.size(), sizes[pos - 20] + 1) << pos;
            Vehicle* newcomer = r.queue_tail()->vehicle;
            Location entry = along(r, 0);
            EXPECT_EQ(newcomer->location().x(), entry.x()) << pos;
            EXPECT_EQ(newcomer->location().y(), entry.y()) << pos;
            EXPECT_EQ(newcomer->heading(), r.direction()) << pos;
            if (jammed) {
                EXPECT_EQ(r.size(), r.capacity()) << pos;
            }
            // The spacing rule keeps it there while the vehicle ahead is within 20.
            r.step();
            EXPECT_EQ(newcomer->location().x(), entry.x()) << pos;
            EXPECT_EQ(newcomer->location().y(), entry.y()) << pos;
        }
        EXPECT_EQ(grown, 1);
    }
}

TEST_F(LayoutTest, ASpawnOntoAFullRoadDrawsWhatAPlacedOneWould) {
    for (int pos = 20; pos < 24; ++pos) {
        Road& r = *road(pos);
        pack_lane(r);
        sim_test::place(r, new PulsingVehicle(), along(r, 0));
    }
    RoadNetwork empty;
    build_layout(&empty);
    Display display;
    // Twenty seeds reach every entry road; the sequence after the spawn is the same either way.
    for (unsigned seed = 1; seed <= 20; ++seed) {
        sim_seed(seed);
        network.spawn(display);
        int after_refused = sim_random();
        sim_seed(seed);
        empty.spawn(display);
        int after_placed = sim_random();
        EXPECT_EQ(after_refused, after_placed) << seed;
    }
    int placed = 0;
    for (int pos = 20; pos < 24; ++pos) {
        EXPECT_EQ(road(pos)->size(), road(pos)->capacity()) << pos;
        placed += dynamic_cast<Road*>(empty.element_at(pos))->size();
    }
    EXPECT_EQ(placed, 20);
    destroy_elements(empty.elements());
}
