// pointer_mapping.cpp: the picture rectangle inverted, unrounded and in single precision:
// a window pixel to a field cell.

#include "app/pointer_mapping.hpp"

#include <algorithm>

#include "app/layout.hpp"

namespace app {

std::optional<Cell> pointerCell(int x, int y, int windowWidth, int windowHeight, int imageWidth,
                                int imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return std::nullopt;
    const AspectFactors k = aspectFactors(imageWidth, imageHeight);
    const auto qw = static_cast<float>(windowWidth * PICTURE_SHARE / k.kx);
    const auto qh = static_cast<float>(windowHeight * PICTURE_SHARE / k.ky);
    // A window without area has no picture to stir (and dividing by it would give NaN).
    // NOLINTNEXTLINE(readability-simplify-boolean-expr): as written, NaN fails it too
    if (!(qw > 0.0f && qh > 0.0f)) return std::nullopt;
    const auto x0 = static_cast<float>((windowWidth - static_cast<double>(qw)) * 0.5);
    const auto y0 = static_cast<float>((windowHeight - static_cast<double>(qh)) * 0.5);
    const auto u = static_cast<float>((x - static_cast<double>(x0)) / qw);
    const auto v = static_cast<float>((y - static_cast<double>(y0)) / qh);
    // Written so that NaN fails too: only 0 <= u, v < 1 lies on the picture.
    // NOLINTNEXTLINE(readability-simplify-boolean-expr): as written, NaN fails it too
    if (!(u >= 0.0f && u < 1.0f && v >= 0.0f && v < 1.0f)) return std::nullopt;
    const auto column = static_cast<int>(static_cast<double>(u) * imageWidth);
    const auto row = static_cast<int>((1.0 - static_cast<double>(v)) * imageHeight);
    // The picture's top line (v = 0) maps one row past the top; it is on the picture, so it
    // drops on the top row. The column needs the same guard only against rounding.
    return Cell{.column = std::min(column, imageWidth - 1), .row = std::min(row, imageHeight - 1)};
}

}  // namespace app
