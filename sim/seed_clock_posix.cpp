// seed_clock_posix.cpp: milliseconds of the monotonic clock, reduced to 32 bits, as the
// rain's seed.

#include <ctime>

#include "sim/seed_clock.hpp"

namespace sim {

std::uint32_t millisecondTicks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = (static_cast<std::uint64_t>(now.tv_sec) * 1000u) +
                              (static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
    return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace sim
