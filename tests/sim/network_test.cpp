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
