// window_x11.cpp: the program's window on X11. Its identity: WM_CLASS, by which a desktop
// shell ties the window to its menu entry (the entry's StartupWMClass), and _NET_WM_ICON,
// which window managers and task bars draw; the icon images are compiled in, no file is read.
// Its end: the Xlib error handlers, the check that a hidden window still exists, and GLUT's
// start-up failures. Every X error already ends the program (Xlib's default handlers exit
// too); these say what happened in one line of the program's own.

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "app/window.hpp"
#include "common/fatal.hpp"
#include "imaging/picture_decoder.hpp"
#include "resources/embedded_icons.hpp"

namespace app {

namespace {

// The two programs differ in both names, so a shell tells their windows apart (CMake sets
// them for each build). The class is the menu entry's name, which shells also match by.
char instanceName[] = RAVELLE_WINDOW_INSTANCE;
char className[] = RAVELLE_WINDOW_CLASS;

// _NET_WM_ICON's value: for each image its width and height, then its pixels row by row from
// the top, each as 0xAARRGGBB (alpha not premultiplied) in one 32-bit CARDINAL. Xlib takes
// format-32 property data as an array of longs, whatever their size.
std::vector<unsigned long> iconCardinals() {
    std::vector<unsigned long> cardinals;
    for (std::size_t i = 0; i < resources::windowIconCount; ++i) {
        const resources::EmbeddedPng& png = resources::windowIcons[i];
        imaging::DecodedPicture image;
        if (const char* fault = imaging::decodePicture(png.bytes, png.size, image)) {
            // Only a broken build gets here; the window is still usable without this size.
            std::fprintf(stderr, "ravelle: built-in icon %zu left out (%s)\n", i, fault);
            continue;
        }
        const auto width = static_cast<std::size_t>(image.width);
        const auto height = static_cast<std::size_t>(image.height);
        cardinals.push_back(width);
        cardinals.push_back(height);
        // The decoder stores the bottom row first.
        for (std::size_t row = height; row-- > 0;) {
            const std::uint8_t* pixel = image.pixels.get() + (row * width * 4);
            for (std::size_t x = 0; x < width; ++x, pixel += 4) {
                cardinals.push_back(static_cast<unsigned long>(pixel[3]) << 24U |
                                    static_cast<unsigned long>(pixel[0]) << 16U |
                                    static_cast<unsigned long>(pixel[1]) << 8U | pixel[2]);
            }
        }
    }
    return cardinals;
}

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

// WM_CLASS and _NET_WM_ICON: freeglut sets neither, so both are added to the window it has
// just created.
void identifyWindow() {
    // GLUT draws into the window itself, so the current drawable is the window.
    ::Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == None) return;

    XClassHint names{instanceName, className};
    XSetClassHint(display, window, &names);

    const std::vector<unsigned long> icon = iconCardinals();
    if (!icon.empty()) {
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(icon.data()),
                        static_cast<int>(icon.size()));
    }
    XFlush(display);
}

void adoptX11Window() {
    identifyWindow();
    // A server that closes this program's connection while a request is being written would
    // otherwise kill the program with SIGPIPE, silently; ignored, the write fails instead and
    // Xlib calls onConnectionLost, which says what happened.
    std::signal(SIGPIPE, SIG_IGN);
    XSetIOErrorHandler(onConnectionLost);
    XSetErrorHandler(onRequestFailed);
}

void checkX11Window() {
    // GLUT draws into the window itself, so the current drawable is the window. A destroyed
    // one makes this request fail with BadWindow, which onRequestFailed turns into its line.
    ::Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == None) return;
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
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

void (*const adoptWindow)() = adoptX11Window;
void (*const checkWindowStillExists)() = checkX11Window;

void setWindowTitle(const char* title) {
    glutSetWindowTitle(title);
}

}  // namespace app
