// display_loss_win32.cpp: what Windows needs when the window cannot open or goes away.

#include "app/display_loss.hpp"
#include "common/fatal.hpp"

namespace app {

void failToOpenWindow(const char* reason) {
    common::fatal("%s (a desktop session with OpenGL is needed)", reason);
}

// Nothing to replace: a window destroyed from outside reaches the program as WM_DESTROY,
// which GLUT handles as a close by the user, and the desktop does not go away under a
// running program the way an X server can.
void endCleanlyOnLostDisplay() {}

// Nothing to ask: only the program's own thread can destroy its window (other programs can
// only ask it to close), and GLUT sees that as a close whether the window is shown or not.
void checkWindowStillExists() {}

}  // namespace app
