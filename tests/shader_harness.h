// A stand-alone GL 2.1 bench for the show's fragment shaders: its own hidden
// SDL window and context, the show's vertex shader, 640x360 framebuffer
// objects, generated stand-in images for the samplers, and the uniform sets
// the scene and transition passes hand over. Shared by test_shaders.cpp and
// bench_shaders.cpp.
#pragma once

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/shadertexts.h"

namespace sh {

// The show's built-in vertex shader, paired with every scene and transition.
static const char* const kVertexShader = vv_default;

constexpr int kWidth = 640;
constexpr int kHeight = 360;

enum Kind { kScene, kTransition };

// The shader files in loading order, with what they are and which image
// stand-ins the scene table binds to texture channels 0 to 3 ("" = none).
struct ShaderFile {
    const char* file;
    Kind kind;
    const char* images[4];
};

static const ShaderFile kShaderFiles[16] = {
    {"audio.glsl", kScene, {"", "", "", ""}},
    {"wave_curtain2.glsl", kScene, {"curtain", "band", "intro", ""}},
    {"firecube.glsl", kScene, {"curtain", "title", "", ""}},
    {"ballz.glsl", kScene, {"lumitide", "kowtf1", "kowtf2", "lumitide1"}},
    {"lumicube.glsl", kScene, {"lumitide2", "lumitide2b", "lumitide2t", ""}},
    {"heart.glsl", kScene, {"varu1", "varu2", "", ""}},
    {"cubemaze2.glsl", kScene, {"credits1", "credits2", "credits3", "credits4"}},
    {"voronoi.glsl", kScene, {"prolvens", "prolvens2", "prolvenstext", ""}},
    {"blobs2.glsl", kScene, {"girls", "girls2", "", ""}},
    {"mossruncube.glsl", kScene, {"curtain", "getmossruny", "", ""}},
    {"mossruninside.glsl", kScene, {"curtain", "glintext", "", ""}},
    {"noise.glsl", kScene, {"", "", "", ""}},
    {"transition_dissolve.glsl", kTransition, {"", "", "", ""}},
    {"transition_fade.glsl", kTransition, {"", "", "", ""}},
    {"transition_flash.glsl", kTransition, {"", "", "", ""}},
    {"transition_lumadissolve.glsl", kTransition, {"", "", "", ""}},
};

inline void PrintTo(const ShaderFile& f, std::ostream* os) { *os << f.file; }

// Uniform names and GL types each kind of shader may read.
struct UniformDecl {
    const char* name;
    GLenum type;
};
static const UniformDecl kSceneUniforms[] = {
    {"time", GL_FLOAT},          {"statetime", GL_FLOAT},     {"fade", GL_FLOAT},
    {"resolution", GL_FLOAT_VEC2}, {"spectrum", GL_FLOAT_VEC3}, {"absfft", GL_FLOAT_VEC3},
    {"fft", GL_FLOAT_VEC4},      {"state", GL_INT},           {"texture0", GL_SAMPLER_2D},
    {"texture1", GL_SAMPLER_2D}, {"texture2", GL_SAMPLER_2D}, {"texture3", GL_SAMPLER_2D},
};
static const UniformDecl kTransitionUniforms[] = {
    {"resolution", GL_FLOAT_VEC2}, {"spectrum", GL_FLOAT_VEC3}, {"fft", GL_FLOAT_VEC4},
    {"texture0", GL_SAMPLER_2D},   {"texture1", GL_SAMPLER_2D}, {"texture2", GL_SAMPLER_2D},
    {"texture3", GL_SAMPLER_2D},   {"time", GL_FLOAT},          {"color", GL_FLOAT_VEC3},
    {"timingProgress", GL_FLOAT},  {"sintime", GL_FLOAT},       {"blend", GL_FLOAT},
    {"custom", GL_FLOAT},
};

inline std::string DataPath(const std::string& file) {
    return std::string(KASTREL_SOURCE_DIR) + "/data/" + file;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// ---------------------------------------------------------------- context

struct Gl {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string error;

    bool Open() {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            error = std::string("SDL_Init: ") + SDL_GetError();
            return false;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        window = SDL_CreateWindow("shaders", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                  64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window) {
            error = std::string("SDL_CreateWindow: ") + SDL_GetError();
            return false;
        }
        context = SDL_GL_CreateContext(window);
        if (!context) {
            error = std::string("SDL_GL_CreateContext: ") + SDL_GetError();
            return false;
        }
        glewExperimental = GL_TRUE;
        GLenum e = glewInit();
        // GLEW on a GLX-less or EGL build may report "no GLX display" yet
        // load every entry point we need; test the ones we use instead.
        (void)e;
        if (!glCreateShader || !glGenFramebuffersEXT) {
            error = "GL 2.0 shaders or EXT_framebuffer_object missing";
            return false;
        }
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        return true;
    }

    ~Gl() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
    }
};

// ---------------------------------------------------------------- programs

struct Program {
    GLuint program = 0;
    std::string compile_log;  // vertex and fragment info logs together
    std::string link_log;
    bool compiled = false;
    bool linked = false;
};

inline std::string ShaderLog(GLuint s) {
    GLint n = 0;
    glGetShaderiv(s, GL_INFO_LOG_LENGTH, &n);
    std::string log(n > 0 ? n : 0, '\0');
    if (n > 0) glGetShaderInfoLog(s, n, nullptr, &log[0]);
    while (!log.empty() && log.back() == '\0') log.pop_back();
    return log;
}

inline Program Build(const std::string& fragment) {
    Program p;
    GLuint vs = glCreateShader(GL_VERTEX_SHADER);
    GLuint fs = glCreateShader(GL_FRAGMENT_SHADER);
    const char* v = kVertexShader;
    const char* f = fragment.c_str();
    glShaderSource(vs, 1, &v, nullptr);
    glShaderSource(fs, 1, &f, nullptr);
    GLint ok_v = 0, ok_f = 0;
    glCompileShader(vs);
    glGetShaderiv(vs, GL_COMPILE_STATUS, &ok_v);
    glCompileShader(fs);
    glGetShaderiv(fs, GL_COMPILE_STATUS, &ok_f);
    p.compile_log = ShaderLog(vs) + ShaderLog(fs);
    p.compiled = ok_v && ok_f;
    p.program = glCreateProgram();
    glAttachShader(p.program, fs);
    glAttachShader(p.program, vs);
    glLinkProgram(p.program);
    GLint ok_l = 0;
    glGetProgramiv(p.program, GL_LINK_STATUS, &ok_l);
    p.linked = ok_l != 0;
    GLint n = 0;
    glGetProgramiv(p.program, GL_INFO_LOG_LENGTH, &n);
    if (n > 0) {
        p.link_log.assign(n, '\0');
        glGetProgramInfoLog(p.program, n, nullptr, &p.link_log[0]);
        while (!p.link_log.empty() && p.link_log.back() == '\0') p.link_log.pop_back();
    }
    return p;
}

struct ActiveUniform {
    std::string name;
    GLenum type;
    GLint size;
};

inline std::vector<ActiveUniform> ActiveUniforms(GLuint program) {
    std::vector<ActiveUniform> out;
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; i++) {
        char name[256];
        GLsizei len = 0;
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, i, sizeof name, &len, &size, &type, name);
        out.push_back({std::string(name, len), type, size});
    }
    return out;
}

// ---------------------------------------------------------------- images

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;  // rows from the top down, as a PNG decodes
    void Put(int x, int y, float r, float g, float b, float a) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
        auto c = [](float v) { return uint8_t(std::fmax(0.f, std::fmin(1.f, v)) * 255.f + 0.5f); };
        p[0] = c(r);
        p[1] = c(g);
        p[2] = c(b);
        p[3] = c(a);
    }
};

inline Image Blank(int w, int h) {
    Image im;
    im.w = w;
    im.h = h;
    im.rgba.assign(size_t(w) * h * 4, 0);
    return im;
}

// A 3x5 block font for capital letters, digits and a few signs, enough to
// make readable, obviously oriented stand-in text images.
static const char* const kFont3x5[] = {
    // A-Z, each 5 rows of 3 columns
    "010101111101101", "110101110101110", "011100100100011", "110101101101110",
    "111100110100111", "111100110100100", "011100101101011", "101101111101101",
    "111010010010111", "001001001101010", "101101110101101", "100100100100111",
    "101111111101101", "110101101101101", "010101101101010", "110101110100100",
    "010101101110011", "110101110101101", "011100010001110", "111010010010010",
    "101101101101111", "101101101101010", "101101111111101", "101101010101101",
    "101101010010010", "111001010100111",
    // 0-9
    "111101101101111", "010110010010111", "110001010100111", "110001010001110",
    "101101111001001", "111100110001110", "011100111101111", "111001010010010",
    "111101111101111", "111101111001110",
};

inline const char* FontBits(char c) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return kFont3x5[c - 'A'];
    if (c >= '0' && c <= '9') return kFont3x5[26 + c - '0'];
    if (c == '-') return "000000111000000";
    if (c == '.') return "000000000000010";
    if (c == '!') return "010010010000010";
    return "000000000000000";
}

// Draws text with letter cells of `scale` pixels, top left at (x, y).
inline void DrawText(Image& im, int x, int y, int scale, const std::string& text, float r,
                     float g, float b) {
    int cx = x;
    for (char ch : text) {
        if (ch == '\n') {
            y += 6 * scale;
            cx = x;
            continue;
        }
        const char* bits = FontBits(ch);
        for (int gy = 0; gy < 5; gy++)
            for (int gx = 0; gx < 3; gx++)
                if (bits[gy * 3 + gx] == '1')
                    for (int py = 0; py < scale; py++)
                        for (int px = 0; px < scale; px++)
                            im.Put(cx + gx * scale + px, y + gy * scale + py, r, g, b, 1.f);
        cx += 4 * scale;
    }
}

inline Image TextImage(int w, int h, const std::string& text, int scale, float r, float g,
                       float b) {
    Image im = Blank(w, h);
    int lines = 1, longest = 0, cur = 0;
    for (char ch : text) {
        if (ch == '\n') {
            lines++;
            cur = 0;
        } else if (++cur > longest) {
            longest = cur;
        }
    }
    int tw = longest * 4 * scale, th = lines * 6 * scale;
    DrawText(im, (w - tw) / 2, (h - th) / 2, scale, text, r, g, b);
    return im;
}

// An opaque picture: a colour field with circles and a marker block in the
// top left corner, so orientation shows.
inline Image Picture(int w, int h, float hue) {
    Image im = Blank(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            float u = float(x) / w, v = float(y) / h;
            float r = 0.5f + 0.5f * std::sin(6.28f * (u + hue));
            float g = 0.5f + 0.5f * std::sin(6.28f * (v * 0.7f + hue + 0.33f));
            float b = 0.5f + 0.5f * std::sin(6.28f * (u * 0.5f + v + hue + 0.66f));
            float d = std::hypot(u - 0.5f, (v - 0.5f) * h / w);
            float ring = std::fmod(d * 12.f, 1.f) < 0.5f ? 1.f : 0.6f;
            im.Put(x, y, r * ring, g * ring, b * ring, 1.f);
        }
    DrawText(im, w / 20, h / 20, std::max(2, h / 60), "TOP", 1, 1, 1);
    return im;
}

// Band silhouette: dark figures on a transparent field.
inline Image Silhouette(int w, int h) {
    Image im = Blank(w, h);
    const float xs[] = {0.2f, 0.38f, 0.62f, 0.8f};
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            float u = float(x) / w, v = float(y) / h;
            bool in = false;
            for (int i = 0; i < 4; i++) {
                float dx = (u - xs[i]) * w / h;
                float head = std::hypot(dx, v - 0.42f);
                float body = (v > 0.5f && std::fabs(dx) < 0.07f + (v - 0.5f) * 0.2f);
                if (head < 0.06f || body) in = true;
            }
            if (v > 0.92f) in = true;  // stage
            if (in) im.Put(x, y, 0.02f, 0.02f, 0.03f, 1.f);
        }
    return im;
}

// Curtain strip: velvet folds in reds, darker towards the bottom row.
inline Image Curtain(int w, int h) {
    Image im = Blank(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            float u = float(x) / w, v = float(y) / (h - 1);
            float fold = 0.55f + 0.45f * std::sin(u * 6.28f * 12.f);
            float shade = fold * (1.f - 0.4f * v);
            im.Put(x, y, 0.75f * shade + 0.1f, 0.08f * shade, 0.12f * shade, 1.f);
        }
    return im;
}

// The stand-in image for each name the scene table binds.
inline Image StandIn(const std::string& name) {
    if (name == "curtain") return Curtain(640, 16);
    if (name == "band") return Silhouette(640, 360);
    if (name == "intro") return TextImage(640, 360, "ONDRAVE\nPRESENTS", 8, 1, 1, 1);
    if (name == "vote") return TextImage(640, 360, "VOTE\nKASTREL", 8, 1, 0.9f, 0.6f);
    if (name == "title") return TextImage(1024, 256, "KASTREL", 20, 1, 1, 1);
    if (name == "lumitide") return Picture(512, 512, 0.1f);
    if (name == "lumitide1") return Picture(1280, 720, 0.3f);
    if (name == "lumitide2") return Picture(1280, 720, 0.5f);
    if (name == "lumitide2b") return Picture(1280, 720, 0.7f);
    if (name == "lumitide2t") return TextImage(1280, 720, "LUMITIDE", 24, 0.7f, 0.9f, 1);
    if (name == "kowtf1") return TextImage(1280, 720, "KO WTF", 30, 1, 0.5f, 0.2f);
    if (name == "kowtf2") return TextImage(1280, 720, "WTF KO", 30, 0.2f, 0.8f, 1);
    if (name == "varu1") return Picture(640, 360, 0.9f);
    if (name == "varu2") return TextImage(640, 360, "VARU", 20, 1, 0.8f, 0.8f);
    if (name == "credits1") return TextImage(512, 256, "CODE\nKRV", 10, 1, 1, 1);
    if (name == "credits2") return TextImage(512, 256, "MUSIC\nSYNTH", 10, 1, 1, 1);
    if (name == "credits3") return TextImage(512, 256, "GFX\nPIXEL", 10, 1, 1, 1);
    if (name == "credits4") return TextImage(512, 256, "THANKS\nALL", 10, 1, 1, 1);
    if (name == "girls") return Picture(1280, 720, 0.2f);
    if (name == "girls2") return Picture(1280, 720, 0.6f);
    if (name == "prolvens") return Picture(1280, 720, 0.4f);
    if (name == "prolvens2") return Picture(1280, 720, 0.8f);
    if (name == "prolvenstext") return TextImage(1280, 720, "PROLVENS", 24, 1, 1, 0.5f);
    if (name == "getmossruny") return TextImage(1280, 720, "GET\nMOSSRUNY", 18, 0.7f, 1, 0.5f);
    if (name == "glintext") return TextImage(1024, 64, "GREETINGS TO ALL", 8, 1, 1, 1);
    return Picture(256, 256, 0.f);
}

// The images the show sets to clamp-to-edge after loading; the others
// keep repeat wrapping.
inline bool Clamped(const std::string& name) {
    static const char* const names[] = {"band",   "lumitide1", "lumitide2",   "lumitide2b",
                                        "lumitide2t", "kowtf1", "kowtf2",     "prolvens",
                                        "prolvens2",  "prolvenstext", "glintext"};
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

inline Image Solid(int w, int h, float r, float g, float b) {
    Image im = Blank(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) im.Put(x, y, r, g, b, 1.f);
    return im;
}

// Uploads an image the way the show's bitmaps are: row 0 of the image at
// texture coordinate v = 0, linear minification, nearest magnification.
inline GLuint Upload(const Image& im, bool clamp = false) {
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    GLenum wrap = clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, im.w, im.h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 im.rgba.data());
    return t;
}

// ---------------------------------------------------------------- framebuffers

struct Fbo {
    GLuint fbo = 0, tex = 0;
    int w = 0, h = 0;
    bool Create(int width, int height) {
        w = width;
        h = height;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffersEXT(1, &fbo);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  tex, 0);
        bool ok = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        return ok;
    }
    // Makes this framebuffer current with the show's pixel projection:
    // origin top left, y downwards.
    void Bind() const {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w, h, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // Reads the picture back with row 0 at the top, as it is seen.
    std::vector<uint8_t> Read() const {
        std::vector<uint8_t> px(size_t(w) * h * 4), out(px.size());
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        for (int y = 0; y < h; y++)
            std::memcpy(&out[size_t(y) * w * 4], &px[size_t(h - 1 - y) * w * 4], size_t(w) * 4);
        return out;
    }
};

// One quad over the whole current framebuffer, texture coordinates (0, 1)
// at the top left and (1, 0) at the bottom right, wound counter-clockwise.
inline void DrawQuad(int w, int h) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex2f(0, 0);
    glTexCoord2f(0, 0);
    glVertex2f(0, float(h));
    glTexCoord2f(1, 0);
    glVertex2f(float(w), float(h));
    glTexCoord2f(1, 1);
    glVertex2f(float(w), 0);
    glEnd();
}

// ---------------------------------------------------------------- passes

struct SceneInputs {
    float time = 0.5f;       // hundreds of show units since the event's start
    float statetime = 0.2f;  // hundreds of show units since the state's start
    int state = 0;
    float fft[4] = {5.f, 3.f, 4.f, 2.f};
    float absfft[3] = {120.f, 80.f, 40.f};
    GLuint tex[4] = {0, 0, 0, 0};
};

inline void BindChannels(const GLuint tex[4]) {
    for (int ch = 3; ch >= 0; ch--) {
        glActiveTexture(GL_TEXTURE0 + ch);
        glBindTexture(GL_TEXTURE_2D, tex[ch]);
    }
}

// Sets the scene uniforms by name (as the show does: a name the program
// does not use is ignored) and draws one quad into the bound framebuffer.
inline void DrawScene(GLuint program, const SceneInputs& in, int w = kWidth, int h = kHeight) {
    glUseProgram(program);
    auto loc = [&](const char* n) { return glGetUniformLocation(program, n); };
    glUniform1f(loc("time"), in.time);
    glUniform1f(loc("statetime"), in.statetime);
    glUniform1f(loc("fade"), 1.0f);
    glUniform2f(loc("resolution"), 640.f, 360.f);
    glUniform3f(loc("spectrum"), in.fft[0], in.fft[1], in.fft[3]);
    glUniform3f(loc("absfft"), in.absfft[0], in.absfft[1], in.absfft[2]);
    glUniform4f(loc("fft"), in.fft[0], in.fft[1], in.fft[2], in.fft[3]);
    glUniform1i(loc("state"), in.state);
    glUniform1i(loc("texture0"), 0);
    glUniform1i(loc("texture1"), 1);
    glUniform1i(loc("texture2"), 2);
    glUniform1i(loc("texture3"), 3);
    BindChannels(in.tex);
    DrawQuad(w, h);
    glUseProgram(0);
}

struct TransitionInputs {
    float progress = 0.5f;
    float smoothness = 0.9f;
    float position = 268.f;  // show units
    float fft[4] = {5.f, 3.f, 4.f, 2.f};
    GLuint outgoing = 0, incoming = 0;
};

inline float SmoothStep(float a, float b, float x) {
    double t = (double(x) - a) / (double(b) - a);
    t = std::fmin(std::fmax(t, 0.0), 1.0);
    float tf = float(t);
    return tf * tf * (3.f - 2.f * tf);
}

inline void DrawTransition(GLuint program, const TransitionInputs& in, int w = kWidth,
                           int h = kHeight) {
    glUseProgram(program);
    auto loc = [&](const char* n) { return glGetUniformLocation(program, n); };
    float blend = SmoothStep(0.5f - 0.5f * in.smoothness, 0.5f + 0.5f * in.smoothness,
                             in.progress);
    float sintime = float(1.0 - (std::cos(in.progress * 3.141592653) * 0.5 + 0.5));
    glUniform2f(loc("resolution"), 640.f, 360.f);
    glUniform3f(loc("spectrum"), in.fft[0], in.fft[1], in.fft[3]);
    glUniform4f(loc("fft"), in.fft[0], in.fft[1], in.fft[2], in.fft[3]);
    glUniform1i(loc("texture0"), 0);
    glUniform1i(loc("texture1"), 1);
    glUniform1i(loc("texture2"), 2);
    glUniform1i(loc("texture3"), 3);
    glUniform1f(loc("time"), in.position);
    glUniform3f(loc("color"), 1.f, 1.f, 1.f);
    glUniform1f(loc("timingProgress"), in.progress);
    glUniform1f(loc("sintime"), sintime);
    glUniform1f(loc("blend"), blend);
    glUniform1f(loc("custom"), 0.f);
    GLuint tex[4] = {in.outgoing, in.incoming, 0, 0};
    BindChannels(tex);
    DrawQuad(w, h);
    glUseProgram(0);
}

}  // namespace sh
