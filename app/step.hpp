// step.hpp: one simulation step, without a window: the wave step, the picture refracted
// through the new surface, the phase flip, and the rain that the next step will spread.
// The frame loop runs it every STEP_INTERVAL_MS and then shows the refracted picture; the
// replay (tests/replay_main.cpp) runs the same function with no window at all.
#pragma once

namespace app {

// Needs initWaves() and loadPicture() done, with the field the picture's size.
void runStep();

}  // namespace app
