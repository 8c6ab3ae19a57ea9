// Timing of the show's fragment shaders at 640x360 on the GL at hand (run it
// under Xvfb with LIBGL_ALWAYS_SOFTWARE=1 for Mesa llvmpipe): the median
// milliseconds of one pass per scene and per transition, and an estimate of
// a full frame (scene twice, a transition, the CRT presentation at 1920x1080).
//
//   bench_shaders [--frames N] [--rounds R] [--png] [file.glsl ...]
//
// Each figure is the best of R medians over N frames. --png also writes a
// contact sheet of each scene at states 0 to 3 into the preview folder.
#include <lodepng.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "tests/shader_harness.h"

// The CRT presentation pass the show puts over every frame, so the frame
// estimate includes it.
static const char* const kCrt = ff_xcopy;

using Clock = std::chrono::steady_clock;

static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

template <typename Fn>
static double TimeMs(int frames, Fn fn) {
    fn(0);  // warm-up: shader variants get compiled on first use
    fn(1);
    glFinish();
    std::vector<double> ms;
    for (int i = 0; i < frames; i++) {
        auto t0 = Clock::now();
        fn(i);
        glFinish();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return Median(ms);
}

static void WritePng(const std::string& path, const std::vector<uint8_t>& px, int w, int h) {
    unsigned err = lodepng_encode32_file(path.c_str(), px.data(), w, h);
    if (err) std::printf("png %s: %s\n", path.c_str(), lodepng_error_text(err));
}

int main(int argc, char** argv) {
    int frames = 30;
    int rounds = 3;
    bool png = false;
    std::vector<std::string> only;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--frames" && i + 1 < argc)
            frames = std::max(1, std::atoi(argv[++i]));
        else if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--png")
            png = true;
        else
            only.push_back(a);
    }
    sh::Gl gl;
    if (!gl.Open()) {
        std::printf("no GL: %s\n", gl.error.c_str());
        return 1;
    }
    std::printf("GL_RENDERER: %s\n", (const char*)glGetString(GL_RENDERER));
    if (png) std::system((std::string("mkdir -p '") + SHADER_PREVIEW_DIR + "'").c_str());

    sh::Fbo a, b, mixed, window;
    if (!a.Create(sh::kWidth, sh::kHeight) || !b.Create(sh::kWidth, sh::kHeight) ||
        !mixed.Create(sh::kWidth, sh::kHeight) || !window.Create(1920, 1080)) {
        std::printf("framebuffer incomplete\n");
        return 1;
    }
    sh::Program crt = sh::Build(kCrt);
    if (!crt.linked) std::printf("CRT pass: %s%s\n", crt.compile_log.c_str(), crt.link_log.c_str());

    struct Entry {
        const sh::ShaderFile* f;
        sh::Program p;
        sh::SceneInputs in;
        double best = 1e9;
    };
    std::vector<Entry> entries;
    GLuint dissolve = 0;
    for (const sh::ShaderFile& f : sh::kShaderFiles) {
        std::string src = sh::ReadText(sh::DataPath(f.file));
        bool wanted = only.empty() || std::find(only.begin(), only.end(), f.file) != only.end();
        if (src.empty()) {
            if (wanted) std::printf("%-30s missing\n", f.file);
            continue;
        }
        sh::Program p = sh::Build(src);
        if (!p.linked || !p.compile_log.empty() || !p.link_log.empty())
            std::printf("%-30s build: %s%s\n", f.file, p.compile_log.c_str(), p.link_log.c_str());
        if (!p.linked) continue;
        if (std::string(f.file) == "transition_dissolve.glsl") dissolve = p.program;
        if (!wanted) continue;
        Entry e{&f, p, {}};
        for (int ch = 0; ch < 4; ch++)
            if (f.images[ch][0])
                e.in.tex[ch] = sh::Upload(sh::StandIn(f.images[ch]), sh::Clamped(f.images[ch]));
        entries.push_back(e);
    }

    // Other work on the machine slows llvmpipe down in bursts: every figure
    // is the best of `rounds` medians, the rounds interleaved over all shaders.
    double present_ms = 1e9, transition_ms = 1e9;
    sh::TransitionInputs tin;
    tin.outgoing = a.tex;
    tin.incoming = b.tex;
    for (int r = 0; r < rounds; r++) {
        present_ms = std::min(present_ms, TimeMs(frames, [&](int i) {
            window.Bind();
            glUseProgram(crt.program);
            glUniform1i(glGetUniformLocation(crt.program, "fbo_texture"), 0);
            glUniform1f(glGetUniformLocation(crt.program, "time"), float(i));
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, mixed.tex);
            sh::DrawQuad(1920, 1080);
            glUseProgram(0);
        }));
        if (dissolve)
            transition_ms = std::min(transition_ms, TimeMs(frames, [&](int i) {
                tin.progress = float(i % 11) / 10.f;
                mixed.Bind();
                sh::DrawTransition(dissolve, tin);
            }));
        for (Entry& e : entries) {
            double ms;
            if (e.f->kind == sh::kScene) {
                // Time runs over a few seconds of the scene and through its states.
                ms = TimeMs(frames, [&](int i) {
                    e.in.time = 0.3f + 0.07f * i;
                    e.in.statetime = 0.05f * i;
                    e.in.state = (i / 8) % 4;
                    e.in.fft[0] = 5.f + 4.f * std::sin(i * 0.7f);
                    a.Bind();
                    sh::DrawScene(e.p.program, e.in);
                });
            } else {
                ms = TimeMs(frames, [&](int i) {
                    tin.progress = float(i % 11) / 10.f;
                    mixed.Bind();
                    sh::DrawTransition(e.p.program, tin);
                });
            }
            e.best = std::min(e.best, ms);
        }
    }

    std::printf("%-30s %9s %12s\n", "shader", "ms/pass", "ms/frame(*)");
    for (Entry& e : entries) {
        if (e.f->kind == sh::kScene)
            std::printf("%-30s %9.2f %12.2f\n", e.f->file, e.best,
                        2 * e.best + transition_ms + present_ms);
        else
            std::printf("%-30s %9.2f\n", e.f->file, e.best);
        if (png && e.f->kind == sh::kScene) {
            // A contact sheet: states across, two times down, half size.
            const int cw = sh::kWidth / 2, chh = sh::kHeight / 2;
            std::vector<uint8_t> sheet(size_t(cw) * 4 * chh * 2 * 4, 0);
            for (int st = 0; st < 4; st++) {
                int row = 0;
                for (float t : {0.4f, 1.5f}) {
                    e.in.state = st;
                    e.in.time = t + st * 1.0f;
                    e.in.statetime = t;
                    a.Bind();
                    sh::DrawScene(e.p.program, e.in);
                    std::vector<uint8_t> px = a.Read();
                    for (int y = 0; y < chh; y++)
                        for (int x = 0; x < cw; x++)
                            std::memcpy(&sheet[(size_t(row * chh + y) * cw * 4 + st * cw + x) * 4],
                                        &px[(size_t(y * 2) * a.w + x * 2) * 4], 4);
                    row++;
                }
            }
            WritePng(std::string(SHADER_PREVIEW_DIR) + "/sheet_" + e.f->file + ".png", sheet,
                     cw * 4, chh * 2);
        }
        std::fflush(stdout);
    }
    std::printf("CRT presentation 1920x1080: %.2f ms\n", present_ms);
    std::printf("(*) the scene twice + transition_dissolve + CRT presentation at 1920x1080\n");
    return 0;
}
