// Sound records and the sound-system interface: loading, listing for the
// mixer, volumes, panning, rates and positions.
//
// The mixer walks active_sounds on the audio device's thread. Every change of
// the list, and every write to a field the mixer reads, is made inside the
// sound lock, which the mixer holds for a whole block; so a stop here can
// never meet the mixer's own stop of the same sound halfway.
#include "sound/coresound.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/coredebug.h"
#include "sound/loadwav.h"
#include "sound/soundlock.h"

s_soundsystem soundsystem;
s_sound* active_sounds[16];

// Position step per output frame, in unsigned 32-bit arithmetic. Before the
// sound system has a mixing rate there is nothing to divide by: the step is 0.
static unsigned int sound_increment(unsigned int frequency, unsigned int channels) {
    if (soundsystem.frequency == 0) return 0;
    return ((frequency << 8) * channels) / soundsystem.frequency;
}

static int clamp_volume(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Playback fields of a freshly loaded or created record.
static void set_playback_defaults(s_sound* s) {
    s->position = 0;
    s->increment = sound_increment(s->frequency, s->channels);
    s->volume = 255;
    s->leftvolume = 128;
    s->rightvolume = 128;
    s->panning = 128;
    s->playing = 0;
    s->music = 0;
}

// ---------------------------------------------------------------------------
// Volumes, panning and rate

void Soundsystem_SetMasterVolume(int volume) {
    soundlock_enter();
    soundsystem.mastervolume = (unsigned short)clamp_volume(volume);
    soundlock_leave();
}

void Soundsystem_SetMusicVolume(int volume) {
    soundlock_enter();
    soundsystem.musicvolume = (unsigned short)clamp_volume(volume);
    soundlock_leave();
}

void Soundsystem_SetEffectVolume(int volume) {
    soundlock_enter();
    soundsystem.effectvolume = (unsigned short)clamp_volume(volume);
    soundlock_leave();
}

void Soundsystem_SetVolume(s_sound* s, int volume) {
    int v = clamp_volume(volume);
    soundlock_enter();
    s->volume = (unsigned char)v;
    s->leftvolume = (unsigned char)(((255 - s->panning) * v) >> 8);
    s->rightvolume = (unsigned char)((s->panning * v) >> 8);
    soundlock_leave();
}

void Soundsystem_SetPanning(s_sound* s, int panning) {
    if (panning > 255) panning = 255;
    soundlock_enter();
    s->panning = (unsigned char)(panning & 0xFF);
    s->leftvolume = (unsigned char)(((255 - s->panning) * s->volume) >> 8);
    s->rightvolume = (unsigned char)((s->panning * s->volume) >> 8);
    soundlock_leave();
}

void Soundsystem_SetFrequency(s_sound* s, int frequency) {
    soundlock_enter();
    s->increment = sound_increment((unsigned int)frequency, s->channels);
    soundlock_leave();
}

// ---------------------------------------------------------------------------
// Loading, saving and streams

char* upcase_sound(char* text) {
    for (char* p = text; *p; p++)
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
    return text;
}

void Soundsystem_LoadSound(const char* name, s_sound* s) {
    _dbg_printf("Loading sound %s\n", name);

    // The record may still be listed: zeroing it clears `playing`, so the
    // mixer leaves it alone while the reader fills it outside the lock.
    soundlock_enter();
    memset(s, 0, sizeof *s);
    soundlock_leave();

    // The extension runs from the last '.' after the first character. One
    // longer than 15 characters cannot be ".WAV" and is not copied.
    char extension[16] = "";
    const char* dot = strrchr(name, '.');
    if (dot && dot != name && strlen(dot) < sizeof extension) {
        strcpy(extension, dot);
        upcase_sound(extension);
    }
    if (strcmp(extension, ".WAV") == 0) Soundsystem_LoadWAV(name, s);

    soundlock_enter();
    s->callback = nullptr;
    s->loop = 0;
    set_playback_defaults(s);
    soundsystem.numsounds++;
    soundlock_leave();
}

void Soundsystem_SaveSound(const char* name, s_sound* s) { Soundsystem_SaveWAV(name, s); }

// The length argument counts frames: the record plays length x channels
// values (its `length`), which is the whole buffer that is allocated and
// handed to the refill hook, for mono and stereo streams alike.
void Soundsystem_CreateSoundStream(s_sound* s, void (*callback)(void* data, unsigned int size), int frequency,
                                   int bits, int channels, int length) {
    unsigned int values = (unsigned int)length * (unsigned int)channels;
    unsigned int size = values * ((unsigned int)bits >> 3);
    void* data = malloc(size ? size : 1);
    if (data) {
        memset(data, 0, size);
    } else {
        _dbg_printf("no memory for a sound stream of %u bytes\n", size);
        size = 0;
    }

    soundlock_enter();
    memset(s, 0, sizeof *s);
    s->channels = (unsigned short)channels;
    s->frequency = (unsigned int)frequency;
    s->bits = (unsigned short)bits;
    s->length = values;
    s->size = size;
    s->data = data;
    s->callback = callback;
    set_playback_defaults(s);
    s->loop = 1;
    soundsystem.numsounds++;
    soundlock_leave();
}

// ---------------------------------------------------------------------------
// Listing and unlisting

void Soundsystem_PlaySound(s_sound* s, int loop) {
    soundlock_enter();
    s->playing = 1;
    s->position = 0;
    if (loop) s->loop = 1;
    bool listed = false;
    for (int i = 0; i < soundsystem.numactive && i < 16; i++)
        if (active_sounds[i] == s) listed = true;
    // With 16 sounds listed the new one is not listed, and never mixed.
    if (!listed && soundsystem.numactive >= 0 && soundsystem.numactive <= 15)
        active_sounds[soundsystem.numactive++] = s;
    soundlock_leave();
}

void Soundsystem_PlayMusic(s_sound* s, int loop) {
    soundlock_enter();
    s->music = 1;
    Soundsystem_PlaySound(s, loop);
    soundlock_leave();
}

void Soundsystem_PauseSound(s_sound* s) {
    soundlock_enter();
    s->playing = 0;
    soundlock_leave();
}

void Soundsystem_ResumeSound(s_sound* s) {
    soundlock_enter();
    s->playing = 1;
    soundlock_leave();
}

void Soundsystem_StopSound(s_sound* s) {
    soundlock_enter();
    s->position = 0;
    s->playing = 0;
    int n = soundsystem.numactive < 16 ? soundsystem.numactive : 16;
    for (int i = 0; i < n; i++) {
        if (active_sounds[i] != s) continue;
        for (int j = i + 1; j < n; j++) active_sounds[j - 1] = active_sounds[j];
        soundsystem.numactive--;
        break;
    }
    soundlock_leave();
}

void Soundsystem_StopMusic(s_sound* s) { Soundsystem_StopSound(s); }

// The freed data pointer is cleared, so that a record deleted twice, or
// played after its deletion, never touches the released block.
void Soundsystem_DeleteSound(s_sound* s) {
    soundlock_enter();
    Soundsystem_StopSound(s);
    if (s->data) free(s->data);
    s->data = nullptr;
    if (soundsystem.numsounds > 0) soundsystem.numsounds--;
    soundlock_leave();
}

// ---------------------------------------------------------------------------
// Offsets and the mix buffer

// A record without whole frames (an empty record, channels 0) has no frame to
// go to: its position becomes 0.
void Soundsystem_SetSoundOffset(s_sound* s, uint64_t frame) {
    soundlock_enter();
    unsigned int last = s->channels ? s->length / s->channels : 0;
    if (last == 0) {
        s->position = 0;
    } else {
        if (frame >= last) frame = last - 1;
        s->position = frame * 256 * s->channels;
    }
    soundlock_leave();
}

// An empty record (channels 0) reads frame 0.
uint64_t Soundsystem_GetSoundOffset(s_sound s) {
    if (s.channels == 0) return 0;
    return (s.position >> 8) / s.channels;
}

int* Soundsystem_GetOutputBuffer(void) { return soundsystem.outputbuffer; }

// Goertzel power of one frequency over the first bufferlength values of the
// latest mix block. Without a mix buffer or a mixing rate the power is 0; no
// more values are read than the mix buffer holds.
float Soundsystem_DetectFrequency(float frequency) {
    soundlock_enter();
    const int* values = soundsystem.outputbuffer;
    if (!values || soundsystem.frequency == 0 || soundsystem.outputsize <= 0) {
        soundlock_leave();
        return 0.0f;
    }
    unsigned int count = (unsigned int)soundsystem.bufferlength;
    unsigned int held = (unsigned int)soundsystem.outputsize / 4;
    if (count > held) count = held;

    float rate = (float)soundsystem.frequency;
    float w = frequency / rate;
    float c = (float)(2.0 * cos((double)w * 6.283185307179586));
    float s1 = 0.0f, s2 = 0.0f;
    for (unsigned int i = 0; i < count; i++) {
        float x = (float)(values[i] / 32767.0);
        float s = c * s1 + x - s2;
        s2 = s1;
        s1 = s;
    }
    soundlock_leave();
    return s2 * s2 + s1 * s1 - c * s1 * s2;
}
