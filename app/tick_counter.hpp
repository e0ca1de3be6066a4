// tick_counter.hpp: the counter the title's step measurement reads. Each platform supplies it
// in a file of its own (tick_counter_x86.cpp, tick_counter_posix.cpp), chosen by CMake.
#pragma once

#include <cstdint>

namespace app {

// The low 32 bits of a fast, monotonic tick counter: the processor's time-stamp counter on
// x86, a nanosecond clock elsewhere. Only differences of two reads mean anything.
std::uint32_t readTickCounter();

}  // namespace app
