// Counted memory: allocation wrappers that keep the bytes held and their peak,
// plus byte copy and fill routines.
#pragma once

#include <cstddef>

// Bytes currently held through the counted wrappers, by usable block size.
extern unsigned int g_mem_in_use;
// Highest value g_mem_in_use has reached; never lowered.
extern unsigned int g_mem_in_use_peak;

void* _wrap_malloc_dbg(size_t size, const char* file, int line);
void _wrap_free_dbg(void* block, const char* file, int line);
void* _wrap_malloc(size_t size);
void _wrap_free(void* block);

// This platform has no separate fast memory: the iwram twins are the plain calls.
void* _wrap_malloc_iwram(size_t size);
void* _wrap_malloc_iwram_dbg(size_t size, const char* file, int line);
void _wrap_free_iwram(void* block);
void _wrap_free_iwram_dbg(void* block, const char* file, int line);

// Prints "memory usage: <in use> (peak: <peak>)".
void wrap_showusage(void);

void wrap_memcpy(void* dst, const void* src, int n);
void wrap_memcpy16(void* dst, const void* src, int count);
void wrap_memcpy32(void* dst, const void* src, int count);
void wrap_memset(void* dst, int value, int n);
void wrap_memclr(void* dst, int n);

// Counted allocation tagged with the caller's own source file and line.
#define wrap_malloc(size) _wrap_malloc_dbg((size), __FILE__, __LINE__)
#define wrap_free(block) _wrap_free_dbg((block), __FILE__, __LINE__)
