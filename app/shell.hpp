// shell.hpp: the application shell's constants and the plain computations behind its
// callbacks: where the picture sits in the window, when enough time has passed, and which
// cell of the field lies under the pointer. No GLUT here; tests call these directly.
#pragma once

#include <cstdint>
#include <optional>

namespace app {

inline constexpr const char* PROGRAM_NAME = "Ravelle";
inline constexpr int WINDOW_SIZE = 800;  // width and height at start, in pixels
inline constexpr std::int32_t STEP_INTERVAL_MS = 40;
inline constexpr int RAIN_DROPS_PER_STEP = 4;
inline constexpr double PICTURE_SHARE = 0.75;  // of the window's width and height
inline constexpr std::int32_t POINTER_INTERVAL_MS = 30;

// True when more than `intervalMs` milliseconds lie between `stamp` and `now`. The clock is
// a signed 32-bit millisecond count; the difference is taken with wrap-around, so pacing
// keeps working when the count passes 2^31.
inline bool hasMoreThanPassed(std::int32_t now, std::int32_t stamp, std::int32_t intervalMs) {
    const auto elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                   static_cast<std::uint32_t>(stamp));
    return elapsed > intervalMs;
}

// The picture's on-screen rectangle in window pixels, origin top-left, y downwards.
struct PictureQuad {
    int x0;
    int y0;
    int width;
    int height;
};

// Centres a rectangle three quarters of the window's width and height (for a square
// picture; a wider one is made lower, a taller one narrower), truncated to whole pixels.
PictureQuad layoutPictureQuad(int windowWidth, int windowHeight, int imageWidth, int imageHeight);

struct Cell {
    int column;
    int row;  // counted from the bottom of the picture
};

// The field cell under a pointer at window pixel (x, y), or nothing when the pointer is
// outside the picture or the window has no area. Any cell returned lies inside the field.
std::optional<Cell> pointerCell(int x, int y, int windowWidth, int windowHeight, int imageWidth,
                                int imageHeight);

}  // namespace app
