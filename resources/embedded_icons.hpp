// embedded_icons.hpp: the program's icon at the sizes its window declares to the desktop, as
// PNG bytes compiled into the executable from packaging/icons at build time, so the program
// reads no file when it runs.
#pragma once

#include <cstddef>

namespace resources {

struct EmbeddedPng {
    const unsigned char* bytes;
    std::size_t size;
};

// The icon at each size, smallest first.
extern const EmbeddedPng windowIcons[];
extern const std::size_t windowIconCount;

}  // namespace resources
