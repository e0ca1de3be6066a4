// window_title_web.cpp: in a browser the title is the document's; Emscripten's GLUT declares
// glutSetWindowTitle but does not implement it.

#include <emscripten/emscripten.h>

#include "app/window_title.hpp"

namespace app {

void setWindowTitle(const char* title) {
    emscripten_set_window_title(title);
}

}  // namespace app
