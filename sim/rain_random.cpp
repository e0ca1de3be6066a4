// rain_random.cpp: the GNU C library's rand(): an additive lagged Fibonacci generator over 31
// words (x[n] = x[n-3] + x[n-31], modulo 2^32, with the lowest bit dropped), its words filled
// from the seed by the Park-Miller generator and the first 310 outputs thrown away.

#include "sim/rain_random.hpp"

#include <array>
#include <cstddef>

namespace sim {

namespace {

constexpr std::size_t DEGREE = 31;     // words of state
constexpr std::size_t SEPARATION = 3;  // distance between the two words added
constexpr int DISCARDED = 310;         // outputs thrown away after seeding

struct Generator {
    std::array<std::uint32_t, DEGREE> words{};
    std::size_t front = SEPARATION;  // the word that receives the sum
    std::size_t rear = 0;            // the word added to it
};

Generator generator;
bool seeded = false;  // before any seed the library behaves as seeded with 1

std::uint32_t advance() {
    generator.words[generator.front] += generator.words[generator.rear];
    const std::uint32_t value = generator.words[generator.front];
    generator.front = (generator.front + 1) % DEGREE;
    generator.rear = (generator.rear + 1) % DEGREE;
    return value;
}

}  // namespace

void seedRainRandom(std::uint32_t seed) {
    if (seed == 0) seed = 1;
    generator.words[0] = seed;
    // 16807 x word modulo 2^31 - 1 (Schrage's method), on a signed 32-bit word as in the
    // library: a seed of 2^31 or more starts negative, and the product wraps to 32 bits.
    auto word = static_cast<std::int32_t>(seed);
    for (std::size_t i = 1; i < DEGREE; ++i) {
        const std::int64_t high = word / 127773;
        const std::int64_t low = word % 127773;
        word = static_cast<std::int32_t>(16807 * low - 2836 * high);
        if (word < 0) word += 2147483647;
        generator.words[i] = static_cast<std::uint32_t>(word);
    }
    generator.front = SEPARATION;
    generator.rear = 0;
    for (int i = 0; i < DISCARDED; ++i) advance();
    seeded = true;
}

int nextRainRandom() {
    if (!seeded) seedRainRandom(1);
    return static_cast<int>(advance() >> 1);
}

}  // namespace sim
