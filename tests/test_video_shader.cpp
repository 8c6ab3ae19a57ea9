// The GLSL shader table: ids, the missing-source message, compiler, linker
// and validation logs in their exact form, shaders disabled, uniforms by name,
// deletes, shader files, and the default post shader checked by pixels.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

using vt::Hex;
using vt::Image;
using vt::ReadFramebuffer;
using vt::Rgba;

const char* kVertex =
    "#version 120\n"
    "void main() { gl_Position = ftransform(); }\n";
const char* kFragment =
    "#version 120\n"
    "void main() { gl_FragColor = vec4(1.0); }\n";

GLint CurrentProgram() {
    GLint p = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &p);
    return p;
}

// What the GL itself says of a built slot, in the lines the table prints.
std::string ShaderLog(GLuint shader, const char* label) {
    char log[512] = {};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, 512, &length, log);
    if (length <= 0) return "";
    return "Shader " + std::to_string(shader) + "," + label + ",compiler error: " + log + "\n";
}

// The program's link log is replaced by validation, so the driver's link
// message is given here as this system's Mesa words it.
std::string ProgramLog(GLuint program, const char* link_log) {
    std::string text;
    if (link_log) text += "Program " + std::to_string(program) + ",link error: " + link_log + "\n";
    GLint status = 0;
    glGetProgramiv(program, GL_VALIDATE_STATUS, &status);
    if (status == 0) text += "Error validating shader " + std::to_string(program) + "\n";
    return text;
}

std::string ExpectedBuildText(int id, const char* link_log = nullptr) {
    const s_shader& s = KRV_shader[id];
    return ShaderLog(s.vertexshader, "vertexshader") + ShaderLog(s.fragmentshader, "fragmentshader") +
           ProgramLog(s.program, link_log);
}

const char* kUncompiledLinkLog = "error: linking with uncompiled/unspecialized shader";

int Build(const char* vs, const char* fs, std::string* text = nullptr) {
    int id = -2;
    std::string out = kt::Captured([&] { id = KRV_InitShader(vs, fs); });
    if (text) *text = out;
    return id;
}

class ShaderTest : public vt::GLTest {};

// ---- ids and messages ----------------------------------------------------------

TEST_F(ShaderTest, IdsCountFromZeroAndACleanBuildPrintsNothing) {
    std::string text;
    EXPECT_EQ(Build(kVertex, kFragment, &text), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(Build(vv_defaultpostshader, ff_defaultpostshader, &text), 1);
    EXPECT_EQ(text, "");
    EXPECT_EQ(KRV_numshaders, 2);
    const s_shader& s = KRV_shader[1];
    EXPECT_TRUE(glIsProgram(s.program));
    GLint linked = 0, count = 0;
    glGetProgramiv(s.program, GL_LINK_STATUS, &linked);
    glGetProgramiv(s.program, GL_ATTACHED_SHADERS, &count);
    EXPECT_EQ(linked, GL_TRUE);
    EXPECT_EQ(count, 2);
}

TEST_F(ShaderTest, AMissingTextGivesMinusOneAndTheNextBuildTakesItsId) {
    ASSERT_EQ(Build(kVertex, kFragment), 0);
    for (int missing = 0; missing < 3; missing++) {
        SCOPED_TRACE(missing);
        GLuint program = KRV_shader[1].program;
        std::string text;
        int id = missing == 0 ? Build(kVertex, nullptr, &text)
                              : missing == 1 ? Build(nullptr, kFragment, &text)
                                             : Build(nullptr, nullptr, &text);
        EXPECT_EQ(id, -1);
        EXPECT_EQ(text, "Either vertex shader or fragment shader file not found.");
        EXPECT_EQ(KRV_numshaders, 1);
        // The two shader objects were made and stored before the test.
        EXPECT_TRUE(glIsShader(KRV_shader[1].vertexshader));
        EXPECT_TRUE(glIsShader(KRV_shader[1].fragmentshader));
        EXPECT_EQ(KRV_shader[1].program, program);
    }
    GLuint orphan = KRV_shader[1].fragmentshader;
    EXPECT_EQ(Build(kVertex, kFragment), 1);
    EXPECT_NE(KRV_shader[1].fragmentshader, orphan);
    EXPECT_EQ(KRV_numshaders, 2);
}

TEST_F(ShaderTest, ACompileErrorPrintsTheObjectNameAndLabelAndTheIdIsStillReturned) {
    struct Case {
        const char* vs;
        const char* fs;
        const char* label;
    } cases[] = {
        {kVertex, "#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n", "fragmentshader"},
        {"#version 120\nvoid main() { gl_Position = nothing; }\n", kFragment, "vertexshader"},
    };
    int expected_id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string text;
        int id = Build(c.vs, c.fs, &text);
        EXPECT_EQ(id, expected_id++);
        EXPECT_EQ(KRV_numshaders, expected_id);
        GLuint object = std::string(c.label) == "vertexshader" ? KRV_shader[id].vertexshader
                                                               : KRV_shader[id].fragmentshader;
        std::string head = "Shader " + std::to_string(object) + "," + c.label + ",compiler error: ";
        EXPECT_EQ(text.compare(0, head.size(), head), 0) << text;
        EXPECT_NE(text.find("error"), std::string::npos);
        EXPECT_EQ(text, ExpectedBuildText(id, kUncompiledLinkLog));
        GLint linked = 1;
        glGetProgramiv(KRV_shader[id].program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_FALSE);
    }
}

// GL refuses to make an unlinked program current: the one before stays.
TEST_F(ShaderTest, BindingAnUnlinkedProgramKeepsThePreviousOne) {
    int good = Build(kVertex, kFragment);
    int bad = Build(kVertex, "#version 120\nvoid main() { oops }\n");
    KRV_BindShader(good);
    KRV_BindShader(bad);
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ((GLuint)CurrentProgram(), KRV_shader[good].program);
    KRV_UnbindShader();
    EXPECT_EQ(CurrentProgram(), 0);
}

TEST_F(ShaderTest, AWarningIsPrintedInTheCompilerErrorForm) {
    std::string text;
    int id = Build(kVertex,
                   "#version 120\n"
                   "#extension GL_KASTREL_no_such_extension : enable\n"
                   "void main() { gl_FragColor = vec4(0.5); }\n",
                   &text);
    std::string head = "Shader " + std::to_string(KRV_shader[id].fragmentshader) +
                       ",fragmentshader,compiler error: ";
    ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
    EXPECT_NE(text.find("warning"), std::string::npos) << text;
    EXPECT_EQ(text, ExpectedBuildText(id));
    GLint linked = 0;
    glGetProgramiv(KRV_shader[id].program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);
}

// Our choice: a build past the 64 slots and ids outside the
// table are refused with a message.
TEST_F(ShaderTest, ABuildPastTheTableAndIdsOutsideItAreRefused) {
    KRV_numshaders = 64;
    std::string text;
    EXPECT_EQ(Build(kVertex, kFragment, &text), -1);
    EXPECT_EQ(text, "Shader table full (64 shaders), shader not built.\n");
    EXPECT_EQ(KRV_numshaders, 64);

    GLint before = CurrentProgram();
    text = kt::Captured([] {
        KRV_BindShader(64);
        KRV_BindShader(-1);
        KRV_DeleteShader(70);
        KRV_SetShaderUniform1f(-1, "x", 1);
    });
    EXPECT_EQ(text,
              "KRV_BindShader: no shader 64\n"
              "KRV_BindShader: no shader -1\n"
              "KRV_DeleteShader: no shader 70\n"
              "KRV_SetShaderUniform1f: no shader -1\n");
    EXPECT_EQ(CurrentProgram(), before);
}

// ---- shaders disabled ------------------------------------------------------------

TEST_F(ShaderTest, WithShadersDisabledBuildsHandOutIdsAndNothingElseActs) {
    int live = Build(kVertex, kFragment);
    KRV_BindShader(live);
    KRV_shaders_enabled = 0;
    std::string text = kt::Captured([] {
        EXPECT_EQ(KRV_InitShader(nullptr, nullptr), 1);
        EXPECT_EQ(KRV_InitShader(kVertex, kFragment), 2);
        KRV_UnbindShader();
        KRV_BindShader(1);
        KRV_SetShaderUniform1i(0, "x", 1);
        KRV_DeleteShader(0);
    });
    KRV_shaders_enabled = 1;
    EXPECT_EQ(text, "");
    EXPECT_EQ(KRV_numshaders, 3);
    EXPECT_EQ(KRV_shader[1].program + KRV_shader[1].vertexshader + KRV_shader[1].fragmentshader, 0u);
    EXPECT_EQ(KRV_shader[2].program, 0u);
    EXPECT_EQ((GLuint)CurrentProgram(), KRV_shader[live].program);
    EXPECT_TRUE(glIsProgram(KRV_shader[live].program));
    // An empty slot binds program 0: the fixed-function pipeline.
    KRV_BindShader(2);
    EXPECT_EQ(CurrentProgram(), 0);
}

// ---- uniforms ------------------------------------------------------------------

const char* kUniformFragment =
    "#version 120\n"
    "uniform int i;\n"
    "uniform float f;\n"
    "uniform vec2 v2;\n"
    "uniform vec3 v3;\n"
    "uniform vec4 v4;\n"
    "uniform float arr[3];\n"
    "void main() { gl_FragColor = vec4(float(i) + f + v2.x + v3.y + v4.z + arr[0] + arr[1] + arr[2]); }\n";

std::vector<float> ReadUniform(int id, const char* name, int count) {
    std::vector<float> v(count);
    GLint location = glGetUniformLocation(KRV_shader[id].program, name);
    glGetUniformfv(KRV_shader[id].program, location, v.data());
    return v;
}

TEST_F(ShaderTest, UniformSettersSetByNameAndLeaveTheProgramBound) {
    int other = Build(kVertex, kFragment);
    int id = Build(kVertex, kUniformFragment);
    ASSERT_EQ(id, 1);
    float arr[3] = {0.5f, 1.5f, 2.5f};
    struct Case {
        const char* name;
        std::vector<float> want;
        void (*set)(int, float*);
    } cases[] = {
        {"f", {0.25f}, [](int s, float*) { KRV_SetShaderUniform1f(s, "f", 0.25f); }},
        {"v2", {1, 2}, [](int s, float*) { KRV_SetShaderUniform2f(s, "v2", 1, 2); }},
        {"v3", {1, 2, 3}, [](int s, float*) { KRV_SetShaderUniform3f(s, "v3", 1, 2, 3); }},
        {"v4", {1, 2, 3, 4}, [](int s, float*) { KRV_SetShaderUniform4f(s, "v4", 1, 2, 3, 4); }},
        {"arr", {0.5f}, [](int s, float* a) { KRV_SetShaderUniform1fv(s, "arr", 3, a); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KRV_BindShader(other);
        std::string text = kt::Captured([&] { c.set(id, arr); });
        EXPECT_EQ(text, "");
        EXPECT_EQ((GLuint)CurrentProgram(), KRV_shader[id].program);
        EXPECT_EQ(ReadUniform(id, c.name, (int)c.want.size()), c.want);
    }
    EXPECT_EQ(ReadUniform(id, "arr[2]", 1), std::vector<float>{2.5f});

    KRV_BindShader(other);
    KRV_SetShaderUniform1i(id, "i", 7);
    GLint i = 0;
    glGetUniformiv(KRV_shader[id].program, glGetUniformLocation(KRV_shader[id].program, "i"), &i);
    EXPECT_EQ(i, 7);
    EXPECT_EQ((GLuint)CurrentProgram(), KRV_shader[id].program);
}

TEST_F(ShaderTest, AnUnknownUniformNameChangesNothingButLeavesTheProgramBound) {
    int other = Build(kVertex, kFragment);
    int id = Build(kVertex, kUniformFragment);
    KRV_SetShaderUniform1f(id, "f", 0.75f);
    KRV_BindShader(other);
    std::string text = kt::Captured([&] {
        KRV_SetShaderUniform1f(id, "nosuchname", 9);
        KRV_SetShaderUniform4f(id, "F", 9, 9, 9, 9);
    });
    EXPECT_EQ(text, "");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ((GLuint)CurrentProgram(), KRV_shader[id].program);
    EXPECT_EQ(ReadUniform(id, "f", 1), std::vector<float>{0.75f});
}

// ---- deleting ------------------------------------------------------------------

TEST_F(ShaderTest, DeletingFreesTheGLObjectsAndTheIdIsNotHandedOutAgain) {
    int id = Build(kVertex, kFragment);
    s_shader names = KRV_shader[id];
    KRV_DeleteShader(id);
    EXPECT_FALSE(glIsProgram(names.program));
    EXPECT_FALSE(glIsShader(names.vertexshader));
    EXPECT_FALSE(glIsShader(names.fragmentshader));
    EXPECT_EQ(KRV_shader[id].program, names.program) << "the slot keeps its stale names";
    EXPECT_EQ(KRV_numshaders, 1);
    EXPECT_EQ(Build(kVertex, kFragment), 1);
}

// ---- shader files ----------------------------------------------------------------

class ShaderFileTest : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        vt::EnsureVideo();
    }
};

TEST_F(ShaderFileTest, LoadShaderReadsBothFilesFromTheHostFileSystem) {
    kt::WriteFile("a.vert", std::string(kVertex));
    // Line ends CR LF are read as in text mode.
    kt::WriteFile("a.frag", "#version 120\r\nvoid main()\r\n{\r\n gl_FragColor = vec4(1.0);\r\n}\r\n");
    int id = -2;
    std::string text = kt::Captured([&] { id = KRV_LoadShader("a.vert", "a.frag"); });
    EXPECT_EQ(text, "");
    EXPECT_EQ(id, 0);
    char source[512] = {};
    glGetShaderSource(KRV_shader[id].fragmentshader, sizeof source, nullptr, source);
    EXPECT_STREQ(source, "#version 120\nvoid main()\n{\n gl_FragColor = vec4(1.0);\n}\n");
}

TEST_F(ShaderFileTest, AFileThatCannotBeReadIsAMissingSource) {
    kt::WriteFile("a.vert", std::string(kVertex));
    kt::WriteFile("empty.frag", "");
    kt::MakeDirs("folder.frag");
    const char* paths[] = {"nosuch.frag", "empty.frag", "folder.frag", nullptr};
    for (const char* path : paths) {
        SCOPED_TRACE(path ? path : "null");
        int id = 0;
        std::string text = kt::Captured([&] { id = KRV_LoadShader("a.vert", path); });
        EXPECT_EQ(id, -1);
        EXPECT_EQ(text, "Either vertex shader or fragment shader file not found.");
    }
    EXPECT_EQ(KRV_numshaders, 0);
}

// ---- the default post shader -------------------------------------------------------

struct PostCase {
    float scanline, fade;
};

// Rows of the source, top down.
const uint32_t kRows[4] = {Rgba(200, 100, 40, 255), Rgba(60, 220, 120, 255),
                           Rgba(250, 10, 90, 255), Rgba(30, 70, 180, 255)};

uint32_t Scale(uint32_t c, float k) {
    uint32_t out = 0;
    for (int b = 0; b < 32; b += 8) out |= (uint32_t)(((c >> b) & 0xFF) * k + 0.5f) << b;
    return out;
}

// Every second line counted from v = 0 (the bottom row) is darkened by
// scanlinevalue; everything, alpha included, is scaled by fadevalue.
TEST_F(ShaderTest, TheDefaultPostShaderDrawsScanlinesAndFadeByPixels) {
    int post = -2;
    std::string text = kt::Captured([&] { post = KRV_InitDefaultPostShader(); });
    EXPECT_EQ(text, "");
    EXPECT_EQ(post, 0);

    int src = -1, dst = -1;
    kt::Captured([&] {
        src = KRV_CreateFrameBuffer(4, 4, 0);
        dst = KRV_CreateFrameBuffer(4, 4, 0);
    });
    KRV_SetFrameBuffer(src);
    for (int y = 0; y < 4; y++) vt::FillRect(0, (float)y, 4, 1, kRows[y]);

    const PostCase cases[] = {{0, 1}, {1, 1}, {0.5f, 1}, {0, 0.5f}, {0.5f, 0.5f}, {0, 0}};
    for (const PostCase& c : cases) {
        SCOPED_TRACE("scanline " + std::to_string(c.scanline) + " fade " + std::to_string(c.fade));
        KRV_SetFrameBuffer(dst);
        KRV_ClearFrameBuffer(0x12345678u);
        KRV_SetShaderUniform1i(post, "fbo_texture", 0);
        KRV_SetShaderUniform1f(post, "height", 4);
        KRV_SetShaderUniform1f(post, "fadevalue", c.fade);
        KRV_SetShaderUniform1f(post, "scanlinevalue", c.scanline);
        KRV_DrawFrameBuffer(0, 0, 4, 4, src);
        KRV_UnbindShader();
        Image img = ReadFramebuffer(dst);
        for (int y = 0; y < 4; y++) {
            bool dark = ((3 - y) % 2) == 1;  // rows counted from the bottom
            uint32_t want = Scale(kRows[y], (dark ? 1 - c.scanline : 1) * c.fade);
            for (int x = 0; x < 4; x++) {
                uint32_t got = img.At(x, y);
                for (int b = 0; b < 32; b += 8)
                    EXPECT_NEAR((int)((got >> b) & 0xFF), (int)((want >> b) & 0xFF), 1)
                        << "row " << y << " got " << Hex(got) << " want " << Hex(want);
            }
        }
    }
}

}  // namespace
