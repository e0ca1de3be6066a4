// picture_loader_png.cpp: the picture as PNG bytes compiled into the executable, decoded
// with libpng.

#include "imaging/picture_loader.hpp"
#include "resources/embedded_picture.hpp"

namespace imaging {

const char* loadEmbeddedPicture(DecodedPicture& picture) {
    return decodePicture(resources::poolFloorPng, resources::poolFloorPngSize, picture);
}

}  // namespace imaging
