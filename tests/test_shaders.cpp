// The show's fragment shaders under data/, on a GL 2.1 context of their own
// (hidden SDL window, GLEW; Mesa llvmpipe under Xvfb in the test runs):
// each compiles and links with the show's vertex shader without a single
// line in the logs, reads only uniforms of its kind with the right types,
// and renders into a 640x360 framebuffer what its name promises. Every
// picture rendered is also written as PNG under shader-previews/ in the
// build folder.
#include <lodepng.h>

#include <map>
#include <regex>
#include <set>

#include "tests/shader_harness.h"
#include "tests/support/testsupport.h"

namespace {

using Pixels = std::vector<uint8_t>;

void SavePreview(const std::string& name, const Pixels& px) {
    kt::MakeDirs(SHADER_PREVIEW_DIR);
    std::string path = std::string(SHADER_PREVIEW_DIR) + "/" + name + ".png";
    unsigned err = lodepng_encode32_file(path.c_str(), px.data(), sh::kWidth, sh::kHeight);
    EXPECT_EQ(err, 0u) << path << ": " << lodepng_error_text(err);
}

// Largest per-channel standard deviation of the RGB channels, in 0..255.
double Spread(const Pixels& px) {
    double best = 0.0;
    size_t n = px.size() / 4;
    for (int c = 0; c < 3; c++) {
        double sum = 0.0, sq = 0.0;
        for (size_t i = 0; i < n; i++) {
            double v = px[i * 4 + c];
            sum += v;
            sq += v * v;
        }
        double mean = sum / n;
        best = std::max(best, std::sqrt(std::max(0.0, sq / n - mean * mean)));
    }
    return best;
}

// Share of pixels whose colour differs by more than 4 in some channel.
double ChangedShare(const Pixels& a, const Pixels& b) {
    size_t n = a.size() / 4, changed = 0;
    for (size_t i = 0; i < n; i++)
        for (int c = 0; c < 3; c++)
            if (std::abs(int(a[i * 4 + c]) - int(b[i * 4 + c])) > 4) {
                changed++;
                break;
            }
    return double(changed) / n;
}

bool Near(const uint8_t* p, const float rgb[3], int tol) {
    for (int c = 0; c < 3; c++)
        if (std::abs(int(p[c]) - int(rgb[c] * 255.f + 0.5f)) > tol) return false;
    return true;
}

const sh::UniformDecl* FindDecl(sh::Kind kind, const std::string& name) {
    const sh::UniformDecl* table = kind == sh::kScene ? sh::kSceneUniforms : sh::kTransitionUniforms;
    size_t n = kind == sh::kScene ? std::size(sh::kSceneUniforms) : std::size(sh::kTransitionUniforms);
    for (size_t i = 0; i < n; i++)
        if (name == table[i].name) return &table[i];
    return nullptr;
}

GLenum GlslType(const std::string& t) {
    static const std::map<std::string, GLenum> types = {
        {"float", GL_FLOAT},     {"vec2", GL_FLOAT_VEC2}, {"vec3", GL_FLOAT_VEC3},
        {"vec4", GL_FLOAT_VEC4}, {"int", GL_INT},         {"sampler2D", GL_SAMPLER_2D}};
    auto it = types.find(t);
    return it == types.end() ? 0 : it->second;
}

// A GL context, three 640x360 framebuffers and the stand-in images.
class ShaderGl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl_.Open()) << gl_.error;
        ASSERT_TRUE(fbo_.Create(sh::kWidth, sh::kHeight));
    }

    // Builds a data/ file; fails the test when it does not build cleanly.
    GLuint BuildFile(const std::string& file) {
        std::string src = sh::ReadText(sh::DataPath(file));
        EXPECT_FALSE(src.empty()) << file;
        sh::Program p = sh::Build(src);
        EXPECT_TRUE(p.compiled && p.linked) << file << "\n" << p.compile_log << p.link_log;
        return p.program;
    }

    GLuint Texture(const std::string& name) {
        auto it = textures_.find(name);
        if (it != textures_.end()) return it->second;
        return textures_[name] = sh::Upload(sh::StandIn(name), sh::Clamped(name));
    }

    Pixels RenderScene(GLuint program, const sh::SceneInputs& in) {
        fbo_.Bind();
        glClearColor(0.5f, 0.0f, 0.5f, 1.0f);  // a colour no scene should leave showing
        glClear(GL_COLOR_BUFFER_BIT);
        sh::DrawScene(program, in);
        return fbo_.Read();
    }

    sh::SceneInputs Inputs(const sh::ShaderFile& f) {
        sh::SceneInputs in;
        for (int ch = 0; ch < 4; ch++) in.tex[ch] = f.images[ch][0] ? Texture(f.images[ch]) : 0;
        return in;
    }

    sh::Gl gl_;
    sh::Fbo fbo_;
    std::map<std::string, GLuint> textures_;
};

// ------------------------------------------------------------ every file

class EveryShader : public ShaderGl, public ::testing::WithParamInterface<sh::ShaderFile> {};

TEST_P(EveryShader, CompilesAndLinksWithEmptyLogs) {
    const sh::ShaderFile& f = GetParam();
    std::string src = sh::ReadText(sh::DataPath(f.file));
    ASSERT_FALSE(src.empty()) << "missing " << f.file;
    EXPECT_EQ(src.rfind("#version 120\n", 0), 0u) << "first line must be #version 120";
    EXPECT_NE(src.find("varying vec2 texCoord;"), std::string::npos);
    sh::Program p = sh::Build(src);
    EXPECT_TRUE(p.compiled);
    EXPECT_TRUE(p.linked);
    EXPECT_EQ(p.compile_log, "");
    EXPECT_EQ(p.link_log, "");
    glValidateProgram(p.program);
    GLint valid = 0;
    glGetProgramiv(p.program, GL_VALIDATE_STATUS, &valid);
    EXPECT_EQ(valid, 1);
}

TEST_P(EveryShader, ReadsOnlyUniformsOfItsKindWithTheirTypes) {
    const sh::ShaderFile& f = GetParam();
    std::string src = sh::ReadText(sh::DataPath(f.file));
    // What the text declares...
    std::regex decl(R"(^\s*uniform\s+(\w+)\s+(\w+)\s*;)", std::regex::multiline);
    int declared = 0;
    for (auto it = std::sregex_iterator(src.begin(), src.end(), decl); it != std::sregex_iterator();
         ++it) {
        declared++;
        std::string type = (*it)[1], name = (*it)[2];
        const sh::UniformDecl* d = FindDecl(f.kind, name);
        ASSERT_NE(d, nullptr) << f.file << " declares uniform " << name << ", not one it is given";
        EXPECT_EQ(GlslType(type), d->type) << f.file << ": " << name << " declared as " << type;
    }
    EXPECT_GT(declared, 0);
    // ...and what the linked program really reads.
    sh::Program p = sh::Build(src);
    ASSERT_TRUE(p.linked);
    std::vector<sh::ActiveUniform> active = sh::ActiveUniforms(p.program);
    EXPECT_FALSE(active.empty());
    for (const sh::ActiveUniform& u : active) {
        if (u.name.rfind("gl_", 0) == 0) continue;  // GL's own state, e.g. from ftransform()
        const sh::UniformDecl* d = FindDecl(f.kind, u.name);
        ASSERT_NE(d, nullptr) << f.file << " reads " << u.name;
        EXPECT_EQ(u.type, d->type) << u.name;
        EXPECT_EQ(u.size, 1) << u.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Data, EveryShader, ::testing::ValuesIn(sh::kShaderFiles),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             return n.substr(0, n.find('.'));
                         });

// ------------------------------------------------------------ scenes

std::vector<sh::ShaderFile> Scenes() {
    std::vector<sh::ShaderFile> out;
    for (const sh::ShaderFile& f : sh::kShaderFiles)
        if (f.kind == sh::kScene) out.push_back(f);
    return out;
}

class Scene : public ShaderGl, public ::testing::WithParamInterface<sh::ShaderFile> {};

// Two states at two times each: four pictures, each with something in it,
// no two alike. The pictures are the gallery of the scene.
TEST_P(Scene, DiffersAcrossStatesAndTimesAndIsNeverFlat) {
    const sh::ShaderFile& f = GetParam();
    GLuint prog = BuildFile(f.file);
    std::vector<Pixels> shots;
    std::vector<std::string> names;
    for (int state : {0, 1}) {
        for (float t : {0.5f, 1.3f}) {
            sh::SceneInputs in = Inputs(f);
            in.state = state;
            in.time = t + state * 1.0f;
            in.statetime = t;
            in.absfft[0] += t * 100.f;
            in.absfft[1] += t * 60.f;
            in.absfft[2] += t * 30.f;
            shots.push_back(RenderScene(prog, in));
            char name[128];
            std::snprintf(name, sizeof name, "scene_%s_state%d_time%.1f", f.file, state, t);
            names.push_back(name);
            SavePreview(name, shots.back());
            EXPECT_GT(Spread(shots.back()), 6.0) << name << " is (nearly) one flat colour";
        }
    }
    for (size_t i = 0; i < shots.size(); i++)
        for (size_t j = i + 1; j < shots.size(); j++)
            EXPECT_GT(ChangedShare(shots[i], shots[j]), 0.02)
                << names[i] << " and " << names[j] << " look the same";
}

// States 2 and 3 are phases of their own too.
TEST_P(Scene, EveryStateOfFourLooksDifferent) {
    const sh::ShaderFile& f = GetParam();
    GLuint prog = BuildFile(f.file);
    std::vector<Pixels> shots;
    for (int state = 0; state < 4; state++) {
        sh::SceneInputs in = Inputs(f);
        in.state = state;
        in.time = 2.0f;
        in.statetime = 1.0f;
        shots.push_back(RenderScene(prog, in));
        SavePreview(std::string("scene_") + f.file + "_state" + std::to_string(state), shots.back());
    }
    for (int i = 0; i < 4; i++)
        for (int j = i + 1; j < 4; j++)
            EXPECT_GT(ChangedShare(shots[i], shots[j]), 0.02) << "states " << i << " and " << j;
}

// In the 64 show units before its event starts, the incoming scene runs
// with a negative time and a state time of 0: still a picture.
TEST_P(Scene, DrawsAPictureBeforeItsEventStarts) {
    const sh::ShaderFile& f = GetParam();
    GLuint prog = BuildFile(f.file);
    sh::SceneInputs in = Inputs(f);
    in.time = -0.64f;
    in.statetime = 0.0f;
    in.state = 0;
    Pixels px = RenderScene(prog, in);
    EXPECT_GT(Spread(px), 6.0);
}

// Silence and a loud passage give different pictures.
TEST_P(Scene, MovesWithTheBandLevels) {
    const sh::ShaderFile& f = GetParam();
    GLuint prog = BuildFile(f.file);
    for (int state = 0; state < 4; state++) {
        sh::SceneInputs quiet = Inputs(f), loud = Inputs(f);
        quiet.state = loud.state = state;
        quiet.time = loud.time = 1.0f;
        quiet.statetime = loud.statetime = 1.0f;
        for (int i = 0; i < 4; i++) {
            quiet.fft[i] = 0.f;
            loud.fft[i] = 9.f;
        }
        Pixels a = RenderScene(prog, quiet), b = RenderScene(prog, loud);
        EXPECT_GT(ChangedShare(a, b), 0.02) << "state " << state << " ignores the music";
    }
}

// Every image the scene table binds shows: swapping it for its negative
// changes the picture in at least one state at one of two times.
TEST_P(Scene, ShowsEveryImageItIsGiven) {
    const sh::ShaderFile& f = GetParam();
    GLuint prog = BuildFile(f.file);
    for (int ch = 0; ch < 4; ch++) {
        if (!f.images[ch][0]) continue;
        sh::Image neg = sh::StandIn(f.images[ch]);
        for (size_t i = 0; i < neg.rgba.size(); i += 4)
            for (int c = 0; c < 3; c++) neg.rgba[i + c] = uint8_t(255 - neg.rgba[i + c]);
        GLuint negtex = sh::Upload(neg, sh::Clamped(f.images[ch]));
        double best = 0.0;
        for (int state = 0; state < 4; state++) {
            for (float t : {2.0f, 3.1f}) {
                sh::SceneInputs in = Inputs(f);
                in.state = state;
                in.time = t;
                in.statetime = t - 0.5f;
                Pixels a = RenderScene(prog, in);
                in.tex[ch] = negtex;
                Pixels b = RenderScene(prog, in);
                best = std::max(best, ChangedShare(a, b));
            }
        }
        EXPECT_GT(best, 0.01) << f.images[ch] << " on texture" << ch << " never shows";
    }
}

INSTANTIATE_TEST_SUITE_P(Data, Scene, ::testing::ValuesIn(Scenes()), [](const auto& info) {
    std::string n = info.param.file;
    return n.substr(0, n.find('.'));
});

// Bitmaps lie with their top row at v = 0; the intro scene shows its text
// picture upright: a block in the top half of the picture shows in the top
// half of the screen.
TEST_F(ShaderGl, IntroShowsItsTextUpright) {
    GLuint prog = BuildFile("wave_curtain2.glsl");
    sh::Image top = sh::Blank(640, 360), bottom = sh::Blank(640, 360);
    for (int y = 40; y < 140; y++)
        for (int x = 200; x < 440; x++) {
            top.Put(x, y, 1, 1, 1, 1);
            bottom.Put(x, 359 - y, 1, 1, 1, 1);
        }
    sh::SceneInputs in;
    in.tex[0] = Texture("curtain");
    in.tex[1] = Texture("band");
    in.state = 0;
    in.time = 1.0f;
    in.statetime = 1.0f;
    in.tex[2] = sh::Upload(top);
    Pixels a = RenderScene(prog, in);
    in.tex[2] = sh::Upload(bottom);
    Pixels b = RenderScene(prog, in);
    auto brightness = [](const Pixels& px, int y0, int y1) {
        double s = 0.0;
        for (int y = y0; y < y1; y++)
            for (int x = 200; x < 440; x++) s += px[(size_t(y) * 640 + x) * 4 + 1];
        return s;
    };
    // Screen rows 40..140 from the top are bright with the top block only.
    EXPECT_GT(brightness(a, 40, 140), brightness(b, 40, 140) * 2.0);
    EXPECT_GT(brightness(b, 220, 320), brightness(a, 220, 320) * 2.0);
}

// ------------------------------------------------------------ transitions

enum MixKind { kDissolve, kCrossFade, kFlash, kLuma };

struct TransitionCase {
    const char* file;
    MixKind kind;
};

void PrintTo(const TransitionCase& c, std::ostream* os) { *os << c.file; }

const TransitionCase kTransitions[] = {
    {"transition_dissolve.glsl", kDissolve},
    {"transition_fade.glsl", kCrossFade},
    {"transition_flash.glsl", kFlash},
    {"transition_lumadissolve.glsl", kLuma},
};

class Transition : public ShaderGl, public ::testing::WithParamInterface<TransitionCase> {
protected:
    Pixels Mix(GLuint prog, GLuint a, GLuint b, float progress) {
        sh::TransitionInputs in;
        in.outgoing = a;
        in.incoming = b;
        in.progress = progress;
        fbo_.Bind();
        glClear(GL_COLOR_BUFFER_BIT);
        sh::DrawTransition(prog, in);
        return fbo_.Read();
    }
    const float red_[3] = {0.8f, 0.2f, 0.1f};
    const float blue_[3] = {0.1f, 0.3f, 0.9f};
};

// At the start the outgoing picture, at the end the incoming one, exactly.
TEST_P(Transition, StartsOnTheOutgoingAndEndsOnTheIncomingScene) {
    GLuint prog = BuildFile(GetParam().file);
    GLuint a = sh::Upload(sh::Solid(640, 360, red_[0], red_[1], red_[2]));
    GLuint b = sh::Upload(sh::Solid(640, 360, blue_[0], blue_[1], blue_[2]));
    Pixels start = Mix(prog, a, b, 0.0f), end = Mix(prog, a, b, 1.0f);
    size_t n = start.size() / 4, bad_start = 0, bad_end = 0;
    for (size_t i = 0; i < n; i++) {
        bad_start += !Near(&start[i * 4], red_, 2);
        bad_end += !Near(&end[i * 4], blue_, 2);
    }
    EXPECT_EQ(bad_start, 0u);
    EXPECT_EQ(bad_end, 0u);
}

// Half way between two solid pictures each transition mixes in its own way.
TEST_P(Transition, HalfWayMixesAsItsNameSays) {
    const TransitionCase& tc = GetParam();
    GLuint prog = BuildFile(tc.file);
    GLuint a = sh::Upload(sh::Solid(640, 360, red_[0], red_[1], red_[2]));
    GLuint b = sh::Upload(sh::Solid(640, 360, blue_[0], blue_[1], blue_[2]));
    Pixels half = Mix(prog, a, b, 0.5f);
    SavePreview(std::string("transition_") + tc.file + "_solid_progress0.5", half);
    size_t n = half.size() / 4, near_a = 0, near_b = 0, near_mean = 0, flashed = 0;
    const float mean[3] = {(red_[0] + blue_[0]) / 2, (red_[1] + blue_[1]) / 2,
                           (red_[2] + blue_[2]) / 2};
    const float one[3] = {1.f, 1.f, 1.f};
    for (size_t i = 0; i < n; i++) {
        near_a += Near(&half[i * 4], red_, 8);
        near_b += Near(&half[i * 4], blue_, 8);
        near_mean += Near(&half[i * 4], mean, 3);
        flashed += Near(&half[i * 4], one, 55);  // every channel at 200 or more
    }
    switch (tc.kind) {
        case kDissolve:
            // Pixels flip one by one: about half show each picture.
            EXPECT_GT(near_a, n / 4);
            EXPECT_GT(near_b, n / 4);
            EXPECT_GT(near_a + near_b, n * 3 / 4);
            break;
        case kCrossFade:
            EXPECT_EQ(near_mean, n);
            break;
        case kFlash:
            EXPECT_EQ(flashed, n);
            break;
        case kLuma:
            // A flat picture has one brightness: it changes all at once.
            EXPECT_TRUE(near_a == n || near_b == n || Spread(half) < 1.0);
            break;
    }
}

// The luma dissolve goes by the outgoing picture's brightness: half way
// through a left-to-right grey ramp, its bright half already shows the
// incoming scene and its dark half still the ramp.
class LumaDissolve : public Transition {};

TEST_F(LumaDissolve, TakesTheBrightPartsFirst) {
    GLuint prog = BuildFile("transition_lumadissolve.glsl");
    sh::Image ramp = sh::Blank(640, 360);
    for (int y = 0; y < 360; y++)
        for (int x = 0; x < 640; x++) ramp.Put(x, y, x / 639.f, x / 639.f, x / 639.f, 1);
    GLuint a = sh::Upload(ramp);
    GLuint b = sh::Upload(sh::Solid(640, 360, blue_[0], blue_[1], blue_[2]));
    Pixels half = Mix(prog, a, b, 0.5f);
    SavePreview("transition_lumadissolve_ramp_progress0.5", half);
    const uint8_t* dark = &half[(size_t(180) * 640 + 40) * 4];
    const uint8_t* bright = &half[(size_t(180) * 640 + 600) * 4];
    EXPECT_TRUE(Near(bright, blue_, 3));
    EXPECT_LT(std::abs(int(dark[0]) - 16), 4);  // the ramp's own grey at x = 40
    EXPECT_LT(std::abs(int(dark[2]) - 16), 4);
}

// A gallery picture of each transition half way between two real scenes,
// each rendered into a framebuffer of its own as in the show.
TEST_P(Transition, GalleryBetweenTwoScenes) {
    GLuint prog = BuildFile(GetParam().file);
    sh::Fbo out, in;
    ASSERT_TRUE(out.Create(sh::kWidth, sh::kHeight));
    ASSERT_TRUE(in.Create(sh::kWidth, sh::kHeight));
    sh::SceneInputs scene;
    scene.state = 1;
    scene.time = scene.statetime = 1.0f;
    out.Bind();
    sh::DrawScene(BuildFile("noise.glsl"), scene);
    scene.state = 3;
    in.Bind();
    sh::DrawScene(BuildFile("audio.glsl"), scene);
    Pixels half = Mix(prog, out.tex, in.tex, 0.5f);
    SavePreview(std::string("transition_") + GetParam().file + "_progress0.5", half);
    EXPECT_GT(Spread(half), 6.0);
}

INSTANTIATE_TEST_SUITE_P(Data, Transition, ::testing::ValuesIn(kTransitions),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             return n.substr(0, n.find('.'));
                         });

}  // namespace
