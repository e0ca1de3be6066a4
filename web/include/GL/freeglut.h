/* freeglut.h for the browser build: Emscripten's GLUT ships glut.h with freeglut's standard
 * part only. Of freeglut's extensions the program needs glutInitErrorFunc, which
 * app/window_web.cpp provides, as it does glutWindowStatusFunc, declared but missing
 * from Emscripten's GLUT. */
#pragma once

#include <GL/glut.h>

#include <cstdarg>

extern "C" {
void glutInitErrorFunc(void (*callback)(const char* format, va_list arguments));
}
