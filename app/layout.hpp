// layout.hpp: where the picture sits in the window. No GLUT here; tests call it directly.
#pragma once

namespace app {

inline constexpr int WINDOW_SIZE = 800;        // width and height at start, in pixels
inline constexpr double PICTURE_SHARE = 0.75;  // of the window's width and height

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

// Width and height divisors that keep the picture's aspect: kx > 1 narrows a tall picture,
// ky > 1 lowers a wide one. Single precision, as the layout has always been computed; the
// pointer mapping (pointer_mapping.hpp) inverts the layout with the same factors.
struct AspectFactors {
    float kx;
    float ky;
};
AspectFactors aspectFactors(int imageWidth, int imageHeight);

}  // namespace app
