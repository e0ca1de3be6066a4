// clock_win32.cpp: the milliseconds since the system started, and the processor's time-stamp
// counter (the Windows build is x86-64 only).

#include <windows.h>
#include <x86intrin.h>

#include "common/clock.hpp"

namespace common {

std::uint32_t millisecondTicks() {
    return static_cast<std::uint32_t>(GetTickCount());
}

std::uint32_t readTickCounter() {
    return static_cast<std::uint32_t>(__rdtsc());
}

}  // namespace common
