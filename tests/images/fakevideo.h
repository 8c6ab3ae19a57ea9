// A stand-in for the video core that records what the image modules ask of
// it: textures (with their uploaded pixels), binds, render-state and blend
// calls, and every quad; also the shader and texture-option calls of the
// demo's asset loader. Lets the loaders (the demo's PNG loader among them),
// cutting and text layout be checked without a GL context; the GL suites
// check the same draws by pixels.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fv {

struct Quad {
    float x, y, w, h, tu0, tv0, tu1, tv1;
    bool rotated;
    float angle;
    int texture;  // the texture bound when the quad was drawn
};

// Every call in order, as text: "CreateTexture 2x2 -> 1", "BindTexture 1",
// "DisableRenderState 2", "DrawQuad", "SetBlendMode 1", ...
extern std::vector<std::string> calls;
extern std::vector<Quad> quads;
// Texture name -> its last uploaded image (width, height, RGBA words).
struct Texture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    bool deleted = false;
};
extern std::map<int, Texture> textures;
extern int bound;

// Sets the current framebuffer's width (the centred text reads it).
void SetFrameBufferWidth(int width);
void Reset();

// Checks that exactly one quad was drawn, after exactly the calls listed
// ("BindTexture T" standing for the given texture), with the geometry and
// texture coordinates of want.
void ExpectOneQuad(const std::vector<std::string>& calls_wanted, int texture, const Quad& want);

}  // namespace fv
