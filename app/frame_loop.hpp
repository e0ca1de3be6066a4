// frame_loop.hpp: the GLUT callbacks. Everything here runs on the one GLUT thread; the
// callbacks read GLUT and hand the numbers to the plain functions of layout.hpp, pacing.hpp,
// pointer_mapping.hpp and title.hpp.
#pragma once

namespace app {

void onReshape(int width, int height);
void onDisplay();
// Frames are requested only while the window can be seen: hidden (unmapped, minimised) or
// fully covered, it requests none and the process sleeps until the window shows again.
void onWindowStatus(int status);
// Makes the idle callback request a new frame whenever the event queue is empty.
void requestFrames();

// Pointer motion, with or without a button held: an accepted event (more than
// POINTER_INTERVAL_MS after the last accepted one) over the picture drops a ripple under it.
void onPointerMotion(int x, int y);

}  // namespace app
