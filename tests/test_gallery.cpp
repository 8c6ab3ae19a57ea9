// The gallery: every scene row of the show at each of its states and every
// transition at progress 0.5, drawn by the real scene code (DoEffect,
// ExecuteTransition) from the real data image, with the band levels of the
// real music at that moment. Each picture is written to
// ${CMAKE_BINARY_DIR}/gallery/ as a PNG, and each must differ from every
// other and be more than one flat colour.
#include <GL/glew.h>
#include <lodepng.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/corefile/corefile.h"
#include "demo/assets.h"
#include "demo/bandanalysis.h"
#include "demo/demotiming.h"
#include "demo/main.h"
#include "demo/scenes.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tests/gallery/realshow.h"
#include "tests/show/showgl.h"

namespace {

// The shader file of each scene row, for the picture's name.
const char* const kRowNames[13] = {
    "wave_curtain2", "firecube", "ballz",       "lumicube",      "heart", "cubemaze2",     "blobs2",
    "voronoi",       "mossruncube", "mossruninside", "noise", "wave_curtain2", "wave_curtain2",
};

// One picture of the gallery.
struct Shot {
    std::string name;
    int position;        // the frame's position, show units
    int draw = 0;        // a scene: the position DoEffect is given
    int row = -1;        // a scene: its row and state
    int state = -1;
    int transition = -1; // a transition: its index, from event row into row + 1
};

// The sound system as start-up leaves it, without a device: the music is
// mixed here block by block up to each picture's position, the band levels
// measured about three times a block as the frames of a show run would.
class Music {
public:
    void Start() {
        soundsystem.frequency = 44100;
        soundsystem.channels = 2;
        soundsystem.bits = 16;
        soundsystem.bufferlength = 2048;
        soundsystem.outputsize = 2 * 2048 * 4;
        soundsystem.outputbuffer = (int*)malloc((size_t)soundsystem.outputsize);
        soundsystem.mastervolume = soundsystem.musicvolume = soundsystem.effectvolume = 255;
        kt::Captured([&] { Soundsystem_LoadSound("music.wav", &music_); });
        ASSERT_EQ(music_.frequency, 44100u);
        Soundsystem_PlayMusic(&music_, 0);
    }
    void AdvanceTo(int position) {
        static short block[2048 * 2];
        while (frames_ < (long long)position * 1024) {
            audiodriver_mixbuffers(block, (int)sizeof block, 0);
            frames_ += 2048;
            for (int i = 0; i < 3; i++) {
                SplitFrequency(&fft_low, &fft_middle, &fft_middle2, &fft_high);
                UpdateFrequencySums();
            }
        }
    }

private:
    s_sound music_ = {};
    long long frames_ = 0;
};

struct Picture {
    std::string name;
    st::Image image;
};

// RGB of a pixel (bytes R, G, B from the low byte up).
inline int Channel(uint32_t p, int c) { return (int)((p >> (8 * c)) & 0xFF); }

// Share of pixels whose colour differs by more than 24 in some channel.
double DifferentShare(const st::Image& a, const st::Image& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.pixels.size(); i++)
        for (int c = 0; c < 3; c++)
            if (std::abs(Channel(a.pixels[i], c) - Channel(b.pixels[i], c)) > 24) {
                n++;
                break;
            }
    return (double)n / (double)a.pixels.size();
}

// Standard deviation of the luminance (0 to 255), and the mean.
void Luma(const st::Image& img, double* mean, double* deviation) {
    double s = 0, s2 = 0;
    for (uint32_t p : img.pixels) {
        double y = 0.299 * Channel(p, 0) + 0.587 * Channel(p, 1) + 0.114 * Channel(p, 2);
        s += y;
        s2 += y * y;
    }
    double n = (double)img.pixels.size();
    *mean = s / n;
    *deviation = std::sqrt(std::max(0.0, s2 / n - *mean * *mean));
}

void WritePng(const std::string& path, const st::Image& img) {
    std::vector<unsigned char> rgba(img.pixels.size() * 4);
    for (size_t i = 0; i < img.pixels.size(); i++) {
        for (int c = 0; c < 3; c++) rgba[i * 4 + c] = (unsigned char)Channel(img.pixels[i], c);
        rgba[i * 4 + 3] = 255;  // the window shows no alpha
    }
    unsigned e = lodepng_encode32_file(path.c_str(), rgba.data(), (unsigned)img.width, (unsigned)img.height);
    ASSERT_EQ(e, 0u) << path << ": " << lodepng_error_text(e);
}

class Gallery : public st::ShowGLTest {
protected:
    void SetUp() override {
        st::ShowGLTest::SetUp();
        rs::LinkImage();
        // Start-up as the show does it, on framebuffers 1 (outgoing), 2
        // (incoming) and 3 (the mix). The show's own three transitions, then
        // the fade and the luma dissolve, which the show loads but never uses.
        std::string log = kt::Captured([] {
            corefile_mountimage("kastrel.dat", 0);
            for (int i = 0; i < 3; i++) KRV_CreateFrameBuffer(640, 360, 0);
            LoadShaders();
            LoadResources();
            InitTiming();
            LoadTiming("timing.dat");
            AddTransition(transition_dissolve, 64, 0, 0.9f, 0.0f);
            AddTransition(transition_dissolve, 40, 0, 0.9f, 0.0f);
            AddTransition(transition_flash, 64, 0, 0.9f, 0.0f);
            AddTransition(transition_fade, 64, 0, 0.9f, 0.0f);
            AddTransition(transition_lumadissolve, 64, 0, 0.9f, 0.0f);
        });
        for (const std::string& bad : rs::kForbidden) ASSERT_EQ(log.find(bad), std::string::npos) << log;
        ASSERT_EQ(demo.numevents, 13);
        ASSERT_EQ(KRV_numframebuffers, 4);
        // Loading leaves the invalid-enum of the clamp images' filter values.
        while (glGetError() != GL_NO_ERROR) {
        }
        music_.Start();
    }
    void TearDown() override {
        corefile_closeimage();
        st::ShowGLTest::TearDown();
    }

    static int Start(int event) { return demo.events[event].audiopos; }

    // Every row at each of its states, in the middle of the state's span
    // (the span of the last state ends where the next event takes over, 64
    // units before its start). The last event has no next one: the look-ahead
    // past it (to the unwritten entry after it) leaves it current only in
    // the 64 units before its own start, so it is drawn from there, with the
    // frame's position in each of its states, as the outgoing scene of a
    // frame after its start would be. Its second state ends where the music
    // does, 32 units after its start.
    std::vector<Shot> SceneShots() {
        std::vector<Shot> shots;
        for (int row = 0; row < 13; row++) {
            const s_event& e = demo.events[row];
            int end = row < 12 ? Start(row + 1) - 64 - Start(row) : 32;
            for (int s = 0; s < e.numstates; s++) {
                int from = e.states[s];
                int to = s + 1 < e.numstates ? e.states[s + 1] : end;
                Shot shot;
                char name[64];
                snprintf(name, sizeof name, "row%02d_%s_state%d", row, kRowNames[row], s);
                shot.name = name;
                shot.position = Start(row) + (from + to) / 2;
                shot.draw = row < 12 ? shot.position : Start(row) - 32;
                shot.row = row;
                shot.state = s;
                shots.push_back(shot);
            }
        }
        return shots;
    }

    // Each transition halfway, from the first event that uses it into the
    // next; the fade and the luma dissolve between two scenes of their own.
    std::vector<Shot> TransitionShots() {
        const char* names[5] = {"dissolve", "quickdissolve", "flash", "fade", "lumadissolve"};
        int from[5] = {-1, -1, -1, 3, 4};
        for (int i = 0; i < 12; i++) {
            int t = demo.events[i].transition_id;
            if (t >= 0 && t < 3 && from[t] < 0) from[t] = i;
        }
        std::vector<Shot> shots;
        for (int t = 0; t < 5; t++) {
            EXPECT_GE(from[t], 0) << "the timing file uses no transition " << t;
            if (from[t] < 0) continue;
            Shot shot;
            char name[80];
            snprintf(name, sizeof name, "transition%d_%s_row%02d_to_row%02d", t, names[t], from[t], from[t] + 1);
            shot.name = name;
            shot.position = Start(from[t] + 1) - demo.transitions[t].duration / 2;
            shot.row = from[t];
            shot.transition = t;
            shots.push_back(shot);
        }
        return shots;
    }

    // A scene: the frame's position, and the incoming scene's draw.
    st::Image DrawScene(const Shot& s) {
        demo.currentpos = s.position;
        DoEffect(s.draw, 2, 1);
        EXPECT_EQ(demo.currentevent, s.row) << s.name;
        EXPECT_EQ(demo.currentstate, s.state) << s.name;
        return st::ReadFramebuffer(2);
    }

    // A transition: the outgoing scene 96 units before the next event's start
    // (still the outgoing event, also for the 40-unit dissolve), the incoming
    // one and the mix at the frame's position, as a frame of the show draws them.
    st::Image DrawTransition(const Shot& s) {
        demo.currentpos = s.position;
        DoEffect(Start(s.row + 1) - 96, 1, 0);
        EXPECT_EQ(demo.currentevent, s.row) << s.name;
        DoEffect(s.position, 2, 1);
        EXPECT_EQ(demo.currentevent, s.row + 1) << s.name;
        UpdateDemoTiming(s.position, 0);
        demo.currenttransition = s.transition;
        KRV_SetFrameBuffer(3);
        ExecuteTransition(s.position, s.transition, 1, 2);
        int shader = demo.transitions[s.transition].shader;
        GLint at = glGetUniformLocation(KRV_shader[shader].program, "blend");
        EXPECT_NE(at, -1) << s.name << " reads no blend";
        float blend = -1;
        if (at != -1) glGetUniformfv(KRV_shader[shader].program, at, &blend);
        EXPECT_FLOAT_EQ(blend, 0.5f) << s.name;
        return st::ReadFramebuffer(3);
    }

    Music music_;
};

TEST_F(Gallery, EveryRowStateAndTransitionIsADistinctPictureOfMoreThanOneColour) {
    std::vector<Shot> shots = SceneShots();
    std::vector<Shot> transitions = TransitionShots();
    shots.insert(shots.end(), transitions.begin(), transitions.end());
    std::stable_sort(shots.begin(), shots.end(), [](const Shot& a, const Shot& b) { return a.position < b.position; });

    const std::string dir = std::string(KASTREL_BINARY_DIR) + "/gallery";
    kt::MakeDirs(dir);
    std::vector<Picture> pictures;
    for (const Shot& s : shots) {
        music_.AdvanceTo(s.position);
        Picture p;
        p.name = s.name;
        p.image = s.transition >= 0 ? DrawTransition(s) : DrawScene(s);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << s.name;
        WritePng(dir + "/" + s.name + ".png", p.image);
        double mean, deviation;
        Luma(p.image, &mean, &deviation);
        printf("%-44s at %4d  luma mean %6.1f  deviation %5.1f  bands %.2f %.2f %.2f %.2f\n", s.name.c_str(),
               s.position, mean, deviation, fft_low, fft_middle, fft_middle2, fft_high);
        EXPECT_GE(deviation, 8.0) << s.name << " is (nearly) one flat colour";
        EXPECT_GE(mean, 8.0) << s.name << " is (nearly) black";
        pictures.push_back(p);
    }
    EXPECT_EQ(pictures.size(), 33u);

    double closest = 1.0;
    std::string pair;
    for (size_t i = 0; i < pictures.size(); i++)
        for (size_t j = i + 1; j < pictures.size(); j++) {
            double share = DifferentShare(pictures[i].image, pictures[j].image);
            if (share < closest) {
                closest = share;
                pair = pictures[i].name + " and " + pictures[j].name;
            }
            EXPECT_GE(share, 0.05) << pictures[i].name << " and " << pictures[j].name << " differ in only "
                                   << share * 100 << "% of their pixels";
        }
    printf("closest pair: %s, %.1f%% of the pixels differ\n", pair.c_str(), closest * 100);
    printf("gallery: %d pictures in %s\n", (int)pictures.size(), dir.c_str());
}

}  // namespace
