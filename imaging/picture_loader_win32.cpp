// picture_loader_win32.cpp: the picture as bitmap resource 104 of the executable, decoded by
// the system's drawing interface into red, green, blue, fourth-byte pixels, bottom row first.

#include <windows.h>

#include <memory>
#include <utility>

#include "common/buffer.hpp"
#include "imaging/picture_loader.hpp"

namespace imaging {

namespace {

constexpr WORD PICTURE_RESOURCE = 104;

struct BitmapDeleter {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

}  // namespace

const char* loadEmbeddedPicture(DecodedPicture& picture) {
    picture = DecodedPicture{};
    // A DIB section keeps the resource's own 256 colours. LoadBitmapW would convert the bitmap
    // to the screen's format, and on a 16-bit display every colour would lose its low bits.
    const Bitmap bitmap(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                        MAKEINTRESOURCEW(PICTURE_RESOURCE),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) return "bitmap resource 104 is missing or not a bitmap";
    BITMAP shape{};
    if (GetObjectW(bitmap.get(), sizeof shape, &shape) == 0) return "the bitmap cannot be read";
    // A top-down bitmap reports a negative height in some versions of the system.
    const int width = shape.bmWidth;
    const int height = shape.bmHeight < 0 ? -shape.bmHeight : shape.bmHeight;
    if (width <= 0 || height <= 0 || width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE) {
        return "picture size out of range";
    }

    // 32 bits per pixel, bottom row first: blue, green, red, fourth byte.
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const std::size_t bytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    auto pixels = common::allocateOrDie<std::uint8_t>(bytes, "the source picture");
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return "no drawing context for decoding the bitmap";
    const int rows = GetDIBits(dc.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.get(),
                               &format, DIB_RGB_COLORS);
    if (rows != height) return "the bitmap cannot be decoded";

    // Blue and red change places: the texture takes red first.
    for (std::size_t i = 0; i < bytes; i += 4) std::swap(pixels[i], pixels[i + 2]);
    picture.width = width;
    picture.height = height;
    picture.pixels = std::move(pixels);
    return nullptr;
}

}  // namespace imaging
