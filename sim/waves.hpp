// waves.hpp: the water surface: two generations of the height field and the phase bit.
//
// Usage: initWaves(width, height, seed) once, with the picture's dimensions (the entry knows
// them; the water does not look at the picture); then per step
// stepWaves(), refract stepOutput(), flipPhase(), and rain with addRandomDrop();
// addDrop() between steps; releaseWaves() at the end.
#pragma once

#include <cstdint>

namespace sim {

inline constexpr int SEED_DROPS = 5;

// Sizes both buffers to width x height cells, zero-fills them, seeds rand() with `seed` (the
// program passes a millisecond clock) and adds SEED_DROPS random drops. Does nothing if a
// dimension is zero; a negative one ends the program.
void initWaves(int width, int height, std::uint32_t seed);

// Adds a drop of random amplitude at a cell the caller guarantees lies inside the field.
void addDrop(int column, int row);
// Draws amplitude, column and row from rand(), in that order, and adds the drop.
void addRandomDrop();

void stepWaves();
void flipPhase();
// The buffer the last stepWaves() wrote, until flipPhase() makes it the latest field.
const std::int16_t* stepOutput();
void releaseWaves();

// Readers for tests and tools: the surface now and the current phase.
const std::int16_t* latestField();
int phase();

// A drop's amplitude: 100..349 from one rand() value.
inline int dropAmplitude(int randomValue) {
    return (randomValue % 250) + 100;
}

}  // namespace sim
