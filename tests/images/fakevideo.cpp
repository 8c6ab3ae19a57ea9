#include "tests/images/fakevideo.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "krv/corebitmap_private.h"
#include "krv/video_opengl_extended.h"

namespace fv {

std::vector<std::string> calls;
std::vector<Quad> quads;
std::map<int, Texture> textures;
int bound = 0;
static int next_texture = 1;

static s_framebuffer framebuffer = {640, 360, 0, 0};

void SetFrameBufferWidth(int width) {
    framebuffer.width = width;
}

void Reset() {
    calls.clear();
    quads.clear();
    bound = 0;
}

static void Upload(int texture, int width, int height, void* pixels) {
    Texture& t = textures[texture];
    t.width = width;
    t.height = height;
    t.pixels.clear();
    if (pixels && width > 0 && height > 0) {
        const uint32_t* p = (const uint32_t*)pixels;
        t.pixels.assign(p, p + (size_t)width * (size_t)height);
    }
}

void ExpectOneQuad(const std::vector<std::string>& calls_wanted, int texture, const Quad& want) {
    std::vector<std::string> expected;
    for (std::string call : calls_wanted) {
        if (call == "BindTexture T") call = "BindTexture " + std::to_string(texture);
        expected.push_back(call);
    }
    EXPECT_EQ(calls, expected);
    ASSERT_EQ(quads.size(), 1u);
    const Quad& q = quads[0];
    EXPECT_EQ(q.x, want.x);
    EXPECT_EQ(q.y, want.y);
    EXPECT_EQ(q.w, want.w);
    EXPECT_EQ(q.h, want.h);
    EXPECT_EQ(q.tu0, want.tu0);
    EXPECT_EQ(q.tv0, want.tv0);
    EXPECT_EQ(q.tu1, want.tu1);
    EXPECT_EQ(q.tv1, want.tv1);
    EXPECT_EQ(q.rotated, want.rotated);
    EXPECT_EQ(q.angle, want.angle);
}

}  // namespace fv

s_framebuffer* KRV_FrameBuffer = &fv::framebuffer;
int KRV_numframebuffers = 1;

int PowerOfTwo(int n) {
    return n;
}

int KRV_CreateTexture(int width, int height, void* pixels, int) {
    int id = fv::next_texture++;
    fv::Upload(id, width, height, pixels);
    fv::calls.push_back("CreateTexture " + std::to_string(width) + "x" + std::to_string(height) + " -> " +
                        std::to_string(id));
    return id;
}

void KRV_UpdateTexture(int texture, int width, int height, void* pixels) {
    fv::Upload(texture, width, height, pixels);
    fv::calls.push_back("UpdateTexture " + std::to_string(texture));
}

void KRV_DeleteTexture(int texture) {
    fv::textures[texture].deleted = true;
    fv::calls.push_back("DeleteTexture " + std::to_string(texture));
}

void KRV_BindTexture(int texture) {
    fv::bound = texture;
    fv::calls.push_back("BindTexture " + std::to_string(texture));
}

void KRV_DrawQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1, float tv1) {
    fv::quads.push_back({x, y, w, h, tu0, tv0, tu1, tv1, false, 0.0f, fv::bound});
    fv::calls.push_back("DrawQuad");
}

void KRV_DrawRotatedQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1, float tv1,
                         float angle) {
    fv::quads.push_back({x, y, w, h, tu0, tv0, tu1, tv1, true, angle, fv::bound});
    fv::calls.push_back("DrawRotatedQuad");
}

void KRV_EnableRenderState(int bits) {
    fv::calls.push_back("EnableRenderState " + std::to_string(bits));
}

void KRV_DisableRenderState(int bits) {
    fv::calls.push_back("DisableRenderState " + std::to_string(bits));
}

void KRV_SetBlendMode(int mode) {
    fv::calls.push_back("SetBlendMode " + std::to_string(mode));
}

void KRV_EnableAlphaBlend(float alpha) {
    char text[64];
    snprintf(text, sizeof text, "EnableAlphaBlend %g", alpha);
    fv::calls.push_back(text);
}

void KRV_DisableAlphaBlend(void) {
    fv::calls.push_back("DisableAlphaBlend");
}

// The calls the demo's asset loader makes besides the image ones: shader ids
// are handed out in order, from 0, as the shader table does.
static int next_shader = 0;

int KRV_InitShader(const char*, const char*) {
    int id = next_shader++;
    fv::calls.push_back("InitShader -> " + std::to_string(id));
    return id;
}

void KRV_SetPostShader(int shader_id) {
    fv::calls.push_back("SetPostShader " + std::to_string(shader_id));
}

void KRV_SetTextureOptions(int texture, int minfilter, int magfilter, int wraps, int wrapt) {
    char text[96];
    snprintf(text, sizeof text, "SetTextureOptions %d %d %d %#x %#x", texture, minfilter, magfilter, wraps, wrapt);
    fv::calls.push_back(text);
}
