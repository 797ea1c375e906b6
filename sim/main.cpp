#include "sim/main.h"

#include <ctime>
#include <vector>

#include "sim/layout.h"
#include "sim/network.h"
#include "sim/random.h"
#include "velta/velta.h"

namespace {

constexpr int kSpawnInterval = 25;
constexpr int kLightInterval = 30;
// The counter starts again from 0 at a multiple of both intervals, long before a 32-bit count would
// overflow (after about 4.7 years of ticks), so the schedule stays exact for ever.
constexpr int kTickWrap = 150 * 10'000'000;

}  // namespace

int run_event_loop(Display& display, RoadNetwork& network, LoopObserver* observer) {
    bool quit = false;
    int ticks = 0;
    int x = 0;
    int y = 0;
    char key = 0;
    while (!quit) {
        int kind = display.next_event(&x, &y, &key);
        if (kind == EVENT_PERIODIC) {
            network.step();
            ++ticks;
            if (ticks % kSpawnInterval == 0) network.spawn(display);
            if (ticks % kLightInterval == 0) network.toggle_lights();
            if (ticks == kTickWrap) ticks = 0;
        } else if (kind == EVENT_QUIT) {
            quit = true;
        }
        // The picture is never cleared: each frame is drawn over the last.
        network.draw(display);
        if (observer) observer->after_event(network, kind, ticks);
    }
    return ticks;
}

int simulation_run(unsigned seed, LoopObserver* observer) {
    sim_seed(seed);
    Display display;
    display.clear(kWhite);
    display.set_animation(ANIMATION_RUN);
    std::vector<NetworkElement*> elements;
    {
        RoadNetwork network;
        build_layout(&network);
        run_event_loop(display, network, observer);
        elements = network.elements();
    }
    // The network released only its list. The program ends right after this, so freeing the
    // elements and their vehicles here changes nothing visible and leaves nothing behind.
    destroy_elements(elements);
    return 0;
}

int simulation_main() {
    return simulation_run(static_cast<unsigned>(std::time(nullptr)));
}
