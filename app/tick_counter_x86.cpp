// tick_counter_x86.cpp: the processor's time-stamp counter, low 32 bits (x86 and x86-64).

#include <x86intrin.h>

#include "app/tick_counter.hpp"

namespace app {

std::uint32_t readTickCounter() {
    return static_cast<std::uint32_t>(__rdtsc());
}

}  // namespace app
