// The show's assets on a test data image: the shader files and the CRT post
// shader (ids, records, the exact log), PNG images through lodepng (bytes,
// colour types, refused files, the exact log), and all images and fonts with
// their texture options read back from GL.
#include <GL/glew.h>
#include <lodepng.h>

#include <cstring>
#include <string>

#include "core/corefile/corefile.h"
#include "demo/assets.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "tests/show/showdata.h"
#include "tests/show/showgl.h"

namespace {

std::string Found(const std::string& name) {
    for (unsigned i = 0; i < corefile_image.numfiles; i++)
        if (name == corefile_image.names[i]) return "found file at offset: " + std::to_string(corefile_image.offsets[i]) + "\n";
    ADD_FAILURE() << name << " is not in the image";
    return "";
}

class Assets : public st::ShowGLTest {
protected:
    // Packs the files into kastrel.dat here and mounts it.
    void Mount(const st::Files& files) {
        files_ = files;
        st::WriteImage(files, "kastrel.dat");
        kt::Captured([] { ASSERT_EQ(corefile_mountimage("kastrel.dat", 0), 1); });
    }
    int Size(const std::string& name) { return (int)files_.Find(name)->size(); }
    st::Files files_;
};

// ---- shaders ------------------------------------------------------------------

TEST_F(Assets, SixteenShaderFilesGetIds0To15AndThePostShader16) {
    Mount(st::DefaultFiles(0.1));
    std::string log = kt::Captured([] { LoadShaders(); });
    std::string expected;
    for (int i = 0; i < 16; i++)
        expected += Found(st::kShaderFiles[i]) + "load shadefile " + st::kShaderFiles[i] +
                    ", size: " + std::to_string(Size(st::kShaderFiles[i])) + "\nShader ID: " + std::to_string(i) + "\n";
    EXPECT_EQ(log, expected);

    const int ids[16] = {shader_audio,         shader_intro,          shader_title,     shader_metaballs,
                         shader_lumicube,      shader_heart,          shader_cubemaze,  shader_prolvens,
                         shader_floor,         shader_mossruncube,    shader_mossruninside, shader_noise,
                         transition_dissolve,  transition_fade,       transition_flash, transition_lumadissolve};
    ASSERT_EQ(numshaders, 16);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(ids[i], i) << st::kShaderFiles[i];
        EXPECT_EQ(demoshader[i].id, i);
        EXPECT_EQ(demoshader[i].source, demoshader[i].buffer);
        EXPECT_EQ(std::string(demoshader[i].source), *files_.Find(st::kShaderFiles[i]));
    }
    EXPECT_EQ(postshader_id, 16);
    EXPECT_EQ(KRV_postshader_id, 16);
    EXPECT_EQ(KRV_numshaders, 17);
    GLint linked = 0;
    glGetProgramiv(KRV_shader[postshader_id].program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE) << "the CRT post shader links";
}

TEST_F(Assets, AMissingAudioShaderMovesTheLaterIdsDown) {
    st::Files files = st::DefaultFiles(0.1);
    files.Remove("audio.glsl");
    Mount(files);
    std::string log = kt::Captured([] { LoadShaders(); });
    std::string expected = "couldn't find file: audio.glsl\n";
    for (int i = 1; i < 16; i++)
        expected += Found(st::kShaderFiles[i]) + "load shadefile " + st::kShaderFiles[i] +
                    ", size: " + std::to_string(Size(st::kShaderFiles[i])) + "\nShader ID: " + std::to_string(i - 1) + "\n";
    EXPECT_EQ(log, expected);
    EXPECT_EQ(numshaders, 15);
    EXPECT_EQ(shader_audio, -1);
    EXPECT_EQ(shader_intro, 0);
    EXPECT_EQ(transition_lumadissolve, 14);
    EXPECT_EQ(postshader_id, 15);
    EXPECT_EQ(KRV_postshader_id, 15);
}

TEST_F(Assets, AZeroByteShaderFileStillGetsItsRecordAndId) {
    st::Files files = st::DefaultFiles(0.1);
    files.Set("noise.glsl", "");
    Mount(files);
    std::string log = kt::Captured([] { LoadShaders(); });
    // The compiler's own complaint about the empty text lies between the two lines.
    size_t load = log.find(Found("noise.glsl") + "load shadefile noise.glsl, size: 0\n");
    ASSERT_NE(load, std::string::npos) << log;
    size_t id = log.find("Shader ID: 11\n", load);
    ASSERT_NE(id, std::string::npos) << log;
    EXPECT_EQ(log.find("Shader ID:", load), id);
    EXPECT_EQ(shader_noise, 11);
    EXPECT_EQ(demoshader[11].id, 11);
    EXPECT_EQ(demoshader[11].source[0], '\0');
    EXPECT_EQ(transition_dissolve, 12);
    EXPECT_EQ(numshaders, 16);
}

TEST_F(Assets, ShadersOutsideTheImageGiveMinusOneAndNoRecord) {
    Mount(st::DefaultFiles(0.1));
    std::string log = kt::Captured([] { EXPECT_EQ(LoadShader("nothere.glsl"), -1); });
    EXPECT_EQ(log, "couldn't find file: nothere.glsl\n");
    EXPECT_EQ(numshaders, 0);
    EXPECT_EQ(KRV_numshaders, 0);
}

TEST_F(Assets, ASixtyFifthShaderIsRefusedWithAMessage) {
    Mount(st::DefaultFiles(0.1));
    kt::Captured([] {
        for (int i = 0; i < DEMO_MAXSHADERS; i++) LoadShader("transition_fade.glsl");
    });
    ASSERT_EQ(numshaders, DEMO_MAXSHADERS);
    int next = KRV_numshaders;
    std::string log = kt::Captured([] { EXPECT_EQ(LoadShader("transition_fade.glsl"), -1); });
    EXPECT_EQ(log, Found("transition_fade.glsl") + "- shader list full (64), transition_fade.glsl not loaded\n");
    EXPECT_EQ(numshaders, DEMO_MAXSHADERS);
    EXPECT_EQ(KRV_numshaders, next);
}

// ---- PNG images ---------------------------------------------------------------

struct PngCase {
    const char* name;
    std::string bytes;
    int width, height;                 // 0: refused
    std::vector<unsigned char> rgba;   // the pixel buffer's bytes
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.name; }

class Png : public Assets, public ::testing::WithParamInterface<PngCase> {};

std::string LodepngText(const std::string& bytes) {
    unsigned char* out = nullptr;
    unsigned w, h;
    unsigned e = lodepng_decode32(&out, &w, &h, (const unsigned char*)bytes.data(), bytes.size());
    free(out);
    return lodepng_error_text(e);
}

TEST_P(Png, DecodesToRgbaBytesOrLeavesTheBitmapUntouched) {
    const PngCase& c = GetParam();
    st::Files files;
    files.Set("picture.png", c.bytes);
    Mount(files);
    s_bitmap b;
    memset(&b, 0, sizeof b);
    int listed = krv_numbitmaps;
    std::string log = kt::Captured([&] { KRV_LoadBitmapPNG("picture.png", &b); });
    std::string head = Found("picture.png") + "pngbuffer loaded: " + std::to_string(c.bytes.size());
    if (!c.width) {
        EXPECT_EQ(log, head + "Error loading image: " + LodepngText(c.bytes) + "\n");
        s_bitmap zero;
        memset(&zero, 0, sizeof zero);
        EXPECT_EQ(memcmp(&b, &zero, sizeof b), 0) << "the record stays all zero";
        EXPECT_EQ(krv_numbitmaps, listed);
        return;
    }
    EXPECT_EQ(log, head + "PNG width: " + std::to_string(c.width) + ",height:" + std::to_string(c.height) + "\n");
    ASSERT_EQ(b.width, c.width);
    ASSERT_EQ(b.height, c.height);
    ASSERT_NE(b.pixels, nullptr);
    EXPECT_EQ(std::vector<unsigned char>((unsigned char*)b.pixels, (unsigned char*)b.pixels + c.rgba.size()), c.rgba);
    EXPECT_EQ(krv_numbitmaps, listed + 1);
    // The texture holds the same bytes, top row first.
    std::vector<unsigned char> tex(c.rgba.size());
    glBindTexture(GL_TEXTURE_2D, (GLuint)b.textureid);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, tex.data());
    EXPECT_EQ(tex, c.rgba);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Png,
    ::testing::Values(
        PngCase{"RedAndHalfBlue", st::PngRgba(2, 1, {0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0x80}), 2, 1,
                {0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0x80}},
        PngCase{"Palette", st::PngPalette(), 2, 2,
                {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}},
        PngCase{"Grey16", st::PngGrey16(), 2, 1, {0, 0, 0, 255, 255, 255, 255, 255}},
        PngCase{"NotAPng", "this is not a png file", 0, 0, {}},
        PngCase{"Empty", "", 0, 0, {}},
        PngCase{"Truncated", st::PngRgba(2, 1, {1, 2, 3, 4, 5, 6, 7, 8}).substr(0, 40), 0, 0, {}}),
    [](const ::testing::TestParamInfo<PngCase>& i) { return std::string(i.param.name); });

TEST_F(Assets, AMissingPngIsReportedAndTheBitmapStaysZero) {
    Mount(st::DefaultFiles(0.1));
    s_bitmap b;
    memset(&b, 0, sizeof b);
    std::string log = kt::Captured([&] { KRV_LoadBitmapPNG("Missing.png", &b); });
    EXPECT_EQ(log, "couldn't find file: missing.png\n- couldn't open file: Missing.png\n");
    EXPECT_EQ(b.textureid, 0);
    EXPECT_EQ(b.pixels, nullptr);
}

// ---- all images and fonts -------------------------------------------------------

s_bitmap* const kBitmaps[25] = {
    &bmp_curtain,  &bmp_intro,    &bmp_vote,      &bmp_band,       &bmp_title,    &bmp_lumitide1, &bmp_lumitide2,
    &bmp_lumitide2b, &bmp_lumitide2t, &bmp_lumitide, &bmp_kowtf1,  &bmp_kowtf2,   &bmp_varu1,     &bmp_varu2,
    &bmp_credits1, &bmp_credits2, &bmp_credits3,  &bmp_credits4,   &bmp_girls,    &bmp_girls2,    &bmp_prolvens,
    &bmp_prolvens2, &bmp_prolvenstext, &bmp_getmossruny, &bmp_glintext,
};

GLint TexParameter(int texture, GLenum what) {
    GLint v = -1;
    glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
    glGetTexParameteriv(GL_TEXTURE_2D, what, &v);
    return v;
}

TEST_F(Assets, LoadResourcesLoadsEveryImageAndBothFonts) {
    Mount(st::DefaultFiles(0.1));
    std::string log = kt::Captured([] { LoadResources(); });
    std::string expected;
    for (int i = 0; i < 25; i++)
        expected += Found(st::kImageFiles[i]) + "pngbuffer loaded: " + std::to_string(Size(st::kImageFiles[i])) +
                    "PNG width: 2,height:2\n";
    expected += "Loading TGA image." + Found("font_heat.tga") + "width: 33, height: 5, bpp: 32\n" +
                "KRV_LoadFont - Num.Letters: 12\nKRV_LoadFont - Font Added (NumFonts: 1)\n";
    expected += "Loading TGA image." + Found("font_heat2.tga") + "width: 15, height: 5, bpp: 32\n" +
                "KRV_LoadFont - Num.Letters: 6\nKRV_LoadFont - Font Added (NumFonts: 2)\n";
    EXPECT_EQ(log, expected);

    for (int i = 0; i < 25; i++) {
        SCOPED_TRACE(st::kImageFiles[i]);
        const s_bitmap& b = *kBitmaps[i];
        ASSERT_NE(b.textureid, 0);
        EXPECT_EQ(b.width, 2);
        // The first pixel's bytes as DefaultFiles wrote them.
        const unsigned char* p = (const unsigned char*)b.pixels;
        EXPECT_EQ(p[0], 10 * i);
        EXPECT_EQ(p[1], 200 - 5 * i);
        GLint wrap = st::IsClampImage(i) ? GL_CLAMP_TO_EDGE : GL_REPEAT;
        EXPECT_EQ(TexParameter(b.textureid, GL_TEXTURE_WRAP_S), wrap);
        EXPECT_EQ(TexParameter(b.textureid, GL_TEXTURE_WRAP_T), wrap);
        EXPECT_EQ(TexParameter(b.textureid, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(TexParameter(b.textureid, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    }
    s_bitmap zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&bmp_none, &zero, sizeof zero), 0);
    EXPECT_EQ(font.count, 12);
    EXPECT_EQ(fontdark.count, 6);
    EXPECT_EQ(font.bitmap, &krv_fontbmp[0]);
    EXPECT_EQ(fontdark.bitmap, &krv_fontbmp[1]);
}

TEST_F(Assets, AMissingClampImageLeavesItsBitmapZeroAndTheOthersLoaded) {
    st::Files files = st::DefaultFiles(0.1);
    files.Remove("ko_wtf1.png");
    files.Set("varu1.png", "GIF89a");
    Mount(files);
    std::string log = kt::Captured([] { LoadResources(); });
    EXPECT_NE(log.find("couldn't find file: ko_wtf1.png\n- couldn't open file: ko_wtf1.png\n"), std::string::npos);
    EXPECT_NE(log.find(Found("varu1.png") + "pngbuffer loaded: 6Error loading image: " + LodepngText("GIF89a") +
                       "\n" + Found("varu2.png")),
              std::string::npos)
        << log;
    EXPECT_EQ(bmp_kowtf1.textureid, 0);
    EXPECT_EQ(bmp_varu1.textureid, 0);
    EXPECT_NE(bmp_kowtf2.textureid, 0);
    EXPECT_EQ(TexParameter(bmp_kowtf2.textureid, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_NE(bmp_varu2.textureid, 0);
}

}  // namespace
