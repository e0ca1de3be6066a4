// reference_kernels.hpp: the wave step and the refraction written exactly as their rules
// read, one cell at a time with remainders for the wrap-around. Slow and obviously right:
// the oracle that the program's kernels must match bit for bit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace reference {

inline std::size_t at(int x, int y, int width) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width)) +
           static_cast<std::size_t>(x);
}

inline void waveStep(const std::int16_t* latest, std::int16_t* previous, int width, int height) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int xl = x == 0 ? width - 1 : x - 1;
            const int xr = (x + 1) % width;
            const int yb = y == 0 ? height - 1 : y - 1;
            const int ya = (y + 1) % height;
            const std::int32_t s = latest[at(xl, y, width)] + latest[at(xr, y, width)] +
                                   latest[at(x, yb, width)] + latest[at(x, ya, width)];
            auto v = static_cast<std::int16_t>((s >> 1) - previous[at(x, y, width)]);
            v = static_cast<std::int16_t>(v - (v >> 5));
            previous[at(x, y, width)] = v;
        }
    }
}

inline void refract(const std::int16_t* field, const std::uint8_t* source, std::uint8_t* output,
                    int width, int height) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int xl = x == 0 ? width - 1 : x - 1;
            const int xr = (x + 1) % width;
            const int yb = y == 0 ? height - 1 : y - 1;
            const int ya = (y + 1) % height;
            const int dx = field[at(xl, y, width)] - field[at(xr, y, width)];
            const int dy = field[at(x, yb, width)] - field[at(x, ya, width)];
            int sx = x + dx;
            if (sx < 0) sx = width - sx;
            sx %= width;
            int sy = y + dy;
            if (sy < 0) sy = height - sy;
            sy %= height;
            for (int channel = 0; channel < 3; ++channel) {
                const int value = std::clamp(
                    source[(at(sx, sy, width) * 4) + static_cast<std::size_t>(channel)] + dx, 0,
                    255);
                output[(at(x, y, width) * 4) + static_cast<std::size_t>(channel)] =
                    static_cast<std::uint8_t>(value);
            }
        }
    }
}

}  // namespace reference
