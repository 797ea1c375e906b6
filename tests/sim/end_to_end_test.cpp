// The whole program on the headless backend: a seeded run of a few thousand ticks, watched event by
// event, ending with the Quit, and the final picture checked and kept as a PNG artifact.
#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/headless/headless.h"
#include "sim_helpers.h"
#include "testing/png_writer.h"

namespace {

constexpr int kTicks = 3000;
constexpr std::uint64_t kTickMs = 100;

struct Sighting {
    const Road* road;
    Direction heading;
    int x, y;
    bool ready;
};

// Follows every vehicle from one tick to the next and checks the queues as it goes.
class RunWatcher : public LoopObserver {
  public:
    void after_event(RoadNetwork& network, int kind, int ticks) override {
        if (kind == EVENT_QUIT) {
            quit_seen = true;
            picture = plat::headless::surface(velta_state.graphics);
            toggles_shown = ticks / 30;
            return;
        }
        if (kind != EVENT_PERIODIC) return;
        last_ticks = ticks;
        std::map<const Vehicle*, Sighting> now;
        int on_roads = 0;
        for (int pos = 8; pos < 24; ++pos) {
            Road* road = dynamic_cast<Road*>(network.element_at(pos));
            ASSERT_NE(road, nullptr);
            ASSERT_TRUE(sim_test::queue_consistent(*road)) << "road " << pos << " tick " << ticks;
            check_lane(*road, ticks);
            for (const Road::QueueNode* n = road->queue_head(); n; n = n->next) {
                Location l = n->vehicle->location();
                bool ready = n == road->queue_head() && road->at_end(*n->vehicle);
                now[n->vehicle] = Sighting{road, n->vehicle->heading(), l.x(), l.y(), ready};
                ++on_roads;
            }
        }
        ASSERT_EQ(static_cast<int>(now.size()), on_roads) << "a vehicle is on two roads";
        most_vehicles = std::max(most_vehicles, on_roads);
        for (const auto& [vehicle, seen] : now) {
            auto before = previous.find(vehicle);
            if (before == previous.end()) continue;
            const Sighting& was = before->second;
            if (was.road != seen.road) {
                ++handovers;
                if (was.heading != seen.heading) ++turns;
            } else if (was.ready && seen.ready && was.x == seen.x && was.y == seen.y) {
                ++waits;
            } else if (was.x != seen.x || was.y != seen.y) {
                ++moves;
            }
        }
        previous = std::move(now);
        final_count = on_roads;
    }

    // Every vehicle heads the road's way on the lane's middle line, between its start and one unit
    // past its end, and never ahead of the vehicle in front of it.
    void check_lane(Road& road, int ticks) {
        Location s = road.end_point(0), e = road.end_point(1);
        Direction d = road.direction();
        bool vertical = d == NORTH || d == SOUTH;
        int sign = (d == NORTH || d == EAST) ? 1 : -1;
        int middle = vertical ? (s.x() + e.x()) / 2 : (s.y() + e.y()) / 2;
        int start = vertical ? s.y() : s.x();
        int end = vertical ? e.y() : e.x();
        int ahead = 0;
        bool first = true;
        for (const Road::QueueNode* n = road.queue_head(); n; n = n->next) {
            Location l = n->vehicle->location();
            int across = vertical ? l.x() : l.y();
            int along = sign * ((vertical ? l.y() : l.x()) - start);
            EXPECT_EQ(n->vehicle->heading(), d) << "tick " << ticks;
            EXPECT_EQ(across, middle) << "tick " << ticks;
            EXPECT_GE(along, 0) << "tick " << ticks;
            EXPECT_LE(along, sign * (end - start) + 1) << "tick " << ticks;
            if (!first) {
                EXPECT_LE(along, ahead) << "overtaking at tick " << ticks;
            }
            ahead = along;
            first = false;
        }
    }

    std::map<const Vehicle*, Sighting> previous;
    int last_ticks = 0, most_vehicles = 0, final_count = 0;
    int handovers = 0, turns = 0, waits = 0, moves = 0;
    bool quit_seen = false;
    int toggles_shown = 0;
    plat::Surface picture;
};

// The window's pixel for a logical point: the headless client area is 595 x 490 with the origin
// at (297, 245).
plat::Color pixel(const plat::Surface& s, int x, int y) {
    return s.at(297 + x, 245 - y);
}

constexpr plat::Color kWhitePixel = 0xFFFFFF;
constexpr plat::Color kBlackPixel = 0x000000;
constexpr plat::Color kRedPixel = 0xFF0000;
constexpr plat::Color kGreenPixel = 0x00FF00;

}  // namespace

TEST_F(SimTest, SeededRunTravelsTurnsWaitsArrivesAndDrawsTheGrid) {
    RunWatcher watcher;
    plat::headless::at(kTicks * kTickMs + kTickMs / 2, [] { plat::post_quit_message(0); });
    ASSERT_EQ(simulation_run(4242u, &watcher), 0);

    ASSERT_TRUE(watcher.quit_seen);
    EXPECT_GE(watcher.last_ticks, kTicks - 10);
    int spawned = watcher.last_ticks / 25;
    EXPECT_GT(watcher.moves, 1000);
    EXPECT_GT(watcher.handovers, spawned);
    EXPECT_GT(watcher.turns, 10);
    EXPECT_GT(watcher.waits, 10);
    // Whatever is no longer on a road has arrived.
    EXPECT_GT(spawned - watcher.final_count, spawned / 4);
    EXPECT_GT(watcher.most_vehicles, 3);

    const plat::Surface& pic = watcher.picture;
    ASSERT_EQ(pic.width, 595);
    ASSERT_EQ(pic.height, 490);
    std::filesystem::create_directories(VELTA_TEST_ARTIFACTS);
    EXPECT_TRUE(png_writer::write(pic, std::string(VELTA_TEST_ARTIFACTS) + "/sim_final.png"));

    // White outside the streets.
    for (auto [x, y] : {std::pair{-250, -200}, {250, 200}, {-150, -150}, {200, -100}, {-60, 200}})
        EXPECT_EQ(pixel(pic, x, y), kWhitePixel) << x << "," << y;
    // Black junction squares around lights that all show the same phase.
    bool ns_green = watcher.toggles_shown % 2 == 0;
    const int centres[8][2] = {{0, 0},     {0, 100},  {0, 200},  {-100, 100},
                               {100, 100}, {0, -200}, {-200, 0}, {100, 0}};
    for (const auto& c : centres) {
        int cx = c[0], cy = c[1];
        EXPECT_EQ(pixel(pic, cx + 18, cy + 18), kBlackPixel) << cx << "," << cy;
        EXPECT_EQ(pixel(pic, cx - 18, cy - 18), kBlackPixel) << cx << "," << cy;
        EXPECT_EQ(pixel(pic, cx, cy + 6), ns_green ? kGreenPixel : kRedPixel) << cx << "," << cy;
        EXPECT_EQ(pixel(pic, cx + 6, cy), ns_green ? kRedPixel : kGreenPixel) << cx << "," << cy;
    }
    // Lanes: black beside the vehicles' path, white outlines between the two directions.
    EXPECT_EQ(pixel(pic, 2, 50), kBlackPixel);
    EXPECT_EQ(pixel(pic, -2, 50), kBlackPixel);
    EXPECT_EQ(pixel(pic, -50, 102), kBlackPixel);
    EXPECT_EQ(pixel(pic, 0, 50), kWhitePixel);
    EXPECT_EQ(pixel(pic, -50, 100), kWhitePixel);
}
