// window_identity.hpp: tells the desktop which program a window belongs to and what its icon
// is, so that menus, task bars and window lists show the program's own name and icon for it.
// One file per platform (window_identity_x11.cpp, ...), chosen by CMake.
#pragma once

namespace app {

// Declares the current window's class and icon where the platform looks for them. Call once,
// right after the window is created, with its OpenGL context current.
void identifyWindow();

}  // namespace app
