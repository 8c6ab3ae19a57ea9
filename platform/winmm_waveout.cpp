// waveOut over SDL2 audio.
//
// Each open device is a slot of a fixed table with:
// - an SDL audio device opened with no allowed changes, so that it plays
//   exactly the format asked for (SDL converts for the hardware when it must);
// - a play queue of the written headers; SDL's audio callback copies from its
//   head and, when a header is used up, marks it WHDR_DONE and moves it to the
//   done queue (silence when the play queue is empty);
// - a delivery thread of the layer that takes headers off the done queue and
//   calls the caller's callback with WOM_DONE, one header at a time, in order.
//
// WOM_DONE is delivered on the layer's own thread, woken by SDL's callback,
// and not on SDL's audio thread itself, because SDL runs its callback under
// its device lock and needs it back within one device period: a callback that
// mixes and calls waveOut functions (as a refill does) would run under that
// lock, and waveOutReset/waveOutClose, which must wait for callbacks, could
// not stop the SDL device without lock-order trouble. Windows also delivers
// these callbacks on a thread of its own.
//
// One mutex guards every slot; it is never held while the caller's callback
// runs nor while SDL opens or closes a device. A header is taken to be
// finished once SDL has taken its last byte (SDL's own device buffer, a few
// tens of milliseconds, still lies between that and the speaker).
#include "platform/winmm_waveout.h"

#include <SDL2/SDL.h>
#include <pthread.h>
#include <string.h>

enum { WO_MAXDEVICES = 4, WO_MAXQUEUE = 64 };

enum { WO_FREE, WO_OPENING, WO_OPEN, WO_CLOSING };

// A written header and what was written: the layer reads only the data and
// length taken at write time, whatever the caller does to the header after.
struct s_wo_entry {
    LPWAVEHDR hdr;
    const unsigned char* data;
    DWORD length;
    DWORD pos;
};

struct s_wo_device {
    int state;
    unsigned generation;      // part of the handle: a closed handle stays invalid
    SDL_AudioDeviceID sdl;
    unsigned char silence;
    LPWAVECALLBACK callback;
    DWORD_PTR instance;
    HWAVEOUT handle;

    s_wo_entry queue[WO_MAXQUEUE]; // play queue (ring)
    int qhead, qcount;
    LPWAVEHDR done[WO_MAXQUEUE];   // finished, WOM_DONE not yet delivered (ring)
    int dhead, dcount;
    uint64_t marked;               // headers ever moved to the done queue
    uint64_t delivered;            // WOM_DONE calls that have returned

    pthread_t thread;              // the delivery thread
    int quit;
    pthread_cond_t wake;           // done queue filled, or quit
    pthread_cond_t progress;       // a WOM_DONE call returned
};

static pthread_mutex_t wo_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_once_t wo_once = PTHREAD_ONCE_INIT;
static s_wo_device wo_devices[WO_MAXDEVICES];

static void wo_initonce(void)
{
    for (int i = 0; i < WO_MAXDEVICES; i++) {
        pthread_cond_init(&wo_devices[i].wake, NULL);
        pthread_cond_init(&wo_devices[i].progress, NULL);
    }
}

// Handle = slot number + 1 in the low byte, the slot's generation above it.
static HWAVEOUT wo_makehandle(int slot, unsigned generation)
{
    return (HWAVEOUT)(uintptr_t)(((uintptr_t)generation << 8) | (uintptr_t)(slot + 1));
}

// The open device of a handle, or NULL. Called with wo_lock held.
static s_wo_device* wo_lookup(HWAVEOUT hwo)
{
    uintptr_t v = (uintptr_t)hwo;
    uintptr_t slot = (v & 0xff) - 1;
    if (slot >= WO_MAXDEVICES)
        return NULL;
    s_wo_device* d = &wo_devices[slot];
    if (d->state != WO_OPEN || d->handle != hwo)
        return NULL;
    return d;
}

static int wo_inqueue(const s_wo_device* d, const WAVEHDR* pwh)
{
    for (int i = 0; i < d->qcount; i++)
        if (d->queue[(d->qhead + i) % WO_MAXQUEUE].hdr == pwh)
            return 1;
    return 0;
}

// Moves the head of the play queue to the done queue. Called with wo_lock held.
static void wo_finishhead(s_wo_device* d)
{
    LPWAVEHDR h = d->queue[d->qhead].hdr;
    d->qhead = (d->qhead + 1) % WO_MAXQUEUE;
    d->qcount--;
    h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    d->done[(d->dhead + d->dcount) % WO_MAXQUEUE] = h;
    d->dcount++;
    d->marked++;
}

// SDL's audio callback: the queued samples in order, silence after them.
static void SDLCALL wo_sdlfill(void* userdata, Uint8* stream, int len)
{
    s_wo_device* d = (s_wo_device*)userdata;
    int off = 0;
    int finished = 0;

    pthread_mutex_lock(&wo_lock);
    while (d->qcount > 0) {
        s_wo_entry* e = &d->queue[d->qhead];
        if (e->pos >= e->length) {
            wo_finishhead(d);
            finished = 1;
            continue;
        }
        if (off >= len)
            break;
        DWORD n = e->length - e->pos;
        if (n > (DWORD)(len - off))
            n = (DWORD)(len - off);
        memcpy(stream + off, e->data + e->pos, n);
        e->pos += n;
        off += (int)n;
    }
    if (finished)
        pthread_cond_signal(&d->wake);
    pthread_mutex_unlock(&wo_lock);

    if (off < len)
        memset(stream + off, d->silence, (size_t)(len - off));
}

// The delivery thread: one WOM_DONE call per finished header, in order, with
// no lock held during the call. On quit it first delivers what is left.
static void* wo_deliverythread(void* arg)
{
    s_wo_device* d = (s_wo_device*)arg;

    pthread_mutex_lock(&wo_lock);
    for (;;) {
        while (d->dcount == 0 && !d->quit)
            pthread_cond_wait(&d->wake, &wo_lock);
        if (d->dcount == 0)
            break;
        LPWAVEHDR h = d->done[d->dhead];
        d->dhead = (d->dhead + 1) % WO_MAXQUEUE;
        d->dcount--;
        LPWAVECALLBACK cb = d->callback;
        HWAVEOUT hwo = d->handle;
        DWORD_PTR instance = d->instance;
        pthread_mutex_unlock(&wo_lock);

        if (cb)
            cb(hwo, WOM_DONE, instance, (DWORD_PTR)h, 0);

        pthread_mutex_lock(&wo_lock);
        d->delivered++;
        pthread_cond_broadcast(&d->progress);
    }
    pthread_mutex_unlock(&wo_lock);
    return NULL;
}

static int wo_onthread(const s_wo_device* d)
{
    return pthread_equal(pthread_self(), d->thread);
}

// Checks of a format: PCM, 8 or 16 bits, 1 or 2 channels, a rate, and the
// block size and byte rate that follow from them (as Windows checks PCM).
static int wo_formatok(const WAVEFORMATEX* f)
{
    if (f->wFormatTag != WAVE_FORMAT_PCM)
        return 0;
    if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16)
        return 0;
    if (f->nChannels != 1 && f->nChannels != 2)
        return 0;
    if (f->nSamplesPerSec == 0 || f->nSamplesPerSec > 0x7fffffff)
        return 0;
    if (f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8)
        return 0;
    if ((uint64_t)f->nAvgBytesPerSec != (uint64_t)f->nSamplesPerSec * f->nBlockAlign)
        return 0;
    return 1;
}

// SDL's device period: a power of two near 23 ms of frames.
static Uint16 wo_sdlsamples(DWORD rate)
{
    Uint16 samples = 256;
    while (samples < 4096 && (DWORD)samples * 2 * 1000 / 23 <= rate)
        samples = (Uint16)(samples * 2);
    return samples;
}

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                            DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen)
{
    pthread_once(&wo_once, wo_initonce);
    if (phwo)
        *phwo = NULL;
    if (!phwo || !pwfx)
        return MMSYSERR_INVALPARAM;
    if (uDeviceID != WAVE_MAPPER)
        return MMSYSERR_BADDEVICEID;
    if (fdwOpen != CALLBACK_FUNCTION && fdwOpen != CALLBACK_NULL)
        return MMSYSERR_INVALFLAG;
    if (fdwOpen == CALLBACK_FUNCTION && dwCallback == 0)
        return MMSYSERR_INVALPARAM;
    if (!wo_formatok(pwfx))
        return WAVERR_BADFORMAT;

    // Reserve a slot.
    pthread_mutex_lock(&wo_lock);
    int slot = -1;
    for (int i = 0; i < WO_MAXDEVICES; i++)
        if (wo_devices[i].state == WO_FREE) {
            slot = i;
            break;
        }
    if (slot < 0) {
        pthread_mutex_unlock(&wo_lock);
        return MMSYSERR_ALLOCATED;
    }
    s_wo_device* d = &wo_devices[slot];
    d->state = WO_OPENING;
    d->generation++;
    d->handle = wo_makehandle(slot, d->generation);
    d->callback = fdwOpen == CALLBACK_FUNCTION ? (LPWAVECALLBACK)dwCallback : NULL;
    d->instance = dwInstance;
    d->qhead = d->qcount = 0;
    d->dhead = d->dcount = 0;
    d->marked = d->delivered = 0;
    d->quit = 0;
    pthread_mutex_unlock(&wo_lock);

    MMRESULT result = MMSYSERR_NOERROR;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        result = MMSYSERR_NODRIVER;
    } else {
        SDL_AudioSpec want, have;
        SDL_zero(want);
        want.freq = (int)pwfx->nSamplesPerSec;
        want.format = pwfx->wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        want.channels = (Uint8)pwfx->nChannels;
        want.samples = wo_sdlsamples(pwfx->nSamplesPerSec);
        want.callback = wo_sdlfill;
        want.userdata = d;
        d->silence = pwfx->wBitsPerSample == 8 ? 0x80 : 0;
        d->sdl = SDL_OpenAudioDevice(NULL, 0, &want, &have, 0);
        if (d->sdl == 0) {
            result = MMSYSERR_ALLOCATED;
        } else if (pthread_create(&d->thread, NULL, wo_deliverythread, d) != 0) {
            SDL_CloseAudioDevice(d->sdl);
            result = MMSYSERR_NOMEM;
        }
        if (result != MMSYSERR_NOERROR)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    pthread_mutex_lock(&wo_lock);
    d->state = result == MMSYSERR_NOERROR ? WO_OPEN : WO_FREE;
    pthread_mutex_unlock(&wo_lock);
    if (result != MMSYSERR_NOERROR)
        return result;

    *phwo = d->handle;
    if (d->callback)
        d->callback(d->handle, WOM_OPEN, d->instance, 0, 0);
    // Plays silence until the first header is written.
    SDL_PauseAudioDevice(d->sdl, 0);
    return MMSYSERR_NOERROR;
}

// The checks every header call makes; with wo_lock held.
static MMRESULT wo_checkheader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh, s_wo_device** out)
{
    *out = wo_lookup(hwo);
    if (!*out)
        return MMSYSERR_INVALHANDLE;
    if (!pwh || cbwh < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (!pwh->lpData && pwh->dwBufferLength > 0)
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

// Preparing a prepared header and unpreparing one that is not prepared have
// no effect and return zero, as Windows documents them, whatever the handle:
// the header's own state is looked at before the handle.
static int wo_headerstate(LPWAVEHDR pwh, UINT cbwh, DWORD prepared)
{
    return pwh && cbwh >= sizeof(WAVEHDR) && (pwh->dwFlags & WHDR_PREPARED) == prepared;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    s_wo_device* d;
    pthread_mutex_lock(&wo_lock);
    MMRESULT r = MMSYSERR_NOERROR;
    if (!wo_headerstate(pwh, cbwh, WHDR_PREPARED)) {
        r = wo_checkheader(hwo, pwh, cbwh, &d);
        if (r == MMSYSERR_NOERROR)
            pwh->dwFlags |= WHDR_PREPARED;
    }
    pthread_mutex_unlock(&wo_lock);
    return r;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    s_wo_device* d;
    pthread_mutex_lock(&wo_lock);
    if (wo_headerstate(pwh, cbwh, 0)) {
        pthread_mutex_unlock(&wo_lock);
        return MMSYSERR_NOERROR;
    }
    MMRESULT r = wo_checkheader(hwo, pwh, cbwh, &d);
    if (r == MMSYSERR_NOERROR) {
        if (wo_inqueue(d, pwh))
            r = WAVERR_STILLPLAYING;
        else
            pwh->dwFlags &= ~WHDR_PREPARED;
    }
    pthread_mutex_unlock(&wo_lock);
    return r;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh)
{
    s_wo_device* d;
    pthread_mutex_lock(&wo_lock);
    MMRESULT r = wo_checkheader(hwo, pwh, cbwh, &d);
    if (r == MMSYSERR_NOERROR) {
        if (!(pwh->dwFlags & WHDR_PREPARED))
            r = WAVERR_UNPREPARED;
        else if (wo_inqueue(d, pwh))
            r = WAVERR_STILLPLAYING;
        else if (d->qcount + d->dcount >= WO_MAXQUEUE)
            r = MMSYSERR_NOMEM; // the fixed queue is full
    }
    if (r == MMSYSERR_NOERROR) {
        pwh->dwFlags = (pwh->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        s_wo_entry* e = &d->queue[(d->qhead + d->qcount) % WO_MAXQUEUE];
        e->hdr = pwh;
        e->data = (const unsigned char*)pwh->lpData;
        e->length = pwh->dwBufferLength;
        e->pos = 0;
        d->qcount++;
    }
    pthread_mutex_unlock(&wo_lock);
    return r;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT hwo)
{
    pthread_mutex_lock(&wo_lock);
    s_wo_device* d = wo_lookup(hwo);
    if (!d) {
        pthread_mutex_unlock(&wo_lock);
        return MMSYSERR_INVALHANDLE;
    }
    while (d->qcount > 0)
        wo_finishhead(d);
    pthread_cond_signal(&d->wake);
    // Wait until every header finished so far has had its WOM_DONE call
    // return, so the caller may release the buffers afterwards. From inside
    // the callback that would wait on ourselves: the calls follow its return.
    if (!wo_onthread(d)) {
        uint64_t target = d->marked;
        while (d->delivered < target)
            pthread_cond_wait(&d->progress, &wo_lock);
    }
    pthread_mutex_unlock(&wo_lock);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT hwo)
{
    pthread_mutex_lock(&wo_lock);
    s_wo_device* d = wo_lookup(hwo);
    if (!d) {
        pthread_mutex_unlock(&wo_lock);
        return MMSYSERR_INVALHANDLE;
    }
    // The delivery thread cannot wait for its own end.
    if (wo_onthread(d)) {
        pthread_mutex_unlock(&wo_lock);
        return MMSYSERR_HANDLEBUSY;
    }
    // As on Windows, queued headers must be reset (or played) first.
    if (d->qcount > 0) {
        pthread_mutex_unlock(&wo_lock);
        return WAVERR_STILLPLAYING;
    }
    // From here on the handle is invalid: writes from a callback still
    // running fail, so nothing is queued any more.
    d->state = WO_CLOSING;
    pthread_mutex_unlock(&wo_lock);

    SDL_CloseAudioDevice(d->sdl);

    pthread_mutex_lock(&wo_lock);
    d->quit = 1;
    pthread_cond_signal(&d->wake);
    pthread_mutex_unlock(&wo_lock);
    pthread_join(d->thread, NULL);

    if (d->callback)
        d->callback(hwo, WOM_CLOSE, d->instance, 0, 0);

    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    pthread_mutex_lock(&wo_lock);
    d->state = WO_FREE;
    pthread_mutex_unlock(&wo_lock);
    return MMSYSERR_NOERROR;
}
