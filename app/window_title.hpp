// window_title.hpp: shows the program's title line where the platform puts a window's title.
// One file per platform (window_title_glut.cpp, window_title_web.cpp), chosen by CMake.
#pragma once

namespace app {

// Replaces the title: the window's title bar on the desktop, the document's title in a
// browser. Call only once the window exists.
void setWindowTitle(const char* title);

}  // namespace app
