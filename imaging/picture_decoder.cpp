// picture_decoder.cpp: PNG decoding with libpng's simplified reading interface, straight into
// red, green, blue, fourth-byte pixels with the bottom row first.

#include "imaging/picture_decoder.hpp"

#include <png.h>

#include "common/buffer.hpp"

namespace imaging {

const char* decodePicture(const std::uint8_t* bytes, std::size_t size, DecodedPicture& picture) {
    picture = DecodedPicture{};
    if (bytes == nullptr || size == 0) return "no picture data";

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes, size) == 0) return "not a readable PNG";
    if (image.width == 0 || image.height == 0 || image.width > MAX_PICTURE_SIDE ||
        image.height > MAX_PICTURE_SIDE) {
        png_image_free(&image);
        return "picture size out of range";
    }
    image.format = PNG_FORMAT_RGBA;

    const auto width = static_cast<int>(image.width);
    const auto height = static_cast<int>(image.height);
    const std::size_t bytesPerRow = static_cast<std::size_t>(width) * 4;
    auto pixels = common::allocateOrDie<std::uint8_t>(
        bytesPerRow * static_cast<std::size_t>(height), "the source picture");
    // A negative row stride makes libpng store the bottom row first, as the texture wants.
    const auto rowStride = -static_cast<png_int_32>(bytesPerRow);
    if (png_image_finish_read(&image, nullptr, pixels.get(), rowStride, nullptr) == 0) {
        return "damaged PNG data";
    }
    picture.width = width;
    picture.height = height;
    picture.pixels = std::move(pixels);
    return nullptr;
}

}  // namespace imaging
