// The show's data image: what the build packs into show/kastrel.dat, and
// that packing it again from freshly generated content gives the same bytes.
#include <set>
#include <string>
#include <vector>

#include "core/corefile/corefile.h"
#include "tests/support/testsupport.h"

namespace {

const std::string kImage = std::string(KASTREL_BINARY_DIR) + "/show/kastrel.dat";

const char* kExpected[] = {
    // shaders
    "audio.glsl", "wave_curtain2.glsl", "firecube.glsl", "ballz.glsl", "lumicube.glsl", "heart.glsl",
    "cubemaze2.glsl", "voronoi.glsl", "blobs2.glsl", "mossruncube.glsl", "mossruninside.glsl", "noise.glsl",
    "transition_dissolve.glsl", "transition_fade.glsl", "transition_flash.glsl", "transition_lumadissolve.glsl",
    // timeline and music
    "timing.dat", "music.wav",
    // pictures and fonts
    "curtain640x16.png", "kastrel_intro.png", "kastrel_vote.png", "band_sillouette640.png", "title2.png",
    "lumitide1o.png", "lumitide2o2a.png", "lumitide2o2b.png", "lumitide2wt2.png", "lumitide512b.png",
    "ko_wtf1.png", "ko_wtf2.png", "varu1.png", "varu2.png", "credits1.png", "credits2.png", "credits3.png",
    "credits4.png", "zeqo1280_2.png", "zeqo1280_2a.png", "prolvens2.png", "prolvens2b.png",
    "prolvenstext2.png", "getmossruny.png", "text1024x64y.png", "font_heat.tga", "font_heat2.tga",
};

class DataImage : public kt::ScratchTest {
protected:
    void TearDown() override {
        corefile_closeimage();
        kt::ScratchTest::TearDown();
    }
};

}  // namespace

TEST_F(DataImage, HoldsEveryFileOfTheShowOnce) {
    kt::Captured([] { ASSERT_EQ(corefile_mountimage(kImage.c_str(), 0), 1); });
    std::set<std::string> names;
    for (unsigned i = 0; i < corefile_image.numfiles; i++) names.insert(corefile_image.names[i]);
    EXPECT_EQ(names.size(), corefile_image.numfiles) << "a name is stored twice";
    for (const char* want : kExpected) EXPECT_EQ(names.count(want), 1u) << want;
    EXPECT_EQ(corefile_image.numfiles, sizeof kExpected / sizeof kExpected[0]);
    // The authored files are packed unchanged.
    for (const char* authored : {"timing.dat", "heart.glsl"}) {
        s_corefile h = {};
        kt::Captured([&] { ASSERT_EQ(corefile_open(authored, &h, 0), 1); });
        std::string data(h.size, '\0');
        corefile_read(&data[0], (int)h.size, 1, &h);
        EXPECT_EQ(data, kt::ReadFile(std::string(KASTREL_SOURCE_DIR) + "/data/" + authored)) << authored;
    }
}

TEST_F(DataImage, RebuildingGivesTheSameBytes) {
    std::string out;
    ASSERT_EQ(kt::RunCommand(std::string(GENIMAGES_PATH) + " " + dir_, &out), 0) << out;
    ASSERT_EQ(kt::RunCommand(std::string(GENMUSIC_PATH) + " " + dir_ + "/music.wav", &out), 0) << out;
    // Same names, same order as the built image; sources from this fresh run.
    kt::Captured([] { ASSERT_EQ(corefile_mountimage(kImage.c_str(), 0), 1); });
    std::string cmd = std::string(MKCORE_PATH) + " again.dat";
    for (unsigned i = 0; i < corefile_image.numfiles; i++) {
        std::string name = corefile_image.names[i];
        bool authored = name.size() > 5 && (name.substr(name.size() - 5) == ".glsl" || name == "timing.dat");
        std::string src = authored ? std::string(KASTREL_SOURCE_DIR) + "/data/" + name : dir_ + "/" + name;
        cmd += " '" + name + "=" + src + "'";
    }
    corefile_closeimage();
    ASSERT_EQ(kt::RunCommand(cmd, &out), 0) << out;
    EXPECT_TRUE(kt::ReadFile("again.dat") == kt::ReadFile(kImage)) << "the data image is not reproducible";
}
