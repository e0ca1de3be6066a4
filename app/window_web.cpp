// window_web.cpp: in a browser the page's canvas is the window, and its WebGL context is the
// display. The page (index.html) calls in here to give the window the size it laid the canvas
// out at and to stir the water under a finger, as pointer motion does; both entries are
// exported to the page by cmake/platform-web.cmake. Here too are the freeglut calls the program
// makes that Emscripten's GLUT lacks: a page the visitor cannot see (another tab, a minimised
// browser) reports itself hidden, so the frame loop stops asking for frames, as it does for a
// hidden window. The page is the program's face: its favicon is the program's icon (index.html
// names it) and its tab shows the document's title.

#include <GL/freeglut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>

#include "app/frame_loop.hpp"
#include "app/window.hpp"
#include "common/fatal.hpp"

namespace app {

namespace {

// The page's canvas, as index.html names it.
constexpr const char* CANVAS = "#canvas";

// Beyond any drawing buffer a browser grants (WebGL's limits stop near 16384).
constexpr int LARGEST_WINDOW = 16384;
// A finger dragged off the canvas keeps reporting; anything further out than this is not a
// position at all (and would not fit an int).
constexpr double FARTHEST_TOUCH = 1.0e6;

void (*windowStatusCallback)(int) = nullptr;  // the frame loop's, through glutWindowStatusFunc

// Emscripten's GLUT reports no error when it cannot create a WebGL context, and the browser
// may take it away later (a GPU reset, too many contexts); either way the page says so in one
// line.
EM_BOOL onContextLost(int /*eventType*/, const void* /*reserved*/, void* /*userData*/) {
    common::fatal("the browser took away the WebGL context; reload the page to start again");
}

void adoptCanvas() {
    if (emscripten_webgl_get_current_context() == 0)
        failToOpenWindow("cannot create a WebGL context");
    emscripten_set_webglcontextlost_callback(CANVAS, nullptr, EM_FALSE, onContextLost);
}

EM_BOOL onVisibilityChange(int /*eventType*/, const EmscriptenVisibilityChangeEvent* event,
                           void* /*userData*/) {
    if (windowStatusCallback != nullptr)
        windowStatusCallback(event->hidden ? GLUT_HIDDEN : GLUT_FULLY_RETAINED);
    return EM_FALSE;
}

}  // namespace

void failToOpenWindow(const char* reason) {
    common::fatal("%s (a browser with WebGL enabled is needed)", reason);
}

// The page's identity is in index.html; what is left to do once the window is open is to
// watch its context.
void (*const adoptWindow)() = adoptCanvas;

// Nothing to ask while hidden: the canvas belongs to the page, and a context taken away while
// the page is hidden is reported by onContextLost.
void (*const checkWindowStillExists)() = nullptr;

// Emscripten's GLUT declares glutSetWindowTitle but does not implement it.
void setWindowTitle(const char* title) {
    emscripten_set_window_title(title);
}

}  // namespace app

extern "C" {

// Emscripten's GLUT never fails in glutInit or glutCreateWindow: a missing WebGL context is
// found afterwards (adoptCanvas), so there is nothing to hand this callback.
void glutInitErrorFunc(void (* /*callback*/)(const char* format, va_list arguments)) {}

void glutWindowStatusFunc(void (*callback)(int)) {
    app::windowStatusCallback = callback;
    emscripten_set_visibilitychange_callback(
        nullptr, EM_FALSE, callback != nullptr ? app::onVisibilityChange : nullptr);
}

// The window becomes width x height pixels (the canvas's drawing buffer), and the program
// hears of it through its reshape callback, as a desktop window's resizing does. A size the
// page could not mean is ignored.
void ravelle_resize_window(int width, int height) {
    if (width < 1 || height < 1 || width > app::LARGEST_WINDOW || height > app::LARGEST_WINDOW)
        return;
    if (width == glutGet(GLUT_WINDOW_WIDTH) && height == glutGet(GLUT_WINDOW_HEIGHT)) return;
    glutReshapeWindow(width, height);
}

// A finger at (x, y) in window pixels, from the canvas's top-left corner, fractions
// included: the pointer's rule (the interval between drops, the cell under it) decides.
void ravelle_touch(double x, double y) {
    // Written so that NaN fails too.
    if (!(std::fabs(x) < app::FARTHEST_TOUCH && std::fabs(y) < app::FARTHEST_TOUCH)) return;
    app::onPointerMotion(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

}  // extern "C"
