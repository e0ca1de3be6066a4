// picture_fuzz.cpp: the picture decoder on mutated PNG bytes. It must either decode a
// picture of a sensible size or say why not; never crash or read out of bounds.

#include <cstdlib>

#include "imaging/picture_decoder.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::DecodedPicture picture;
    const char* problem = imaging::decodePicture(data, size, picture);
    const bool decoded = picture.pixels != nullptr && picture.width > 0 && picture.height > 0 &&
                         picture.width <= imaging::MAX_PICTURE_SIDE &&
                         picture.height <= imaging::MAX_PICTURE_SIDE;
    if ((problem == nullptr) != decoded) std::abort();
    if (decoded) {
        // Read every byte: AddressSanitizer checks the whole buffer is there.
        const std::size_t bytes =
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4;
        unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; ++i) sum += picture.pixels[i];
        volatile unsigned sink = sum;
        (void)sink;
    }
    return 0;
}
