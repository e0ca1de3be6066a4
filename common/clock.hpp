// clock.hpp: the two clocks the program reads, one file per platform (clock_posix.cpp,
// clock_win32.cpp), chosen by CMake: a millisecond count that seeds the rain, and a fast tick
// counter that the title's step measurement reads.
#pragma once

#include <cstdint>

namespace common {

// The system's millisecond tick count, reduced to 32 bits.
std::uint32_t millisecondTicks();

// The low 32 bits of a fast, monotonic tick counter: the processor's time-stamp counter on
// x86, a nanosecond clock elsewhere. Only differences of two reads mean anything.
std::uint32_t readTickCounter();

}  // namespace common
