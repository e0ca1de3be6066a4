// title.hpp: the window's title line, all of it: what it reports (the processor ticks of the
// last simulation step and the frames drawn since the last report), its format, the tally
// that decides when it is due, and the rewrite. Plain computations but for countFrame(),
// which hands the text to the platform (window.hpp); tests call the rest directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/pacing.hpp"
#include "app/window.hpp"

namespace app {

inline constexpr const char* PROGRAM_NAME = "Ravelle";  // also the title until the first report
inline constexpr std::uint32_t TICK_OVERHEAD = 34;      // ticks the two counter reads cost
inline constexpr std::int32_t TITLE_INTERVAL_MS = 1000;
inline constexpr std::size_t TITLE_CAPACITY = 255;  // bytes, terminator included
// The spelling is the program's own and is kept on purpose: do not correct it.
inline constexpr const char* TITLE_FORMAT = "%s - Procedural Generaion: %.1f MTicks - %i FPS";

struct FrameStats {
    std::int32_t stepTicks = 0;      // ticks of the last step, less TICK_OVERHEAD
    std::int32_t frameCount = 0;     // frames since the last title
    std::int32_t lastTitleTime = 0;  // elapsed ms of the last title
};

// The two ends of a step's measurement. The difference is taken modulo 2^32, so it stays
// exact when the counter's low half wraps between the reads.
inline void beginMeasure(FrameStats& stats, std::uint32_t counter) {
    stats.stepTicks = static_cast<std::int32_t>(0u - counter);
}
inline void endMeasure(FrameStats& stats, std::uint32_t counter) {
    stats.stepTicks = static_cast<std::int32_t>(static_cast<std::uint32_t>(stats.stepTicks) +
                                                counter - TICK_OVERHEAD);
}

// Counts one drawn frame. When more than TITLE_INTERVAL_MS have passed since the last title,
// formats the new one into `title` (TITLE_CAPACITY bytes), restarts the count and returns true.
inline bool tallyFrame(FrameStats& stats, std::int32_t now, char* title) {
    ++stats.frameCount;
    if (!hasMoreThanPassed(now, stats.lastTitleTime, TITLE_INTERVAL_MS)) return false;
    std::snprintf(title, TITLE_CAPACITY, TITLE_FORMAT, PROGRAM_NAME, stats.stepTicks / 1000000.0,
                  stats.frameCount);
    stats.lastTitleTime = now;
    stats.frameCount = 0;
    return true;
}

// Counts one drawn frame and rewrites the window's title when a new one is due.
inline void countFrame(FrameStats& stats, std::int32_t now) {
    char title[TITLE_CAPACITY];
    if (tallyFrame(stats, now, title)) setWindowTitle(title);
}

}  // namespace app
