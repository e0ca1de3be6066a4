// glut_extensions_web.cpp: the freeglut calls the program makes that Emscripten's GLUT lacks.
// A page that the visitor cannot see (another tab, a minimised browser) reports itself
// hidden, so the frame loop stops asking for frames, as it does for a hidden window.

#include <GL/freeglut.h>
#include <emscripten/html5.h>

namespace {

void (*windowStatusCallback)(int) = nullptr;

EM_BOOL onVisibilityChange(int /*eventType*/, const EmscriptenVisibilityChangeEvent* event,
                           void* /*userData*/) {
    if (windowStatusCallback != nullptr)
        windowStatusCallback(event->hidden ? GLUT_HIDDEN : GLUT_FULLY_RETAINED);
    return EM_FALSE;
}

}  // namespace

extern "C" {

// Emscripten's GLUT never fails in glutInit or glutCreateWindow: a missing WebGL context
// is found afterwards (display_loss_web.cpp), so there is nothing to hand this callback.
void glutInitErrorFunc(void (* /*callback*/)(const char* format, va_list arguments)) {}

void glutWindowStatusFunc(void (*callback)(int)) {
    windowStatusCallback = callback;
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE,
                                             callback != nullptr ? onVisibilityChange : nullptr);
}

}  // extern "C"
