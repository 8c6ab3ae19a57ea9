// Start-up of the show on its real data image (build/show/kastrel.dat), run
// by the real StartShow on the driver's demo thread: every shader compiles
// and links without a word from the compiler, every image and both fonts
// load, the music is 44100 Hz 16-bit stereo, and the log is exactly the one
// the image's files give.
#include <GL/glew.h>

#include <string>

#include "demo/assets.h"
#include "demo/demotiming.h"
#include "demo/main.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "tests/gallery/realshow.h"
#include "tests/show/showdata.h"
#include "tests/support/testsupport.h"

namespace {

class RealStartup : public kt::ScratchTest {};

TEST_F(RealStartup, CompilesEveryShaderLoadsEveryImageBothFontsAndTheMusic) {
    rs::LinkImage();
    std::string expected = rs::ExpectedStartupLog();
    std::string log = kt::Captured([] { StartShow(0); });

    // Nothing a clean start-up never prints...
    for (const std::string& bad : rs::kForbidden) EXPECT_EQ(log.find(bad), std::string::npos) << "\"" << bad << "\"";
    // ...and what it must print.
    EXPECT_EQ(rs::Count(log, "KRV_LoadFont - Num.Letters: 96\n"), 2);
    EXPECT_EQ(rs::Count(log, "PNG width: "), 25);
    for (int id = 0; id < 16; id++)
        EXPECT_EQ(rs::Count(log, "\nShader ID: " + std::to_string(id) + "\n"), 1) << st::kShaderFiles[id];
    EXPECT_EQ(log, expected);

    // The sixteen programs and the CRT post shader are linked on this GL.
    const int* ids[16] = {&shader_audio,        &shader_intro,        &shader_title,      &shader_metaballs,
                          &shader_lumicube,     &shader_heart,        &shader_cubemaze,   &shader_prolvens,
                          &shader_floor,        &shader_mossruncube,  &shader_mossruninside, &shader_noise,
                          &transition_dissolve, &transition_fade,     &transition_flash,  &transition_lumadissolve};
    for (int i = 0; i < 16; i++) {
        SCOPED_TRACE(st::kShaderFiles[i]);
        ASSERT_EQ(*ids[i], i);
        GLint linked = GL_FALSE;
        glGetProgramiv(KRV_shader[i].program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
    }
    ASSERT_EQ(postshader_id, 16);
    GLint linked = GL_FALSE;
    glGetProgramiv(KRV_shader[postshader_id].program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);

    // The images, with the sizes their names promise where they promise one.
    const s_bitmap* bitmaps[25] = {&bmp_curtain,     &bmp_intro,      &bmp_vote,       &bmp_band,
                                   &bmp_title,       &bmp_lumitide1,  &bmp_lumitide2,  &bmp_lumitide2b,
                                   &bmp_lumitide2t,  &bmp_lumitide,   &bmp_kowtf1,     &bmp_kowtf2,
                                   &bmp_varu1,       &bmp_varu2,      &bmp_credits1,   &bmp_credits2,
                                   &bmp_credits3,    &bmp_credits4,   &bmp_girls,      &bmp_girls2,
                                   &bmp_prolvens,    &bmp_prolvens2,  &bmp_prolvenstext, &bmp_getmossruny,
                                   &bmp_glintext};
    for (int i = 0; i < 25; i++) {
        SCOPED_TRACE(st::kImageFiles[i]);
        EXPECT_GT(bitmaps[i]->width, 0);
        EXPECT_GT(bitmaps[i]->height, 0);
        EXPECT_NE(bitmaps[i]->textureid, 0);
    }
    EXPECT_EQ(bmp_curtain.width, 640);
    EXPECT_EQ(bmp_curtain.height, 16);
    EXPECT_EQ(bmp_band.width, 640);
    EXPECT_EQ(bmp_girls.width, 1280);
    EXPECT_EQ(bmp_girls2.width, 1280);
    EXPECT_EQ(bmp_glintext.width, 1024);
    EXPECT_EQ(bmp_glintext.height, 64);
    EXPECT_EQ(bmp_lumitide.width, 512);
    EXPECT_EQ(bmp_lumitide.height, 512);
    EXPECT_EQ(font.count, 96);
    EXPECT_EQ(fontdark.count, 96);

    // The music: 44100 Hz, 16 bits, two channels, two to three minutes.
    EXPECT_EQ(snd_demomusic.frequency, 44100u);
    EXPECT_EQ(snd_demomusic.bits, 16);
    EXPECT_EQ(snd_demomusic.channels, 2);
    double seconds = snd_demomusic.size / 4.0 / 44100.0;
    EXPECT_GE(seconds, 120.0);
    EXPECT_LE(seconds, 180.0);
    EXPECT_EQ(snd_demomusic.playing, 1);

    // The timeline: thirteen events, each with two or more states.
    ASSERT_EQ(demo.numevents, 13);
    for (int i = 0; i < 13; i++) EXPECT_GE(demo.events[i].numstates, 2) << "event " << i;
    StopShow();
}

}  // namespace
