// The framebuffer table, textures and the bind cache, quads and lines with
// their visibility test and winding, and the copy path taken when framebuffer
// objects are incomplete or missing. Real GL, pixels read back.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "krv/video_opengl.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

using vt::FillRect;
using vt::Hex;
using vt::Image;
using vt::ReadFramebuffer;
using vt::Rgba;

const uint32_t kBlack = Rgba(0, 0, 0);
const uint32_t kRed = Rgba(255, 0, 0);
const uint32_t kBlue = Rgba(0, 0, 255);
const uint32_t kGreen = Rgba(0, 255, 0);
const uint32_t kWhite = Rgba(255, 255, 255);

GLint GetInt(GLenum what) {
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

GLint TexParam(GLuint texture, GLenum what) {
    GLint previous = GetInt(GL_TEXTURE_BINDING_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, what, &v);
    glBindTexture(GL_TEXTURE_2D, (GLuint)previous);
    return v;
}

// A framebuffer made current and cleared to black.
int NewTarget(int w, int h, int flags = 0) {
    int id = -1;
    kt::Captured([&] { id = KRV_CreateFrameBuffer(w, h, flags); });
    KRV_SetFrameBuffer(id);
    KRV_ClearFrameBuffer(0xFF000000u);
    return id;
}

class FramebufferTest : public vt::GLTest {};

// ---- the table ---------------------------------------------------------------

TEST_F(FramebufferTest, StartUpMadeEntryZeroOfTheWindowsSizeAndMadeItCurrent) {
    EXPECT_EQ(KRV_numframebuffers, 1);
    EXPECT_EQ(KRV_FrameBuffer, &KRV_framebuffers[0]);
    const s_framebuffer& fb = KRV_framebuffers[0];
    EXPECT_EQ(fb.width, vt::kWindowWidth);
    EXPECT_EQ(fb.height, vt::kWindowHeight);
    EXPECT_EQ(fb.id, 0);
    EXPECT_EQ(fb.flags, 0);
    EXPECT_EQ(KRV_framebuffers_enabled, 1);
    EXPECT_EQ((GLuint)GetInt(GL_FRAMEBUFFER_BINDING_EXT), KRV_framebufferdata[0].fbo);
}

TEST_F(FramebufferTest, IdsCountFromOneAndCreationLeavesTheWindowBoundAndTheCurrentEntry) {
    glActiveTexture(GL_TEXTURE3);
    int a = -1, b = -1;
    std::string text = kt::Captured([&] {
        a = KRV_CreateFrameBuffer(32, 16, 0);
        b = KRV_CreateFrameBuffer(20, 10, 6);
    });
    EXPECT_EQ(text, "[KRV] Init Framebuffer: 32,16\n[KRV] Init Framebuffer: 20,10\n");
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(KRV_numframebuffers, 3);
    EXPECT_EQ(GetInt(GL_FRAMEBUFFER_BINDING_EXT), 0);
    EXPECT_EQ(KRV_FrameBuffer, &KRV_framebuffers[0]);
    EXPECT_EQ(GetInt(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(KRV_framebuffers_enabled, 1);

    const s_framebuffer& e = KRV_framebuffers[b];
    EXPECT_EQ(e.width, 20);
    EXPECT_EQ(e.height, 10);
    EXPECT_EQ(e.id, 2);
    EXPECT_EQ(e.flags, 6);  // bits beyond 0 and 1 are kept
    const s_framebufferdata& d = KRV_framebufferdata[b];
    EXPECT_NE(d.pixels, nullptr);
    EXPECT_TRUE(glIsTexture(d.texture));
    EXPECT_NE(d.fbo, 0u);
    EXPECT_EQ(d.depthtexture, 0u);
    EXPECT_EQ(KRV_GetFrameBufferTexture(b), (int)d.texture);
    EXPECT_EQ(KRV_GetFrameBufferDepth(b), 0);
}

TEST_F(FramebufferTest, FlagsBitZeroAttachesADepthStencilTexture) {
    int id = -1;
    kt::Captured([&] { id = KRV_CreateFrameBuffer(16, 8, 1); });
    const s_framebufferdata& d = KRV_framebufferdata[id];
    ASSERT_TRUE(glIsTexture(d.depthtexture));
    EXPECT_EQ(KRV_GetFrameBufferDepth(id), (int)d.depthtexture);
    EXPECT_EQ(KRV_framebuffers_enabled, 1);
    EXPECT_EQ(TexParam(d.depthtexture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(TexParam(d.depthtexture, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TexParam(d.depthtexture, GL_TEXTURE_COMPARE_MODE), GL_NONE);

    KRV_SetFrameBuffer(id);
    GLint attached = 0;
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &attached);
    EXPECT_EQ((GLuint)attached, d.depthtexture);
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_STENCIL_ATTACHMENT_EXT,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &attached);
    EXPECT_EQ(attached, 0) << "the stencil part is not attached";
}

TEST_F(FramebufferTest, SetFrameBufferBindsItsObjectTextureAndViewport) {
    int id = -1;
    kt::Captured([&] { id = KRV_CreateFrameBuffer(24, 12, 0); });
    KRV_projectionmode = 0;
    KRV_SetFrameBuffer(id);
    EXPECT_EQ(KRV_FrameBuffer, &KRV_framebuffers[id]);
    EXPECT_EQ((GLuint)GetInt(GL_FRAMEBUFFER_BINDING_EXT), KRV_framebufferdata[id].fbo);
    EXPECT_EQ((GLuint)GetInt(GL_TEXTURE_BINDING_2D), KRV_framebufferdata[id].texture);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 24);
    EXPECT_EQ(viewport[3], 12);
    EXPECT_EQ(KRV_projectionmode, 1);
    EXPECT_EQ(KRV_GetFrameBufferWidth(), 24);
    EXPECT_EQ(KRV_GetFrameBufferHeight(), 12);
}

// Our choice: a seventeenth framebuffer and ids outside the
// table are refused with a message; nothing changes.
TEST_F(FramebufferTest, ASeventeenthFramebufferAndUnknownIdsAreRefused) {
    kt::Captured([] {
        while (KRV_numframebuffers < 16) KRV_CreateFrameBuffer(4, 4, 0);
    });
    int id = 0;
    std::string text = kt::Captured([&] { id = KRV_CreateFrameBuffer(8, 8, 0); });
    EXPECT_EQ(text, "[KRV] Framebuffer table full (16), 8,8 not created\n");
    EXPECT_EQ(id, -1);
    EXPECT_EQ(KRV_numframebuffers, 16);

    s_framebuffer* current = KRV_FrameBuffer;
    text = kt::Captured([] {
        KRV_SetFrameBuffer(16);
        KRV_SetFrameBuffer(-1);
        EXPECT_EQ(KRV_GetFrameBufferTexture(99), 0);
        EXPECT_EQ(KRV_GetFrameBufferDepth(-3), 0);
        KRV_DrawFrameBuffer(0, 0, 4, 4, 17);
    });
    EXPECT_EQ(text,
              "[KRV] KRV_SetFrameBuffer: no framebuffer 16\n"
              "[KRV] KRV_SetFrameBuffer: no framebuffer -1\n"
              "[KRV] KRV_GetFrameBufferTexture: no framebuffer 99\n"
              "[KRV] KRV_GetFrameBufferDepth: no framebuffer -3\n"
              "[KRV] KRV_DrawFrameBuffer: no framebuffer 17\n");
    EXPECT_EQ(KRV_FrameBuffer, current);
}

// ---- clearing ----------------------------------------------------------------

TEST_F(FramebufferTest, ClearTakesItsColourInMemoryOrderAndKeepsIt) {
    int id = NewTarget(4, 4);
    KRV_ClearFrameBuffer(0x80FF4020u);  // R 0x20, G 0x40, B 0xFF, A 0x80
    Image img = ReadFramebuffer(id);
    EXPECT_EQ(Hex(img.At(0, 0)), Hex(0x80FF4020u));
    EXPECT_EQ(Hex(img.At(3, 3)), Hex(0x80FF4020u));
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0x20 / 255.0f);
    EXPECT_FLOAT_EQ(clear[2], 1.0f);
    EXPECT_FLOAT_EQ(clear[3], 0x80 / 255.0f);
}

// Our choice: an entry with a depth attachment has colour and
// depth cleared together.
TEST_F(FramebufferTest, ClearOfAnEntryWithDepthClearsColourAndDepth) {
    int id = NewTarget(4, 4, 1);
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    KRV_ClearFrameBuffer(0xFF0000FFu);
    GLfloat depth = 0;
    glReadPixels(1, 1, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f);
    EXPECT_EQ(Hex(ReadFramebuffer(id).At(2, 2)), Hex(kRed));
}

// ---- drawing framebuffers ----------------------------------------------------

// The show's case: a 640 by 360 entry drawn over a 640 by 360 target
// comes out upright, pixel for pixel.
TEST_F(FramebufferTest, DrawFrameBufferShowsTheEntryUpright) {
    int src = NewTarget(640, 360);
    FillRect(0, 0, 320, 180, kRed);      // top left
    FillRect(320, 0, 320, 180, kGreen);  // top right
    FillRect(0, 180, 320, 180, kBlue);   // bottom left
    FillRect(320, 180, 320, 180, kWhite);
    Image picture = ReadFramebuffer(src);
    ASSERT_EQ(Hex(picture.At(0, 0)), Hex(kRed));
    ASSERT_EQ(Hex(picture.At(639, 359)), Hex(kWhite));

    int dst = NewTarget(640, 360);
    KRV_DrawFrameBuffer(0, 0, 640, 360, src);
    Image shown = ReadFramebuffer(dst);
    EXPECT_EQ(Hex(shown.At(0, 0)), Hex(kRed));
    EXPECT_EQ(Hex(shown.At(639, 0)), Hex(kGreen));
    EXPECT_EQ(Hex(shown.At(0, 359)), Hex(kBlue));
    EXPECT_EQ(Hex(shown.At(639, 359)), Hex(kWhite));
    EXPECT_TRUE(shown.pixels == picture.pixels);
    EXPECT_EQ((GLuint)GetInt(GL_TEXTURE_BINDING_2D), KRV_framebufferdata[src].texture);
}

struct FilterCase {
    int flags;
    GLint filter;
};

TEST_F(FramebufferTest, FlagsBitOneSelectsLinearFilteringOtherwiseNearest) {
    for (FilterCase c : {FilterCase{0, GL_NEAREST}, FilterCase{2, GL_LINEAR}}) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        int src = NewTarget(2, 1, c.flags);
        GLuint tex = KRV_framebufferdata[src].texture;
        EXPECT_EQ(TexParam(tex, GL_TEXTURE_MIN_FILTER), c.filter);
        EXPECT_EQ(TexParam(tex, GL_TEXTURE_MAG_FILTER), c.filter);
        EXPECT_EQ(TexParam(tex, GL_TEXTURE_WRAP_S), GL_MIRRORED_REPEAT);
        EXPECT_EQ(TexParam(tex, GL_TEXTURE_WRAP_T), GL_MIRRORED_REPEAT);
        FillRect(1, 0, 1, 1, kWhite);  // left black, right white

        int dst = NewTarget(8, 1);
        KRV_DrawFrameBuffer(0, 0, 8, 1, src);
        Image img = ReadFramebuffer(dst);
        EXPECT_EQ(Hex(img.At(0, 0)), Hex(kBlack));
        EXPECT_EQ(Hex(img.At(7, 0)), Hex(kWhite));
        uint32_t red3 = img.At(3, 0) & 0xFF, red4 = img.At(4, 0) & 0xFF;
        if (c.filter == GL_NEAREST) {
            EXPECT_EQ(red3, 0u);
            EXPECT_EQ(red4, 255u);
        } else {
            EXPECT_GT(red3, 0u);
            EXPECT_LT(red4, 255u);
        }
    }
}

// ---- quads ---------------------------------------------------------------------

struct VisibilityCase {
    float x, y, w, h;
    bool drawn;
};

TEST_F(FramebufferTest, AQuadIsDrawnOnlyWhenItOverlapsTheFramebufferStrictly) {
    NewTarget(16, 12);
    const float nan = std::nanf("");
    const VisibilityCase cases[] = {
        {16, 0, 4, 4, false},  {15.5f, 0, 4, 4, true},  {-4, 0, 4, 4, false},
        {-3.5f, 0, 4, 4, true}, {0, 12, 4, 4, false},   {0, 11.5f, 4, 4, true},
        {0, -4, 4, 4, false},  {0, -3.5f, 4, 4, true},  {nan, 0, 4, 4, false},
        {0, nan, 4, 4, false}, {0, 0, nan, 4, false},   {0, 0, -4, 4, false},
        {0, 0, 16, 12, true},  {-100, -100, 300, 300, true},
    };
    for (const VisibilityCase& c : cases) {
        int before = KRV_stats_numtriangles;
        KRV_DrawQuad(c.x, c.y, c.w, c.h, 0, 0, 1, 1);
        EXPECT_EQ(KRV_stats_numtriangles - before, c.drawn ? 2 : 0)
            << "quad " << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }
}

TEST_F(FramebufferTest, QuadsCoverTheirPixelsAndAreWoundAsFrontFaces) {
    int id = NewTarget(16, 8);
    FillRect(4, 2, 4, 3, kRed);
    Image img = ReadFramebuffer(id);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 16; x++) {
            bool inside = x >= 4 && x < 8 && y >= 2 && y < 5;
            EXPECT_EQ(Hex(img.At(x, y)), Hex(inside ? kRed : kBlack)) << x << "," << y;
        }

    // Negative sizes pass the visibility test but are wound the other way:
    // counted, culled, nothing drawn, unless culling is switched off.
    KRV_ClearFrameBuffer(0xFF000000u);
    int before = KRV_stats_numtriangles;
    FillRect(12, 2, -4, 3, kRed);
    FillRect(4, 6, 4, -3, kRed);
    EXPECT_EQ(KRV_stats_numtriangles - before, 4);
    img = ReadFramebuffer(id);
    EXPECT_EQ(Hex(img.At(10, 3)), Hex(kBlack));
    EXPECT_EQ(Hex(img.At(5, 4)), Hex(kBlack));
    glDisable(GL_CULL_FACE);
    FillRect(12, 2, -4, 3, kRed);
    glEnable(GL_CULL_FACE);
    EXPECT_EQ(Hex(ReadFramebuffer(id).At(10, 3)), Hex(kRed));
}

TEST_F(FramebufferTest, ARotatedQuadTurnsClockwiseAboutItsCentreAndKeepsItsModelview) {
    int src = NewTarget(2, 1);
    FillRect(0, 0, 1, 1, kRed);
    FillRect(1, 0, 1, 1, kBlue);
    int dst = NewTarget(16, 16);
    glBindTexture(GL_TEXTURE_2D, KRV_framebufferdata[src].texture);
    int before = KRV_stats_numtriangles;
    KRV_DrawRotatedQuad(4, 7, 8, 2, 0, 1, 1, 0, 90);
    EXPECT_EQ(KRV_stats_numtriangles - before, 2);
    Image img = ReadFramebuffer(dst);
    // Its left (red) half turned to the top, the right (blue) to the bottom.
    EXPECT_EQ(Hex(img.At(8, 5)), Hex(kRed));
    EXPECT_EQ(Hex(img.At(8, 10)), Hex(kBlue));
    EXPECT_EQ(Hex(img.At(5, 8)), Hex(kBlack));
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 8.0f);
    EXPECT_FLOAT_EQ(m[13], 8.0f);

    // At 0 degrees it covers what the plain quad covers.
    KRV_ClearFrameBuffer(0xFF000000u);
    KRV_DrawRotatedQuad(4, 7, 8, 2, 0, 1, 1, 0, 0);
    img = ReadFramebuffer(dst);
    EXPECT_EQ(Hex(img.At(4, 7)), Hex(kRed));
    EXPECT_EQ(Hex(img.At(11, 8)), Hex(kBlue));
    EXPECT_EQ(Hex(img.At(3, 7)), Hex(kBlack));
    EXPECT_EQ(Hex(img.At(4, 9)), Hex(kBlack));

    // Out of sight by its unrotated rectangle: not drawn.
    before = KRV_stats_numtriangles;
    KRV_DrawRotatedQuad(16, 0, 8, 2, 0, 1, 1, 0, 90);
    EXPECT_EQ(KRV_stats_numtriangles, before);
}

TEST_F(FramebufferTest, AColourQuadTintsTheBoundTextureAndRestoresWhite) {
    uint32_t grey[4] = {Rgba(200, 200, 200), Rgba(200, 200, 200), Rgba(200, 200, 200),
                        Rgba(200, 200, 200)};
    int tex = KRV_CreateTexture(2, 2, grey, 0);
    int id = NewTarget(4, 4);
    glBindTexture(GL_TEXTURE_2D, (GLuint)tex);
    KRV_DrawColorQuad(0, 0, 4, 4, 1.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_EQ(Hex(ReadFramebuffer(id).At(1, 1)), Hex(Rgba(200, 100, 0)));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
}

TEST_F(FramebufferTest, ALineIsDrawnInItsColourAndCountedApart) {
    int id = NewTarget(16, 8);
    glBindTexture(GL_TEXTURE_2D, (GLuint)krv_whitetexture_id);
    int triangles = KRV_stats_numtriangles, lines = KRV_stats_numlines;
    KRV_DrawLineRGB(0, 2.5f, 16, 2.5f, 1, 0, 0, 1);
    // Far outside: GL clips it, it is counted all the same.
    KRV_DrawLineRGB(-50, -50, -40, -40, 0, 1, 0, 1);
    EXPECT_EQ(KRV_stats_numlines - lines, 2);
    EXPECT_EQ(KRV_stats_numtriangles, triangles);
    Image img = ReadFramebuffer(id);
    EXPECT_EQ(Hex(img.At(8, 2)), Hex(kRed));
    EXPECT_EQ(Hex(img.At(8, 4)), Hex(kBlack));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
}

// ---- textures ------------------------------------------------------------------

TEST_F(FramebufferTest, TexturesAreCreatedUpdatedSetAndDeleted) {
    uint32_t pixels[6] = {Rgba(1, 2, 3, 4), Rgba(5, 6, 7, 8), Rgba(9, 10, 11, 12),
                          Rgba(13, 14, 15, 16), Rgba(17, 18, 19, 20), Rgba(21, 22, 23, 24)};
    GLuint tex = (GLuint)KRV_CreateTexture(3, 2, pixels, 99);
    ASSERT_TRUE(glIsTexture(tex));
    EXPECT_EQ((GLuint)GetInt(GL_TEXTURE_BINDING_2D), tex);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_WRAP_T), GL_REPEAT);
    uint32_t back[6] = {};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
    for (int i = 0; i < 6; i++) EXPECT_EQ(Hex(back[i]), Hex(pixels[i]));

    KRV_SetTextureOptions((int)tex, GL_NEAREST, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_MIRRORED_REPEAT);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_WRAP_T), GL_MIRRORED_REPEAT);
    // A value GL refuses leaves the texture as it was.
    KRV_SetTextureOptions((int)tex, 12345, GL_NEAREST, GL_REPEAT, GL_REPEAT);
    EXPECT_EQ(TexParam(tex, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    while (glGetError() != GL_NO_ERROR) {
    }

    uint32_t one = Rgba(100, 150, 200, 250);
    KRV_UpdateTexture((int)tex, 1, 1, &one);
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(Hex(back[0]), Hex(one));

    glBindTexture(GL_TEXTURE_2D, 0);
    KRV_DeleteTexture((int)tex);
    EXPECT_FALSE(glIsTexture(tex));
}

TEST_F(FramebufferTest, BindTextureSkipsTheTextureItBoundLastAndCountsItsBinds) {
    uint32_t white = 0xFFFFFFFFu;
    int a = KRV_CreateTexture(1, 1, &white, 0);
    int b = KRV_CreateTexture(1, 1, &white, 0);
    KRV_lasttextureid = -1;
    int binds = KRV_stats_numtexturebinds;
    KRV_BindTexture(a);
    KRV_BindTexture(a);
    EXPECT_EQ(KRV_stats_numtexturebinds - binds, 1);
    EXPECT_EQ(KRV_lasttextureid, a);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), a);

    // Other binds leave the cache alone, so a bind of a is skipped even though
    // b is bound in GL now.
    KRV_BindTextureChannel(b, 0);
    KRV_BindTexture(a);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), b);
    EXPECT_EQ(KRV_stats_numtexturebinds - binds, 1);
    KRV_BindTexture(b);
    EXPECT_EQ(KRV_stats_numtexturebinds - binds, 2);
    EXPECT_EQ(KRV_lasttextureid, b);
}

TEST_F(FramebufferTest, BindTextureChannelLeavesItsUnitActiveAndOtherChannelsUseTheActiveUnit) {
    uint32_t white = 0xFFFFFFFFu;
    int a = KRV_CreateTexture(1, 1, &white, 0);
    int b = KRV_CreateTexture(1, 1, &white, 0);
    int c = KRV_CreateTexture(1, 1, &white, 0);
    int binds = KRV_stats_numtexturebinds;
    KRV_BindTextureChannel(a, 3);
    EXPECT_EQ(GetInt(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), a);
    KRV_BindTextureChannel(b, 8);
    EXPECT_EQ(GetInt(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), b);
    KRV_BindTextureChannel(c, -1);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), c);
    KRV_BindTextureChannel(a, 7);
    EXPECT_EQ(GetInt(GL_ACTIVE_TEXTURE), GL_TEXTURE7);
    KRV_BindTextureChannel(a, 0);
    EXPECT_EQ(GetInt(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(KRV_stats_numtexturebinds, binds);
}

// ---- framebuffer objects unusable --------------------------------------------

// A zero-sized colour texture makes an incomplete framebuffer: the status is
// printed without a line break and the whole system takes the copy path, so
// the current entry draws into the window's back buffer. A later complete
// creation switches framebuffer objects back on.
TEST_F(FramebufferTest, AnIncompleteFramebufferSwitchesEveryEntryToTheWindow) {
    int bad = -1;
    std::string text = kt::Captured([&] { bad = KRV_CreateFrameBuffer(0, 0, 0); });
    EXPECT_EQ(text, "[KRV] Init Framebuffer: 0,0\nglCheckFramebufferStatus: error " +
                        std::to_string(GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT));
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(KRV_framebuffers_enabled, 0);
    EXPECT_EQ(KRV_framebufferdata[bad].pixels, nullptr);

    KRV_SetFrameBuffer(0);
    EXPECT_EQ(GetInt(GL_FRAMEBUFFER_BINDING_EXT), 0);
    KRV_ClearFrameBuffer(0xFF000000u);
    FillRect(0, 0, 8, 8, kGreen);
    uint32_t px = 0;
    glReadBuffer(GL_BACK);
    glReadPixels(2, vt::kWindowHeight - 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &px);
    EXPECT_EQ(Hex(px), Hex(kGreen)) << "drawn into the window's back buffer";

    int good = -1;
    kt::Captured([&] { good = KRV_CreateFrameBuffer(8, 8, 0); });
    EXPECT_EQ(KRV_framebuffers_enabled, 1);
    KRV_SetFrameBuffer(0);
    EXPECT_EQ((GLuint)GetInt(GL_FRAMEBUFFER_BINDING_EXT), KRV_framebufferdata[0].fbo);
}

// Without the EXT_framebuffer_object entry points creation would call null
// pointers: it reports status 0 like an incomplete framebuffer and takes the
// copy path; the calls that bind the window skip the missing entry point.
TEST_F(FramebufferTest, MissingFramebufferEntryPointsCountAsIncomplete) {
    PFNGLGENFRAMEBUFFERSEXTPROC gen = __glewGenFramebuffersEXT;
    PFNGLBINDFRAMEBUFFEREXTPROC bind = __glewBindFramebufferEXT;
    PFNGLFRAMEBUFFERTEXTURE2DEXTPROC attach = __glewFramebufferTexture2DEXT;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC check = __glewCheckFramebufferStatusEXT;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    __glewGenFramebuffersEXT = nullptr;
    __glewBindFramebufferEXT = nullptr;
    __glewFramebufferTexture2DEXT = nullptr;
    __glewCheckFramebufferStatusEXT = nullptr;

    int id = -1;
    std::string text = kt::Captured([&] { id = KRV_CreateFrameBuffer(8, 8, 0); });
    EXPECT_EQ(text, "[KRV] Init Framebuffer: 8,8\nglCheckFramebufferStatus: error 0");
    EXPECT_EQ(id, 1);
    EXPECT_EQ(KRV_framebuffers_enabled, 0);
    EXPECT_EQ(KRV_framebufferdata[id].fbo, 0u);
    EXPECT_TRUE(glIsTexture(KRV_framebufferdata[id].texture));

    KRV_SetFrameBuffer(id);
    KRV_SwapBuffers();
    KRV_SwapBuffersBasic();

    __glewGenFramebuffersEXT = gen;
    __glewBindFramebufferEXT = bind;
    __glewFramebufferTexture2DEXT = attach;
    __glewCheckFramebufferStatusEXT = check;
    EXPECT_EQ(GetInt(GL_FRAMEBUFFER_BINDING_EXT), 0);
}

}  // namespace
