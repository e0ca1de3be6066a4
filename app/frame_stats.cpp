// frame_stats.cpp: the tick counter and the title's bookkeeping.

#include "app/frame_stats.hpp"

#include <cstdio>

#include "app/shell.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#else
#include <ctime>
#endif

namespace app {

std::uint32_t readTickCounter() {
#if defined(__x86_64__) || defined(__i386__)
    return static_cast<std::uint32_t>(__rdtsc());
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto nanoseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
                             static_cast<std::uint64_t>(now.tv_nsec);
    return static_cast<std::uint32_t>(nanoseconds);
#endif
}

bool tallyFrame(FrameStats& stats, std::int32_t now, char* title) {
    ++stats.frameCount;
    if (!hasMoreThanPassed(now, stats.lastTitleTime, TITLE_INTERVAL_MS)) return false;
    std::snprintf(title, TITLE_CAPACITY, TITLE_FORMAT, PROGRAM_NAME, stats.stepTicks / 1000000.0,
                  stats.frameCount);
    stats.lastTitleTime = now;
    stats.frameCount = 0;
    return true;
}

}  // namespace app
