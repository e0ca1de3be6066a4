// rain_random.hpp: the random numbers of the rain and the drops. The sequence is the one the
// GNU C library's srand() and rand() give, computed here so that every platform (whose own
// rand() may differ) rains the same drops from the same seed.
#pragma once

#include <cstdint>

namespace sim {

// Restarts the sequence from `seed`, as srand(seed) does.
void seedRainRandom(std::uint32_t seed);

// The next number of the sequence, 0 to 2^31 - 1, as rand() gives it.
int nextRainRandom();

}  // namespace sim
