// One frame of the kind the traffic simulation draws, rendered through the library's entry points
// with logging off onto the headless backend and copied to the window once.
#include <benchmark/benchmark.h>

#include "library_state.h"
#include "platform/headless/headless.h"
#include "velta/velta.h"

namespace {

void draw_frame() {
    // Eight intersections: a black 40 x 40 square with four light wedges of 10 units.
    for (int i = 0; i < 8; ++i) {
        int x = -225 + (i % 4) * 150;
        int y = i < 4 ? 100 : -100;
        velta_rectangle(0, x - 20, y + 20, x + 20, y - 20, 0);
        int light = (i % 2) ? 3 : 2;
        velta_triangle(light, x, y, x - 10, y + 10, x + 10, y + 10, 0);
        velta_triangle(5 - light, x, y, x + 10, y + 10, x + 10, y - 10, 0);
        velta_triangle(light, x, y, x - 10, y - 10, x + 10, y - 10, 0);
        velta_triangle(5 - light, x, y, x - 10, y + 10, x - 10, y - 10, 0);
    }
    // Sixteen lanes: filled black, then outlined in white.
    for (int i = 0; i < 16; ++i) {
        int y = -230 + i * 29;
        velta_rectangle(0, -280, y + 8, 280, y - 8, 0);
        velta_rectangle(1, -280, y + 8, 280, y - 8, 1);
    }
    // Forty vehicles: a body and a pointer each.
    for (int i = 0; i < 40; ++i) {
        int x = -270 + (i * 53) % 540;
        int y = -230 + (i % 16) * 29;
        velta_rectangle(2 + i % 20, x - 5, y + 4, x + 5, y - 4, 0);
        velta_triangle(i % 24, x + 5, y + 4, x + 10, y, x + 5, y - 4, 0);
    }
}

void BM_SimulationFrame(benchmark::State& state) {
    velta_reset_for_tests();
    plat::headless::reset(1024, 768);
    velta_init(nullptr, nullptr, nullptr, plat::sw::show_normal);
    velta_state.logging = 0;
    for (auto _ : state) {
        draw_frame();
        velta_show();
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    velta_reset_for_tests();
}
BENCHMARK(BM_SimulationFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
