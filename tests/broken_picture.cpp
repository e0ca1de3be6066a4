// broken_picture.cpp: stands in for the embedded pool-floor picture with bytes that are not
// a picture, so a test can watch the real program refuse to start on them.

#include "resources/embedded_picture.hpp"

namespace resources {

const unsigned char poolFloorPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0,    0,
                                      0,    13,  'I', 'H', 'D',  'R',  0xff, 0xff, 0xff, 0xff};
const std::size_t poolFloorPngSize = sizeof poolFloorPng;

}  // namespace resources
