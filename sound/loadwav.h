// PCM WAV files with the canonical 44-byte header: "RIFF" of form "WAVE",
// a 16-byte "fmt " chunk, then the "data" chunk, every field at its fixed
// offset. Files are read and written through the file layer.
#pragma once

#include "sound/coresound.h"

// Fills channels, frequency, bits, size, data and length of the record from
// the file; 1 when the record was filled, 0 otherwise.
int Soundsystem_LoadWAV(const char* name, s_sound* s);
// Writes the record as a WAV file; returns 1.
int Soundsystem_SaveWAV(const char* name, s_sound* s);
