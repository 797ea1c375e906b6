// What recording costs a key event: one wait that returns a typed character, with Record Script off
// and on. While recording, every event's line is written through to the file as it is recorded, so
// the difference is the cost of one line reaching the operating system.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "library_state.h"
#include "platform/headless/headless.h"
#include "velta/velta.h"

namespace {

void BM_KeyEvent(benchmark::State& state) {
    bool recording = state.range(0) != 0;
    char dir[] = "/tmp/velta_recording_XXXXXX";
    if (mkdtemp(dir) == nullptr || chdir(dir) != 0) {
        state.SkipWithError("no temporary directory");
        return;
    }
    velta_reset_for_tests();
    plat::headless::reset(1024, 768);
    velta_init(nullptr, nullptr, nullptr, plat::sw::show_normal);
    velta_state.logging = 0;
    velta_state.recording = recording ? 1 : 0;
    int x = 0, y = 0;
    char key = 0;
    for (auto _ : state) {
        // The key arrives while the wait sleeps, as a user's does.
        plat::headless::after(1, [] { plat::headless::type_char(velta_state.graphics, 'k'); });
        benchmark::DoNotOptimize(velta_wait_event(&x, &y, &key));
    }
    velta_reset_for_tests();
    std::remove((std::string(dir) + "/VELTA.SCR").c_str());
    if (chdir("/") == 0) rmdir(dir);
}
BENCHMARK(BM_KeyEvent)->ArgName("recording")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
