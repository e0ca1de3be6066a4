// refraction_rows.hpp: one row of the refraction, and the rule applied to it pixel by pixel.
// The vector kernels (refraction_kernel.cpp) take the interior of wide rows; this does the
// rest, and the rare pixels whose source lies beyond an edge.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/refraction_kernel.hpp"

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
inline std::size_t sourcePixel(int width, int height, std::int64_t column, std::int64_t row) {
    return static_cast<std::size_t>(sourceCoordinate(row, height)) *
               static_cast<std::size_t>(width) +
           static_cast<std::size_t>(sourceCoordinate(column, width));
}

// Output pixel x, whose horizontal neighbours are the columns xLeft and xRight. The fourth
// byte is left as it is.
inline void refractPixel(const RefractionRow& r, int x, int xLeft, int xRight) {
    const int dx = r.row[xLeft] - r.row[xRight];
    const int dy = r.below[x] - r.above[x];
    const std::uint8_t* from =
        r.source + sourcePixel(r.width, r.height, std::int64_t{x} + dx, std::int64_t{r.y} + dy) * 4;
    std::uint8_t* to = r.out + static_cast<std::size_t>(x) * 4;
    to[0] = shade(from[0], dx);
    to[1] = shade(from[1], dx);
    to[2] = shade(from[2], dx);
}

// The columns first .. last - 1, none of them an edge column.
inline void refractInteriorByRule(const RefractionRow& r, int first, int last) {
    for (int x = first; x < last; ++x) refractPixel(r, x, x - 1, x + 1);
}

// The two edge columns, whose horizontal neighbours wrap round the row.
inline void refractEdges(const RefractionRow& r) {
    const int last = r.width - 1;
    refractPixel(r, 0, last, r.width == 1 ? 0 : 1);
    if (last > 0) refractPixel(r, last, last - 1, 0);
}

}  // namespace imaging::rows
