// window_identity_win32.cpp: on Windows the program's identity is in its resources. freeglut's
// window class loads the icon resource named GLUT_ICON, which the title bar, the task bar and
// Explorer show, and the version resource names the program; nothing is left to do at run time.

#include "app/window_identity.hpp"

namespace app {

void identifyWindow() {}

}  // namespace app
