// refraction_kernel.cpp: the refraction: rows shared among threads, the wrap-around edge
// columns handled here, and the interior of each row given to the kernel of the active path.

#include "imaging/refraction_kernel.hpp"

#include <cstddef>
#include <cstdint>

#include "imaging/refraction_rows.hpp"
#include "sim/kernel_dispatch.hpp"

namespace imaging {

namespace rows {

std::size_t sourcePixel(int width, int height, std::int64_t column, std::int64_t row) {
    return static_cast<std::size_t>(sourceCoordinate(row, height)) *
               static_cast<std::size_t>(width) +
           static_cast<std::size_t>(sourceCoordinate(column, width));
}

}  // namespace rows

namespace {

// Output pixel x, whose horizontal neighbours are the columns xLeft and xRight.
void refractPixel(const rows::RefractionRow& r, int x, int xLeft, int xRight) {
    const int dx = r.row[xLeft] - r.row[xRight];
    const int dy = r.below[x] - r.above[x];
    const std::uint8_t* from =
        r.source +
        rows::sourcePixel(r.width, r.height, std::int64_t{x} + dx, std::int64_t{r.y} + dy) * 4;
    std::uint8_t* to = r.out + static_cast<std::size_t>(x) * 4;
    to[0] = shade(from[0], dx);
    to[1] = shade(from[1], dx);
    to[2] = shade(from[2], dx);
}

}  // namespace

namespace rows {

void refractInteriorPortable(const RefractionRow& r) {
    for (int x = 1; x < r.width - 1; ++x) refractPixel(r, x, x - 1, x + 1);
}

}  // namespace rows

namespace {

// The vector kernels index pixels and coordinates (up to a side plus the largest slope)
// with 32-bit lanes.
bool fitsVectorLanes(int width, int height) {
    constexpr std::int64_t LARGEST_SLOPE = 65535;
    constexpr std::int64_t LANE_LIMIT = INT32_MAX;
    return std::int64_t{width} * height <= LANE_LIMIT && width + LARGEST_SLOPE <= LANE_LIMIT &&
           height + LARGEST_SLOPE <= LANE_LIMIT;
}

rows::RefractionInterior interiorFor(sim::KernelPath path, int width, int height) {
    if (!fitsVectorLanes(width, height)) return rows::refractInteriorPortable;
    switch (path) {
#if defined(__x86_64__) || defined(__i386__)
        case sim::KernelPath::Avx2:
            return rows::refractInteriorAvx2;
        case sim::KernelPath::Avx512:
            return rows::refractInteriorAvx512;
#endif
        default:
            return rows::refractInteriorPortable;
    }
}

void refractRow(const rows::RefractionRow& r, rows::RefractionInterior interior) {
    const int last = r.width - 1;
    refractPixel(r, 0, last, r.width == 1 ? 0 : 1);
    interior(r);
    if (last > 0) refractPixel(r, last, last - 1, 0);
}

}  // namespace

// NOLINTNEXTLINE(readability-non-const-parameter): each row of `output` is written
void refract(const std::int16_t* field, const std::uint8_t* source, std::uint8_t* output, int width,
             int height) {
    if (width <= 0 || height <= 0) return;
    const rows::RefractionInterior interior = interiorFor(sim::activeKernelPath(), width, height);
    const auto stride = static_cast<std::size_t>(width);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < height; ++y) {
        const int yBelow = y == 0 ? height - 1 : y - 1;
        const int yAbove = y == height - 1 ? 0 : y + 1;
        const rows::RefractionRow r{field + static_cast<std::size_t>(y) * stride,
                                    field + static_cast<std::size_t>(yBelow) * stride,
                                    field + static_cast<std::size_t>(yAbove) * stride,
                                    source,
                                    output + static_cast<std::size_t>(y) * stride * 4,
                                    y,
                                    width,
                                    height};
        refractRow(r, interior);
    }
}

}  // namespace imaging
