// GL suites of the show: the test runner is the show's coremain, run by the
// driver on the demo thread, so the GL context comes the way the show's does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/testsupport.h"

namespace st {

// Starts the video once (a small window) and returns what start-up printed.
const std::string& EnsureVideo();

// A picture read back, rows from the top down, pixels as bytes R, G, B, A.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};
Image ReadFramebuffer(int id);

// The GL name bound to GL_TEXTURE_2D on a texture unit (the active unit is
// restored afterwards).
unsigned int BoundTexture(int unit);
// The active texture unit, 0 to 7.
int ActiveUnit();

// A scratch folder as working directory, with video started.
class ShowGLTest : public kt::ScratchTest {
protected:
    void SetUp() override;
};

}  // namespace st
