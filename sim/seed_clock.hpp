// seed_clock.hpp: the millisecond clock that seeds the rain. Each platform supplies it in a
// file of its own (seed_clock_posix.cpp, ...), chosen by CMake.
#pragma once

#include <cstdint>

namespace sim {

// The system's millisecond tick count, reduced to 32 bits.
std::uint32_t millisecondTicks();

}  // namespace sim
