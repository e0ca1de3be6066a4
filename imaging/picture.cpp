// picture.cpp: module state for the source and output pictures, and the refraction
// operation the frame loop calls after each wave step.

#include "imaging/picture.hpp"

#include <algorithm>
#include <cstddef>
#include <memory>

#include "common/buffer.hpp"
#include "common/fatal.hpp"
#include "imaging/picture_loader.hpp"
#include "imaging/refraction_kernel.hpp"

namespace imaging {

namespace {

struct PictureState {
    int width = 0;                        // imageWidth: set once from the embedded picture
    int height = 0;                       // imageHeight
    common::Buffer<std::uint8_t> source;  // read-only after loading
    common::Buffer<std::uint8_t> output;  // rewritten by every refraction
};
PictureState state;

}  // namespace

void loadPicture() {
    DecodedPicture picture;
    if (const char* problem = loadEmbeddedPicture(picture)) {
        common::fatal("cannot decode the embedded pool-floor picture: %s", problem);
    }
    const std::size_t bytes =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4;
    state.output = common::allocateOrDie<std::uint8_t>(bytes, "the output picture");
    // The refraction never writes the fourth byte; clearing it once keeps it defined.
    std::fill_n(state.output.get(), bytes, std::uint8_t{0});
    state.source = std::move(picture.pixels);
    state.width = picture.width;
    state.height = picture.height;
}

void renderRefraction(const std::int16_t* field) {
    refract(field, state.source.get(), state.output.get(), state.width, state.height);
}

void releasePictures() {
    state.source.reset();
    state.output.reset();
}

int imageWidth() {
    return state.width;
}
int imageHeight() {
    return state.height;
}
const std::uint8_t* sourcePixels() {
    return state.source.get();
}
const std::uint8_t* outputPixels() {
    return state.output.get();
}

}  // namespace imaging
