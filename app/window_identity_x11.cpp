// window_identity_x11.cpp: the window's WM_CLASS and _NET_WM_ICON. A desktop shell ties a
// window to its menu entry by WM_CLASS (the entry's StartupWMClass), and window managers and
// task bars draw _NET_WM_ICON. freeglut sets neither, so both are added to the window it has
// just created. The icon images are compiled in; no file is read.

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/window_identity.hpp"
#include "imaging/picture_decoder.hpp"
#include "resources/embedded_icons.hpp"

namespace app {

namespace {

// The two programs differ in both names, so a shell tells their windows apart (CMake sets
// them for each build). The class is the menu entry's name, which shells also match by.
char instanceName[] = RAVELLE_WINDOW_INSTANCE;
char className[] = RAVELLE_WINDOW_CLASS;

// _NET_WM_ICON's value: for each image its width and height, then its pixels row by row from
// the top, each as 0xAARRGGBB (alpha not premultiplied) in one 32-bit CARDINAL. Xlib takes
// format-32 property data as an array of longs, whatever their size.
std::vector<unsigned long> iconCardinals() {
    std::vector<unsigned long> cardinals;
    for (std::size_t i = 0; i < resources::windowIconCount; ++i) {
        const resources::EmbeddedPng& png = resources::windowIcons[i];
        imaging::DecodedPicture image;
        if (const char* fault = imaging::decodePicture(png.bytes, png.size, image)) {
            // Only a broken build gets here; the window is still usable without this size.
            std::fprintf(stderr, "ravelle: built-in icon %zu left out (%s)\n", i, fault);
            continue;
        }
        const auto width = static_cast<std::size_t>(image.width);
        const auto height = static_cast<std::size_t>(image.height);
        cardinals.push_back(width);
        cardinals.push_back(height);
        // The decoder stores the bottom row first.
        for (std::size_t row = height; row-- > 0;) {
            const std::uint8_t* pixel = image.pixels.get() + (row * width * 4);
            for (std::size_t x = 0; x < width; ++x, pixel += 4) {
                cardinals.push_back(static_cast<unsigned long>(pixel[3]) << 24U |
                                    static_cast<unsigned long>(pixel[0]) << 16U |
                                    static_cast<unsigned long>(pixel[1]) << 8U | pixel[2]);
            }
        }
    }
    return cardinals;
}

}  // namespace

void identifyWindow() {
    // GLUT draws into the window itself, so the current drawable is the window.
    ::Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == None) return;

    XClassHint names{instanceName, className};
    XSetClassHint(display, window, &names);

    const std::vector<unsigned long> icon = iconCardinals();
    if (!icon.empty()) {
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(icon.data()),
                        static_cast<int>(icon.size()));
    }
    XFlush(display);
}

}  // namespace app
