// The audio device driver: plays the mixer's output on the default waveOut
// device. Four device buffers of 2048 frames circulate between the device's
// queue and the refill step, which re-queues each finished buffer and has the
// mixer fill it, on the device's callback thread.
#pragma once

#include "platform/win32api.h"

// Opens the device at rate Hz with 8 or 16 bits, stereo when flags has the
// bit of value 2, and queues four silent buffers. 1 on success (and for rate
// 0, which opens nothing), 0 on failure. bufferlength is not used: a buffer
// always holds 2048 frames.
int audiodriver_init(unsigned int rate, unsigned int bits, int bufferlength, int flags);
// Stops and closes the device and frees the buffers.
void audiodriver_close(void);
// The callback given to waveOutOpen: refills on WOM_DONE, ignores the rest.
void CALLBACK waveOutProc(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1,
                          DWORD_PTR dwParam2);
// The refill step: re-queues the next buffer in turn and mixes into it.
void fillnextbuffer(void);
// Push mode: the next buffer's address and byte size (either may be null); 1.
int audiodriver_getbuffer(void** buffer, unsigned int* bytes);
// Push mode: queues the next buffer as it stands.
void audiodriver_submitbuffer(void);
