// frame_stats.cpp: the title's bookkeeping.

#include "app/frame_stats.hpp"

#include <cstdio>

#include "app/shell.hpp"

namespace app {

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
