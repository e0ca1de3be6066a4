// picture_decoder.hpp: turns the bytes of a PNG picture into pixels the texture can take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/buffer.hpp"

namespace imaging {

// Pictures larger than this on either side are refused: no texture that big is useful, and
// the limit keeps every byte offset of a picture and its height field well inside 32 bits.
inline constexpr int MAX_PICTURE_SIDE = 4096;

struct DecodedPicture {
    int width = 0;
    int height = 0;
    // width x height pixels: red, green, blue, fourth byte; bottom row first.
    common::Buffer<std::uint8_t> pixels;
};

// Decodes `size` bytes of PNG. On success returns nullptr and fills `picture`; on failure
// returns a short description of what is wrong and leaves `picture` empty.
const char* decodePicture(const std::uint8_t* bytes, std::size_t size, DecodedPicture& picture);

}  // namespace imaging
