// layout.cpp: the picture rectangle, truncated to whole pixels.

#include "app/layout.hpp"

namespace app {

AspectFactors aspectFactors(int imageWidth, int imageHeight) {
    const auto aspect =
        static_cast<float>(static_cast<double>(imageWidth) / static_cast<double>(imageHeight));
    if (aspect < 1.0f) return {.kx = 1.0f / aspect, .ky = 1.0f};
    return {.kx = 1.0f, .ky = aspect};
}

PictureQuad layoutPictureQuad(int windowWidth, int windowHeight, int imageWidth, int imageHeight) {
    const AspectFactors k = aspectFactors(imageWidth, imageHeight);
    const auto width = static_cast<int>(windowWidth * PICTURE_SHARE / k.kx);
    const auto height = static_cast<int>(windowHeight * PICTURE_SHARE / k.ky);
    const auto x0 = static_cast<int>((windowWidth - width) * 0.5);
    const auto y0 = static_cast<int>((windowHeight - height) * 0.5);
    return {.x0 = x0, .y0 = y0, .width = width, .height = height};
}

}  // namespace app
