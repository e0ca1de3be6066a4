// window_identity_web.cpp: in a browser the page is the program's face: its favicon is the
// program's icon (index.html names it) and its tab shows the document's title.

#include "app/window_identity.hpp"

namespace app {

void identifyWindow() {}

}  // namespace app
