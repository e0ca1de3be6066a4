// wave_rows.hpp: one row of the wave step as wave_kernel.cpp hands it to the row kernels
// of each instruction set, and those kernels' entry points.
#pragma once

#include <cstdint>

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

// The interior columns 1 .. width - 2 of a row, whose neighbours need no wrapping. Each
// writes exactly those cells and reads `out` only at the cell it writes; a row too narrow
// for a path's vectors goes the portable way.
using WaveInterior = void (*)(const WaveRow& r);
void waveInteriorPortable(const WaveRow& r);
void waveInteriorAvx2(const WaveRow& r);
void waveInteriorAvx512(const WaveRow& r);

}  // namespace sim::rows
