// main.cpp: the program's entry. Opens the window, loads the picture and the water, and
// hands control to GLUT's event loop, which calls the frame loop for as long as it runs.

#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "app/callbacks.hpp"
#include "app/display_loss.hpp"
#include "app/shell.hpp"
#include "imaging/texture.hpp"
#include "sim/waves.hpp"

namespace {

// GLUT's fatal errors (no display, no usable visual) end the program with one clear line.
void onGlutError(const char* format, va_list arguments) {
    std::fputs("ravelle: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputs(" (a running X server and a usable DISPLAY are needed)\n", stderr);
    std::exit(1);
}

}  // namespace

int main() {
    // GLUT gets a fixed argument vector: the program takes no command-line arguments.
    int argumentCount = 1;
    char programName[] = "ravelle.exe";
    char* arguments[] = {programName, nullptr};
    glutInitErrorFunc(onGlutError);
    glutInit(&argumentCount, arguments);
    glutInitWindowSize(app::WINDOW_SIZE, app::WINDOW_SIZE);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutCreateWindow(app::PROGRAM_NAME);
    app::endCleanlyOnLostDisplay();

    glutReshapeFunc(app::onReshape);
    glutDisplayFunc(app::onDisplay);
    glutWindowStatusFunc(app::onWindowStatus);
    glutMotionFunc(app::onPointerMotion);
    glutPassiveMotionFunc(app::onPointerMotion);

    imaging::initTexture();
    sim::initWaves();

    app::requestFrames();
    glutMainLoop();

    imaging::releaseImaging();
    sim::releaseWaves();
    return 0;
}
