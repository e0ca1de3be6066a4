// seed_clock_win32.cpp: the milliseconds since the system started, as the rain's seed.

#include <windows.h>

#include "sim/seed_clock.hpp"

namespace sim {

std::uint32_t millisecondTicks() {
    return static_cast<std::uint32_t>(GetTickCount());
}

}  // namespace sim
