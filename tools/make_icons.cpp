// make_icons.cpp: draws the program's icon, the embedded pool floor seen through one ripple, with
// the program's own wave step and refraction, and writes it at every hicolor size as RGBA PNGs.
// Usage: make-icons OUTPUT_DIR   (writes OUTPUT_DIR/ravelle-<size>.png)
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "imaging/picture.hpp"
#include "imaging/refraction_kernel.hpp"
#include "sim/wave_kernel.hpp"

namespace {

constexpr int SIZES[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int CROP = 256;          // the square of the picture the icon shows, in pixels
constexpr int STEPS = 110;         // wave steps after the drop: the ring then spans most of CROP
constexpr int DROP_RADIUS = 8;     // cells: a wide drop makes one smooth ring rather than a speckle
constexpr int DROP_HEIGHT = 6000;  // the drop's height at its centre
constexpr double CORNER = 0.16;    // corner radius as a fraction of the icon's side

// The field after one round drop in the centre of a width x height picture has spread.
std::vector<std::int16_t> rippledField(int width, int height) {
    const auto cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::int16_t> latest(cells, 0);
    std::vector<std::int16_t> previous(cells, 0);
    for (int dy = -DROP_RADIUS; dy <= DROP_RADIUS; ++dy) {
        for (int dx = -DROP_RADIUS; dx <= DROP_RADIUS; ++dx) {
            const double r = std::hypot(dx, dy) / DROP_RADIUS;
            if (r > 1.0) continue;
            // A smooth cap, highest in the middle, so the ring has no sharp inner edges.
            const double lift = 0.5 * (1.0 + std::cos(r * std::numbers::pi));
            sim::addToCell(latest.data(), width, width / 2 + dx, height / 2 + dy,
                           static_cast<int>(std::lround(DROP_HEIGHT * lift)));
        }
    }
    for (int step = 0; step < STEPS; ++step) {
        sim::waveStep(latest.data(), previous.data(), width, height);
        std::swap(latest, previous);
    }
    return latest;
}

// The first of the four bytes (or channels) of pixel (x, y) in a picture `width` pixels wide.
std::size_t channelsAt(int x, int y, int width) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(x)) *
           4;
}

// RGBA, top row first.
struct Image {
    int size = 0;
    std::vector<double> rgba;  // 0..255 per channel
};

// The CROP x CROP square around the picture's centre, turned top row first (the picture's
// rows run from the bottom, as OpenGL wants them).
Image centreSquare(const std::uint8_t* pixels, int width, int height) {
    Image out{.size = CROP, .rgba = std::vector<double>(channelsAt(0, CROP, CROP))};
    const int x0 = (width - CROP) / 2;
    const int y0 = (height - CROP) / 2;
    for (int y = 0; y < CROP; ++y) {
        const int row = y0 + CROP - 1 - y;
        for (int x = 0; x < CROP; ++x) {
            const std::uint8_t* p = pixels + channelsAt(x0 + x, row, width);
            double* q = &out.rgba[channelsAt(x, y, CROP)];
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
            q[3] = 255.0;
        }
    }
    return out;
}

// Area-averaged resampling to size x size: every output pixel is the mean of the source area
// it covers, partly covered source pixels weighted by the part they contribute.
Image resample(const Image& in, int size) {
    Image out{.size = size, .rgba = std::vector<double>(channelsAt(0, size, size), 0.0)};
    const double scale = static_cast<double>(in.size) / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double sum[4] = {};
            double weight = 0.0;
            const double sy0 = y * scale;
            const double sx0 = x * scale;
            for (int sy = static_cast<int>(sy0); sy < in.size && sy < sy0 + scale; ++sy) {
                const double wy = std::min(sy + 1.0, sy0 + scale) - std::max<double>(sy, sy0);
                for (int sx = static_cast<int>(sx0); sx < in.size && sx < sx0 + scale; ++sx) {
                    const double w =
                        wy * (std::min(sx + 1.0, sx0 + scale) - std::max<double>(sx, sx0));
                    const double* p = &in.rgba[channelsAt(sx, sy, in.size)];
                    for (int c = 0; c < 4; ++c) sum[c] += w * p[c];
                    weight += w;
                }
            }
            double* q = &out.rgba[channelsAt(x, y, size)];
            for (int c = 0; c < 4; ++c) q[c] = sum[c] / weight;
        }
    }
    return out;
}

// Rounds the square's corners: the alpha of each pixel is the share of it inside the rounded
// square, sampled 4 x 4 times, so the edge is smooth at every size.
void roundCorners(Image& image) {
    const double radius = CORNER * image.size;
    for (int y = 0; y < image.size; ++y) {
        for (int x = 0; x < image.size; ++x) {
            int inside = 0;
            for (int s = 0; s < 16; ++s) {
                const int column = s % 4;
                const int row = s / 4;
                const double px = x + (column + 0.5) / 4.0;
                const double py = y + (row + 0.5) / 4.0;
                const double dx = std::max({0.0, radius - px, px - (image.size - radius)});
                const double dy = std::max({0.0, radius - py, py - (image.size - radius)});
                inside += dx * dx + dy * dy <= radius * radius;
            }
            image.rgba[channelsAt(x, y, image.size) + 3] *= inside / 16.0;
        }
    }
}

bool writePng(const Image& image, const std::string& path) {
    std::vector<png_byte> bytes(image.rgba.size());
    std::transform(image.rgba.begin(), image.rgba.end(), bytes.begin(), [](double v) {
        return static_cast<png_byte>(std::clamp(std::lround(v), 0L, 255L));
    });
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.size);
    png.height = static_cast<png_uint_32>(image.size);
    png.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "make-icons: cannot write %s: %s\n", path.c_str(), png.message);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons OUTPUT_DIR\n");
        return 2;
    }
    imaging::loadPicture();
    const int width = imaging::imageWidth();
    const int height = imaging::imageHeight();
    if (width < CROP || height < CROP) {
        std::fprintf(stderr, "make-icons: the picture is smaller than %d x %d\n", CROP, CROP);
        return 1;
    }
    const std::vector<std::int16_t> field = rippledField(width, height);
    const std::uint8_t* source = imaging::sourcePixels();
    std::vector<std::uint8_t> refracted(source, source + channelsAt(0, height, width));
    imaging::refract(field.data(), source, refracted.data(), width, height);
    const Image square = centreSquare(refracted.data(), width, height);
    imaging::releasePictures();

    for (const int size : SIZES) {
        Image icon = resample(square, size);
        roundCorners(icon);
        if (!writePng(icon, std::string(argv[1]) + "/ravelle-" + std::to_string(size) + ".png")) {
            return 1;
        }
    }
    return 0;
}
