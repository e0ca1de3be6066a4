// pointer_mapping.hpp: which cell of the field lies under the pointer. No GLUT here; tests
// and the pointer fuzzer call it directly.
#pragma once

#include <optional>

namespace app {

struct Cell {
    int column;
    int row;  // counted from the bottom of the picture
};

// The field cell under a pointer at window pixel (x, y), or nothing when the pointer is
// outside the picture or the window has no area. Any cell returned lies inside the field.
std::optional<Cell> pointerCell(int x, int y, int windowWidth, int windowHeight, int imageWidth,
                                int imageHeight);

}  // namespace app
