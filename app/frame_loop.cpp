// frame_loop.cpp: the app's state and the frame loop: lay out, clear, step the water when
// more than STEP_INTERVAL_MS have passed, draw the picture, swap, count; no frames at all while
// the window cannot be seen; and the pointer stirring the water between steps.

#include "app/frame_loop.hpp"

#include <GL/freeglut.h>

#include <cstdint>

#include "app/layout.hpp"
#include "app/pacing.hpp"
#include "app/pointer_mapping.hpp"
#include "app/step.hpp"
#include "app/title.hpp"
#include "app/window.hpp"
#include "imaging/picture.hpp"
#include "imaging/texture.hpp"
#include "sim/waves.hpp"

namespace app {

namespace {

// Everything the app keeps between callbacks; only this file writes it.
struct AppState {
    std::int32_t lastStepTime = 0;     // elapsed ms of the last simulation step
    std::int32_t lastPointerTime = 0;  // elapsed ms of the last accepted pointer event
    FrameStats stats;                  // what the title reports
    // Counts the times the window was hidden; a check timer left over from an earlier hiding
    // sees a number that is not the current one and stops.
    int hiding = 0;
    bool hidden = false;  // no frames are requested: unmapped, minimised or fully covered
};
AppState state;

// How often a hidden window is looked for: a window destroyed meanwhile ends the program
// within this time, and the check costs one round trip to the windowing system.
constexpr unsigned int HIDDEN_CHECK_INTERVAL_MS = 1000;

// While hidden, nothing is drawn, so nothing would notice that the window was destroyed.
void checkWhileHidden(int hidingWhenArmed) {
    if (!state.hidden || hidingWhenArmed != state.hiding) return;
    checkWindowStillExists();
    glutTimerFunc(HIDDEN_CHECK_INTERVAL_MS, checkWhileHidden, hidingWhenArmed);
}

// One simulation step, measured for the title, and its picture shown. The upload comes after
// the rain, which writes only the surface: the picture shown is the one the step refracted.
void stepAndShow() {
    runStep(&state.stats);
    imaging::uploadOutput();
}

// The picture upright and unmirrored: texture row 0 (the bottom row) at the bottom.
void drawPicture(const PictureQuad& quad) {
    const auto leftEdge = static_cast<float>(quad.x0);
    const auto topEdge = static_cast<float>(quad.y0);
    const auto rightEdge = static_cast<float>(quad.x0 + quad.width);
    const auto bottomEdge = static_cast<float>(quad.y0 + quad.height);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(leftEdge, topEdge);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(leftEdge, bottomEdge);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(rightEdge, bottomEdge);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(rightEdge, topEdge);
    glEnd();
}
}  // namespace

void onReshape(int width, int height) {
    // One unit is one window pixel, origin at the top-left corner, y downwards: the
    // window's height is the bottom of the projection.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // NOLINTNEXTLINE(readability-suspicious-call-argument)
    glOrtho(0.0, width, height, 0.0, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width, height);
}

void requestFrames() {
    glutIdleFunc(glutPostRedisplay);
}

void onWindowStatus(int status) {
    if (status == GLUT_HIDDEN || status == GLUT_FULLY_COVERED) {
        // No frame would be shown, so none is asked for; GLUT then waits for events, and
        // for the check that the window still exists.
        glutIdleFunc(nullptr);
        if (!state.hidden) {
            state.hidden = true;
            ++state.hiding;
            // Only where a window can vanish unseen (window.hpp).
            if (checkWindowStillExists != nullptr)
                glutTimerFunc(HIDDEN_CHECK_INTERVAL_MS, checkWhileHidden, state.hiding);
        }
    } else {
        state.hidden = false;
        // The first frame back steps at once (more than the step interval has passed) and
        // rewrites the title with the frames counted before the window was hidden.
        requestFrames();
        glutPostRedisplay();
    }
}

void onDisplay() {
    const PictureQuad quad =
        layoutPictureQuad(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT),
                          imaging::imageWidth(), imaging::imageHeight());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    const std::int32_t now = glutGet(GLUT_ELAPSED_TIME);
    if (hasMoreThanPassed(now, state.lastStepTime, STEP_INTERVAL_MS)) {
        state.lastStepTime = now;
        stepAndShow();
    }

    drawPicture(quad);
    glutSwapBuffers();
    countFrame(state.stats, now);
}

void onPointerMotion(int x, int y) {
    const std::int32_t now = glutGet(GLUT_ELAPSED_TIME);
    if (!hasMoreThanPassed(now, state.lastPointerTime, POINTER_INTERVAL_MS)) return;
    // Accepted, whether or not it lands on the picture.
    state.lastPointerTime = now;
    const auto cell = pointerCell(x, y, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT),
                                  imaging::imageWidth(), imaging::imageHeight());
    if (cell) sim::addDrop(cell->column, cell->row);
}

}  // namespace app
