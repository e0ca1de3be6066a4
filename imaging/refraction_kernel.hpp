// refraction_kernel.hpp: the picture seen through the water, over plain buffers.
// Pure functions of their arguments: no module state, no OpenGL.
//
// Pictures are width x height pixels of red, green, blue and a fourth byte, row-major with
// row 0 at the bottom (the layout of a GL_RGBA / GL_UNSIGNED_BYTE texture). The field is a
// height buffer of the same size (see sim/wave_kernel.hpp).
#pragma once

#include <algorithm>
#include <cstdint>

namespace imaging {

// Every output pixel is the source pixel displaced by the field's local slope and lightened
// or darkened by its horizontal slope. The fourth byte of `output` keeps its value (x86
// targets before AVX-512, having no byte-masked store, store it back as they read it).
// Rows are shared among the OpenMP team in the parallel build; the vector target that runs
// them (common/vector_targets.hpp) changes the speed, never the result.
void refract(const std::int16_t* field, const std::uint8_t* source, std::uint8_t* output, int width,
             int height);

// The source column (or row) for a displaced coordinate: a position past the low edge is
// mirrored about 0 (-k reads k), one past the high edge wraps round; any size of jump.
// 64 bits hold a coordinate plus any slope for any picture size.
inline int sourceCoordinate(std::int64_t displaced, int size) {
    if (displaced >= 0 && displaced < size) return static_cast<int>(displaced);
    if (displaced < 0) displaced = size - displaced;
    return static_cast<int>(displaced % size);
}

// A source byte lightened (or darkened) by the horizontal slope, kept within 0..255.
inline std::uint8_t shade(std::uint8_t value, int slope) {
    const int shaded = value + slope;
    return static_cast<std::uint8_t>(std::clamp(shaded, 0, 255));
}

}  // namespace imaging
