// texture.cpp: creates the texture once, fills it with the undistorted picture, and later
// replaces only its texels, so no texture storage is reallocated per step.

#include "imaging/texture.hpp"

#include <GL/gl.h>

#include "imaging/picture.hpp"

namespace imaging {

namespace {
GLuint textureId = 0;  // 0 means none
}  // namespace

void initTexture() {
    glGenTextures(1, &textureId);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    loadPicture();
    // Until the first step the window shows the undistorted picture. The internal format is
    // named, not given as a count of components, which WebGL refuses.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, imageWidth(), imageHeight(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, sourcePixels());
}

void uploadOutput() {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, imageWidth(), imageHeight(), GL_RGBA, GL_UNSIGNED_BYTE,
                    outputPixels());
}

void releaseImaging() {
    if (textureId != 0) {
        glDeleteTextures(1, &textureId);
        textureId = 0;
    }
    releasePictures();
}

}  // namespace imaging
