// display_loss.hpp: how the program ends when it cannot open its window, or when the display
// or the window goes away while it runs: one "ravelle: ..." line, the platform's way, and
// exit status 1, instead of the windowing system's own report. One file per platform
// (display_loss_x11.cpp, ...), chosen by CMake.
#pragma once

namespace app {

// GLUT could not start (no display, no OpenGL): says what is missing on this platform,
// with GLUT's own `reason`, and exits with status 1.
[[noreturn]] void failToOpenWindow(const char* reason);

// Replaces the windowing system's default handlers for a broken connection and for a failed
// request. Call once the window exists: creating the OpenGL context sets and restores
// handlers of its own.
void endCleanlyOnLostDisplay();

// Asks the windowing system, with one round trip, whether the program's window still exists,
// and ends the program the same way as above (one line, status 1) when it does not; returns
// normally while the window exists. A hidden window draws nothing and so makes no requests
// that could fail: the frame loop calls this once a second while hidden, and never otherwise.
// Needs the window's OpenGL context to be current.
void checkWindowStillExists();

}  // namespace app
