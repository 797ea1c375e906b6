// The application's main routine and its event loop.
#pragma once

// The traffic program's main routine: seeds the generator from the clock, opens the display, runs
// the simulation until the user quits and returns 0.
int simulation_main();

class Display;
class RoadNetwork;

// Watches the main loop from outside: called after each event has been handled and drawn.
class LoopObserver {
  public:
    virtual ~LoopObserver() = default;
    virtual void after_event(RoadNetwork& network, int kind, int ticks) = 0;
};

// Steps the network on every periodic event, spawning a vehicle every 25 ticks and then switching
// the lights every 30, and draws it after every event, until the quit event. Returns the number
// of ticks run.
int run_event_loop(Display& display, RoadNetwork& network, LoopObserver* observer = nullptr);

// simulation_main with the generator seeded from the given value instead of the clock.
int simulation_run(unsigned seed, LoopObserver* observer = nullptr);
