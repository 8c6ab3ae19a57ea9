// The WAV reader and writer.
#include "sound/loadwav.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/coredebug.h"
#include "core/corefile/corefile.h"

static const unsigned int WAV_HEADER_SIZE = 44;

static unsigned int get_u16(const unsigned char* p) { return (unsigned int)p[0] | ((unsigned int)p[1] << 8); }

static unsigned int get_u32(const unsigned char* p) {
    return (unsigned int)p[0] | ((unsigned int)p[1] << 8) | ((unsigned int)p[2] << 16) |
           ((unsigned int)p[3] << 24);
}

static void put_u16(unsigned char* p, unsigned int v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

static void put_u32(unsigned char* p, unsigned int v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

// The reader takes every field at its fixed offset. Beyond the two messages
// of a wrong file kind, it refuses what it cannot play safely, each with a
// line of its own: a file shorter than the header, no channels, fewer than 8
// bits per value (no whole byte per value), and a data size beyond the bytes
// that follow the header. Those refusals leave the record as it was before
// the call (empty after Soundsystem_LoadSound), the header's channels, rate
// and bits included.
int Soundsystem_LoadWAV(const char* name, s_sound* s) {
    s_corefile handle = {};
    if (!corefile_open(name, &handle, 0)) return 0;

    unsigned int filesize = handle.size;
    if (filesize < WAV_HEADER_SIZE) {
        corefile_close(&handle);
        _dbg_printf("WAV file too short (%u bytes): %s\n", filesize, name);
        return 0;
    }
    unsigned char* file = (unsigned char*)malloc(filesize);
    if (!file) {
        corefile_close(&handle);
        _dbg_printf("no memory to read %s\n", name);
        return 0;
    }
    corefile_read(file, (int)filesize, 1, &handle);
    corefile_close(&handle);

    int result = 0;
    unsigned short old_channels = s->channels;
    unsigned short old_bits = s->bits;
    unsigned int old_frequency = s->frequency;

    if (memcmp(file, "RIFF", 4) != 0 || memcmp(file + 8, "WAVE", 4) != 0) {
        _dbg_printf("No WAV file");
        goto done;
    }
    if (memcmp(file + 12, "fmt", 3) != 0) goto done;
    {
        unsigned int format = get_u16(file + 20);
        s->channels = (unsigned short)get_u16(file + 22);
        s->frequency = get_u32(file + 24);
        s->bits = (unsigned short)get_u16(file + 34);
        if (format != 1) {
            _dbg_printf("Not PCM signed");
            goto done;
        }
    }
    if (memcmp(file + 36, "data", 4) != 0) goto done;
    {
        unsigned int datasize = get_u32(file + 40);
        const char* refusal = nullptr;
        if (s->channels == 0)
            refusal = "WAV file without channels: %s\n";
        else if (s->bits < 8)
            refusal = "WAV file with fewer than 8 bits per value: %s\n";
        else if (datasize > filesize - WAV_HEADER_SIZE)
            refusal = "WAV data runs past the end of the file: %s\n";
        if (refusal) {
            _dbg_printf(refusal, name);
            s->channels = old_channels;
            s->bits = old_bits;
            s->frequency = old_frequency;
            goto done;
        }
        void* data = malloc(datasize ? datasize : 1);
        if (!data) {
            _dbg_printf("no memory for the samples of %s\n", name);
            goto done;
        }
        memcpy(data, file + WAV_HEADER_SIZE, datasize);
        s->size = datasize;
        s->data = data;
        s->length = datasize / ((unsigned int)s->bits >> 3);
        result = 1;
    }

done:
    free(file);
    return result;
}

// Sizes in the header come from `length`, the sample bytes from `size`. A
// record without data (deleted) is written with zero sample bytes.
int Soundsystem_SaveWAV(const char* name, s_sound* s) {
    if (s->size > (unsigned int)INT_MAX - WAV_HEADER_SIZE) {
        _dbg_printf("sound too large to save: %s\n", name);
        return 1;
    }
    unsigned int total = s->size + WAV_HEADER_SIZE;
    unsigned char* file = (unsigned char*)malloc(total);
    if (!file) {
        _dbg_printf("no memory to save %s\n", name);
        return 1;
    }
    unsigned int bytes_per_value = (unsigned int)s->bits >> 3;
    unsigned int datasize = bytes_per_value * s->length;

    memcpy(file + 0, "RIFF", 4);
    put_u32(file + 4, datasize + 36);
    memcpy(file + 8, "WAVE", 4);
    memcpy(file + 12, "fmt ", 4);
    put_u32(file + 16, 16);
    put_u16(file + 20, 1);
    put_u16(file + 22, s->channels & 0xFF);
    put_u32(file + 24, s->frequency);
    put_u32(file + 28, s->channels * bytes_per_value * s->frequency);
    put_u16(file + 32, (s->channels * bytes_per_value) & 0xFF);
    put_u16(file + 34, s->bits & 0xFF);
    memcpy(file + 36, "data", 4);
    put_u32(file + 40, datasize);
    if (s->data)
        memcpy(file + WAV_HEADER_SIZE, s->data, s->size);
    else
        memset(file + WAV_HEADER_SIZE, 0, s->size);

    corefile_savebuffer(name, file, (int)total);
    free(file);
    return 1;
}
