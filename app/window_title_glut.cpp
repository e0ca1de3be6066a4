// window_title_glut.cpp: the title goes to GLUT's current window.

#include <GL/freeglut.h>

#include "app/window_title.hpp"

namespace app {

void setWindowTitle(const char* title) {
    glutSetWindowTitle(title);
}

}  // namespace app
