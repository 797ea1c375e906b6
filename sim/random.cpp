#include "sim/random.h"

#include <random>

namespace {

std::mt19937& engine() {
    static std::mt19937 generator(1u);
    return generator;
}

}  // namespace

void sim_seed(unsigned seed) {
    engine().seed(seed);
}

// The engine gives 32 bits; dropping the lowest keeps the value within a non-negative int.
int sim_random() {
    return static_cast<int>(engine()() >> 1);
}
