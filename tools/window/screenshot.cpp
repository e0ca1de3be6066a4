// screenshot.cpp: runs the program in a private Xvfb, stirs the water for two seconds and
// writes the 800 x 800 window as a PNG. Usage: ravelle-screenshot PROGRAM OUTPUT.png
#include <png.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/harness/harness.hpp"

namespace {

void writePng(const e2e::Frame& frame, const char* path) {
    static_assert(sizeof(e2e::Rgb) == 3, "rows are written as packed RGB");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(frame.width);
    image.height = static_cast<png_uint_32>(frame.height);
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path, 0, frame.pixels.data(), 0, nullptr) == 0) {
        throw std::runtime_error(std::string("cannot write ") + path + ": " + image.message);
    }
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
