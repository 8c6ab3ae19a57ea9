// Scenes and transitions on a test data image: which shader and images each
// event index draws with, the scene and transition uniforms read back from
// GL, the transition's progress, blend and sintime over a timeline, and the
// cases that draw nothing (no row, shader id -1, a transition id outside the
// table).
#include <GL/glew.h>

#include <cmath>
#include <cstring>
#include <string>

#include "core/corefile/corefile.h"
#include "demo/assets.h"
#include "demo/bandanalysis.h"
#include "demo/demotiming.h"
#include "demo/main.h"
#include "demo/scenes.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "tests/show/showdata.h"
#include "tests/show/showgl.h"

namespace {

class Scenes : public st::ShowGLTest {
protected:
    void SetUp() override {
        st::ShowGLTest::SetUp();
        Load(Files());
    }
    virtual st::Files Files() { return st::DefaultFiles(0.1); }
    // Mounts the files as kastrel.dat, loads shaders, images and fonts, makes
    // the three scene framebuffers (ids 1, 2, 3) and the show's transitions.
    void Load(const st::Files& files) {
        st::WriteImage(files, "kastrel.dat");
        kt::Captured([] {
            corefile_mountimage("kastrel.dat", 0);
            for (int i = 0; i < 3; i++) KRV_CreateFrameBuffer(640, 360, 0);
            LoadShaders();
            LoadResources();
            InitTiming();
            AddTransition(transition_dissolve, 64, 0, 0.9f, 0.0f);
            AddTransition(transition_dissolve, 40, 0, 0.9f, 0.0f);
            AddTransition(transition_flash, 64, 0, 0.9f, 0.0f);
        });
        ASSERT_EQ(KRV_numframebuffers, 4);
        // Loading leaves the invalid-enum of the clamp images' filter values.
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void Events(const std::vector<int>& starts, int transition = 0) {
        demo.numevents = 0;
        for (int s : starts) AddEventTime(s, transition);
    }
    static GLint Location(int shader, const char* name) {
        return glGetUniformLocation(KRV_shader[shader].program, name);
    }
    static float Float(int shader, const char* name, int component = 0) {
        float v[4] = {NAN, NAN, NAN, NAN};
        GLint at = Location(shader, name);
        EXPECT_NE(at, -1) << name;
        glGetUniformfv(KRV_shader[shader].program, at, v);
        return v[component];
    }
    static int Int(int shader, const char* name) {
        GLint v = -12345;
        GLint at = Location(shader, name);
        EXPECT_NE(at, -1) << name;
        glGetUniformiv(KRV_shader[shader].program, at, &v);
        return v;
    }
    // Red byte of the framebuffer's centre: the scene shader's id.
    static int CentreRed(int fb) { return (int)(st::ReadFramebuffer(fb).At(320, 180) & 0xFF); }
};

// ---- the scene table ------------------------------------------------------------

struct Row {
    int shaderfile;        // SceneShader id of the row's shader file
    s_bitmap* channel[4];
};

const Row kRows[13] = {
    {2, {&bmp_curtain, &bmp_band, &bmp_intro, &bmp_none}},
    {3, {&bmp_curtain, &bmp_title, &bmp_none, &bmp_none}},
    {4, {&bmp_lumitide, &bmp_kowtf1, &bmp_kowtf2, &bmp_lumitide1}},
    {5, {&bmp_lumitide2, &bmp_lumitide2b, &bmp_lumitide2t, &bmp_none}},
    {6, {&bmp_varu1, &bmp_varu2, &bmp_none, &bmp_none}},
    {7, {&bmp_credits1, &bmp_credits2, &bmp_credits3, &bmp_credits4}},
    {9, {&bmp_girls, &bmp_girls2, &bmp_none, &bmp_none}},
    {8, {&bmp_prolvens, &bmp_prolvens2, &bmp_prolvenstext, &bmp_none}},
    {10, {&bmp_curtain, &bmp_getmossruny, &bmp_none, &bmp_none}},
    {11, {&bmp_curtain, &bmp_glintext, &bmp_none, &bmp_none}},
    {12, {&bmp_none, &bmp_none, &bmp_none, &bmp_none}},
    {2, {&bmp_curtain, &bmp_band, &bmp_vote, &bmp_none}},
    {2, {&bmp_curtain, &bmp_band, &bmp_vote, &bmp_none}},
};

TEST_F(Scenes, EachEventIndexDrawsItsRowsShaderWithItsFourImages) {
    // Events 100 units apart: at start + 10 the event itself is current.
    Events(st::EvenStarts(14, 100));
    for (int r = 0; r < 13; r++) {
        SCOPED_TRACE("row " + std::to_string(r));
        int fb = 1 + r % 2;
        demo.currentpos = r * 100 + 10;
        std::string log = kt::Captured([&] { DoEffect(demo.currentpos, fb, r % 2); });
        EXPECT_EQ(log, "");
        EXPECT_EQ(demo.currentevent, r);
        EXPECT_EQ(KRV_FrameBuffer, &KRV_framebuffers[fb]);
        EXPECT_EQ(CentreRed(fb), kRows[r].shaderfile);
        for (int c = 0; c < 4; c++) EXPECT_EQ(st::BoundTexture(c), (unsigned)kRows[r].channel[c]->textureid) << c;
        EXPECT_EQ(st::ActiveUnit(), 0);
    }
    // Row 10 binds no texture at all.
    for (int c = 0; c < 4; c++) EXPECT_EQ(kRows[10].channel[c]->textureid, 0);
}

TEST_F(Scenes, AnEventIndexWithoutARowDrawsNothing) {
    Events(st::EvenStarts(13, 100));
    demo.currentpos = 1110;
    kt::Captured([] { DoEffect(1110, 2, 1); });  // event 11 into framebuffer 2
    ASSERT_EQ(CentreRed(2), 2);
    // From 64 units before the last start on, the look-ahead gives index 13.
    demo.currentpos = 1250;
    std::string log = kt::Captured([] { DoEffect(1250, 2, 1); });
    EXPECT_EQ(log, "");
    EXPECT_EQ(demo.currentevent, 13);
    EXPECT_EQ(KRV_FrameBuffer, &KRV_framebuffers[2]);
    EXPECT_EQ(CentreRed(2), 2) << "the framebuffer keeps its last scene";
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(Scenes, SceneUniformsAreTheFramesPositionStateAndBands) {
    Events({0, 300});
    AddEventState(50, 0, 0);
    AddEventState(100, 0, 1);
    fft_low = 1.5f;
    fft_middle = 2.5f;
    fft_middle2 = 3.5f;
    fft_high = 4.5f;
    absfft_low = 10.25f;
    absfft_middle = 20.25f;
    absfft_high = 30.25f;

    // The outgoing scene of a frame at 180, chosen one transition length back:
    // event 0, its time counted from its start to the frame's position.
    demo.currentpos = 180;
    kt::Captured([] { DoEffect(180 - 64, 1, 0); });
    int s = shader_intro;
    EXPECT_FLOAT_EQ(Float(s, "time"), 1.8f);
    EXPECT_EQ(Int(s, "state"), 1);
    EXPECT_FLOAT_EQ(Float(s, "statetime"), 0.8f);
    EXPECT_FLOAT_EQ(Float(s, "fade"), 1.0f);
    EXPECT_FLOAT_EQ(Float(s, "resolution", 0), 640.0f);
    EXPECT_FLOAT_EQ(Float(s, "resolution", 1), 360.0f);
    EXPECT_FLOAT_EQ(Float(s, "spectrum", 0), 1.5f);
    EXPECT_FLOAT_EQ(Float(s, "spectrum", 1), 2.5f);
    EXPECT_FLOAT_EQ(Float(s, "spectrum", 2), 4.5f);
    EXPECT_FLOAT_EQ(Float(s, "absfft", 0), 10.25f);
    EXPECT_FLOAT_EQ(Float(s, "absfft", 1), 20.25f);
    EXPECT_FLOAT_EQ(Float(s, "absfft", 2), 30.25f);
    EXPECT_FLOAT_EQ(Float(s, "fft", 0), 1.5f);
    EXPECT_FLOAT_EQ(Float(s, "fft", 1), 2.5f);
    EXPECT_FLOAT_EQ(Float(s, "fft", 2), 3.5f);
    EXPECT_FLOAT_EQ(Float(s, "fft", 3), 4.5f);
    for (int c = 0; c < 4; c++) EXPECT_EQ(Int(s, ("texture" + std::to_string(c)).c_str()), c);

    // The incoming scene during the 64 units before event 1: its time runs
    // negative and, before any state of its own, state and statetime are 0.
    demo.currentpos = 280;
    kt::Captured([] { DoEffect(280, 2, 1); });
    EXPECT_EQ(demo.currentevent, 1);
    s = shader_title;
    EXPECT_FLOAT_EQ(Float(s, "time"), (float)((280 - 300) * 0.01));
    EXPECT_EQ(Int(s, "state"), 0);
    EXPECT_FLOAT_EQ(Float(s, "statetime"), 0.0f);
    // The resolution stays 640 by 360 whatever the framebuffer's size.
    kt::Captured([] { DoEffect(280, 0, 1); });
    EXPECT_FLOAT_EQ(Float(s, "resolution", 0), 640.0f);
}

// A scene whose shader file was missing draws nothing, says nothing and
// leaves no GL error.
class ScenesWithoutTitleShader : public Scenes {
protected:
    st::Files Files() override {
        st::Files files = st::DefaultFiles(0.1);
        files.Remove("firecube.glsl");
        return files;
    }
};

TEST_F(ScenesWithoutTitleShader, ASceneWithShaderIdMinusOneDrawsNothing) {
    ASSERT_EQ(shader_title, -1);
    Events(st::EvenStarts(3, 100));
    demo.currentpos = 10;
    kt::Captured([] { DoEffect(10, 1, 0); });  // row 0 paints framebuffer 1
    ASSERT_EQ(CentreRed(1), 2);
    while (glGetError() != GL_NO_ERROR) {
    }
    demo.currentpos = 110;
    std::string log = kt::Captured([] { DoEffect(110, 1, 0); });  // row 1: shader -1
    EXPECT_EQ(log, "");
    EXPECT_EQ(demo.currentevent, 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(CentreRed(1), 2);
}

// ---- transitions ------------------------------------------------------------------

// The main loop's order: the timeline at the position, the mixed framebuffer
// current, then the transition.
void Mix(int position, int transition) {
    demo.currentpos = position;
    UpdateDemoTiming(position, 0);
    KRV_SetFrameBuffer(3);
    ExecuteTransition(position, transition, 1, 2);
}

double Blend(double progress, double smoothness) {
    double a = 0.5 - 0.5 * (float)smoothness, b = 0.5 + 0.5 * (float)smoothness;
    double t = std::fmin(std::fmax((progress - a) / (b - a), 0.0), 1.0);
    return t * t * (3 - 2 * t);
}

struct ProgressCase {
    int position;
    float progress;
};

TEST_F(Scenes, ProgressBlendAndSintimeOverEventsAt0_300_600_900) {
    Events({0, 300, 600, 900});
    const ProgressCase cases[] = {
        {0, 1},      {100, 1},   {235, 1},   {236, 0},    {239, 3 / 64.0f}, {252, 0.25f}, {268, 0.5f},
        {284, 0.75f}, {299, 63 / 64.0f}, {300, 1}, {301, 1}, {535, 1},   {536, 0},    {568, 0.5f},
        {600, 1},    {835, 1},   {836, 1},   {900, 1},    {5000, 1},
    };
    int s = transition_dissolve;
    for (const ProgressCase& c : cases) {
        SCOPED_TRACE("position " + std::to_string(c.position));
        kt::Captured([&] { Mix(c.position, 0); });
        float progress = Float(s, "timingProgress");
        EXPECT_FLOAT_EQ(progress, c.progress);
        EXPECT_NEAR(Float(s, "blend"), Blend(c.progress, 0.9), 1e-6);
        EXPECT_NEAR(Float(s, "sintime"), 1 - (cos(c.progress * 3.141592653) * 0.5 + 0.5), 1e-6);
        EXPECT_FLOAT_EQ(Float(s, "time"), (float)c.position);
    }
    // The blend's landmarks with smoothness 0.9, and sintime at the middle.
    kt::Captured([] { Mix(268, 0); });
    EXPECT_FLOAT_EQ(Float(s, "blend"), 0.5f);
    EXPECT_FLOAT_EQ(Float(s, "sintime"), 0.5f);
    kt::Captured([] { Mix(239, 0); });
    EXPECT_FLOAT_EQ(Float(s, "blend"), 0.0f);
    kt::Captured([] { Mix(299, 0); });
    EXPECT_FLOAT_EQ(Float(s, "blend"), 1.0f);
}

TEST_F(Scenes, TransitionUniformsAndTextureUnits) {
    Events({0, 300, 600});
    fft_low = 1.0f;
    fft_middle = 2.0f;
    fft_middle2 = 3.0f;
    fft_high = 4.0f;
    kt::Captured([] { Mix(250, 0); });
    int s = transition_dissolve;
    EXPECT_FLOAT_EQ(Float(s, "resolution", 0), 640.0f);
    EXPECT_FLOAT_EQ(Float(s, "resolution", 1), 360.0f);
    EXPECT_FLOAT_EQ(Float(s, "spectrum", 2), 4.0f);
    EXPECT_FLOAT_EQ(Float(s, "fft", 2), 3.0f);
    EXPECT_FLOAT_EQ(Float(s, "color", 0), 1.0f);
    EXPECT_FLOAT_EQ(Float(s, "color", 2), 1.0f);
    EXPECT_FLOAT_EQ(Float(s, "custom"), 0.0f);
    for (int c = 0; c < 4; c++) EXPECT_EQ(Int(s, ("texture" + std::to_string(c)).c_str()), c);
    EXPECT_EQ(st::BoundTexture(0), KRV_framebufferdata[1].texture);
    EXPECT_EQ(st::BoundTexture(1), KRV_framebufferdata[2].texture);
    EXPECT_EQ(st::ActiveUnit(), 0);
}

TEST_F(Scenes, ALength40TransitionWaitsTheFirst24UnitsOfTheLookAhead) {
    Events({0, 300, 600}, 1);
    const ProgressCase cases[] = {{236, 0}, {259, 0}, {260, 0}, {270, 0.25f}, {280, 0.5f}, {300, 1}};
    for (const ProgressCase& c : cases) {
        kt::Captured([&] { Mix(c.position, 1); });
        EXPECT_FLOAT_EQ(Float(transition_dissolve, "timingProgress"), c.progress) << c.position;
    }
}

TEST_F(Scenes, LengthZeroStepsAndSmoothnessZeroSwitchesAboveOneHalf) {
    Events({0, 300, 600});
    kt::Captured([] {
        AddTransition(transition_fade, 0, 0, 0.9f, 0.0f);   // id 3
        AddTransition(transition_fade, 64, 0, 0.0f, 0.0f);  // id 4
    });
    int s = transition_fade;
    const ProgressCase steps[] = {{236, 0}, {299, 0}, {300, 1}, {400, 1}};
    for (const ProgressCase& c : steps) {
        kt::Captured([&] { Mix(c.position, 3); });
        EXPECT_FLOAT_EQ(Float(s, "timingProgress"), c.progress) << c.position;
    }
    kt::Captured([] { Mix(268, 4); });
    EXPECT_FLOAT_EQ(Float(s, "timingProgress"), 0.5f);
    EXPECT_FLOAT_EQ(Float(s, "blend"), 0.0f);
    kt::Captured([] { Mix(269, 4); });
    EXPECT_FLOAT_EQ(Float(s, "blend"), 1.0f);
}

TEST_F(Scenes, TheTransitionMixesTheTwoScenePictures) {
    Events({0, 300, 600});
    demo.currentpos = 268;
    kt::Captured([] {
        DoEffect(268 - 64, 1, 0);  // row 0: red 2
        DoEffect(268, 2, 1);       // row 1: red 3
        Mix(268, 0);
    });
    float blend = Float(transition_dissolve, "blend");
    ASSERT_FLOAT_EQ(blend, 0.5f);
    int red = CentreRed(3);
    EXPECT_NEAR(red, 2.5, 1.0);
    EXPECT_EQ(st::ReadFramebuffer(3).At(320, 180) >> 24, 255u);
}

// The main loop's scene pass: the transition named by the event found 64
// units back, the outgoing scene one transition length back, the incoming
// scene at the position. With the 40-unit transition, in the last 24 units
// before an event both framebuffers show the new event's scene.
void ScenePass(int position) {
    demo.currentpos = position;
    UpdateDemoTiming(position - 64, 0);
    demo.currenttransition = demo.events[demo.currentevent].transition_id;
    DoEffect(position - demo.transitions[demo.currenttransition].duration, 1, 0);
    DoEffect(position, 2, 1);
}

TEST_F(Scenes, WithTheLength40TransitionBothFramebuffersShowTheNewSceneLate) {
    Events({0, 300, 600}, 1);
    kt::Captured([] { ScenePass(250); });
    EXPECT_EQ(demo.currenttransition, 1);
    EXPECT_EQ(CentreRed(1), 2) << "outgoing: event 0";
    EXPECT_EQ(CentreRed(2), 3) << "incoming: event 1";
    kt::Captured([] { ScenePass(290); });
    EXPECT_EQ(CentreRed(1), 3) << "outgoing, 40 units back: event 1 already";
    EXPECT_EQ(CentreRed(2), 3);
}

// A transition whose shader is -1 or whose id lies outside the table leaves
// the mixed framebuffer as it was, without a message or a GL error.
TEST_F(Scenes, TransitionsThatCannotDrawLeaveTheMixedPicture) {
    Events({0, 300, 600});
    kt::Captured([] {
        KRV_SetFrameBuffer(3);
        DoEffect(10, 3, 0);  // row 0 into the mixed framebuffer: red 2
        AddTransition(-1, 64, 0, 0.9f, 0.0f);  // id 3
    });
    ASSERT_EQ(CentreRed(3), 2);
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int id : {3, 64, -1, 1000}) {
        std::string log = kt::Captured([&] { Mix(268, id); });
        EXPECT_EQ(log, "") << id;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << id;
        EXPECT_EQ(CentreRed(3), 2) << id;
    }
    // Nor does a transition between framebuffers that could not be made (-1)
    // or ids past the table.
    for (int bad : {-1, 16, 99}) {
        std::string log = kt::Captured([&] {
            demo.currentpos = 268;
            UpdateDemoTiming(268, 0);
            KRV_SetFrameBuffer(3);
            ExecuteTransition(268, 0, bad, 2);
            ExecuteTransition(268, 0, 1, bad);
        });
        EXPECT_EQ(log, "") << bad;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << bad;
        EXPECT_EQ(CentreRed(3), 2) << bad;
    }
}

// From 64 units before the last event's start on, the entry after it is the
// unwritten one (start 0): the end point is 0 and progress is 1.
TEST_F(Scenes, TheLastEventIsEnteredWithoutAGradualMix) {
    Events({0, 300});
    for (int p : {236, 268, 299, 300, 1000}) {
        kt::Captured([&] { Mix(p, 0); });
        EXPECT_FLOAT_EQ(Float(transition_dissolve, "timingProgress"), 1.0f) << p;
    }
}

// With the last usable event current, the entry after it lies at the table's
// end: it reads as an unwritten entry and nothing is read past the table.
TEST_F(Scenes, TheEntryAfterAFullTableReadsAsUnwritten) {
    demo.numevents = 0;
    kt::Captured([] {
        for (int i = 0; i < 255; i++) AddEventTime(i * 100, 0);
    });
    ASSERT_EQ(demo.numevents, 255);
    kt::Captured([] { Mix(254 * 100 + 10, 0); });
    EXPECT_FLOAT_EQ(Float(transition_dissolve, "timingProgress"), 1.0f);
}

// ---- the CRT pass the show does not call -------------------------------------------

TEST_F(Scenes, CrtPostProcessDrawsTheMainPictureThroughThePostShader) {
    kt::Captured([] {
        framebuffer_id = 3;
        KRV_CreateFrameBuffer(1920, 1080, 0);  // id 4, the size of the show's window
        KRV_SetFrameBuffer(4);
    });
    currentframe = 0;
    std::string log = kt::Captured([] { CRT_PostProcess(); });
    EXPECT_EQ(log, "");
    EXPECT_FLOAT_EQ(Float(postshader_id, "time"), 0.0f);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0) << "unbound afterwards";
    EXPECT_EQ(KRV_renderstate & 2, 0) << "alpha test off afterwards";
    EXPECT_EQ(st::BoundTexture(0), KRV_framebufferdata[3].texture);
    // The zoomed quad leaves the corners of the target untouched.
    KRV_ClearFrameBuffer(0xFF00FF00);
    currentframe = 300;
    kt::Captured([] { CRT_PostProcess(); });
    EXPECT_FLOAT_EQ(Float(postshader_id, "time"), 300.0f);
    EXPECT_EQ(st::ReadFramebuffer(4).At(2, 2), 0xFF00FF00u);
}

TEST_F(Scenes, CrtPostProcessWithoutAPostShaderDoesNothing) {
    postshader_id = -1;
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(kt::Captured([] { CRT_PostProcess(); }), "");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace
