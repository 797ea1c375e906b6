// Unpaced script playback on the headless backend: a VELTA.SCR holding one counted line
// (VELTA_PERIODIC(40000);) in a temporary directory, played back through the real library by the
// traffic program's event loop. Every tick is one wait (which copies the last frame to the window),
// one step of the network and one frame drawn, as in the program; no tick waits for the timer.
//
//   velta_playback [--ticks N] [--rounds N] [--seed N]
//
// Prints the ticks a second of each round and their median.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "library_state.h"
#include "platform/headless/headless.h"
#include "sim/sim.h"
#include "velta/velta.h"

namespace {

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Times the ticks from the first to the last and quits after the last.
class PlaybackClock : public LoopObserver {
  public:
    explicit PlaybackClock(int ticks) : ticks_(ticks) {}
    void after_event(RoadNetwork&, int kind, int ticks) override {
        if (kind != EVENT_PERIODIC) return;
        if (ticks == 1) first = seconds_now();
        if (ticks == ticks_) {
            last = seconds_now();
            plat::post_quit_message(0);
        }
    }
    double first = 0;
    double last = 0;

  private:
    int ticks_;
};

double play_once(unsigned seed, int ticks) {
    velta_reset_for_tests();
    plat::headless::reset(1024, 768);
    // The user chooses Playback Script once the program is running, as Ctrl+P does.
    plat::headless::at(0, [] { plat::headless::choose_menu(velta_state.graphics, CMD_PLAYBACK); });
    // Playback takes no virtual time; a playback that stops early leaves the program halted, and
    // this ends it with no rate.
    plat::headless::at(60'000, [] { plat::post_quit_message(0); });
    PlaybackClock clock(ticks);
    simulation_run(seed, &clock);
    velta_reset_for_tests();
    if (clock.last <= clock.first) return 0;
    return (ticks - 1) / (clock.last - clock.first);
}

bool parse_int(const char* text, int min, int* out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < min || v > 100'000'000) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int ticks = 40000, rounds = 5, seed = 1;
    for (int i = 1; i < argc; i += 2) {
        std::string arg = argv[i];
        bool ok = i + 1 < argc;
        if (!(ok && ((arg == "--ticks" && parse_int(argv[i + 1], 2, &ticks)) ||
                     (arg == "--rounds" && parse_int(argv[i + 1], 1, &rounds)) ||
                     (arg == "--seed" && parse_int(argv[i + 1], 0, &seed))))) {
            std::fprintf(stderr, "usage: velta_playback [--ticks N] [--rounds N] [--seed N]\n");
            return 2;
        }
    }
    char dir[] = "/tmp/velta_playback_XXXXXX";
    if (mkdtemp(dir) == nullptr || chdir(dir) != 0) {
        std::perror("temporary directory");
        return 1;
    }
    std::string script = std::string(dir) + "/VELTA.SCR";
    if (std::FILE* f = std::fopen(script.c_str(), "w")) {
        std::fprintf(f, "VELTA_PERIODIC(%d);\n", ticks);
        std::fclose(f);
    }
    std::vector<double> rates;
    for (int r = 0; r < rounds; ++r) {
        double rate = play_once(static_cast<unsigned>(seed), ticks);
        rates.push_back(rate);
        std::printf("round %d: %.0f ticks/s\n", r + 1, rate);
    }
    std::remove(script.c_str());
    if (chdir("/") == 0) rmdir(dir);
    std::sort(rates.begin(), rates.end());
    std::printf("headless playback of VELTA_PERIODIC(%d); (median of %d): %.0f ticks/s\n", ticks,
                rounds, rates[rates.size() / 2]);
    return rates.front() > 0 ? 0 : 1;
}
