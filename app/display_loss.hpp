// display_loss.hpp: how the program ends when its X server or its window goes away while it
// runs: one "ravelle: ..." line on stderr and exit status 1, instead of Xlib's own report.
#pragma once

namespace app {

// Replaces Xlib's default handlers for a broken connection and for a failed request. Call
// once the window exists: creating the OpenGL context sets and restores handlers of its own.
void endCleanlyOnLostDisplay();

}  // namespace app
