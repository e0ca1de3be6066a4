// embedded_picture.hpp: the pool-floor picture's PNG bytes, compiled into the executable
// from resources/pool_floor.png at build time, so the program reads no file when it runs.
#pragma once

#include <cstddef>

namespace resources {

extern const unsigned char poolFloorPng[];
extern const std::size_t poolFloorPngSize;

}  // namespace resources
