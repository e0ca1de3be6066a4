// texture.hpp: the one OpenGL texture that shows the refracted picture.
//
// Usage: initTexture() once with the window's context current (it also loads the picture);
// uploadOutput() after each refraction; releaseImaging() at the end. The texture stays
// bound and enabled throughout.
#pragma once

namespace imaging {

void initTexture();
void uploadOutput();
void releaseImaging();

}  // namespace imaging
