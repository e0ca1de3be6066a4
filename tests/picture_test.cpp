// picture_test.cpp: decoding pictures, and the pool-floor picture the program carries.

#include "imaging/picture.hpp"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <vector>

#include "common/buffer.hpp"
#include "imaging/picture_decoder.hpp"
#include "resources/embedded_picture.hpp"

namespace {

// Encodes top-down RGB pixels as a PNG in memory.
std::vector<std::uint8_t> encodePng(int width, int height, const std::vector<std::uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    EXPECT_NE(png_image_write_get_memory_size(image, size, 0, rgb.data(), 0, nullptr), 0);
    std::vector<std::uint8_t> png(size);
    EXPECT_NE(png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr), 0);
    png.resize(size);
    return png;
}

TEST(PictureDecoder, GivesRedGreenBlueWithTheBottomRowFirst) {
    // Top row: (1,2,3) (4,5,6); bottom row: (7,8,9) (10,11,12).
    const auto png = encodePng(2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    imaging::DecodedPicture picture;
    ASSERT_EQ(imaging::decodePicture(png.data(), png.size(), picture), nullptr);
    ASSERT_EQ(picture.width, 2);
    ASSERT_EQ(picture.height, 2);
    const std::uint8_t* p = picture.pixels.get();
    const std::uint8_t expected[][3] = {{7, 8, 9}, {10, 11, 12}, {1, 2, 3}, {4, 5, 6}};
    for (int i = 0; i < 4; ++i) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(p[(i * 4) + c], expected[i][c]) << i << "/" << c;
    }
}

TEST(PictureDecoder, RefusesDamagedAndOversizedPicturesWithAReason) {
    imaging::DecodedPicture picture;
    EXPECT_STREQ(imaging::decodePicture(nullptr, 0, picture), "no picture data");
    const std::uint8_t garbage[] = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    EXPECT_NE(imaging::decodePicture(garbage, sizeof garbage, picture), nullptr);

    std::vector<std::uint8_t> rgb(std::size_t{64} * 64 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 31);
    const auto png = encodePng(64, 64, rgb);
    // Cut short inside the image data: the header reads, the pixels do not.
    EXPECT_NE(imaging::decodePicture(png.data(), png.size() / 2, picture), nullptr);
    EXPECT_EQ(picture.pixels, nullptr);
    EXPECT_EQ(picture.width, 0);

    const auto wide =
        encodePng(imaging::MAX_PICTURE_SIDE + 1, 1,
                  std::vector<std::uint8_t>(std::size_t{imaging::MAX_PICTURE_SIDE + 1} * 3));
    EXPECT_STREQ(imaging::decodePicture(wide.data(), wide.size(), picture),
                 "picture size out of range");
}

TEST(PoolFloorPicture, Is512SquareOfDarkBlueTilesRepeatedFourByFour) {
    imaging::loadPicture();
    ASSERT_EQ(imaging::imageWidth(), 512);
    ASSERT_EQ(imaging::imageHeight(), 512);
    const std::uint8_t* p = imaging::sourcePixels();
    int darkest = 255, brightest = 0;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const std::uint8_t* px = p + (static_cast<std::ptrdiff_t>((y * 512) + x) * 4);
            ASSERT_TRUE(px[0] >= 3 && px[0] <= 16) << x << "," << y;
            ASSERT_TRUE(px[1] >= 19 && px[1] <= 66) << x << "," << y;
            ASSERT_TRUE(px[2] >= 39 && px[2] <= 120) << x << "," << y;
            const std::uint8_t* tile =
                p + (static_cast<std::ptrdiff_t>(((y % 128) * 512) + (x % 128)) * 4);
            ASSERT_TRUE(std::equal(px, px + 3, tile)) << x << "," << y;
            darkest = std::min<int>(darkest, px[2]);
            brightest = std::max<int>(brightest, px[2]);
        }
    }
    EXPECT_GT(brightest - darkest, 40);  // light seams on dark cells, not a flat colour
    // The output picture's fourth byte is defined from the start.
    for (int i = 0; i < 512 * 512; ++i) ASSERT_EQ(imaging::outputPixels()[(i * 4) + 3], 0);
    imaging::releasePictures();
    EXPECT_EQ(imaging::sourcePixels(), nullptr);
}

// Death tests need a child process, which a WebAssembly build under Node cannot start.
#ifdef GTEST_HAS_DEATH_TEST
// The buffer escapes through a volatile pointer: clang may otherwise drop a malloc whose
// memory is only freed again, and with it the failure.
std::int16_t* volatile escapedBuffer = nullptr;

TEST(FailureDeathTest, AnImpossibleAllocationEndsTheProgramWithAClearMessage) {
    // Under AddressSanitizer its own warning comes first; the program adds exactly one line.
    EXPECT_EXIT(
        escapedBuffer =
            common::allocateOrDie<std::int16_t>(static_cast<std::size_t>(-1) / 4, "a test").get(),
        ::testing::ExitedWithCode(1),
        "(^|\n)ravelle: cannot allocate [0-9]+ x 2 bytes for a test\n$");
}
#endif

}  // namespace
