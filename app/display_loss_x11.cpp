// display_loss_x11.cpp: the Xlib error handlers, the check that a hidden window still exists,
// and GLUT's start-up failures. Every X error already ends the program (Xlib's default
// handlers exit too); these say what happened in one line of the program's own.

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

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

// The line for a server that went away, written ahead so that a probe that hangs can still
// give it from a signal handler.
char lostLine[256] = "";

extern "C" void onProbeTimeout(int /*signal*/) {
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, lostLine, std::strlen(lostLine));
    ::_exit(1);
}

// The connection broke. Either the server went away (killed, crashed, or the network cut), or
// it still runs and closed only this program's connection, as a client kill (xkill, xdotool
// windowkill) does: a fresh connection to the same display tells which. A server that does not
// answer the probe within PROBE_SECONDS counts as gone. Xlib exits if this returns.
extern "C" int onConnectionLost(::Display* display) {
    constexpr unsigned int PROBE_SECONDS = 2;
    const char* name = DisplayString(display);
    std::snprintf(lostLine, sizeof lostLine, "ravelle: lost the connection to the X server on %s\n",
                  name);
    std::signal(SIGALRM, onProbeTimeout);
    ::alarm(PROBE_SECONDS);
    ::Display* probe = XOpenDisplay(name);
    ::alarm(0);
    if (probe == nullptr) {
        std::fputs(lostLine, stderr);
    } else {
        std::fprintf(stderr,
                     "ravelle: the X server on %s closed the connection (the program was cut "
                     "off from outside, as xkill does)\n",
                     name);
    }
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
    // GLUT's reasons: "failed to open display '...'" when there is no server to talk to, and
    // otherwise what the server lacks for OpenGL (the GLX extension, or a visual for the
    // double-buffered RGB window).
    const std::string_view text = reason;
    if (text.starts_with("failed to open display")) {
        common::fatal("%s (a running X server and a usable DISPLAY are needed)", reason);
    }
    const char* display = XDisplayName(nullptr);
    if (text.find("GLX") != std::string_view::npos) {
        common::fatal("OpenGL is missing on display %s: its X server has no GLX extension",
                      display);
    }
    common::fatal("OpenGL cannot draw this window on display %s (%s)", display, reason);
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
