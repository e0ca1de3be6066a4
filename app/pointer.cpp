// pointer.cpp: stirring the water. An accepted pointer event (more than POINTER_INTERVAL_MS
// after the last accepted one) over the picture drops a ripple under the pointer.

#include <GL/freeglut.h>

#include "app/callbacks.hpp"
#include "app/shell.hpp"
#include "imaging/picture.hpp"
#include "sim/waves.hpp"

namespace app {

namespace {
std::int32_t lastPointerTime = 0;  // elapsed ms of the last accepted event
}  // namespace

void onPointerMotion(int x, int y) {
    const std::int32_t now = glutGet(GLUT_ELAPSED_TIME);
    if (!hasMoreThanPassed(now, lastPointerTime, POINTER_INTERVAL_MS)) return;
    // Accepted, whether or not it lands on the picture.
    lastPointerTime = now;
    const auto cell = pointerCell(x, y, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT),
                                  imaging::imageWidth(), imaging::imageHeight());
    if (cell) sim::addDrop(cell->column, cell->row);
}

}  // namespace app
