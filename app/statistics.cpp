// statistics.cpp: the step measurement and the title, as the frame loop sees them.

#include "app/callbacks.hpp"
#include "app/frame_stats.hpp"
#include "app/window.hpp"
#include "common/clock.hpp"

namespace app {

namespace {
FrameStats stats;
char title[TITLE_CAPACITY];
}  // namespace

void beginStepMeasure() {
    beginMeasure(stats, common::readTickCounter());
}

void endStepMeasure() {
    endMeasure(stats, common::readTickCounter());
}

void countFrame(std::int32_t now) {
    if (tallyFrame(stats, now, title)) setWindowTitle(title);
}

}  // namespace app
