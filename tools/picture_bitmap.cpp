// picture_bitmap.cpp: turns the palette PNG of the pool floor into the Windows program's bitmap
// resource (8 bits per pixel, 256-entry colour table, uncompressed, bottom row first) and a
// header with the checksum of the pixels libpng expands the PNG to, which the Windows tests
// compare with what the program decodes from the resource.
// Usage: picture-bitmap INPUT.png OUTPUT.bmp OUTPUT.hpp   (a host program, run at build time)
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const char* path) {
    std::fprintf(stderr, "picture-bitmap: %s: %s\n", path, what);
    std::exit(1);
}

// FNV-1a over 64 bits: small, fully specified, the same on every platform.
std::uint64_t checksum(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3ULL;
    return hash;
}

void put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value & 0xffffu);
    put16(out, value >> 16);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: picture-bitmap INPUT.png OUTPUT.bmp OUTPUT.hpp\n");
        return 2;
    }
    const char* input = argv[1];

    // The colour indices and the palette, as stored.
    FILE* file = std::fopen(input, "rb");
    if (file == nullptr) fail("cannot open", input);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (png == nullptr || info == nullptr) fail("out of memory", input);
    if (setjmp(png_jmpbuf(png))) fail("not a readable PNG", input);
    png_init_io(png, file);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE) {
        fail("not a palette picture (a bitmap of 256 colours needs one)", input);
    }
    if (width == 0 || height == 0 || width > 4096 || height > 4096)
        fail("size out of range", input);
    png_set_packing(png);  // one index per byte at any bit depth
    png_colorp palette = nullptr;
    int colours = 0;
    png_get_PLTE(png, info, &palette, &colours);
    png_bytep alpha = nullptr;
    int transparent = 0;
    if (png_get_tRNS(png, info, &alpha, &transparent, nullptr) != 0 && transparent > 0) {
        fail("has transparent colours, which a bitmap cannot carry", input);
    }
    png_read_update_info(png, info);
    const std::size_t stride = (width + 3u) & ~3u;  // bitmap rows are padded to 4 bytes
    std::vector<std::uint8_t> indices(stride * height);
    std::vector<png_bytep> rows(height);
    // The bottom row first, as the bitmap stores it.
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = &indices[(height - 1 - y) * stride];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);

    std::vector<std::uint8_t> bmp;
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    const auto imageBytes = static_cast<std::uint32_t>(indices.size());
    bmp.push_back('B');
    bmp.push_back('M');
    put32(bmp, offset + imageBytes);
    put32(bmp, 0);
    put32(bmp, offset);
    put32(bmp, 40);  // BITMAPINFOHEADER
    put32(bmp, width);
    put32(bmp, height);  // positive: bottom row first
    put16(bmp, 1);       // planes
    put16(bmp, 8);       // bits per pixel
    put32(bmp, 0);       // BI_RGB: uncompressed
    put32(bmp, imageBytes);
    put32(bmp, 2835);  // 72 dots per inch
    put32(bmp, 2835);
    put32(bmp, 256);  // colours used
    put32(bmp, 0);
    for (int i = 0; i < 256; ++i) {
        const png_color c = i < colours ? palette[i] : png_color{0, 0, 0};
        bmp.insert(bmp.end(), {c.blue, c.green, c.red, 0});
    }
    bmp.insert(bmp.end(), indices.begin(), indices.end());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);

    // The pixels libpng's own expansion gives, red, green, blue, bottom row first: what the
    // Linux program shows.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, input) == 0) fail("not a readable PNG", input);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
    if (png_image_finish_read(&image, nullptr, rgb.data(), -static_cast<png_int_32>(width * 3),
                              nullptr) == 0) {
        fail("damaged PNG data", input);
    }

    FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr || std::fwrite(bmp.data(), 1, bmp.size(), out) != bmp.size() ||
        std::fclose(out) != 0) {
        fail("cannot write", argv[2]);
    }
    out = std::fopen(argv[3], "w");
    if (out == nullptr) fail("cannot write", argv[3]);
    std::fprintf(out,
                 "// Generated from %s at build time by picture-bitmap; do not edit.\n"
                 "#pragma once\n\n#include <cstdint>\n\n"
                 "namespace resources {\n\n"
                 "// The picture's size, and the FNV-1a checksum of its red, green and blue\n"
                 "// bytes, bottom row first, as libpng expands the PNG.\n"
                 "inline constexpr int expectedPictureWidth = %u;\n"
                 "inline constexpr int expectedPictureHeight = %u;\n"
                 "inline constexpr std::uint64_t expectedPictureChecksum = 0x%016llxULL;\n\n"
                 "}  // namespace resources\n",
                 input, static_cast<unsigned>(width), static_cast<unsigned>(height),
                 static_cast<unsigned long long>(checksum(rgb)));
    if (std::fclose(out) != 0) fail("cannot write", argv[3]);
    return 0;
}
