// window_win32.cpp: the program's window on Windows. Most of what other platforms do at run
// time is done here by the system or by the program's resources, so only the start-up failure
// and the title are code.

#include <GL/freeglut.h>

#include "app/window.hpp"
#include "common/fatal.hpp"

namespace app {

void failToOpenWindow(const char* reason) {
    common::fatal("%s (a desktop session with OpenGL is needed)", reason);
}

// Nothing to add once the window is open. Its identity is in the resources: freeglut's window
// class loads the icon resource named GLUT_ICON, which the title bar, the task bar and Explorer
// show, and the version resource names the program. Nor is there a handler to replace: a
// window destroyed from outside reaches the program as WM_DESTROY, which GLUT handles as a
// close by the user, and the desktop does not go away under a running program the way an X
// server can.
void (*const adoptWindow)() = nullptr;

// Nothing to ask while hidden: only the program's own thread can destroy its window (other
// programs can only ask it to close), and GLUT sees that as a close whether the window is shown
// or not.
void (*const checkWindowStillExists)() = nullptr;

void setWindowTitle(const char* title) {
    glutSetWindowTitle(title);
}

}  // namespace app
