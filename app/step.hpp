// step.hpp: one simulation step, without a window: the wave step, the picture refracted
// through the new surface, the phase flip, and the rain that the next step will spread.
// The frame loop runs it every STEP_INTERVAL_MS and then shows the refracted picture; the
// replay (tests/replay_main.cpp) runs the same function with no window at all.
#pragma once

namespace app {

struct FrameStats;

// Needs initWaves() and loadPicture() done, with the field the picture's size. With `measured`,
// the wave step, the refraction and the flip (not the rain) are measured into it for the title.
void runStep(FrameStats* measured = nullptr);

}  // namespace app
