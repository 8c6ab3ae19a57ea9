// Starting and stopping the sound system and its device.
#include <cstdio>
#include <cstdlib>

#include "sound/audiodriver_win32.h"
#include "sound/coresound.h"
#include "sound/soundlock.h"

int Soundsystem_Init(unsigned int frequency, int bits, int channels) {
    int ch = channels & 0xFF;
    soundsystem.frequency = frequency;
    soundsystem.channels = (unsigned short)ch;
    soundsystem.bits = (unsigned short)(bits & 0xFF);
    soundsystem.numsounds = 0;
    soundsystem.numactive = 0;
    soundsystem.musicvolume = 255;
    soundsystem.effectvolume = 255;
    soundsystem.mastervolume = 255;
    soundsystem.bufferlength = 2048;

    // The device plays mono for any count but 2, so a count of 0 still gets
    // room for one channel's block rather than a buffer the mixer cannot use.
    int room = ch > 0 ? ch : 1;
    soundsystem.outputsize = room * soundsystem.bufferlength * 4;
    soundsystem.outputbuffer = (int*)malloc((size_t)soundsystem.outputsize);
    if (!soundsystem.outputbuffer) soundsystem.outputsize = 0;

    audiodriver_init(44100, 16, 2048, ch == 2 ? 2 : 1);

    printf("soundsystem bufferlength = %d\n", soundsystem.bufferlength);
    return 1;
}

void Soundsystem_CloseAudio(void) {
    audiodriver_close();
    soundlock_enter();
    if (soundsystem.outputbuffer) {
        free(soundsystem.outputbuffer);
        soundsystem.outputbuffer = nullptr;
        soundsystem.outputsize = 0;
    }
    soundlock_leave();
}
