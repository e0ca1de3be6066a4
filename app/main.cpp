// main.cpp: the program's entry. Opens the window, loads the picture and the water, and
// hands control to GLUT's event loop, which calls the frame loop for as long as it runs.

#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>

#include "app/frame_loop.hpp"
#include "app/layout.hpp"
#include "app/title.hpp"
#include "app/window.hpp"
#include "common/clock.hpp"
#include "imaging/picture.hpp"
#include "imaging/texture.hpp"
#include "sim/waves.hpp"

namespace {

// GLUT's fatal errors (no display, no OpenGL) end the program with one clear line.
void onGlutError(const char* format, va_list arguments) {
    char reason[256] = "";
    std::vsnprintf(reason, sizeof reason, format, arguments);
    app::failToOpenWindow(reason);
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
    if (app::adoptWindow != nullptr) app::adoptWindow();

    glutReshapeFunc(app::onReshape);
    glutDisplayFunc(app::onDisplay);
    glutWindowStatusFunc(app::onWindowStatus);
    glutMotionFunc(app::onPointerMotion);
    glutPassiveMotionFunc(app::onPointerMotion);

    // The picture gives the water its size; the rain is seeded from the clock.
    imaging::initTexture();
    sim::initWaves(imaging::imageWidth(), imaging::imageHeight(), common::millisecondTicks());

    app::requestFrames();
    glutMainLoop();

    imaging::releaseImaging();
    sim::releaseWaves();
    return 0;
}
