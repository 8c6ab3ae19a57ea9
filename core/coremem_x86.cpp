#include "core/coremem.h"

#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

unsigned int g_mem_in_use = 0;
unsigned int g_mem_in_use_peak = 0;

// The heap's own idea of a block's size: blocks are counted by what they
// really hold, which can be more than was asked for. The runtime names the
// query differently on Windows and on glibc.
static unsigned int block_size(void* block) {
#ifdef _WIN32
    return (unsigned int)_msize(block);
#else
    return (unsigned int)malloc_usable_size(block);
#endif
}

void* _wrap_malloc_dbg(size_t size, const char* file, int line) {
    void* block = malloc(size);
    if (!block) {
        printf("%s(%d): wrap_malloc(%d) failed!\n", file, line, (int)size);
        return nullptr;
    }
    g_mem_in_use += block_size(block);
    if (g_mem_in_use > g_mem_in_use_peak) g_mem_in_use_peak = g_mem_in_use;
    return block;
}

void _wrap_free_dbg(void* block, const char* file, int line) {
    if (!block) {
        printf("%s(%d): wrap_free() tried to free a NULL pointer!\n", file, line);
        return;
    }
    g_mem_in_use -= block_size(block);
    free(block);
}

void* _wrap_malloc(size_t size) { return malloc(size); }
void _wrap_free(void* block) { free(block); }

void* _wrap_malloc_iwram(size_t size) { return _wrap_malloc(size); }
void* _wrap_malloc_iwram_dbg(size_t size, const char* file, int line) {
    return _wrap_malloc_dbg(size, file, line);
}
void _wrap_free_iwram(void* block) { _wrap_free(block); }
void _wrap_free_iwram_dbg(void* block, const char* file, int line) {
    _wrap_free_dbg(block, file, line);
}

void wrap_showusage(void) {
    printf("memory usage: %d (peak: %d)\n", (int)g_mem_in_use, (int)g_mem_in_use_peak);
}

// Copies and fills move 4 bytes at a time while more than 3 remain, then
// finish byte by byte. Words go through memcpy so that unaligned pointers
// are safe. Negative counts do nothing.
void wrap_memcpy(void* dst, const void* src, int n) {
    uint8_t* d = (uint8_t*)dst;
    const uint8_t* s = (const uint8_t*)src;
    while (n > 3) {
        memcpy(d, s, 4);
        d += 4;
        s += 4;
        n -= 4;
    }
    while (n > 0) {
        *d++ = *s++;
        n--;
    }
}

void wrap_memcpy16(void* dst, const void* src, int count) {
    uint8_t* d = (uint8_t*)dst;
    const uint8_t* s = (const uint8_t*)src;
    for (int i = 0; i < count; i++) memcpy(d + 2 * i, s + 2 * i, 2);
}

void wrap_memcpy32(void* dst, const void* src, int count) {
    uint8_t* d = (uint8_t*)dst;
    const uint8_t* s = (const uint8_t*)src;
    for (int i = 0; i < count; i++) memcpy(d + 4 * i, s + 4 * i, 4);
}

// Only the low byte of value counts (values above 255 are not defined; they
// are taken modulo 256).
void wrap_memset(void* dst, int value, int n) {
    uint8_t b = (uint8_t)value;
    uint32_t word = 0x01010101u * b;
    uint8_t* d = (uint8_t*)dst;
    while (n > 3) {
        memcpy(d, &word, 4);
        d += 4;
        n -= 4;
    }
    while (n > 0) {
        *d++ = b;
        n--;
    }
}

void wrap_memclr(void* dst, int n) { wrap_memset(dst, 0, n); }
