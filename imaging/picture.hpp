// picture.hpp: the source picture carried inside the executable, the refracted output
// picture, and the dimensions they give the whole program.
//
// Usage: loadPicture() once (initTexture() does it), then renderRefraction(field) after
// every wave step; outputPixels() is what the texture shows. releasePictures() at the end.
#pragma once

#include <cstdint>

namespace imaging {

// Decodes the embedded picture into sourcePixels, allocates outputPixels and sets the
// dimensions. A picture that cannot be decoded ends the program with a clear message.
void loadPicture();

// Rewrites outputPixels from sourcePixels seen through `field` (picture-sized).
void renderRefraction(const std::int16_t* field);

void releasePictures();

int imageWidth();
int imageHeight();
const std::uint8_t* sourcePixels();
const std::uint8_t* outputPixels();

}  // namespace imaging
