// webp_animation.cpp: the libwebp calls behind webp_animation.hpp.

#include "tests/harness/webp_animation.hpp"

#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace e2e {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

}  // namespace

WebpAnimationWriter::WebpAnimationWriter(int width, int height, float quality)
    : width_(width), height_(height), quality_(quality) {
    if (width <= 0 || height <= 0 || width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION) {
        fail("an animation of " + std::to_string(width) + " x " + std::to_string(height));
    }
}

void WebpAnimationWriter::add(const Frame& frame, int timestampMs) {
    if (frame.width != width_ || frame.height != height_) {
        fail("a frame of " + std::to_string(frame.width) + " x " + std::to_string(frame.height) +
             " in an animation of " + std::to_string(width_) + " x " + std::to_string(height_));
    }
    if (timestampMs <= lastTimestampMs_) fail("frame timestamps must increase");

    WebPConfig config{};
    if (WebPConfigInit(&config) == 0) fail("libwebp: version mismatch");
    config.quality = quality_;
    config.method = 4;
    WebPPicture picture{};
    if (WebPPictureInit(&picture) == 0) fail("libwebp: version mismatch");
    picture.width = width_;
    picture.height = height_;
    WebPMemoryWriter memory;
    WebPMemoryWriterInit(&memory);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory;
    static_assert(sizeof(Rgb) == 3, "frames are imported as packed RGB");
    const bool imported =
        WebPPictureImportRGB(&picture, reinterpret_cast<const std::uint8_t*>(frame.pixels.data()),
                             width_ * 3) != 0;
    const bool encoded = imported && WebPEncode(&config, &picture) != 0;
    const WebPEncodingError error = picture.error_code;
    WebPPictureFree(&picture);
    if (encoded) encoded_.emplace_back(memory.mem, memory.mem + memory.size);
    WebPMemoryWriterClear(&memory);
    if (!encoded) fail("libwebp: cannot encode a frame (error " + std::to_string(error) + ")");
    startsMs_.push_back(timestampMs);
    lastTimestampMs_ = timestampMs;
}

std::size_t WebpAnimationWriter::write(int endMs, const std::string& path) {
    if (encoded_.empty()) fail("an animation needs a frame");
    if (endMs <= lastTimestampMs_) fail("the animation must end after its last frame");
    const std::unique_ptr<WebPMux, void (*)(WebPMux*)> mux(WebPMuxNew(), WebPMuxDelete);
    if (!mux) fail("libwebp: cannot create a muxer");
    for (std::size_t i = 0; i < encoded_.size(); ++i) {
        WebPMuxFrameInfo info{};
        info.bitstream = {.bytes = encoded_[i].data(), .size = encoded_[i].size()};
        info.duration = (i + 1 < startsMs_.size() ? startsMs_[i + 1] : endMs) - startsMs_[i];
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_NO_BLEND;
        if (WebPMuxPushFrame(mux.get(), &info, 0) != WEBP_MUX_OK)
            fail("libwebp: cannot add a frame");
    }
    const WebPMuxAnimParams loopForever{0xFF000000U, 0};
    WebPData data;
    WebPDataInit(&data);
    if (WebPMuxSetAnimationParams(mux.get(), &loopForever) != WEBP_MUX_OK ||
        WebPMuxAssemble(mux.get(), &data) != WEBP_MUX_OK) {
        fail("libwebp: cannot assemble the animation");
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written =
        file != nullptr && std::fwrite(data.bytes, 1, data.size, file) == data.size;
    const bool closed = file != nullptr && std::fclose(file) == 0;
    const std::size_t size = data.size;
    WebPDataClear(&data);
    if (!written || !closed) fail("cannot write " + path);
    return size;
}

DecodedAnimation readWebpAnimation(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) fail("cannot open " + path);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    const WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoderOptions options{};
    if (WebPAnimDecoderOptionsInit(&options) == 0) fail("libwebp: version mismatch");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder(
        WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
    if (!decoder) fail(path + " is not a WebP file libwebp can decode");

    DecodedAnimation animation;
    WebPAnimInfo info{};
    if (WebPAnimDecoderGetInfo(decoder.get(), &info) == 0) {
        fail("libwebp: no animation info in " + path);
    }
    animation.width = static_cast<int>(info.canvas_width);
    animation.height = static_cast<int>(info.canvas_height);
    animation.loopCount = static_cast<int>(info.loop_count);
    while (WebPAnimDecoderHasMoreFrames(decoder.get()) != 0) {
        std::uint8_t* rgba = nullptr;
        int timestamp = 0;
        if (WebPAnimDecoderGetNext(decoder.get(), &rgba, &timestamp) == 0) {
            fail("libwebp: a corrupt frame in " + path);
        }
        Frame frame{.width = animation.width, .height = animation.height, .pixels = {}};
        const std::size_t count =
            static_cast<std::size_t>(animation.width) * static_cast<std::size_t>(animation.height);
        frame.pixels.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            frame.pixels.push_back({rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]});
        }
        animation.frames.push_back(std::move(frame));
        animation.endTimestampsMs.push_back(timestamp);
    }
    return animation;
}

}  // namespace e2e
