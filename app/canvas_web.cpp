// canvas_web.cpp: in a browser the page's canvas is the window, and the page (index.html)
// calls in here: to give the window the size it laid the canvas out at, and to stir the water
// under a finger on the canvas, as pointer motion does. Both are exported to the page by
// cmake/platform-web.cmake.

#include <GL/freeglut.h>

#include <cmath>

#include "app/callbacks.hpp"

namespace {

// Beyond any drawing buffer a browser grants (WebGL's limits stop near 16384).
constexpr int LARGEST_WINDOW = 16384;
// A finger dragged off the canvas keeps reporting; anything further out than this is not a
// position at all (and would not fit an int).
constexpr double FARTHEST_TOUCH = 1.0e6;

}  // namespace

extern "C" {

// The window becomes width x height pixels (the canvas's drawing buffer), and the program
// hears of it through its reshape callback, as a desktop window's resizing does. A size the
// page could not mean is ignored.
void ravelle_resize_window(int width, int height) {
    if (width < 1 || height < 1 || width > LARGEST_WINDOW || height > LARGEST_WINDOW) return;
    if (width == glutGet(GLUT_WINDOW_WIDTH) && height == glutGet(GLUT_WINDOW_HEIGHT)) return;
    glutReshapeWindow(width, height);
}

// A finger at (x, y) in window pixels, from the canvas's top-left corner, fractions
// included: the pointer's rule (the interval between drops, the cell under it) decides.
void ravelle_touch(double x, double y) {
    // Written so that NaN fails too.
    if (!(std::fabs(x) < FARTHEST_TOUCH && std::fabs(y) < FARTHEST_TOUCH)) return;
    app::onPointerMotion(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

}  // extern "C"
