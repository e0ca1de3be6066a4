// replay_main.cpp: runs the program's own step without a window, for comparing builds.
// Usage: ravelle-replay STEPS SEED OUTPUT
// Loads the embedded picture, seeds the surface, and runs STEPS steps of app::runStep (the
// frame loop's step: wave step, refraction, flip, rain), with a pointer drop every few steps;
// then writes the latest field, the output picture and the decoded picture's red, green and
// blue to OUTPUT. Equal arguments must give equal files whatever the build, the platform and
// the number of threads: rand() is the test's own (portable_rand.cpp), so every system rains
// the same drops. (The decoded picture's fourth byte is not written: nothing reads it, and the
// platforms' decoders leave different values there.)
//
// The replay also knows what the surface and the picture must be after REPLAY_STEPS steps
// from REPLAY_SEED: run with those arguments, it fails when either digest differs, so a change
// that shifts every build the same way still fails a test.

#include <cerrno>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/step.hpp"
#include "imaging/picture.hpp"
#include "sim/waves.hpp"

namespace {

// The committed result: 600 steps from seed 2024, the run that ctest and the cross-build
// scripts (scripts/test-aarch64.sh, test-windows.sh, test-web.sh) make on every platform.
constexpr long REPLAY_STEPS = 600;
constexpr unsigned REPLAY_SEED = 2024;
constexpr std::uint64_t SURFACE_DIGEST = 0xf70c53de4b6ca90eULL;
constexpr std::uint64_t PICTURE_DIGEST = 0x40db4ef3b2884a38ULL;

// FNV-1a over bytes, 64 bits.
class Digest {
  public:
    void add(std::uint8_t byte) { value_ = (value_ ^ byte) * 0x100000001b3ULL; }
    std::uint64_t value() const { return value_; }

  private:
    std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

// The surface's heights as little-endian bytes, whatever the machine's byte order.
std::uint64_t surfaceDigest(const std::int16_t* field, std::size_t cells) {
    Digest digest;
    for (std::size_t i = 0; i < cells; ++i) {
        const auto bits = static_cast<std::uint16_t>(field[i]);
        digest.add(static_cast<std::uint8_t>(bits & 0xffu));
        digest.add(static_cast<std::uint8_t>(bits >> 8u));
    }
    return digest.value();
}

std::uint64_t pictureDigest(const std::uint8_t* pixels, std::size_t cells) {
    Digest digest;
    for (std::size_t i = 0; i < cells * 4; ++i) digest.add(pixels[i]);
    return digest.value();
}

// True when the digests are the committed ones; says which differs otherwise.
bool matchesCommittedDigests(const char* program, std::size_t cells) {
    const std::uint64_t surface = surfaceDigest(sim::latestField(), cells);
    const std::uint64_t picture = pictureDigest(imaging::outputPixels(), cells);
    bool same = true;
    if (surface != SURFACE_DIGEST) {
        std::fprintf(stderr, "%s: surface digest %016" PRIx64 ", committed %016" PRIx64 "\n",
                     program, surface, SURFACE_DIGEST);
        same = false;
    }
    if (picture != PICTURE_DIGEST) {
        std::fprintf(stderr, "%s: picture digest %016" PRIx64 ", committed %016" PRIx64 "\n",
                     program, picture, PICTURE_DIGEST);
        same = false;
    }
    return same;
}

}  // namespace

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
        app::runStep();
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
    if (steps == REPLAY_STEPS && seed == REPLAY_SEED && !matchesCommittedDigests(argv[0], cells)) {
        return 1;
    }
    return 0;
}
