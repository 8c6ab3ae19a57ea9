// Shared pieces of the video suites: the test body runs as the show's
// coremain on the driver's demo thread, where KRV_InitVideo makes the GL
// context; helpers read pixels back from framebuffers, textures and the window.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

// The window every GL case opens (small, so software rendering is quick).
constexpr int kWindowWidth = 64;
constexpr int kWindowHeight = 48;

// Opens the video once per process (ctest runs every case in a process of its
// own) and returns what start-up printed the time it ran.
const std::string& EnsureVideo();
bool VideoStarted();

// Colours as the framework stores them: bytes R, G, B, A in memory.
constexpr uint32_t Rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
    return r | (g << 8) | (b << 16) | (a << 24);
}
std::string Hex(uint32_t rgba);

// A picture read back, rows from the top down (y downwards, as the framework draws).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// Reads framebuffer entry id through its framebuffer object; the binding in
// force before is restored.
Image ReadFramebuffer(int id);
// The two window read-backs go through the X server (video_window_x11.cpp,
// Linux only). Moves the window to the bottom right of the screen, raises it over the
// windows of other test processes and waits until it shows; call it before
// the swap whose picture ReadWindow reads.
void BringWindowUp();
// Reads the window's pixels from the X server: what the last swap showed.
// The window has no alpha channel: alpha reads 255.
Image ReadWindow();
// Reads a texture's level 0 rows as the framework shows them: v = 1 at the top.
Image ReadTexture(unsigned int texture, int width, int height);

// Fills the current framebuffer with a colour through a white-texture colour quad.
void FillRect(float x, float y, float w, float h, uint32_t rgba);

// The GL fixture: video started, framebuffer 0 current.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
};

}  // namespace vt
