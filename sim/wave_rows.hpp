// wave_rows.hpp: one row of the wave step, and the rule applied to it cell by cell. The
// vector kernels (wave_kernel.cpp) take the interior of wide rows; this does the rest.
#pragma once

#include <cstdint>

#include "sim/wave_kernel.hpp"

namespace sim::rows {

// Row y of the step: `row`, `below` and `above` are rows y, y - 1 and y + 1 (wrapped) of
// the latest field; `out` is row y of the previous field, overwritten in place.
struct WaveRow {
    const std::int16_t* row;
    const std::int16_t* below;
    const std::int16_t* above;
    std::int16_t* out;
    int width;
};

// Cell x, whose left and right neighbours are the columns xLeft and xRight.
inline void waveCell(const WaveRow& r, int x, int xLeft, int xRight) {
    r.out[x] = nextHeight(r.row[xLeft] + r.row[xRight] + r.below[x] + r.above[x], r.out[x]);
}

// The columns first .. last - 1, none of them an edge column.
inline void waveInteriorByRule(const WaveRow& r, int first, int last) {
    for (int x = first; x < last; ++x) waveCell(r, x, x - 1, x + 1);
}

// The two edge columns, whose neighbours wrap round the row (a row of one cell is its own
// left and right neighbour).
inline void waveEdges(const WaveRow& r) {
    const int last = r.width - 1;
    waveCell(r, 0, last, r.width == 1 ? 0 : 1);
    if (last > 0) waveCell(r, last, last - 1, 0);
}

}  // namespace sim::rows
