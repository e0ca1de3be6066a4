// make_pool_floor.cpp: draws the pool floor the program shows, light cast by surface ripples, and
// writes it as a 512x512 8-bit palette PNG. Usage: make-pool-floor OUTPUT.png
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int TILE = 128;  // the pattern repeats every TILE pixels in both directions
constexpr int REPEAT = 4;  // tiles across and down the picture
constexpr int SIZE = TILE * REPEAT;
constexpr int GRID = 5;            // light cells per tile side
constexpr double JITTER = 0.6;     // how far a cell centre may stray from its grid slot (0..1)
constexpr double WARP = 2.5;       // amplitude in pixels of the wobble that makes seams wavy
constexpr double ROUNDING = 10.0;  // borders closer than this (pixels) merge, rounding corners
constexpr double SEAM = 2.5;       // distance in pixels over which a seam fades into its cell
constexpr double GLOW = 7.0;       // reach of the faint halo around each seam

// Palette ends: dark cell floor and the brightest light on the seams.
constexpr std::array<int, 3> DARK = {3, 20, 42};
constexpr std::array<int, 3> BRIGHT = {16, 66, 120};

struct Point {
    double x, y;
};
using Centres = std::array<Point, std::size_t{GRID} * GRID>;

// SplitMix64: tiny and fully specified, so the picture is the same with any standard library.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)

  private:
    std::uint64_t state_;
};

// One cell centre per grid slot, jittered so the network looks irregular but the cells stay
// evenly sized.
Centres makeCentres() {
    Rng rng(0x5EEDF1002ULL);
    Centres centres{};
    const double slot = static_cast<double>(TILE) / GRID;
    for (int j = 0; j < GRID; ++j) {
        for (int i = 0; i < GRID; ++i) {
            const double jx = JITTER * (rng.unit() - 0.5);
            const double jy = JITTER * (rng.unit() - 0.5);
            centres[j * GRID + i] = {.x = (i + 0.5 + jx) * slot, .y = (j + 0.5 + jy) * slot};
        }
    }
    return centres;
}

// Shortest offset along one axis on the wrapped tile, so cells flow across the tile edges.
double wrap(double d) {
    d = std::fmod(d, static_cast<double>(TILE));
    if (d > TILE / 2.0) return d - TILE;
    if (d < -TILE / 2.0) return d + TILE;
    return d;
}

// A smooth periodic wave of period 1 (a parabolic sine). Built from plain arithmetic rather
// than std::sin, whose last bits differ between maths libraries.
double wave(double t) {
    const double u = 2.0 * (t - std::floor(t)) - 1.0;
    return 4.0 * u * (1.0 - std::fabs(u));
}

double smoothStep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Brightness 0..1 of the tile at (x, y). The pixel lies in the cell of its nearest centre;
// its distances to that cell's borders are merged so that near a corner two borders count
// together, which rounds the dark cell off, and the light fades with the merged distance.
double brightness(const Centres& centres, double x, double y) {
    // Integer frequencies keep the wobble periodic over the tile.
    const double wx = x + WARP * wave(2.0 * y / TILE + 0.13) + 0.5 * WARP * wave(3.0 * x / TILE);
    const double wy = y + WARP * wave(2.0 * x / TILE + 0.61) + 0.5 * WARP * wave(3.0 * y / TILE);

    std::array<Point, std::size_t{GRID} * GRID> offsets{};  // pixel minus each centre, wrapped
    std::size_t nearest = 0;
    for (std::size_t i = 0; i < centres.size(); ++i) {
        offsets[i] = {.x = wrap(wx - centres[i].x), .y = wrap(wy - centres[i].y)};
        const Point& o = offsets[i];
        const Point& n = offsets[nearest];
        if (o.x * o.x + o.y * o.y < n.x * n.x + n.y * n.y) nearest = i;
    }

    const Point& n = offsets[nearest];
    const double n2 = n.x * n.x + n.y * n.y;
    double closeness = 0.0;  // sum of 1/distance over the nearby borders
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (i == nearest) continue;
        // Distance to the bisector of the two centres, using the wrapped images the pixel
        // sees, so every border is a straight line on the torus.
        const Point& o = offsets[i];
        const double dx = n.x - o.x, dy = n.y - o.y;
        const double spacing = std::sqrt(dx * dx + dy * dy);
        const double d = std::max((o.x * o.x + o.y * o.y - n2) / (2.0 * spacing), 1e-6);
        // Minus 1/ROUNDING so far borders add nothing and the term starts at zero, smoothly.
        closeness += std::max(0.0, 1.0 / d - 1.0 / ROUNDING);
    }
    if (closeness == 0.0) return 0.0;  // deep inside a cell: no light
    const double border = 1.0 / closeness;
    const double core = 1.0 - smoothStep(0.0, SEAM, border);
    const double glow = 1.0 - smoothStep(0.0, GLOW, border);
    return 0.8 * core + 0.2 * glow;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pool-floor OUTPUT.png\n");
        return 1;
    }

    const Centres centres = makeCentres();
    std::vector<png_byte> tile(std::size_t{TILE} * TILE);
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            const double b = std::clamp(brightness(centres, x + 0.5, y + 0.5), 0.0, 1.0);
            tile[static_cast<std::size_t>(y) * TILE + static_cast<std::size_t>(x)] =
                static_cast<png_byte>(std::lround(b * 255.0));
        }
    }

    // Palette index is brightness: a ramp from the dark to the bright colour.
    std::array<png_byte, std::size_t{256} * 3> palette{};
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c) {
            palette[i * 3 + c] =
                static_cast<png_byte>(DARK[c] + ((BRIGHT[c] - DARK[c]) * i + 127) / 255);
        }
    }

    std::vector<png_byte> pixels(std::size_t{SIZE} * SIZE);
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            pixels[y * SIZE + x] = tile[(y % TILE) * TILE + x % TILE];
        }
    }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = SIZE;
    image.height = SIZE;
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = 256;
    // On failure libpng removes the partly written file, so no truncated picture is left.
    if (!png_image_write_to_file(&image, argv[1], 0, pixels.data(), SIZE, palette.data())) {
        std::fprintf(stderr, "make-pool-floor: cannot write %s: %s\n", argv[1], image.message);
        return 1;
    }
    return 0;
}
