// callbacks.hpp: the GLUT callbacks and the frame loop's hooks. Everything here runs on the
// one GLUT thread; the callbacks read GLUT and hand the numbers to the plain functions of
// shell.hpp and frame_stats.hpp.
#pragma once

#include <cstdint>

namespace app {

// Window callbacks (frame_loop.cpp).
void onReshape(int width, int height);
void onDisplay();
// Frames are requested only while the window can be seen: hidden (unmapped, minimised) or
// fully covered, it requests none and the process sleeps until the window shows again.
void onWindowStatus(int status);
// Makes the idle callback request a new frame whenever the event queue is empty.
void requestFrames();

// Pointer motion, with or without a button held (pointer.cpp).
void onPointerMotion(int x, int y);

// Step measurement and frame counting around the frame loop (statistics.cpp).
void beginStepMeasure();
void endStepMeasure();
void countFrame(std::int32_t now);

}  // namespace app
