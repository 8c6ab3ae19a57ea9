// The waveOut device driver.
#include "sound/audiodriver_win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "sound/soundlock.h"

static const int kBuffers = 4;
static const int kFrames = 2048;

static HWAVEOUT g_wo;
static WAVEFORMATEX g_wf;
static WAVEHDR g_hdr[kBuffers];
static char* g_audio_buffer;
static int g_buffer_size;
static int g_sample_size;
static int g_cur_buf;
static int g_num_prep_buffers;
static int g_waveout_opened;

// Set by audiodriver_close before its reset. The reset hands every queued
// buffer back as done; a refill that saw the flag clear would queue its
// buffer again behind the reset and keep the device busy, so the check of
// the flag and the queuing happen together under the sound lock, which the
// close takes to set the flag. The mixing that follows the queuing runs
// after the lock is given back; the reset waits for every running callback
// to return, so the buffers are freed only once no refill can touch them.
static volatile int g_closing;

int audiodriver_init(unsigned int rate, unsigned int bits, int bufferlength, int flags) {
    (void)bufferlength;
    if (rate == 0) return 1;

    soundsystem.bits = (unsigned short)bits;
    soundsystem.channels = (flags & 2) ? 2 : 1;
    if (bits != 8 && bits != 16) return 0;

    g_sample_size = (int)(bits / 8) * soundsystem.channels;
    g_buffer_size = g_sample_size * kFrames;
    printf("sample size: %d\nbuffer size: %d\n", g_sample_size, g_buffer_size);

    g_closing = 0;
    g_audio_buffer = (char*)malloc((size_t)kBuffers * (size_t)g_buffer_size);
    if (!g_audio_buffer) {
        audiodriver_close();
        return 0;
    }
    // Silence as the mixer makes it: zero values at 16 bits, 128 at 8 bits.
    memset(g_audio_buffer, bits == 8 ? 128 : 0, (size_t)kBuffers * (size_t)g_buffer_size);

    puts("open waveout");
    memset(&g_wf, 0, sizeof g_wf);
    g_wf.wFormatTag = WAVE_FORMAT_PCM;
    g_wf.nChannels = soundsystem.channels;
    g_wf.nSamplesPerSec = rate;
    g_wf.wBitsPerSample = (WORD)bits;
    g_wf.nBlockAlign = (WORD)g_sample_size;
    g_wf.nAvgBytesPerSec = (DWORD)g_sample_size * rate;
    g_wf.cbSize = 0;
    if (waveOutOpen(&g_wo, WAVE_MAPPER, &g_wf, (DWORD_PTR)waveOutProc, 0, CALLBACK_FUNCTION) ==
        MMSYSERR_NOERROR)
        puts("AUDIO: opening audio device succesful!");
    g_waveout_opened = 1;

    puts("open wav-buffers");
    for (int i = 0; i < kBuffers; i++) {
        WAVEHDR* h = &g_hdr[i];
        memset(h, 0, sizeof *h);
        h->lpData = g_audio_buffer + i * g_buffer_size;
        h->dwBufferLength = (DWORD)g_buffer_size;
        if (waveOutPrepareHeader(g_wo, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            puts("AUDIO: error opening audio buffer");
            audiodriver_close();
            return 0;
        }
        g_num_prep_buffers = i + 1;
    }

    g_cur_buf = 0;
    for (int i = 0; i < kBuffers; i++) waveOutWrite(g_wo, &g_hdr[i], sizeof(WAVEHDR));

    soundsystem.bufferlength = g_buffer_size / g_sample_size;
    puts("audiodriver inited");
    return 1;
}

void audiodriver_close(void) {
    soundlock_enter();
    g_closing = 1;
    soundlock_leave();

    if (g_waveout_opened) {
        waveOutReset(g_wo);
        for (int i = 0; i < g_num_prep_buffers; i++) waveOutUnprepareHeader(g_wo, &g_hdr[i], sizeof(WAVEHDR));
    }
    g_num_prep_buffers = 0;
    if (g_audio_buffer) {
        free(g_audio_buffer);
        g_audio_buffer = nullptr;
    }
    if (g_waveout_opened) {
        waveOutClose(g_wo);
        g_waveout_opened = 0;
    }
}

void CALLBACK waveOutProc(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1,
                          DWORD_PTR dwParam2) {
    (void)hwo;
    (void)dwInstance;
    (void)dwParam1;
    (void)dwParam2;
    if (uMsg == WOM_DONE) fillnextbuffer();
}

void fillnextbuffer(void) {
    WAVEHDR* h = &g_hdr[g_cur_buf];
    if (h->dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(g_wo, h, sizeof(WAVEHDR));

    soundlock_enter();
    if (!g_audio_buffer || g_closing) {
        soundlock_leave();
        return;
    }
    memset(h, 0, sizeof *h);
    h->lpData = g_audio_buffer + g_cur_buf * g_buffer_size;
    h->dwBufferLength = (DWORD)g_buffer_size;
    waveOutPrepareHeader(g_wo, h, sizeof(WAVEHDR));
    waveOutWrite(g_wo, h, sizeof(WAVEHDR));
    soundlock_leave();

    audiodriver_mixbuffers(h->lpData, (int)h->dwBufferLength, 0);
    g_cur_buf = (g_cur_buf + 1) % kBuffers;
}

int audiodriver_getbuffer(void** buffer, unsigned int* bytes) {
    if (buffer) *buffer = g_audio_buffer + g_cur_buf * g_buffer_size;
    if (bytes) *bytes = (unsigned int)g_buffer_size;
    return 1;
}

void audiodriver_submitbuffer(void) {
    waveOutWrite(g_wo, &g_hdr[g_cur_buf], sizeof(WAVEHDR));
    g_cur_buf = (g_cur_buf + 1) % kBuffers;
}
