// screenshot.cpp: runs the program in a private Xvfb, stirs the water for two seconds and
// writes the 800 x 800 window as a PNG. Usage: ravelle-screenshot PROGRAM OUTPUT.png
#include <png.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/e2e/harness.hpp"

namespace {

void writePng(const e2e::Frame& frame, const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) throw std::runtime_error(std::string("cannot write ") + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    // libpng reports errors by longjmp; nothing here needs unwinding, only closing the file.
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error(std::string("libpng failed writing ") + path);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width),
                 static_cast<png_uint_32>(frame.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    static_assert(sizeof(e2e::Rgb) == 3, "rows are written as packed RGB");
    for (int y = 0; y < frame.height; ++y) {
        png_write_row(png, reinterpret_cast<png_const_bytep>(&frame.at(0, y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) throw std::runtime_error(std::string("cannot write ") + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: ravelle-screenshot PROGRAM OUTPUT.png\n", stderr);
        return 2;
    }
    using namespace e2e;
    try {
        armWatchdog(60s);
        Session session(argv[1]);
        session.move(50, 50);
        // Two circles around the picture's upper left, then a moment for the rings to spread.
        const auto end = Clock::now() + 2s;
        for (int i = 0; Clock::now() < end; ++i) {
            const double angle = i * 0.05;
            session.movePointer(300 + static_cast<int>(60 * std::cos(angle)),
                                300 + static_cast<int>(60 * std::sin(angle)));
            std::this_thread::sleep_for(10ms);
        }
        session.movePointer(-20, -20);  // out of the window, so no cursor is captured
        std::this_thread::sleep_for(300ms);
        writePng(session.freshCapture(), argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ravelle-screenshot: %s\n", error.what());
        return 1;
    }
    return 0;
}
