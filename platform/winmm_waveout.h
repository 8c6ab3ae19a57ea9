// waveOut audio output (winmm) over SDL2 audio: the types, constants and
// calls that sound output written against winmm uses. On Windows the real
// <mmsystem.h> stands in its place.
//
// What this implementation does (see winmm_waveout.cpp for the reasons):
// - Each handle is one SDL audio device (up to four at once), opened on SDL's
//   default output (WAVE_MAPPER only) in exactly the PCM format asked for:
//   8-bit unsigned or 16-bit signed little-endian, mono or stereo, at any
//   rate SDL accepts. Up to 64 headers may be queued on a device.
// - Written headers play in the order written; each finished header is marked
//   WHDR_DONE and handed to the callback with WOM_DONE, one call per header,
//   in queue order, on a thread the layer starts for the device. No lock of
//   the layer is held while the callback runs, so the callback may call the
//   waveOut functions of the same device (except waveOutClose).
// - waveOutReset hands back every queued header as done and returns once
//   their WOM_DONE calls have returned (at once when called from the callback).
#pragma once

#include "platform/win32types.h"

typedef HANDLE HWAVEOUT;
typedef HWAVEOUT* LPHWAVEOUT;

// The PCM wave format.
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;       // WAVE_FORMAT_PCM
    WORD nChannels;        // 1 or 2
    DWORD nSamplesPerSec;  // frames per second
    DWORD nAvgBytesPerSec; // nSamplesPerSec x nBlockAlign
    WORD nBlockAlign;      // bytes per frame: nChannels x wBitsPerSample / 8
    WORD wBitsPerSample;   // 8 or 16
    WORD cbSize;           // extra format bytes: 0 for PCM
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

// One buffer of samples handed to the device.
typedef struct wavehdr_tag {
    LPSTR lpData;              // the samples
    DWORD dwBufferLength;      // bytes at lpData
    DWORD dwBytesRecorded;     // not used for output
    DWORD_PTR dwUser;          // the caller's own
    DWORD dwFlags;             // WHDR_ bits
    DWORD dwLoops;             // not used: loops are not played
    struct wavehdr_tag* lpNext;// reserved
    DWORD_PTR reserved;        // reserved
} WAVEHDR, *PWAVEHDR, *LPWAVEHDR;

// The callback given to waveOutOpen with CALLBACK_FUNCTION, passed as a
// DWORD_PTR: (device, WOM_ message, instance data, header for WOM_DONE, 0).
typedef void (CALLBACK* LPWAVECALLBACK)(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance,
                                        DWORD_PTR dwParam1, DWORD_PTR dwParam2);

#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_PCM 1

#define CALLBACK_NULL 0x00000000u
#define CALLBACK_FUNCTION 0x00030000u

#define WOM_OPEN 0x3BB
#define WOM_CLOSE 0x3BC
#define WOM_DONE 0x3BD

#define WHDR_DONE 0x00000001u
#define WHDR_PREPARED 0x00000002u
#define WHDR_BEGINLOOP 0x00000004u
#define WHDR_ENDLOOP 0x00000008u
#define WHDR_INQUEUE 0x00000010u

// The general multimedia results are shared with the other winmm calls of
// the layer, so each is defined only where no other header did.
#ifndef MMSYSERR_NOERROR
#define MMSYSERR_NOERROR 0
#endif
#ifndef MMSYSERR_ERROR
#define MMSYSERR_ERROR 1
#endif
#ifndef MMSYSERR_BADDEVICEID
#define MMSYSERR_BADDEVICEID 2
#endif
#ifndef MMSYSERR_ALLOCATED
#define MMSYSERR_ALLOCATED 4
#endif
#ifndef MMSYSERR_INVALHANDLE
#define MMSYSERR_INVALHANDLE 5
#endif
#ifndef MMSYSERR_NODRIVER
#define MMSYSERR_NODRIVER 6
#endif
#ifndef MMSYSERR_NOMEM
#define MMSYSERR_NOMEM 7
#endif
#ifndef MMSYSERR_INVALFLAG
#define MMSYSERR_INVALFLAG 10
#endif
#ifndef MMSYSERR_INVALPARAM
#define MMSYSERR_INVALPARAM 11
#endif
#ifndef MMSYSERR_HANDLEBUSY
#define MMSYSERR_HANDLEBUSY 12
#endif
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34

// Opens SDL's default output device (uDeviceID WAVE_MAPPER) in the format
// *pwfx; *phwo receives the handle (NULL on failure). fdwOpen is
// CALLBACK_FUNCTION with dwCallback an LPWAVECALLBACK, or CALLBACK_NULL.
// The callback gets WOM_OPEN before this returns. Fails with
// MMSYSERR_NODRIVER when SDL has no usable audio driver, MMSYSERR_ALLOCATED
// when the device cannot be opened, WAVERR_BADFORMAT for a format other than
// the PCM ones above.
MMRESULT WINAPI waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                            DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen);

// Marks the header WHDR_PREPARED; a header that already is prepared is left
// as it is and 0 returned, whatever the handle.
MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);

// Clears WHDR_PREPARED; WAVERR_STILLPLAYING while the header is queued. A
// header that is not prepared is left as it is and 0 returned, whatever the
// handle.
MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);

// Queues a prepared header behind those already queued (WAVERR_UNPREPARED
// when it is not prepared, WAVERR_STILLPLAYING when it is already queued).
MMRESULT WINAPI waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);

// Stops playback and hands back every queued header as done, in order.
MMRESULT WINAPI waveOutReset(HWAVEOUT hwo);

// Closes the device: WAVERR_STILLPLAYING while headers are queued,
// MMSYSERR_HANDLEBUSY from inside the device's own callback. The callback
// gets WOM_CLOSE before this returns; the handle is invalid afterwards.
MMRESULT WINAPI waveOutClose(HWAVEOUT hwo);
