// replay_main.cpp: runs the water and the refraction without a window, for comparing builds.
// Usage: ravelle-replay STEPS SEED OUTPUT
// Loads the embedded picture, seeds the surface, and runs STEPS steps as the frame loop does
// (step, refract, flip, rain), with a pointer drop every few steps; then writes the latest
// field, the output picture and the decoded picture's red, green and blue to OUTPUT. Equal
// arguments must give equal files whatever the build, the platform and the number of threads.
// (The decoded picture's fourth byte is not written: nothing reads it, and the platforms'
// decoders leave different values there.)

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/picture.hpp"
#include "sim/waves.hpp"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s STEPS SEED OUTPUT\n", argv[0]);
        return 2;
    }
    const long steps = std::strtol(argv[1], nullptr, 10);
    const auto seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    imaging::loadPicture();
    const int width = imaging::imageWidth();
    const int height = imaging::imageHeight();
    sim::initWaves(width, height, seed);
    for (long step = 0; step < steps; ++step) {
        sim::stepWaves();
        imaging::renderRefraction(sim::stepOutput());
        sim::flipPhase();
        for (int i = 0; i < 4; ++i) sim::addRandomDrop();
        if (step % 3 == 0)
            sim::addDrop(static_cast<int>(step * 7 % width), static_cast<int>(step * 13 % height));
    }
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], argv[3], std::strerror(errno));
        return 1;
    }
    const auto cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    bool written = std::fwrite(sim::latestField(), 2, cells, out) == cells &&
                   std::fwrite(imaging::outputPixels(), 4, cells, out) == cells;
    for (std::size_t cell = 0; cell < cells && written; ++cell) {
        written = std::fwrite(imaging::sourcePixels() + (cell * 4), 1, 3, out) == 3;
    }
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
