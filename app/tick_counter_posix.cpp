// tick_counter_posix.cpp: where there is no time-stamp counter, the monotonic clock in
// nanoseconds, low 32 bits: one tick is one nanosecond.

#include <ctime>

#include "app/tick_counter.hpp"

namespace app {

std::uint32_t readTickCounter() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto nanoseconds = (static_cast<std::uint64_t>(now.tv_sec) * 1000000000u) +
                             static_cast<std::uint64_t>(now.tv_nsec);
    return static_cast<std::uint32_t>(nanoseconds);
}

}  // namespace app
