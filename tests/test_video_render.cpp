// Projection, camera and render states: the lazily rebuilt 2D projection,
// the perspective, KRV_LookAt, the render-state bits with their switch count,
// blend modes, alpha blending and the palette. Real GL, matrices and pixels
// read back.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "krv/video_opengl.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

using vt::Hex;
using vt::ReadFramebuffer;
using vt::Rgba;

struct Mat {
    GLfloat m[16];
};

Mat Get(GLenum which) {
    Mat r;
    glGetFloatv(which, r.m);
    return r;
}

// Column-major, as GL keeps them.
Mat Ortho(double l, double r, double b, double t, double n, double f) {
    Mat o = {};
    o.m[0] = (GLfloat)(2 / (r - l));
    o.m[5] = (GLfloat)(2 / (t - b));
    o.m[10] = (GLfloat)(-2 / (f - n));
    o.m[12] = (GLfloat)(-(r + l) / (r - l));
    o.m[13] = (GLfloat)(-(t + b) / (t - b));
    o.m[14] = (GLfloat)(-(f + n) / (f - n));
    o.m[15] = 1;
    return o;
}

Mat Frustum(double l, double r, double b, double t, double n, double f) {
    Mat o = {};
    o.m[0] = (GLfloat)(2 * n / (r - l));
    o.m[5] = (GLfloat)(2 * n / (t - b));
    o.m[8] = (GLfloat)((r + l) / (r - l));
    o.m[9] = (GLfloat)((t + b) / (t - b));
    o.m[10] = (GLfloat)(-(f + n) / (f - n));
    o.m[11] = -1;
    o.m[14] = (GLfloat)(-2 * f * n / (f - n));
    return o;
}

const Mat kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
// A matrix no call here would make, to see whether it was replaced.
const Mat kMarker = {{3, 0, 0, 0, 0, 3, 0, 0, 0, 0, 3, 0, 7, 7, 7, 1}};

void ExpectNear(const Mat& got, const Mat& want, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got.m[i], want.m[i], tolerance) << "element " << i;
}

void Load(GLenum mode, const Mat& m) {
    glMatrixMode(mode);
    glLoadMatrixf(m.m);
    glMatrixMode(GL_MODELVIEW);
}

int NewTarget(int w, int h) {
    int id = -1;
    kt::Captured([&] { id = KRV_CreateFrameBuffer(w, h, 0); });
    KRV_SetFrameBuffer(id);
    return id;
}

class RenderTest : public vt::GLTest {};

// ---- the 2D projection -------------------------------------------------------

TEST_F(RenderTest, The2DProjectionIsBuiltOncePerFramebufferSwitchAndTheModelviewEveryDraw) {
    NewTarget(32, 16);
    EXPECT_EQ(KRV_projectionmode, 1);
    Load(GL_MODELVIEW, kMarker);
    KRV_DrawQuad(0, 0, 4, 4, 0, 0, 1, 1);
    ExpectNear(Get(GL_PROJECTION_MATRIX), Ortho(0, 32, 16, 0, -1, 1));
    ExpectNear(Get(GL_MODELVIEW_MATRIX), kIdentity);
    EXPECT_EQ(KRV_projectionmode, 0);

    // The second draw leaves the projection alone but resets the modelview
    // and switches depth test and lighting off again.
    Load(GL_PROJECTION, kMarker);
    Load(GL_MODELVIEW, kMarker);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    KRV_DrawQuad(0, 0, 4, 4, 0, 0, 1, 1);
    ExpectNear(Get(GL_PROJECTION_MATRIX), kMarker);
    ExpectNear(Get(GL_MODELVIEW_MATRIX), kIdentity);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));

    // A presentation makes the next draw rebuild it for the current framebuffer.
    KRV_SwapBuffers();
    EXPECT_EQ(KRV_projectionmode, 1);
    Load(GL_PROJECTION, kMarker);
    KRV_DrawQuad(0, 0, 4, 4, 0, 0, 1, 1);
    ExpectNear(Get(GL_PROJECTION_MATRIX), Ortho(0, 32, 16, 0, -1, 1));
}

TEST_F(RenderTest, The2DProjectionFollowsTheViewportOrigin) {
    glViewport(8, 4, 16, 10);
    KRV_projectionmode = 1;
    KRV_Enable2D();
    ExpectNear(Get(GL_PROJECTION_MATRIX), Ortho(8, 24, 14, 4, -1, 1));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

struct AspectCase {
    int width, height;
    double aspect;
};

// Back to perspective only from the 2D projection; the aspect is the integer
// quotient of the framebuffer's sides.
TEST_F(RenderTest, Disable2DSetsThe45DegreePerspectiveWithAnIntegerAspect) {
    const AspectCase cases[] = {{640, 360, 1}, {1920, 1080, 1}, {32, 16, 2}, {100, 30, 3}};
    for (const AspectCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        NewTarget(c.width, c.height);
        KRV_Enable2D();
        Load(GL_MODELVIEW, kMarker);
        KRV_Disable2D();
        double top = tan(45.0 * 3.141592653 / 360.0) * 0.01f;
        double right = c.aspect * top;
        ExpectNear(Get(GL_PROJECTION_MATRIX), Frustum(-right, right, -top, top, 0.01f, 1000.0f),
                   1e-3f);
        ExpectNear(Get(GL_MODELVIEW_MATRIX), kMarker);
        EXPECT_EQ(KRV_projectionmode, 1);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }
}

TEST_F(RenderTest, Disable2DDoesNothingWhenThe2DProjectionIsNotInPlace) {
    KRV_projectionmode = 1;
    Load(GL_PROJECTION, kMarker);
    KRV_Disable2D();
    ExpectNear(Get(GL_PROJECTION_MATRIX), kMarker);
    EXPECT_EQ(KRV_projectionmode, 1);
}

TEST_F(RenderTest, PerspectiveAndViewPortMultiplyTheSameFrustumOntoTheCurrentMatrix) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    KRV_Perspective(60, 2, 1, 10);
    Mat alone = Get(GL_PROJECTION_MATRIX);
    double top = tan(60 * 3.141592653 / 360.0);
    ExpectNear(alone, Frustum(-2 * top, 2 * top, -top, top, 1, 10));

    // Onto a scale of 2: every element of the frustum doubled but w's row.
    glLoadIdentity();
    glScalef(2, 2, 2);
    KRV_ViewPort(99, 77, 2, 60, 1, 10);
    Mat scaled = Get(GL_PROJECTION_MATRIX);
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 3; row++)
            EXPECT_NEAR(scaled.m[col * 4 + row], 2 * alone.m[col * 4 + row], 1e-5f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], vt::kWindowWidth) << "the viewport is left alone";
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(RenderTest, UpdateMatrixLoadsTheCurrentMatrix) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Mat m = kMarker;
    KRV_UpdateMatrix(m.m);
    ExpectNear(Get(GL_MODELVIEW_MATRIX), kMarker);
}

// ---- the camera --------------------------------------------------------------

struct LookAtCase {
    float eye[3];
    float centre[3];
};

void Apply(const Mat& m, const float p[3], double out[3]) {
    for (int r = 0; r < 3; r++)
        out[r] = m.m[r] * p[0] + m.m[4 + r] * p[1] + m.m[8 + r] * p[2] + m.m[12 + r];
}

// Whatever the direction, the camera transform takes the eye to the origin
// and the centre onto the negative z axis at its distance.
TEST_F(RenderTest, LookAtPutsTheEyeAtTheOriginLookingDownNegativeZ) {
    const LookAtCase cases[] = {
        {{0, 0, 5}, {0, 0, 0}},   {{0, 0, -5}, {0, 0, 0}},  {{3, 0, 0}, {0, 0, 0}},
        {{-3, 0, 0}, {0, 0, 0}},  {{1, 0, -1}, {0, 0, 0}},  {{-2, 1, -2}, {0, 0, 0}},
        {{0, 1, 1}, {0, 0, 0}},   {{4, -3, 2}, {1, 1, 1}},  {{0, 5, 0}, {0, 0, 0}},
        {{0, -5, 0}, {0, 0, 0}},  {{2, 7, 3}, {2, 1, 3}},   {{10, 2, 10}, {-3, 4, 5}},
    };
    for (const LookAtCase& c : cases) {
        SCOPED_TRACE("eye " + std::to_string(c.eye[0]) + "," + std::to_string(c.eye[1]) + "," +
                     std::to_string(c.eye[2]));
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        KRV_LookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2]);
        Mat m = Get(GL_MODELVIEW_MATRIX);
        double e[3], p[3];
        Apply(m, c.eye, e);
        Apply(m, c.centre, p);
        double dx = c.eye[0] - c.centre[0], dy = c.eye[1] - c.centre[1], dz = c.eye[2] - c.centre[2];
        double distance = sqrt(dx * dx + dy * dy + dz * dz);
        for (int i = 0; i < 3; i++) EXPECT_NEAR(e[i], 0, 1e-4);
        EXPECT_NEAR(p[0], 0, 1e-4);
        EXPECT_NEAR(p[1], 0, 1e-4);
        EXPECT_NEAR(p[2], -distance, 1e-4);
    }
}

TEST_F(RenderTest, LookAtFromStraightAboveRotatesNinetyDegreesAboutXAndTranslates) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    KRV_LookAt(0, 5, 0, 0, 0, 0);
    const Mat want = {{1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, -5, 1}};
    ExpectNear(Get(GL_MODELVIEW_MATRIX), want);
}

TEST_F(RenderTest, LookAtMultipliesOntoTheCurrentMatrixAndAnEyeOnTheCentreChangesNothing) {
    glMatrixMode(GL_MODELVIEW);
    Load(GL_MODELVIEW, kMarker);
    KRV_LookAt(1, 2, 3, 1, 2, 3);
    ExpectNear(Get(GL_MODELVIEW_MATRIX), kMarker);

    // From (0, 0, 5) it is a translation by (0, 0, -5), after the marker.
    KRV_LookAt(0, 0, 5, 0, 0, 0);
    Mat m = Get(GL_MODELVIEW_MATRIX);
    EXPECT_NEAR(m.m[0], 3, 1e-5);
    EXPECT_NEAR(m.m[12], 7, 1e-5);
    EXPECT_NEAR(m.m[14], 7 - 15, 1e-4);
}

// ---- render-state bits -------------------------------------------------------

struct StateCase {
    const char* what;
    int before;       // KRV_renderstate before the call
    bool enable;      // KRV_EnableRenderState, else KRV_DisableRenderState
    int bits;
    int after;        // KRV_renderstate after
    int gl_on;        // of the four states, which GL has on afterwards (same bits)
    int switches;     // switches counted
};

int GLStates() {
    return (glIsEnabled(GL_DEPTH_TEST) ? 1 : 0) | (glIsEnabled(GL_ALPHA_TEST) ? 2 : 0) |
           (glIsEnabled(GL_BLEND) ? 4 : 0) | (glIsEnabled(GL_LIGHTING) ? 8 : 0);
}

void SetGLStates(int on) {
    const GLenum caps[4] = {GL_DEPTH_TEST, GL_ALPHA_TEST, GL_BLEND, GL_LIGHTING};
    for (int i = 0; i < 4; i++) (on & (1 << i)) ? glEnable(caps[i]) : glDisable(caps[i]);
}

// Enabling does nothing when any requested bit is set; disabling does nothing
// when none is, and otherwise switches off every requested state. Enable
// cases start with GL's four states off, disable cases with all four on.
TEST_F(RenderTest, RenderStateBitsFollowTheirRules) {
    const StateCase cases[] = {
        {"enable depth", 0, true, 1, 1, 1, 1},
        {"enable all", 0, true, 15, 15, 15, 1},
        {"enable 3 while 1 is set", 1, true, 3, 1, 0, 0},
        {"enable 8 while 4 is set", 4, true, 8, 12, 8, 1},
        {"enable keeps bits outside the four", 0, true, 0x14, 0x14, 4, 1},
        {"enable nothing counts a switch", 0, true, 0, 0, 0, 1},
        {"disable 3 while only 1 is set", 1, false, 3, 0, 12, 1},
        {"disable 8 while only 4 is set", 4, false, 8, 4, 15, 0},
        {"disable all", 15, false, 15, 0, 0, 1},
        {"disable nothing", 5, false, 0, 5, 15, 0},
        {"disable clears bits outside the four", 0x30, false, 0x10, 0x20, 15, 1},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetGLStates(c.enable ? 0 : 15);
        KRV_renderstate = c.before;
        int switches = KRV_stats_numstateswitches;
        if (c.enable)
            KRV_EnableRenderState(c.bits);
        else
            KRV_DisableRenderState(c.bits);
        EXPECT_EQ(KRV_renderstate, c.after);
        EXPECT_EQ(GLStates(), c.gl_on);
        EXPECT_EQ(KRV_stats_numstateswitches - switches, c.switches);
    }
}

TEST_F(RenderTest, StartUpLeavesTheBitsClearWithGLsDepthTestOn) {
    EXPECT_EQ(KRV_renderstate, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}

// The 2D draw switches GL's depth test off behind the bits' back, so a second
// enable of bit 1 does nothing.
TEST_F(RenderTest, A2DDrawRunsWithoutDepthTestWhileItsBitStaysSet) {
    KRV_EnableRenderState(1);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    KRV_DrawQuad(0, 0, 4, 4, 0, 0, 1, 1);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(KRV_renderstate, 1);
    int switches = KRV_stats_numstateswitches;
    KRV_EnableRenderState(1);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(KRV_stats_numstateswitches, switches);
}

// ---- blending ------------------------------------------------------------------

struct BlendCase {
    int mode;
    GLint src, dst;
};

TEST_F(RenderTest, BlendModesSetTheirFunctionsAndOtherModesChangeNothing) {
    const BlendCase cases[] = {{1, GL_SRC_COLOR, GL_DST_COLOR},
                               {2, GL_SRC_COLOR, GL_ONE},
                               {0, GL_ZERO, GL_SRC_ALPHA},
                               {3, GL_ZERO, GL_SRC_ALPHA},
                               {-1, GL_ZERO, GL_SRC_ALPHA}};
    for (const BlendCase& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
        glDisable(GL_BLEND);
        KRV_SetBlendMode(c.mode);
        GLint src = 0, dst = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        EXPECT_EQ(src, c.src);
        EXPECT_EQ(dst, c.dst);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
}

TEST_F(RenderTest, AlphaBlendDrawsWithTheGlobalAlphaAndLeavesTheBitsAlone) {
    int id = NewTarget(4, 4);
    KRV_ClearFrameBuffer(0xFF000000u);
    glBindTexture(GL_TEXTURE_2D, (GLuint)krv_whitetexture_id);
    KRV_EnableAlphaBlend(0.25f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    KRV_DrawQuad(0, 0, 4, 4, 0, 0, 1, 1);
    uint32_t px = ReadFramebuffer(id).At(1, 1);
    EXPECT_EQ(px & 0xFF, 64u) << Hex(px);
    EXPECT_EQ(KRV_renderstate, 0);

    KRV_DisableAlphaBlend();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[3], 1.0f);
    KRV_DrawQuad(0, 0, 4, 4, 0, 0, 1, 1);
    EXPECT_EQ(Hex(ReadFramebuffer(id).At(1, 1)), Hex(Rgba(255, 255, 255)));
}

// ---- the palette ---------------------------------------------------------------

TEST_F(RenderTest, SetPalleteCopiesCountColoursToTheStartOfAPalette) {
    unsigned char rgb[6] = {1, 2, 3, 4, 5, 6};
    KRV_SetPallete(7, 2, rgb);
    EXPECT_EQ(memcmp(KRV_Palette[7], rgb, 6), 0);
    EXPECT_EQ(KRV_Palette[7][2][0], 0);
    EXPECT_EQ(KRV_Palette[6][0][0], 0);

    // Our choice: palettes and counts outside the table are refused.
    std::string text = kt::Captured([&] {
        KRV_SetPallete(8, 1, rgb);
        KRV_SetPallete(0, 257, rgb);
        KRV_SetPallete(-1, 1, rgb);
    });
    EXPECT_EQ(text,
              "[KRV] KRV_SetPallete: palette 8 with 1 colours refused\n"
              "[KRV] KRV_SetPallete: palette 0 with 257 colours refused\n"
              "[KRV] KRV_SetPallete: palette -1 with 1 colours refused\n");
    EXPECT_EQ(KRV_Palette[0][0][0], 0);
}

}  // namespace
