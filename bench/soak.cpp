// Long seeded runs of the traffic simulation on the headless backend, reporting how the vehicle
// count, the heap and the cost of a tick develop. The grid always ends in a permanent gridlock;
// what this watches is that the program stays bounded after it.
//
//   velta_soak [--seeds 1,2,3] [--ticks 1000000] [--until-lock]
//
// Each seed runs the event loop the way simulation_run does (seeded generator, the fixed layout,
// the animation timer), with a network that counts what its spawns place. Figures are printed at
// 10,000, 100,000 and 1,000,000 ticks (those within the run) and at the last tick; with
// --until-lock a run also ends, with a last report, as soon as the lock is seen.
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "library_state.h"
#include "platform/headless/headless.h"
#include "sim/sim.h"

// Live heap bytes, counted by the allocator's usable size of every block, and their peak.
namespace {

std::atomic<long long> live_bytes{0};
std::atomic<long long> peak_bytes{0};

void* counted_alloc(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    long long now = live_bytes += static_cast<long long>(malloc_usable_size(p));
    long long peak = peak_bytes.load(std::memory_order_relaxed);
    while (now > peak && !peak_bytes.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void counted_free(void* p) {
    if (!p) return;
    live_bytes -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
    return counted_alloc(size);
}
void* operator new[](std::size_t size) {
    return counted_alloc(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted_alloc(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return counted_alloc(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    counted_free(p);
}
void operator delete[](void* p) noexcept {
    counted_free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    counted_free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    counted_free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    counted_free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    counted_free(p);
}

namespace {

// No arrival for this many ticks counts as the grid having locked.
constexpr int kLockQuiet = 5000;
// The cost of this many ticks is reported at each checkpoint.
constexpr int kCostWindow = 1000;
constexpr int kEntryFirst = 20;
constexpr int kEntryCount = 4;
const char* const kEntryNames[kEntryCount] = {"R9", "R11", "R3", "R4"};

double wall_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long max_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What the run did up to some tick: the queue each placed spawn found on its entry road, the
// spawns that placed nothing, and the largest queue each entry road held.
constexpr int kQueueBins = 16;  // the last bin counts that many vehicles or more
struct EntryRecord {
    long long found[kEntryCount][kQueueBins] = {};
    int first_found[kEntryCount][kQueueBins] = {};  // the tick of the first, 0 for none
    long long refused = 0;
    int largest[kEntryCount] = {};

    void add(const EntryRecord& other) {
        for (int i = 0; i < kEntryCount; ++i) {
            for (int b = 0; b < kQueueBins; ++b) {
                if (found[i][b] == 0) first_found[i][b] = other.first_found[i][b];
                found[i][b] += other.found[i][b];
            }
            largest[i] = std::max(largest[i], other.largest[i]);
        }
        refused += other.refused;
    }
};

// The network as the program builds it, noting what each spawn does. Records go to `pending` and
// are moved to `settled` at each arrival, so that once the lock is known (no arrival for a while)
// `settled` holds what happened up to it.
class CountingNetwork : public RoadNetwork {
  public:
    void spawn(Display& display) override {
        int before[kEntryCount];
        for (int i = 0; i < kEntryCount; ++i) before[i] = entries[i]->size();
        RoadNetwork::spawn(display);
        bool placed_one = false;
        for (int i = 0; i < kEntryCount; ++i) {
            if (entries[i]->size() == before[i]) continue;
            placed_one = true;
            ++placed;
            ++placed_this_tick;
            int bin = std::min(before[i], kQueueBins - 1);
            if (pending.found[i][bin]++ == 0) pending.first_found[i][bin] = tick;
        }
        if (!placed_one) {
            ++refused;
            ++pending.refused;
            if (first_refusal < 0) first_refusal = tick;
        }
    }

    Road* entries[kEntryCount] = {};
    int tick = 0;
    long long placed = 0;
    long long placed_this_tick = 0;
    long long refused = 0;
    int first_refusal = -1;
    EntryRecord pending;
    EntryRecord settled;
};

struct Checkpoint {
    int tick;
    long long alive, arrived, placed, refused;
    int lock_tick, first_refusal;
    long long arrivals_after_lock;
    long long heap_bytes, heap_peak;
    long rss_kib;
    double wall_ms, cpu_ms;
    EntryRecord before_lock;  // up to the lock, or up to now while there is none
};

class SoakObserver : public LoopObserver {
  public:
    SoakObserver(CountingNetwork& network, int ticks, bool until_lock)
        : net(network), last_tick(ticks), stop_at_lock(until_lock) {
        for (int c : {10'000, 100'000, 1'000'000})
            if (c <= ticks) checkpoints.push_back(c);
        if (checkpoints.empty() || checkpoints.back() != ticks) checkpoints.push_back(ticks);
        for (NetworkElement* element : network.elements())
            if (Road* road = dynamic_cast<Road*>(element)) roads.push_back(road);
    }

    void after_event(RoadNetwork&, int kind, int ticks) override {
        if (kind != EVENT_PERIODIC || ticks == seen_tick) return;
        seen_tick = ticks;
        long long alive = 0;
        for (Road* road : roads) alive += road->size();
        long long arrivals = previous_alive + net.placed_this_tick - alive;
        net.placed_this_tick = 0;
        previous_alive = alive;
        net.tick = ticks + 1;
        for (int i = 0; i < kEntryCount; ++i)
            net.pending.largest[i] = std::max(net.pending.largest[i], net.entries[i]->size());
        if (arrivals > 0) {
            arrived += arrivals;
            last_arrival = ticks;
            if (lock_tick >= 0) {
                arrivals_after_lock += arrivals;
            } else {
                net.settled.add(net.pending);
                net.pending = EntryRecord();
            }
        }
        if (lock_tick < 0 && ticks - last_arrival >= kLockQuiet) lock_tick = last_arrival;

        if (next < checkpoints.size() && ticks == checkpoints[next] - kCostWindow) {
            window_start = ticks;
            window_wall = wall_seconds();
            window_cpu = cpu_seconds();
        }
        bool ending = ticks == last_tick || (stop_at_lock && lock_tick >= 0);
        if (next < checkpoints.size() && (ticks == checkpoints[next] || ending)) {
            Checkpoint c{};
            c.tick = ticks;
            c.alive = alive;
            c.arrived = arrived;
            c.placed = net.placed;
            c.refused = net.refused;
            c.lock_tick = lock_tick;
            c.first_refusal = net.first_refusal;
            c.arrivals_after_lock = arrivals_after_lock;
            c.heap_bytes = live_bytes.load();
            c.heap_peak = peak_bytes.load();
            c.rss_kib = max_rss_kib();
            // A run that ends at the lock may end between the start of a window and its end.
            bool timed = window_start >= 0 && window_start == ticks - kCostWindow;
            c.wall_ms = timed ? (wall_seconds() - window_wall) * 1e3 : 0;
            c.cpu_ms = timed ? (cpu_seconds() - window_cpu) * 1e3 : 0;
            c.before_lock = net.settled;
            if (lock_tick < 0) c.before_lock.add(net.pending);
            results.push_back(c);
            ++next;
            if (ending) next = checkpoints.size();
            print(c, next == checkpoints.size());
        }
        if (ending) plat::post_quit_message(0);
    }

    static void print(const Checkpoint& c, bool last) {
        std::printf("  tick %8d  alive %7lld  arrived %7lld  placed %7lld  refused %7lld  lock ",
                    c.tick, c.alive, c.arrived, c.placed, c.refused);
        if (c.lock_tick >= 0)
            std::printf("%7d", c.lock_tick);
        else
            std::printf("%7s", "-");
        std::printf(
            "  heap %8.1f KiB (peak %8.1f)  rss %7ld KiB  1000 ticks: %8.2f ms wall %8.2f ms "
            "cpu\n",
            static_cast<double>(c.heap_bytes) / 1024.0, static_cast<double>(c.heap_peak) / 1024.0,
            c.rss_kib, c.wall_ms, c.cpu_ms);
        const char* span = c.lock_tick >= 0 ? "up to the lock" : "so far";
        std::printf("    %s: largest entry queues", span);
        for (int i = 0; i < kEntryCount; ++i)
            std::printf(" %s %d", kEntryNames[i], c.before_lock.largest[i]);
        std::printf(", refused %lld, first refusal at ", c.before_lock.refused);
        if (c.first_refusal >= 0)
            std::printf("%d", c.first_refusal);
        else
            std::printf("-");
        std::printf(", arrivals after the lock %lld\n", c.arrivals_after_lock);
        if (last) {
            // How full each entry road was when a spawn placed a vehicle on it: [queue]count, and
            // for the fuller queues the tick of the first such spawn.
            std::printf("    %s, queue found by each placed spawn:\n", span);
            for (int i = 0; i < kEntryCount; ++i) {
                std::printf("      %-3s", kEntryNames[i]);
                for (int b = 0; b < kQueueBins; ++b) {
                    long long n = c.before_lock.found[i][b];
                    if (n == 0) continue;
                    std::printf(" [%d%s]%lld", b, b == kQueueBins - 1 ? "+" : "", n);
                    if (b >= 4) std::printf("@%d", c.before_lock.first_found[i][b]);
                }
                std::printf("\n");
            }
        }
        std::fflush(stdout);
    }

    CountingNetwork& net;
    int last_tick;
    bool stop_at_lock;
    std::vector<int> checkpoints;
    std::size_t next = 0;
    std::vector<Road*> roads;
    int seen_tick = -1;
    long long previous_alive = 0;
    long long arrived = 0;
    long long arrivals_after_lock = 0;
    int last_arrival = 0;
    int lock_tick = -1;
    int window_start = -1;
    double window_wall = 0;
    double window_cpu = 0;
    std::vector<Checkpoint> results;
};

std::vector<Checkpoint> soak(unsigned seed, int ticks, bool until_lock) {
    velta_reset_for_tests();
    plat::headless::reset(1024, 768);
    peak_bytes = live_bytes.load();
    std::vector<Checkpoint> results;
    sim_seed(seed);
    {
        Display display;
        display.clear(kWhite);
        display.set_animation(ANIMATION_RUN);
        std::vector<NetworkElement*> elements;
        {
            CountingNetwork network;
            build_layout(&network);
            for (int i = 0; i < kEntryCount; ++i)
                network.entries[i] = dynamic_cast<Road*>(network.element_at(kEntryFirst + i));
            SoakObserver observer(network, ticks, until_lock);
            run_event_loop(display, network, &observer);
            results = observer.results;
            elements = network.elements();
        }
        destroy_elements(elements);
    }
    velta_reset_for_tests();
    return results;
}

// A comma-separated list of seeds; empty when any part is not a number.
std::vector<unsigned> parse_seeds(const char* text) {
    std::vector<unsigned> seeds;
    std::string s(text);
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = s.find(',', start);
        std::string part = s.substr(start, comma == std::string::npos ? comma : comma - start);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) return {};
        seeds.push_back(static_cast<unsigned>(std::strtoul(part.c_str(), nullptr, 10)));
        if (comma == std::string::npos) return seeds;
        start = comma + 1;
    }
}

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--seeds N[,N...]] [--ticks N] [--until-lock]\n", program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<unsigned> seeds = {1, 2, 3};
    int ticks = 1'000'000;
    bool until_lock = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seeds") == 0 && i + 1 < argc) {
            seeds = parse_seeds(argv[++i]);
        } else if (std::strcmp(argv[i], "--until-lock") == 0) {
            until_lock = true;
        } else if (std::strcmp(argv[i], "--ticks") == 0 && i + 1 < argc) {
            long n = std::strtol(argv[++i], nullptr, 10);
            if (n < 1 || n > 1'000'000'000) return usage(argv[0]);
            ticks = static_cast<int>(n);
        } else {
            return usage(argv[0]);
        }
    }
    if (seeds.empty()) return usage(argv[0]);

    for (unsigned seed : seeds) {
        std::printf("seed %u, %d ticks\n", seed, ticks);
        std::vector<Checkpoint> results = soak(seed, ticks, until_lock);
        if (results.size() >= 2 && results.front().tick == 10'000 && results.front().cpu_ms > 0 &&
            results.back().cpu_ms > 0) {
            const Checkpoint& first = results.front();
            const Checkpoint& last = results.back();
            std::printf("  tick %d against tick 10000: cost x%.2f (cpu), heap x%.2f\n", last.tick,
                        last.cpu_ms / first.cpu_ms,
                        static_cast<double>(last.heap_bytes) /
                            static_cast<double>(std::max(first.heap_bytes, 1LL)));
        }
    }
    return 0;
}
