// refraction_rows.hpp: one row of the refraction as refraction_kernel.cpp hands it to the
// row kernels of each instruction set, and those kernels' entry points.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging::rows {

// Output row y: `row`, `below` and `above` are rows y, y - 1 and y + 1 (wrapped) of the
// field; `source` is the whole source picture, `out` row y of the output picture.
struct RefractionRow {
    const std::int16_t* row;
    const std::int16_t* below;
    const std::int16_t* above;
    const std::uint8_t* source;
    std::uint8_t* out;
    int y;
    int width;
    int height;
};

// The source pixel (row-major index) at a displaced column and row (a pixel's coordinates
// plus its slopes), mirrored and wrapped into the picture: the full rule, for any slope
// and any picture size.
std::size_t sourcePixel(int width, int height, std::int64_t column, std::int64_t row);

// The interior columns 1 .. width - 2 of a row, whose neighbours need no wrapping. A row
// too narrow for a path's vectors goes the portable way. The vector paths index the
// source with 32-bit lanes: the caller picks them only for pictures of fewer than 2^31
// pixels whose sides leave room for any slope (see refraction_kernel.cpp).
using RefractionInterior = void (*)(const RefractionRow& r);
void refractInteriorPortable(const RefractionRow& r);
void refractInteriorAvx2(const RefractionRow& r);
void refractInteriorAvx512(const RefractionRow& r);

}  // namespace imaging::rows
