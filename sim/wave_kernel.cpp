// wave_kernel.cpp: the wave step, with the wrap-around edge columns handled apart so the
// interior of each row is a straight loop without remainders or branches.

#include "sim/wave_kernel.hpp"

#include <cstddef>

namespace sim {

namespace {

// One row of the step. `row`, `below` and `above` are rows of the latest field; `out` is
// the same row of the previous field, overwritten in place.
void waveRow(const std::int16_t* row, const std::int16_t* below, const std::int16_t* above,
             std::int16_t* out, int width) {
    const int last = width - 1;
    if (width == 1) {
        out[0] = nextHeight(row[0] + row[0] + below[0] + above[0], out[0]);
        return;
    }
    out[0] = nextHeight(row[last] + row[1] + below[0] + above[0], out[0]);
    for (int x = 1; x < last; ++x) {
        out[x] = nextHeight(row[x - 1] + row[x + 1] + below[x] + above[x], out[x]);
    }
    out[last] = nextHeight(row[last - 1] + row[0] + below[last] + above[last], out[last]);
}

}  // namespace

void waveStep(const std::int16_t* latest, std::int16_t* previous, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const auto stride = static_cast<std::size_t>(width);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < height; ++y) {
        const int yBelow = y == 0 ? height - 1 : y - 1;
        const int yAbove = y == height - 1 ? 0 : y + 1;
        waveRow(latest + static_cast<std::size_t>(y) * stride,
                latest + static_cast<std::size_t>(yBelow) * stride,
                latest + static_cast<std::size_t>(yAbove) * stride,
                previous + static_cast<std::size_t>(y) * stride, width);
    }
}

}  // namespace sim
