// refraction_kernel.cpp: the refraction, with the wrap-around edge columns handled apart so
// the interior of each row reads its neighbours without remainders.

#include "imaging/refraction_kernel.hpp"

#include <cstddef>

namespace imaging {

namespace {

struct RefractionRow {
    const std::int16_t* row;    // the field's row y
    const std::int16_t* below;  // row y - 1, wrapped
    const std::int16_t* above;  // row y + 1, wrapped
    const std::uint8_t* source;
    std::uint8_t* out;  // the output picture's row y
    int y;
    int width;
    int height;

    void pixel(int x, int xLeft, int xRight) const {
        const int dx = row[xLeft] - row[xRight];
        const int dy = below[x] - above[x];
        const int sx = sourceCoordinate(x + dx, width);
        const int sy = sourceCoordinate(y + dy, height);
        const std::uint8_t* from =
            source + (static_cast<std::size_t>(sy) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(sx)) *
                         4;
        std::uint8_t* to = out + static_cast<std::size_t>(x) * 4;
        to[0] = shade(from[0], dx);
        to[1] = shade(from[1], dx);
        to[2] = shade(from[2], dx);
    }

    void run() const {
        const int last = width - 1;
        pixel(0, last, width == 1 ? 0 : 1);
        for (int x = 1; x < last; ++x) pixel(x, x - 1, x + 1);
        if (last > 0) pixel(last, last - 1, 0);
    }
};

}  // namespace

void refract(const std::int16_t* field, const std::uint8_t* source, std::uint8_t* output, int width,
             int height) {
    if (width <= 0 || height <= 0) return;
    const auto stride = static_cast<std::size_t>(width);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < height; ++y) {
        const int yBelow = y == 0 ? height - 1 : y - 1;
        const int yAbove = y == height - 1 ? 0 : y + 1;
        const RefractionRow row{field + static_cast<std::size_t>(y) * stride,
                                field + static_cast<std::size_t>(yBelow) * stride,
                                field + static_cast<std::size_t>(yAbove) * stride,
                                source,
                                output + static_cast<std::size_t>(y) * stride * 4,
                                y,
                                width,
                                height};
        row.run();
    }
}

}  // namespace imaging
