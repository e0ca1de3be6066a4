// picture_loader_win32_test.cpp: the Windows program's own picture. Bitmap resource 104
// decodes to exactly the pixels of resources/pool_floor.png at the display's depth
// (scripts/test-windows.sh runs this at 16 and 24 bits too).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/picture_loader.hpp"
#include "resources/expected_picture.hpp"

namespace {

int screenBitsPerPixel() {
    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return depth;
}

// Sets the display to a mode of the given depth from the modes Windows lists, as a user's
// display settings would, for as long as the test runs: ChangeDisplaySettings's result, or
// DISP_CHANGE_BADMODE when no listed mode has that depth. Wine 10 reports 32 bits on an X
// screen of 16, and refuses its listed 16-bit modes.
LONG switchDisplayTo(int bitsPerPixel) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; EnumDisplaySettingsW(nullptr, i, &mode) != 0; ++i) {
        if (mode.dmBitsPerPel == static_cast<DWORD>(bitsPerPixel)) {
            return ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN);
        }
    }
    return DISP_CHANGE_BADMODE;
}

TEST(BitmapResource, DecodesToThePixelsOfThePngAtTheDisplaysDepth) {
    // The display the test was started for, when it was: the point is an unlike display.
    bool switched = false;
    if (const char* expected = std::getenv("RAVELLE_EXPECT_BITS_PER_PIXEL")) {
        const int bits = std::stoi(expected);
        if (screenBitsPerPixel() != bits) {
            if (const LONG result = switchDisplayTo(bits); result != DISP_CHANGE_SUCCESSFUL) {
                GTEST_SKIP() << "this Windows gives no display of " << bits
                             << " bits per pixel (ChangeDisplaySettings: " << result << ")";
            }
            switched = true;
        }
        ASSERT_EQ(screenBitsPerPixel(), bits) << "the display is not at the asked depth";
    }
    std::printf("display: %d bits per pixel\n", screenBitsPerPixel());

    imaging::DecodedPicture picture;
    ASSERT_EQ(imaging::loadEmbeddedPicture(picture), nullptr);
    ASSERT_EQ(picture.width, resources::expectedPictureWidth);
    ASSERT_EQ(picture.height, resources::expectedPictureHeight);
    const std::size_t count =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a, as picture-bitmap computes it
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t channel = 0; channel < 3; ++channel) {
            hash = (hash ^ picture.pixels[i * 4 + channel]) * 0x100000001b3ULL;
        }
    }
    EXPECT_EQ(hash, resources::expectedPictureChecksum)
        << "bottom-left pixel " << int{picture.pixels[0]} << "," << int{picture.pixels[1]} << ","
        << int{picture.pixels[2]};
    // Red comes first: the floor is dark blue, so blue is the largest channel everywhere.
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_GT(picture.pixels[i * 4 + 2], picture.pixels[i * 4]) << "pixel " << i;
    }
    if (switched) {
        ChangeDisplaySettingsW(nullptr, 0);  // back to the registry's settings
    }
}

}  // namespace
