// step.cpp: the order of one step. The refraction reads the surface the wave step has just
// written, before the flip makes it the latest; the rain lands on the latest surface after it.

#include "app/step.hpp"

#include "app/pacing.hpp"
#include "app/title.hpp"
#include "common/clock.hpp"
#include "imaging/picture.hpp"
#include "sim/waves.hpp"

namespace app {

void runStep(FrameStats* measured) {
    if (measured != nullptr) beginMeasure(*measured, common::readTickCounter());
    sim::stepWaves();
    imaging::renderRefraction(sim::stepOutput());
    sim::flipPhase();
    if (measured != nullptr) endMeasure(*measured, common::readTickCounter());
    for (int i = 0; i < RAIN_DROPS_PER_STEP; ++i) sim::addRandomDrop();
}

}  // namespace app
