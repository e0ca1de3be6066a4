// wave_kernel.cpp: the wave step: rows shared among threads, the wrap-around edge columns
// handled here, and the interior of each row given to the kernel of the active path.

#include "sim/wave_kernel.hpp"

#include <cstddef>

#include "sim/kernel_dispatch.hpp"
#include "sim/wave_rows.hpp"

namespace sim {

namespace rows {

void waveInteriorPortable(const WaveRow& r) {
    for (int x = 1; x < r.width - 1; ++x) {
        r.out[x] = nextHeight(r.row[x - 1] + r.row[x + 1] + r.below[x] + r.above[x], r.out[x]);
    }
}

}  // namespace rows

namespace {

rows::WaveInterior interiorFor(KernelPath path) {
    switch (path) {
#if defined(__x86_64__) || defined(__i386__)
        case KernelPath::Avx2:
            return rows::waveInteriorAvx2;
        case KernelPath::Avx512:
            return rows::waveInteriorAvx512;
#endif
        default:
            return rows::waveInteriorPortable;
    }
}

void waveRow(const rows::WaveRow& r, rows::WaveInterior interior) {
    const int last = r.width - 1;
    if (r.width == 1) {
        r.out[0] = nextHeight(r.row[0] + r.row[0] + r.below[0] + r.above[0], r.out[0]);
        return;
    }
    r.out[0] = nextHeight(r.row[last] + r.row[1] + r.below[0] + r.above[0], r.out[0]);
    interior(r);
    r.out[last] =
        nextHeight(r.row[last - 1] + r.row[0] + r.below[last] + r.above[last], r.out[last]);
}

}  // namespace

// NOLINTNEXTLINE(readability-non-const-parameter): each row of `previous` is written
void waveStep(const std::int16_t* latest, std::int16_t* previous, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const rows::WaveInterior interior = interiorFor(activeKernelPath());
    const auto stride = static_cast<std::size_t>(width);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < height; ++y) {
        const int yBelow = y == 0 ? height - 1 : y - 1;
        const int yAbove = y == height - 1 ? 0 : y + 1;
        const rows::WaveRow r{latest + static_cast<std::size_t>(y) * stride,
                              latest + static_cast<std::size_t>(yBelow) * stride,
                              latest + static_cast<std::size_t>(yAbove) * stride,
                              previous + static_cast<std::size_t>(y) * stride, width};
        waveRow(r, interior);
    }
}

}  // namespace sim
