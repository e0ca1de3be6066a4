// window.hpp: what the program's window does differently on each platform: how a failure to
// open it is reported, what the window declares about itself once open, what happens when
// the display goes away, and where the title goes. One file per platform (window_x11.cpp,
// window_win32.cpp, window_web.cpp), chosen by CMake; each says there what it has nothing to
// do for.
//
// Usage: failToOpenWindow() from GLUT's error function; adoptWindow() once, right after the
// window is created; checkWindowStillExists() once a second while the window is hidden;
// setWindowTitle() whenever the title changes. Both pointers may be null: the platform has
// nothing to do there, and the caller skips the call.
#pragma once

namespace app {

// GLUT could not start (no display, no OpenGL): says what is missing on this platform, with
// GLUT's own `reason`, in one "ravelle: ..." line, and exits with status 1.
[[noreturn]] void failToOpenWindow(const char* reason);

// Declares the window's class and icon where the platform looks for them (so that menus, task
// bars and window lists show the program's own name and icon), and replaces the windowing
// system's handlers for a broken connection and a failed request with one line and status 1.
// Needs the window's OpenGL context current: creating it sets and restores handlers of its own.
extern void (*const adoptWindow)();

// Asks the windowing system, with one round trip, whether the window still exists, and ends
// the program as above when it does not. A hidden window draws nothing and so makes no
// request that could fail; the frame loop asks this instead, and never while drawing.
extern void (*const checkWindowStillExists)();

// Replaces the title: the window's title bar on the desktop, the document's title in a
// browser. Call only once the window exists.
void setWindowTitle(const char* title);

}  // namespace app
