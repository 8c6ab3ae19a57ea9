// Shared by the fuzz harnesses: the scratch file each input goes through (the
// file layer reads only files), and a data image of one file around it,
// mounted the way the show mounts its own image.
#pragma once

#include <cstddef>
#include <cstdint>

// This process's scratch file: in /dev/shm (memory) when that folder can be
// written, else in the working directory. Removed when the process ends.
const char* fuzz_scratchpath(void);

// Makes the bytes the whole scratch file; aborts when it cannot, since every
// later step would then read something other than the input.
void fuzz_writescratch(const uint8_t* data, size_t size);

// Mounts a data image holding one file, name, whose contents are the bytes.
void fuzz_mountone(const char* name, const uint8_t* data, size_t size);
