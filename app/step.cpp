// step.cpp: the order of one step. The refraction reads the surface the wave step has just
// written, before the flip makes it the latest; the rain lands on the latest surface after it.

#include "app/step.hpp"

#include "app/pacing.hpp"
#include "imaging/picture.hpp"
#include "sim/waves.hpp"

namespace app {

void runStep() {
    sim::stepWaves();
    imaging::renderRefraction(sim::stepOutput());
    sim::flipPhase();
    for (int i = 0; i < RAIN_DROPS_PER_STEP; ++i) sim::addRandomDrop();
}

}  // namespace app
