// picture_loader.hpp: where the pool-floor picture carried inside the executable comes from.
// Each platform supplies it in a file of its own (picture_loader_png.cpp, ...), chosen by CMake.
#pragma once

#include "imaging/picture_decoder.hpp"

namespace imaging {

// Decodes the embedded picture into red, green, blue, fourth-byte pixels, bottom row first.
// On success returns nullptr and fills `picture`; on failure returns a short description of
// what is wrong and leaves `picture` empty.
const char* loadEmbeddedPicture(DecodedPicture& picture);

}  // namespace imaging
