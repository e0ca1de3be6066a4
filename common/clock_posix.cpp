// clock_posix.cpp: the monotonic clock (Linux, and the browser's performance.now() through
// Emscripten), and the tick counter: the time-stamp counter where the processor has one.

#include <ctime>

#include "common/clock.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace common {

namespace {

std::uint64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (static_cast<std::uint64_t>(now.tv_sec) * 1000000000u) +
           static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace

std::uint32_t millisecondTicks() {
    return static_cast<std::uint32_t>(monotonicNanoseconds() / 1000000u);
}

std::uint32_t readTickCounter() {
#if defined(__x86_64__) || defined(__i386__)
    return static_cast<std::uint32_t>(__rdtsc());
#else
    // One tick is one nanosecond.
    return static_cast<std::uint32_t>(monotonicNanoseconds());
#endif
}

}  // namespace common
