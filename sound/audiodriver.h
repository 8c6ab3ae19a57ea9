// The audio driver's software mixer: one block of device output from the
// listed sounds.
#pragma once

// Mixes every listed, playing sound into the mix buffer, advances their
// positions, handles their ends (refill hook, loop or stop) and converts the
// mix into the device buffer of the given byte length. flags is not used.
void audiodriver_mixbuffers(void* buffer, int bytes, int flags);
