// waves.cpp: the module state of the water surface and the operations the frame loop,
// the rain and the pointer call. The arithmetic itself lives in wave_kernel.cpp.

#include "sim/waves.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>

#include "common/buffer.hpp"
#include "common/fatal.hpp"
#include "sim/wave_kernel.hpp"

namespace sim {

namespace {

struct WaveState {
    // heights[phase ^ 1] is the surface now; heights[phase] the surface one step earlier,
    // which the next step overwrites.
    common::Buffer<std::int16_t> heights[2];
    int phase = 0;
    int width = 0;
    int height = 0;
};
WaveState state;

std::int16_t* latest() {
    return state.heights[state.phase ^ 1].get();
}

}  // namespace

void initWaves(int width, int height, std::uint32_t seed) {
    if (width == 0 || height == 0) return;
    if (width < 0 || height < 0) common::fatal("invalid field size %d x %d", width, height);
    const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    state.heights[0] = common::allocateOrDie<std::int16_t>(cells, "the height field");
    state.heights[1] = common::allocateOrDie<std::int16_t>(cells, "the height field");
    std::fill_n(state.heights[0].get(), cells, std::int16_t{0});
    std::fill_n(state.heights[1].get(), cells, std::int16_t{0});
    state.phase = 0;
    state.width = width;
    state.height = height;
    std::srand(seed);
    for (int i = 0; i < SEED_DROPS; ++i) addRandomDrop();
}

void addDrop(int column, int row) {
    addToCell(latest(), state.width, column, row, dropAmplitude(std::rand()));
}

void addRandomDrop() {
    // The order of the three draws is part of the behaviour: equal seeds give equal rain.
    const int amplitude = dropAmplitude(std::rand());
    const int column = std::rand() % state.width;
    const int row = std::rand() % state.height;
    addToCell(latest(), state.width, column, row, amplitude);
}

void stepWaves() {
    waveStep(latest(), state.heights[state.phase].get(), state.width, state.height);
}

void flipPhase() {
    state.phase ^= 1;
}

const std::int16_t* stepOutput() {
    return state.heights[state.phase].get();
}

void releaseWaves() {
    state.heights[0].reset();
    state.heights[1].reset();
}

const std::int16_t* latestField() {
    return latest();
}

int phase() {
    return state.phase;
}

}  // namespace sim
