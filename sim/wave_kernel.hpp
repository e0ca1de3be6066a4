// wave_kernel.hpp: the discrete wave rule over plain height buffers, and a drop.
// Pure functions of their arguments: no module state, no OpenGL; tests and benchmarks call them.
//
// A height buffer is width x height signed 16-bit cells, row-major, row 0 at the bottom.
// The field is a torus: the left neighbour of column 0 is the last column, and so on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

// One wave step: every cell of `previous` is overwritten with the new surface computed
// from the four neighbours in `latest` and the cell's own value in `previous`.
// Rows are shared among the OpenMP team in the parallel build; the vector target that runs
// them (common/vector_targets.hpp) changes the speed, never the result.
void waveStep(const std::int16_t* latest, std::int16_t* previous, int width, int height);

// The rule for one cell: half the sum of the four neighbours less the cell's previous
// height, wrapped to 16 bits, then damped by a thirty-second (shift rounds towards -inf).
inline std::int16_t nextHeight(std::int32_t neighbourSum, std::int16_t previous) {
    // C++20 defines >> on negative values as an arithmetic shift, which the rule wants.
    // cppcheck-suppress shiftNegativeLHS
    const auto v = static_cast<std::int16_t>((neighbourSum >> 1) - previous);
    return static_cast<std::int16_t>(v - (v >> 5));
}

// Adds `amplitude` to one cell with 16-bit wrap-around; nothing saturates.
// NOLINTNEXTLINE(readability-non-const-parameter): the cell is written through a reference
inline void addToCell(std::int16_t* field, int width, int column, int row, int amplitude) {
    std::int16_t& cell = field[(static_cast<std::size_t>(row) * static_cast<std::size_t>(width)) +
                               static_cast<std::size_t>(column)];
    cell = static_cast<std::int16_t>(cell + amplitude);
}

}  // namespace sim
