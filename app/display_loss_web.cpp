// display_loss_web.cpp: in a browser the "display" is the canvas's WebGL context. Emscripten's
// GLUT reports no error when it cannot create one, and the browser may take it away later
// (a GPU reset, too many contexts); either way the page says so in one line.

#include <emscripten/html5.h>

#include "app/display_loss.hpp"
#include "common/fatal.hpp"

namespace app {

namespace {

// The page's canvas, as index.html names it.
constexpr const char* CANVAS = "#canvas";

EM_BOOL onContextLost(int /*eventType*/, const void* /*reserved*/, void* /*userData*/) {
    common::fatal("the browser took away the WebGL context; reload the page to start again");
}

}  // namespace

void failToOpenWindow(const char* reason) {
    common::fatal("%s (a browser with WebGL enabled is needed)", reason);
}

void endCleanlyOnLostDisplay() {
    if (emscripten_webgl_get_current_context() == 0)
        failToOpenWindow("cannot create a WebGL context");
    emscripten_set_webglcontextlost_callback(CANVAS, nullptr, EM_FALSE, onContextLost);
}

// Nothing to ask: the canvas belongs to the page, and a context taken away while the page is
// hidden is reported by the callback above.
void checkWindowStillExists() {}

}  // namespace app
