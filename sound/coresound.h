// The sound system's public face: sound records owned by their callers, the
// one global sound-system record, the list of up to 16 playing sounds, and
// the calls that load, list, change and query sounds.
//
// Units: a sample value is one channel's sample, a frame one value per
// channel. `length` and `position` count values; `position` carries 8
// fraction bits. Offsets exchanged with callers count frames.
#pragma once

#include <cstdint>

struct s_sound {
    short playing;              // 1 while to be heard; 0 stopped or paused
    unsigned short channels;    // values per frame: 1 or 2
    unsigned short bits;        // 8 (unsigned, 128 is zero) or 16 (signed little-endian)
    unsigned int size;          // bytes of sample data
    unsigned int length;        // values played before the end
    unsigned int frequency;     // sample rate of the data in Hz
    uint64_t position;          // playback position in values, 8 fraction bits
    unsigned int increment;     // position step per output frame
    unsigned int loop;          // nonzero: play on from the start at the end
    unsigned int music;         // 1: music group; anything else: effect group
    unsigned char volume;       // 0 to 255
    unsigned char leftvolume;   // left gain
    unsigned char rightvolume;  // right gain
    unsigned char panning;      // 0 full left, 128 centre, 255 full right
    // Refill hook of a stream, null for loaded sounds: called by the mixer
    // with the sample bytes and their byte count each time the position
    // passes the end.
    void (*callback)(void* data, unsigned int size);
    void* data;                 // the sample bytes (malloc), interleaved frames
};

struct s_soundsystem {
    unsigned int frequency;      // mixing rate in Hz, divisor of every increment
    unsigned short channels;     // output channels: 2 or 1
    unsigned short bits;         // output bits: 16 or 8
    int bufferlength;            // frames per mix block
    int outputsize;              // bytes of the mix buffer
    unsigned short mastervolume; // 0 to 255
    unsigned short musicvolume;  // 0 to 255
    unsigned short effectvolume; // 0 to 255
    int* outputbuffer;           // the mix buffer: one accumulator per value of the latest block
    int numsounds;               // sounds loaded or created minus sounds deleted
    int numactive;               // entries in use in active_sounds
};

extern s_soundsystem soundsystem;
extern s_sound* active_sounds[16];

// Starts the sound system: fills soundsystem, allocates the mix buffer and
// opens the device (always 44100 Hz, 16 bits; stereo for 2 channels, mono
// otherwise). Returns 1 whatever the device did.
int Soundsystem_Init(unsigned int frequency, int bits, int channels);
// Stops the device and frees the mix buffer.
void Soundsystem_CloseAudio(void);

void Soundsystem_SetMasterVolume(int volume);
void Soundsystem_SetMusicVolume(int volume);
void Soundsystem_SetEffectVolume(int volume);
void Soundsystem_SetVolume(s_sound* s, int volume);
void Soundsystem_SetPanning(s_sound* s, int panning);
void Soundsystem_SetFrequency(s_sound* s, int frequency);

char* upcase_sound(char* text);

void Soundsystem_LoadSound(const char* name, s_sound* s);
void Soundsystem_SaveSound(const char* name, s_sound* s);
void Soundsystem_CreateSoundStream(s_sound* s, void (*callback)(void* data, unsigned int size), int frequency,
                                   int bits, int channels, int length);

void Soundsystem_PlaySound(s_sound* s, int loop);
void Soundsystem_PlayMusic(s_sound* s, int loop);
void Soundsystem_PauseSound(s_sound* s);
void Soundsystem_ResumeSound(s_sound* s);
void Soundsystem_StopSound(s_sound* s);
void Soundsystem_StopMusic(s_sound* s);
void Soundsystem_DeleteSound(s_sound* s);

void Soundsystem_SetSoundOffset(s_sound* s, uint64_t frame);
// The record is passed by value: the caller makes the copy. While the mixer
// runs on another thread, a caller that wants the copy to be one consistent
// state makes it inside soundlock_enter / soundlock_leave (sound/soundlock.h).
uint64_t Soundsystem_GetSoundOffset(s_sound s);

int* Soundsystem_GetOutputBuffer(void);
float Soundsystem_DetectFrequency(float frequency);
