// display_loss_x11.cpp: the Xlib error handlers. Every X error already ends the program (Xlib's
// default handlers exit too); these say so in one line of the program's own.

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "app/display_loss.hpp"
#include "common/fatal.hpp"

namespace app {

namespace {

// Quits at once: running exit handlers could reach the OpenGL driver, which would talk to the
// lost server again and re-enter these handlers.
[[noreturn]] void quit() {
    std::fflush(stderr);
    std::_Exit(1);
}

// The server went away (killed, crashed, or the connection cut). Xlib exits if this returns.
extern "C" int onConnectionLost(::Display* display) {
    std::fprintf(stderr, "ravelle: lost the connection to the X server on %s\n",
                 DisplayString(display));
    quit();
}

// A request failed. The one that happens in practice is a window destroyed by another
// program: the next drawing or title request names a window that no longer exists.
extern "C" int onRequestFailed(::Display* display, XErrorEvent* event) {
    char text[128] = "";
    XGetErrorText(display, event->error_code, text, sizeof text);
    if (event->error_code == BadWindow || event->error_code == BadDrawable) {
        std::fprintf(stderr, "ravelle: the window was destroyed from outside (X error: %s)\n",
                     text);
    } else {
        std::fprintf(stderr,
                     "ravelle: the X server refused a request (X error: %s, request %d.%d)\n", text,
                     event->request_code, event->minor_code);
    }
    quit();
}

}  // namespace

void failToOpenWindow(const char* reason) {
    common::fatal("%s (a running X server and a usable DISPLAY are needed)", reason);
}

void endCleanlyOnLostDisplay() {
    XSetIOErrorHandler(onConnectionLost);
    XSetErrorHandler(onRequestFailed);
}

void checkWindowStillExists() {
    // GLUT draws into the window itself, so the current drawable is the window. A destroyed
    // one makes this request fail with BadWindow, which onRequestFailed turns into its line.
    ::Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == None) return;
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
}

}  // namespace app
