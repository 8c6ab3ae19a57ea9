// The show's music drives its band levels: the real music from the data
// image, mixed block by block as the device would have it mixed, measured
// by the band analysis after every block.
#include <algorithm>
#include <string>

#include "core/corefile/corefile.h"
#include "demo/bandanalysis.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tests/support/testsupport.h"

TEST(MusicBands, EveryLevelMovesOverTheWholeMusic) {
    std::string image = std::string(KASTREL_BINARY_DIR) + "/show/kastrel.dat";
    kt::Captured([&] { ASSERT_EQ(corefile_mountimage(image.c_str(), 0), 1); });

    // The sound system as start-up leaves it, without a device.
    soundsystem.frequency = 44100;
    soundsystem.channels = 2;
    soundsystem.bits = 16;
    soundsystem.bufferlength = 2048;
    soundsystem.outputsize = 2 * 2048 * 4;
    soundsystem.outputbuffer = (int*)malloc((size_t)soundsystem.outputsize);
    soundsystem.mastervolume = soundsystem.musicvolume = soundsystem.effectvolume = 255;

    s_sound music = {};
    kt::Captured([&] { Soundsystem_LoadSound("music.wav", &music); });
    ASSERT_EQ(music.frequency, 44100u);
    ASSERT_EQ(music.bits, 16);
    ASSERT_EQ(music.channels, 2);
    Soundsystem_PlayMusic(&music, 0);

    float lo[4] = {1e9f, 1e9f, 1e9f, 1e9f}, hi[4] = {-1e9f, -1e9f, -1e9f, -1e9f};
    static short block[2048 * 2];
    int blocks = 0;
    while (music.playing && blocks < 100000) {
        audiodriver_mixbuffers(block, (int)sizeof block, 0);
        SplitFrequency(&fft_low, &fft_middle, &fft_middle2, &fft_high);
        UpdateFrequencySums();
        float levels[4] = {fft_low, fft_middle, fft_middle2, fft_high};
        for (int i = 0; i < 4; i++) {
            lo[i] = std::min(lo[i], levels[i]);
            hi[i] = std::max(hi[i], levels[i]);
        }
        blocks++;
    }
    EXPECT_GT(blocks, 3000) << "the music should last over two minutes";
    const char* names[4] = {"low", "middle", "middle2", "high"};
    for (int i = 0; i < 4; i++) {
        printf("%-8s %5.2f .. %5.2f\n", names[i], lo[i], hi[i]);
        EXPECT_GE(lo[i], 0.0f) << names[i];
        EXPECT_LE(hi[i], 10.0f) << names[i];
        EXPECT_GE(hi[i] - lo[i], 1.0f) << names[i] << " level hardly moves";
    }
    EXPECT_GT(absfft_low, 0.0f);
    EXPECT_GT(absfft_middle, 0.0f);
    EXPECT_GT(absfft_high, 0.0f);
    Soundsystem_DeleteSound(&music);
    corefile_closeimage();
}
