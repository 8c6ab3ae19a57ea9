// WAV files: the input is a file of the mounted data image, loaded with
// Soundsystem_LoadSound; the sound then plays through the software mixer in
// the show's output format, once from its start and once looping from its
// last frame, a few blocks each.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

const int kFrames = 2048;
int16_t device[kFrames * 2];

// The sound system as start-up leaves it, without a device: 44100 Hz, 16-bit
// stereo, 2048-frame blocks.
void start_sound_system(void) {
    if (soundsystem.outputbuffer) return;
    soundsystem.frequency = 44100;
    soundsystem.channels = 2;
    soundsystem.bits = 16;
    soundsystem.bufferlength = kFrames;
    soundsystem.outputsize = kFrames * 2 * 4;
    soundsystem.mastervolume = soundsystem.musicvolume = soundsystem.effectvolume = 255;
    soundsystem.outputbuffer = (int*)malloc((size_t)soundsystem.outputsize);
    if (!soundsystem.outputbuffer) abort();
}

void mix(int blocks) {
    for (int i = 0; i < blocks; i++) audiodriver_mixbuffers(device, (int)sizeof device, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    start_sound_system();
    fuzz_mountone("music.wav", data, size);
    s_sound sound;
    Soundsystem_LoadSound("music.wav", &sound);

    Soundsystem_PlayMusic(&sound, 0);
    mix(3);
    Soundsystem_StopSound(&sound);

    Soundsystem_PlaySound(&sound, 1);
    Soundsystem_SetPanning(&sound, 40);
    Soundsystem_SetSoundOffset(&sound, (uint64_t)-1);  // its last frame
    mix(2);
    Soundsystem_DeleteSound(&sound);
    soundsystem.numsounds = 0;
    return 0;
}
